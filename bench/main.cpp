// addrova-bench: Addrova's xBase table engine against SQLite on the same address data.
// Each step runs in a child process of its own per engine, so that the peak resident set size
// that wait4() reports is that step's alone.

#include "Bench.h"
#include "DemoData.h"

#include <sqlite3.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace bench;

namespace {

using StepFn = void (*)(const Config&, Outcome&);

struct Measured {
    bool ran = false;
    bool ok = false;
    Outcome out;
    double cpu = 0;       // user + system seconds of the child
    double sys = 0;       // system seconds alone
    long maxRssKb = 0;    // ru_maxrss of the child
    std::string failure;  // why it failed (exception text, signal)
};

int gTimeout = 0;

Measured runChild(StepFn fn, const Config& cfg) {
    Measured m;
    m.ran = true;
    void* mem = mmap(nullptr, sizeof(Outcome), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (mem == MAP_FAILED) {
        m.failure = "mmap failed";
        return m;
    }
    auto* shared = new (mem) Outcome();
    // Write back what earlier steps left dirty, so that no step pays for another's writes.
    ::sync();
    std::fflush(stdout);
    std::fflush(stderr);
    pid_t pid = fork();
    if (pid < 0) {
        m.failure = std::string("fork failed: ") + std::strerror(errno);
        munmap(mem, sizeof(Outcome));
        return m;
    }
    if (pid == 0) {
        if (gTimeout > 0) alarm(static_cast<unsigned>(gTimeout));
        int code = 0;
        try {
            if (fn) fn(cfg, *shared);
            shared->ok = 1;
        } catch (const std::exception& e) {
            std::snprintf(shared->error, sizeof shared->error, "%s", e.what());
            code = 1;
        } catch (...) {
            std::snprintf(shared->error, sizeof shared->error, "unknown exception");
            code = 1;
        }
        std::fflush(stdout);
        std::fflush(stderr);
        _exit(code);
    }
    int status = 0;
    struct rusage ru {};
    while (wait4(pid, &status, 0, &ru) < 0 && errno == EINTR) {
    }
    m.out = *shared;
    munmap(mem, sizeof(Outcome));
    m.cpu = static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
            static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
    m.sys = static_cast<double>(ru.ru_stime.tv_sec) + static_cast<double>(ru.ru_stime.tv_usec) / 1e6;
    m.maxRssKb = ru.ru_maxrss;
    if (WIFSIGNALED(status)) {
        int sig = WTERMSIG(status);
        m.failure = sig == SIGALRM ? "timed out after " + std::to_string(gTimeout) + " s"
                                   : std::string("killed by signal ") + std::to_string(sig) + " (" +
                                         strsignal(sig) + ")";
    } else if (!m.out.ok) {
        m.failure =
            m.out.error[0] ? m.out.error : "exited with status " + std::to_string(WEXITSTATUS(status));
    } else {
        m.ok = true;
    }
    return m;
}

// The data set's own figures, from the generator alone.
struct Expected {
    int64_t records = 0, memos = 0, smAll = 0, marked = 0;
};

void generateOnly(const Config& cfg, Outcome& out) {
    Generator gen(cfg.seed);
    Record r;
    Stopwatch sw;
    int64_t memos = 0, sm = 0, marked = 0;
    for (uint32_t i = 0; i < cfg.records; ++i) {
        gen.make(i, r);
        memos += !r.text[F_MEMO].empty();
        const std::string& l = r.text[F_LNAME];
        bool isSm = l.size() >= 2 && (l[0] == 'S' || l[0] == 's') && (l[1] == 'M' || l[1] == 'm') && !r.isdel;
        sm += isSm;
        marked += markedForPack(cfg.seed, i + 1);
    }
    out.seconds = sw.seconds();
    out.value[0] = memos;
    out.value[1] = sm;
    out.value[2] = marked;
}

struct Row {
    std::string step;
    Measured ours, sql;
    std::string result;
    bool checked = true;  // false: a preparation, not part of the comparison
};

std::string fmtSeconds(const Measured& m) {
    if (!m.ran) return "-";
    if (!m.ok) return "FAILED";
    char b[32];
    std::snprintf(b, sizeof b, "%.3f", m.out.seconds);
    return b;
}
std::string fmtCpu(const Measured& m) {
    if (!m.ran || !m.ok) return "-";
    char b[32];
    std::snprintf(b, sizeof b, "%.2f (%.2f)", m.cpu, m.sys);
    return b;
}
std::string fmtRss(const Measured& m) {
    if (!m.ran) return "-";
    char b[32];
    std::snprintf(b, sizeof b, "%.1f", static_cast<double>(m.maxRssKb) / 1024.0);
    return b;
}
std::string fmtRatio(const Measured& a, const Measured& b) {
    if (!a.ok || !b.ok || b.out.seconds <= 0) return "-";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", a.out.seconds / b.out.seconds);
    return buf;
}
std::string fmtMiB(uint64_t bytes) {
    char b[32];
    std::snprintf(b, sizeof b, "%.2f", static_cast<double>(bytes) / (1024.0 * 1024.0));
    return b;
}

uint64_t fileSize(const std::string& p) {
    struct stat st;
    return ::stat(p.c_str(), &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
}

struct Sizes {
    std::string after;
    uint64_t dbf, fpt, cdx, sqlite, wal;
};

Sizes sizesNow(const Config& cfg, const std::string& after) {
    return {after,
            fileSize(cfg.dbfPath()),
            fileSize(cfg.fptPath()),
            fileSize(cfg.cdxPath()),
            fileSize(cfg.sqlitePath()),
            fileSize(cfg.sqlitePath() + "-wal")};
}

// Checks one row: each engine that ran against the expected figures, and the two against each other.
class Checker {
  public:
    Checker(Row& row, bool both) : row_(row), both_(both) {
        if (row.ours.ok) ran_.push_back({"addrova", &row.ours});
        if (row.sql.ok) ran_.push_back({"sqlite", &row.sql});
    }
    void expect(int i, int64_t want, const char* what) {
        for (const auto& [name, m] : ran_)
            if (m->out.value[i] != want)
                problems_.push_back(std::string(name) + " " + what + " " + std::to_string(m->out.value[i]) +
                                    ", expected " + std::to_string(want));
    }
    // value[i] must equal value[j] of the same engine.
    void expectSame(int i, int j, const char* what, const char* other) {
        for (const auto& [name, m] : ran_)
            if (m->out.value[i] != m->out.value[j])
                problems_.push_back(std::string(name) + " " + what + " " + std::to_string(m->out.value[i]) +
                                    ", " + other + " " + std::to_string(m->out.value[j]));
    }
    void agree(int i, const char* what) {
        if (ran_.size() == 2 && ran_[0].second->out.value[i] != ran_[1].second->out.value[i])
            problems_.push_back(std::string(what) +
                                " differ: " + std::to_string(ran_[0].second->out.value[i]) + " vs " +
                                std::to_string(ran_[1].second->out.value[i]));
    }
    std::string value(int i) const {
        return ran_.empty() ? "?" : std::to_string(ran_[0].second->out.value[i]);
    }
    void finish(const std::string& summary, bool& allOk) {
        if (!problems_.empty()) {
            row_.result = "MISMATCH:";
            for (const auto& p : problems_) row_.result += " " + p + ";";
            allOk = false;
        } else if (!ran_.empty()) {
            row_.result = summary + (both_ && ran_.size() == 2 ? " on both" : "");
        }
    }

  private:
    Row& row_;
    bool both_;
    std::vector<std::pair<const char*, const Measured*>> ran_;
    std::vector<std::string> problems_;
};

void usage() {
    std::cerr << "usage: addrova-bench [--records N] [--seeks N] [--dir DIR] [--only STEP] [--keep]\n"
                 "                     [--markdown FILE] [--engine both|ours|sqlite] [--timeout SECONDS]\n"
                 "                     [--sqlite-autocommit-seeks]\n"
                 "steps: append index count seek skip pack\n";
}

enum class Need { Nothing, Appended, Indexed };

struct StepDef {
    const char* id;
    const char* title;
    StepFn ours, sql;
    Need need;
};

const StepDef kSteps[] = {
    {"append", "append", oursAppend, sqliteAppend, Need::Nothing},
    {"index", "index (26 tags)", oursIndex, sqliteIndex, Need::Appended},
    {"count", "count UPPER(LNAME)=\"SM\" .AND. !ISDEL", oursCount, sqliteCount, Need::Indexed},
    {"seek", "seek", oursSeek, sqliteSeek, Need::Indexed},
    {"skip", "skip (walk the LNAME order)", oursSkip, sqliteSkip, Need::Indexed},
    {"pack", "pack", oursPack, sqlitePack, Need::Indexed},
};

}  // namespace

int main(int argc, char** argv) {
    Config cfg;
    std::string only, markdown, engine = "both";
    bool keep = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                usage();
                std::exit(2);
            }
            return argv[++i];
        };
        try {
            if (a == "--records")
                cfg.records = static_cast<uint32_t>(std::stoul(value()));
            else if (a == "--seeks")
                cfg.seeks = static_cast<uint32_t>(std::stoul(value()));
            else if (a == "--dir")
                cfg.dir = value();
            else if (a == "--only")
                only = value();
            else if (a == "--keep")
                keep = true;
            else if (a == "--markdown")
                markdown = value();
            else if (a == "--engine")
                engine = value();
            else if (a == "--sqlite-autocommit-seeks")
                cfg.sqliteAutocommitSeeks = true;
            else if (a == "--timeout")
                gTimeout = std::stoi(value());
            else {
                usage();
                return 2;
            }
        } catch (const std::exception&) {
            usage();
            return 2;
        }
    }
    if (cfg.records == 0 || (engine != "both" && engine != "ours" && engine != "sqlite")) {
        usage();
        return 2;
    }
    bool known = only.empty();
    for (const auto& s : kSteps) known = known || only == s.id;
    if (!known) {
        usage();
        return 2;
    }
    const bool runOurs = engine != "sqlite", runSql = engine != "ours", both = runOurs && runSql;

    bool madeDir = false;
    if (cfg.dir.empty()) {
        char tmpl[] = "/tmp/addrova-bench-XXXXXX";
        if (!mkdtemp(tmpl)) {
            std::perror("mkdtemp");
            return 1;
        }
        cfg.dir = tmpl;
        madeDir = true;
    } else if (!fs::exists(cfg.dir)) {
        fs::create_directories(cfg.dir);
        madeDir = true;
    }
    std::cerr << "addrova-bench: " << cfg.records << " records in " << cfg.dir << "\n";

    std::vector<Row> rows;
    std::vector<Sizes> sizes;
    std::vector<std::string> notes;
    bool allOk = true;

    auto run = [&](const StepDef& s, bool report) {
        Row row;
        row.step = s.title;
        if (runOurs) {
            std::cerr << "  " << s.id << " / addrova ..." << std::flush;
            row.ours = runChild(s.ours, cfg);
            if (row.ours.ok)
                std::cerr << ' ' << fmtSeconds(row.ours) << " s\n";
            else
                std::cerr << " FAILED: " << row.ours.failure << '\n';
        }
        if (runSql) {
            std::cerr << "  " << s.id << " / sqlite ..." << std::flush;
            row.sql = runChild(s.sql, cfg);
            if (row.sql.ok)
                std::cerr << ' ' << fmtSeconds(row.sql) << " s\n";
            else
                std::cerr << " FAILED: " << row.sql.failure << '\n';
        }
        if ((runOurs && !row.ours.ok) || (runSql && !row.sql.ok)) allOk = false;
        if (!report) {
            if (!row.ours.failure.empty() || !row.sql.failure.empty()) {
                std::cerr << "addrova-bench: preparing for --only failed\n";
                std::exit(1);
            }
        }
        return row;
    };

    // What a child with no work costs: the parent's pages shared after fork and the libraries.
    Measured baseline = runChild(nullptr, cfg);
    Measured gen = runChild(generateOnly, cfg);
    Expected expect;
    expect.records = cfg.records;
    if (gen.ok) {
        expect.memos = gen.out.value[0];
        expect.smAll = gen.out.value[1];
        expect.marked = gen.out.value[2];
    } else {
        std::cerr << "addrova-bench: the generator failed: " << gen.failure << "\n";
        return 1;
    }

    // With --only, bring the files to the state the step needs (not reported).
    if (!only.empty()) {
        Need need = Need::Nothing;
        for (const auto& s : kSteps)
            if (only == s.id) need = s.need;
        Measured po = runOurs ? runChild(oursProbe, cfg) : Measured{};
        Measured ps = runSql ? runChild(sqliteProbe, cfg) : Measured{};
        auto tags = [](const Measured& m) { return m.ran ? (m.ok ? m.out.value[0] : -1) : 26; };
        int64_t to = tags(po), ts = tags(ps);
        if (runOurs && !runSql) ts = to;
        if (runSql && !runOurs) to = ts;
        bool appended = to >= 0 && ts >= 0;
        bool indexed = to == 26 && ts == 26;
        if (need == Need::Appended && (!appended || to != 0 || ts != 0)) {
            std::cerr << "preparing: append\n";
            run(kSteps[0], false);
        } else if (need == Need::Indexed && !indexed) {
            std::cerr << "preparing: append, index\n";
            run(kSteps[0], false);
            run(kSteps[1], false);
        }
    }

    // The table's record count decides which expected figures apply (a kept table may be packed).
    auto freshTable = [&]() {
        Measured p = runOurs ? runChild(oursProbe, cfg) : runChild(sqliteProbe, cfg);
        return p.ok && p.out.value[1] == expect.records;
    };

    for (const auto& s : kSteps) {
        if (!only.empty() && only != s.id) continue;
        std::string id = s.id;
        bool fresh = id == "append" || freshTable();
        if (id == "pack") {
            StepDef mark{"mark", "mark 10 % deleted (preparation, untimed in pack)", oursMark, sqliteMark,
                         Need::Indexed};
            Row m = run(mark, true);
            m.checked = false;
            Checker c(m, both);
            if (fresh) c.expect(0, expect.marked, "marked");
            c.agree(0, "marked");
            c.finish(c.value(0) + " records marked", allOk);
            rows.push_back(m);
        }
        Row row = run(s, true);
        Checker c(row, both);
        if (id == "append") {
            c.expect(0, expect.records, "records");
            c.expect(1, expect.memos, "memos");
            c.finish(c.value(0) + " records, " + c.value(1) + " memos", allOk);
        } else if (id == "index") {
            c.expect(0, 26, "tags or indexes");
            c.finish(both ? "26 tags / 26 indexes" : runOurs ? "26 tags" : "26 indexes", allOk);
        } else if (id == "count") {
            if (fresh) c.expect(0, expect.smAll, "count");
            c.agree(0, "counts");
            c.finish("count " + c.value(0), allOk);
        } else if (id == "seek") {
            if (fresh) c.expectSame(0, 1, "found", "keys that exist");
            c.agree(0, "found");
            c.finish("find " + c.value(0) + " of " + std::to_string(cfg.seeks), allOk);
        } else if (id == "skip") {
            if (fresh) c.expect(0, expect.records, "records walked");
            c.agree(0, "records walked");
            c.agree(1, "walk sequences");
            c.finish(c.value(0) + " names walked" + (both ? " in the same order" : ""), allOk);
        } else if (id == "pack") {
            c.expect(1, 26, "tags or indexes");
            if (fresh) c.expect(0, expect.records - expect.marked, "records left");
            c.agree(0, "records left");
            c.finish(c.value(0) + " records left", allOk);
        }
        if ((id == "seek" || id == "skip") && row.sql.ok)
            notes.push_back("SQLite " + id + " plan: " + std::string(row.sql.out.note));
        rows.push_back(row);
        if (id == "append" || id == "index" || id == "pack") sizes.push_back(sizesNow(cfg, s.id));
    }

    // The report.
    std::ostringstream md;
    md << "| Step | Addrova s | Addrova CPU s (sys) | Addrova peak RSS MiB | SQLite s | SQLite CPU s (sys) | "
          "SQLite peak "
          "RSS MiB | "
          "time Addrova/SQLite | Check |\n";
    md << "|---|---:|---:|---:|---:|---:|---:|---:|---|\n";
    for (const auto& r : rows) {
        std::string check = r.result;
        if (!r.ours.failure.empty()) check += " addrova failed: " + r.ours.failure;
        if (!r.sql.failure.empty()) check += " sqlite failed: " + r.sql.failure;
        for (char& c : check)
            if (c == '|' || c == '\n') c = ' ';
        md << "| " << r.step << " | " << fmtSeconds(r.ours) << " | " << fmtCpu(r.ours) << " | "
           << fmtRss(r.ours) << " | " << fmtSeconds(r.sql) << " | " << fmtCpu(r.sql) << " | " << fmtRss(r.sql)
           << " | " << (r.checked ? fmtRatio(r.ours, r.sql) : "-") << " | " << check << " |\n";
    }
    if (!sizes.empty()) {
        md << "\n| Files after | DBF MiB | FPT MiB | CDX MiB | Addrova total MiB | SQLite MiB | size "
              "Addrova/SQLite |\n";
        md << "|---|---:|---:|---:|---:|---:|---:|\n";
        for (const auto& s : sizes) {
            uint64_t ours = s.dbf + s.fpt + s.cdx, sq = s.sqlite + s.wal;
            char ratio[32] = "-";
            if (sq)
                std::snprintf(ratio, sizeof ratio, "%.2f",
                              static_cast<double>(ours) / static_cast<double>(sq));
            md << "| " << s.after << " | " << fmtMiB(s.dbf) << " | " << fmtMiB(s.fpt) << " | "
               << fmtMiB(s.cdx) << " | " << fmtMiB(ours) << " | " << fmtMiB(s.sqlite)
               << (s.wal ? " (+" + fmtMiB(s.wal) + " WAL)" : "") << " | " << ratio << " |\n";
        }
    }
    char line[512];
    std::snprintf(
        line, sizeof line,
        "\n%u records, %u seeks; sqlite %s. Generating the records alone takes %.2f s (inside both append "
        "figures); a child process that does nothing peaks at %.1f MiB.\n",
        cfg.records, cfg.seeks, sqlite3_libversion(), gen.out.seconds,
        static_cast<double>(baseline.maxRssKb) / 1024.0);
    md << line;
    for (const auto& n : notes) md << "\n" << n << "\n";
    std::cout << md.str() << std::flush;
    if (!markdown.empty()) {
        std::ofstream f(markdown);
        f << md.str();
        if (!f) {
            std::cerr << "addrova-bench: cannot write " << markdown << "\n";
            allOk = false;
        }
    }

    if (!keep) {
        std::error_code ec;
        if (madeDir) {
            fs::remove_all(cfg.dir, ec);
        } else {
            for (const auto& p : {cfg.dbfPath(), cfg.cdxPath(), cfg.fptPath(), cfg.sqlitePath(),
                                  cfg.sqlitePath() + "-wal", cfg.sqlitePath() + "-shm"})
                fs::remove(p, ec);
        }
    } else {
        std::cerr << "addrova-bench: files kept in " << cfg.dir << "\n";
    }
    return allOk ? 0 : 1;
}
