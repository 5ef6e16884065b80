// A writer killed at random moments: the table must open afterwards, hold every record whose post
// had returned (with its memo), and its index must be consistent or reported stale.
#include "Table.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <map>
#include <random>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

using namespace addrova::store;

namespace {

const std::vector<FieldSpec> kFields = {{"LNAME", 'C', 12, 0}, {"SERIAL", 'N', 8, 0}, {"MEMO", 'M', 10, 0}};

// The memo always repeats the name, so that a record mixing two posts is caught.
std::string memoFor(const std::string& name, int serial) {
    return "memo of " + name + "\r\n" + std::string(static_cast<size_t>(serial % 1500), static_cast<char>('a' + serial % 26));
}

std::string nameFor(std::mt19937& rng) {
    std::string s;
    for (int i = 0; i < 8; ++i) s += static_cast<char>('A' + rng() % 26);
    return s;
}

void writeLine(int fd, const std::string& line) {
    std::string l = line + "\n";
    if (::write(fd, l.data(), l.size()) < 0) _exit(3);
}

// The child: appends and edits until it is killed. Before each post it writes "I recno name serial"
// (recno 0 for an append), after it "D recno name serial".
[[noreturn]] void writer(const std::string& path, int fd, unsigned seed) {
    try {
        std::mt19937 rng(seed);
        Table t;
        t.open(path);
        t.setOrder("LNAME");
        writeLine(fd, "R");  // the clock for the kill starts once the table is open
        for (int serial = static_cast<int>(seed % 100000) * 1000;; ++serial) {
            std::string name = nameFor(rng);
            uint32_t target = 0;
            if (t.recCount() > 0 && rng() % 3 == 0) target = 1 + rng() % t.recCount();
            writeLine(fd, "I " + std::to_string(target) + " " + name + " " + std::to_string(serial));
            if (target) {
                t.go(target);
            } else {
                t.appendBlank();
            }
            t.setString("LNAME", name);
            t.setNumber(t.fieldIndex("SERIAL"), serial);
            t.setMemo("MEMO", memoFor(name, serial));
            t.post();
            writeLine(fd, "D " + std::to_string(t.recNo()) + " " + name + " " + std::to_string(serial));
            if (rng() % 8 == 0) t.flush();
        }
    } catch (const std::exception& e) {
        writeLine(fd, std::string("E ") + e.what());
        _exit(2);
    }
}

struct Value {
    std::string name;
    int serial;
    bool operator==(const Value&) const = default;
};

TEST(Crash, KilledWriterLosesNothingPosted) {
    addrova::test::TempDir dir;
    std::string path = dir.file("CRASH.DBF");
    Table::create(path, kFields);
    {
        Table t;
        t.open(path);
        t.createTag("LNAME", "LNAME");
    }
    std::map<uint32_t, Value> model;  // what every record held after its last returned post
    std::mt19937 rng(12345);
    int okStates = 0, staleStates = 0;
    const int rounds = 250;
    for (int round = 0; round < rounds; ++round) {
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::close(fds[0]);
            writer(path, fds[1], static_cast<unsigned>(round + 1));
        }
        ::close(fds[1]);
        std::string log;
        for (char c = 0; c != '\n' && ::read(fds[0], &c, 1) == 1;) log += c;
        ::usleep(static_cast<useconds_t>(500 + rng() % 15000));
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        char buf[65536];
        for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;) log.append(buf, static_cast<size_t>(n));
        ::close(fds[0]);

        // Replay the log: completed posts go into the model, the last unfinished one may or may not have landed.
        std::optional<std::pair<uint32_t, Value>> inFlight;
        std::istringstream in(log);
        for (std::string line; std::getline(in, line);) {
            std::istringstream f(line);
            char kind;
            uint32_t recno;
            Value v;
            f >> kind;
            ASSERT_NE(kind, 'E') << line;
            if (!(f >> recno >> v.name >> v.serial)) continue;  // a line cut by the kill
            if (kind == 'I') {
                inFlight = {{recno, v}};
            } else {
                model[recno] = v;
                inFlight.reset();
            }
        }

