// Conversions and replacements over 200,000 records killed at random moments: the file opens, each
// record is either as it was or wholly changed, the indexes are consistent or reported stale, and
// every safety copy that bears its final name is whole.

#include "AddressFile.h"
#include "Maintenance.h"
#include "Table.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace addrova;
namespace fs = std::filesystem;

namespace {

constexpr uint32_t kRecords = 200000;

int rounds()
{
    const char* r = std::getenv("ADDROVA_KILL_ROUNDS");
    return r ? std::max(1, std::atoi(r)) : 24;
}

// Starts addrova-batch with the arguments, kills it after the delay; true when it was still running.
bool runAndKill(const std::vector<std::string>& args, std::chrono::milliseconds delay)
{
    std::vector<char*> argv;
    std::string exe = ADDROVA_BATCH_PATH;
    argv.push_back(exe.data());
    std::vector<std::string> copy = args;
    for (auto& a : copy)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        std::freopen("/dev/null", "w", stdout);
        std::freopen("/dev/null", "w", stderr);
        execv(exe.c_str(), argv.data());
        _exit(127);
    }
    std::this_thread::sleep_for(delay);
    const bool running = waitpid(pid, nullptr, WNOHANG) == 0;
    if (running) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    return running;
}

// The bytes of a record outside one field.
bool sameOutside(const uint8_t* a, const uint8_t* b, size_t len, const std::vector<store::Field>& fields,
                 std::initializer_list<int> skip)
{
    size_t at = 0;
    std::vector<std::pair<size_t, size_t>> holes;
    for (int f : skip)
        holes.emplace_back(fields[size_t(f)].offset, fields[size_t(f)].offset + fields[size_t(f)].width);
    std::sort(holes.begin(), holes.end());
    for (const auto& [from, to] : holes) {
        if (std::memcmp(a + at, b + at, from - at) != 0)
            return false;
        at = to;
    }
    return std::memcmp(a + at, b + at, len - at) == 0;
}

}  // namespace

TEST(KillTest, ConversionAndReplacementKilledAtRandom)
{
    test::TempDir dir;
    const std::string home = dir.file("home");
    ::setenv("ADDROVA_HOME", home.c_str(), 1);
    const std::string pristine = dir.file("PRISTINE.DBF");
    int status = 0;
    test::run("'" ADDROVA_BATCH_PATH "' demo " + pristine + " " + std::to_string(kRecords) + " --seed 7", &status);
    ASSERT_EQ(status, 0);
    const std::string path = dir.file("LIST.DBF");
    store::Table orig;
    orig.open(pristine, store::OpenMode::ReadOnly);
    ASSERT_EQ(orig.recCount(), kRecords);
    const auto& fields = orig.fields();
    const int lname = orig.fieldIndex("LNAME"), city = orig.fieldIndex("CITY"), street = orig.fieldIndex("STREET");
    const size_t recLen = fields.back().offset + fields.back().width;

    std::mt19937 rng(20261211);
    int killed = 0, stale = 0, copiesSeen = 0;
    uint64_t changedTotal = 0;
    for (int round = 0; round < rounds(); ++round) {
        for (const char* ext : {".DBF", ".CDX", ".FPT"})
            fs::copy_file(dir.file(std::string("PRISTINE") + ext), dir.file(std::string("LIST") + ext),
                          fs::copy_options::overwrite_existing);
        const bool convert = round % 2 == 0;
        const bool withCopy = round % 4 == 1 || round % 4 == 2;
        std::vector<std::string> args =
            convert ? std::vector<std::string>{"convert-case", path, "--fields", "LNAME,CITY", "--to", "upper"}
                    : std::vector<std::string>{"replace", path, "--field", "STREET", "--contains", "St",
                                               "--replace-match", "Street"};
        if (!withCopy)
            args.push_back("--no-safety-copy");
        const auto delay = std::chrono::milliseconds(std::uniform_int_distribution<int>(30, 4000)(rng));
        killed += runAndKill(args, delay);

        store::Table t;
        ASSERT_EQ(store::openAddressFile(path, t), "") << "round " << round;
        ASSERT_EQ(t.recCount(), kRecords);
        ASSERT_TRUE(t.indexState() == store::IndexState::Ok || t.indexState() == store::IndexState::Stale);
        if (t.indexState() == store::IndexState::Stale) {
            ++stale;
        } else {
            // A consistent index must hold every record.
            t.setDeleted(false);
            t.setOrder("LNAME");
            uint32_t n = 0;
            for (bool ok = t.goTop(); ok && !t.eof(); ok = t.skip())
                ++n;
            EXPECT_EQ(n, kRecords) << "round " << round;
            t.setOrder(0);
        }
        t.setDeleted(false);
        uint32_t changed = 0;
        for (uint32_t r = 1; r <= kRecords; ++r) {
            t.go(r);
            orig.go(r);
            if (convert) {
                const std::string l0 = orig.getString(lname), c0 = orig.getString(city);
                const std::string l = t.getString(lname), c = t.getString(city);
                const bool lUp = l == tools::upperText(l0), cUp = c == tools::upperText(c0);
                ASSERT_TRUE((l == l0 && c == c0) || (lUp && cUp)) << "torn record " << r << " round " << round;
                // Either both as they were or both converted (fields already upper are both).
                if (l != l0 || c != c0) {
                    ASSERT_TRUE(lUp && cUp) << "torn record " << r;
                    ++changed;
                }
                ASSERT_TRUE(sameOutside(t.recordBuffer(), orig.recordBuffer(), recLen, fields, {lname, city}))
                    << "record " << r;
            } else {
                const std::string s0 = orig.getString(street), s = t.getString(street);
                if (s != s0) {
                    ASSERT_EQ(s, tools::replaceMatches(s0, "St", "Street", true).substr(0, 40)) << "record " << r;
                    ++changed;
                }
                ASSERT_TRUE(sameOutside(t.recordBuffer(), orig.recordBuffer(), recLen, fields, {street}))
                    << "record " << r;
            }
        }
        changedTotal += changed;
        t.close();
        // Safety copies with their final name are whole; partial ones never bear it.
        for (const auto& e : fs::directory_iterator(dir.path())) {
            const std::string name = e.path().filename().string();
            if (name.rfind("LIST_", 0) != 0)
                continue;
            if (e.path().extension() == ".DBF") {
                store::Table c;
                ASSERT_EQ(store::openAddressFile(e.path().string(), c), "") << name;
                EXPECT_EQ(c.indexState(), store::IndexState::Ok) << name;
                ASSERT_EQ(c.recCount(), kRecords) << name;
                for (uint32_t r = 1; r <= kRecords; r += 997) {
                    c.go(r);
                    orig.go(r);
                    ASSERT_EQ(std::memcmp(c.recordBuffer(), orig.recordBuffer(), recLen), 0) << name << " " << r;
                }
                ++copiesSeen;
            }
        }
        for (const auto& e : fs::directory_iterator(dir.path()))
            if (e.path().filename().string().rfind("LIST_", 0) == 0)
                fs::remove(e.path());
    }
    RecordProperty("killed", killed);
    RecordProperty("stale", stale);
    RecordProperty("copies", copiesSeen);
    RecordProperty("changed", std::to_string(changedTotal));
    EXPECT_GT(killed, 0);
}