        Table t;
        ASSERT_NO_THROW(t.open(path)) << "round " << round;
        uint32_t posted = model.empty() ? 0 : model.rbegin()->first;
        bool appendInFlight = inFlight && inFlight->first == 0;
        ASSERT_GE(t.recCount(), posted) << "round " << round;
        ASSERT_LE(t.recCount(), posted + (appendInFlight ? 1 : 0)) << "round " << round;
        for (uint32_t r = 1; r <= t.recCount(); ++r) {
            ASSERT_TRUE(t.go(r));
            Value got{t.getString("LNAME"), static_cast<int>(t.getNumber(t.fieldIndex("SERIAL")))};
            ASSERT_EQ(t.getMemo("MEMO"), memoFor(got.name, got.serial)) << "round " << round << " record " << r;
            bool isPosted = model.count(r) && model[r] == got;
            bool isInFlight = inFlight && inFlight->second == got &&
                              (inFlight->first == r || (inFlight->first == 0 && r == posted + 1));
            ASSERT_TRUE(isPosted || isInFlight) << "round " << round << " record " << r << " holds " << got.name;
            model[r] = got;  // the state the next round starts from
        }

        if (t.indexState() == IndexState::Ok) {
            ++okStates;
            // A consistent index: its order is exactly the records sorted by name and number.
            std::vector<std::pair<std::string, uint32_t>> want;
            for (const auto& [r, v] : model)
                if (r <= t.recCount()) want.emplace_back(v.name, r);
            std::sort(want.begin(), want.end());
            std::vector<std::pair<std::string, uint32_t>> got;
            ASSERT_NO_THROW(t.setOrder("LNAME")) << "round " << round << ": the index has " << t.orderCount() << " tags";
            for (bool ok = t.goTop(); ok; ok = t.skip()) got.emplace_back(t.getString("LNAME"), t.recNo());
            ASSERT_EQ(got, want) << "round " << round;
        } else {
            ASSERT_EQ(t.indexState(), IndexState::Stale) << "round " << round;
            ++staleStates;
            std::string why = t.indexProblem();
            ASSERT_NO_THROW(t.reindex()) << "round " << round << ": " << why;
            ASSERT_GT(t.tagArea("LNAME"), 0) << "round " << round << ": reindex lost the tag (" << why << ")";
        }
    }
    EXPECT_GT(model.size(), 50u);
    std::printf("%d rounds: index consistent %d times, reported stale %d times, %zu records\n", rounds, okStates,
                staleStates, model.size());
}

// A pack killed at any moment leaves either the old or the packed table, never a mixture.
TEST(Crash, KilledPackKeepsEveryLiveRecord) {
    addrova::test::TempDir dir;
    std::string path = dir.file("PACK.DBF");
    Table::create(path, kFields);
    std::map<std::string, int> live;
    {
        Table t;
        t.open(path);
        t.createTag("LNAME", "LNAME");
        std::mt19937 rng(7);
        for (int i = 0; i < 3000; ++i) {
            std::string name = nameFor(rng);
            t.appendBlank();
            t.setString("LNAME", name);
            t.setNumber(t.fieldIndex("SERIAL"), i);
            t.setMemo("MEMO", memoFor(name, i));
            t.post();
            if (i % 4 == 0)
                t.deleteRecord();
            else
                live[name] = i;
        }
    }
    std::mt19937 rng(99);
    for (int round = 0; round < 40; ++round) {
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            try {
                Table t;
                t.open(path);
                for (;;) t.pack();
            } catch (...) {
                _exit(2);
            }
        }
        ::usleep(static_cast<useconds_t>(1000 + rng() % 60000));
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        Table t;
        ASSERT_NO_THROW(t.open(path)) << "round " << round;
        std::map<std::string, int> seen;
        for (bool ok = t.goTop(); ok; ok = t.skip()) {
            std::string name = t.getString("LNAME");
            int serial = static_cast<int>(t.getNumber(t.fieldIndex("SERIAL")));
            ASSERT_EQ(t.getMemo("MEMO"), memoFor(name, serial)) << "round " << round;
            seen[name] = serial;
        }
        ASSERT_EQ(seen, live) << "round " << round;
        if (t.indexState() != IndexState::Ok) t.reindex();
    }
}

}  // namespace
