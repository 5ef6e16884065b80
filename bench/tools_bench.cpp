// The maintenance tools over a large mailing list, beside the same work done by SQLite: the four
// duplicates walks (SQLite: LAG() over the same order), an upper-case conversion of LNAME and a
// "contains" replacement in STREET, index maintenance included on both sides. Every step runs in a
// child process of its own, so that its peak memory is its own.
//
//   addrova-tools-bench [--records N] [--dir DIR] [--keep]

#include "Bench.h"
#include "Maintenance.h"
#include "Table.h"

#include <sqlite3.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>

using namespace bench;
using addrova::store::OpenMode;
using addrova::store::Table;
namespace tools = addrova::tools;

namespace {

struct Sql {
    sqlite3* db = nullptr;
    explicit Sql(const std::string& path)
    {
        if (sqlite3_open(path.c_str(), &db) != SQLITE_OK)
            throw std::runtime_error("sqlite open " + path);
        exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;");
        // The same Soundex as ours, so that both sides compute the same key.
        sqlite3_create_function(
            db, "soundex", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
            [](sqlite3_context* c, int, sqlite3_value** v) {
                const char* t = reinterpret_cast<const char*>(sqlite3_value_text(v[0]));
                const std::string s = addrova::store::soundex(t ? t : "");
                sqlite3_result_text(c, s.c_str(), 4, SQLITE_TRANSIENT);
            },
            nullptr, nullptr);
    }
    ~Sql() { sqlite3_close(db); }
    void exec(const std::string& sql)
    {
        char* err = nullptr;
        if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
            std::string m = err ? err : "?";
            sqlite3_free(err);
            throw std::runtime_error("sqlite: " + m + " in " + sql);
        }
    }
    int64_t scalar(const std::string& sql)
    {
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr) != SQLITE_OK)
            throw std::runtime_error(std::string("sqlite prepare: ") + sqlite3_errmsg(db));
        int64_t v = sqlite3_step(s) == SQLITE_ROW ? sqlite3_column_int64(s, 0) : -1;
        sqlite3_finalize(s);
        return v;
    }
};

// The pairs of a kind: rows whose value equals the one before in the walk order.
std::string pairQuery(const char* value, const char* order, const char* nonEmpty)
{
    return std::string("SELECT count(*) FROM (SELECT ") + value + " AS v, LAG(" + value + ") OVER (ORDER BY " + order +
           ", rowid) AS p, " + nonEmpty + " AS ne FROM t WHERE NOT isdel) WHERE ne <> '' AND v = p";
}

const char* kNameOrder = "upper(rtrim(lname)||fname)";
const char* kStreetOrder = "upper(street)";
const char* kSoundexKey = "soundex(lname)||upper(substr(fname,1,1))||'|'||substr(zip,1,5)";

struct Step {
    const char* name;
    std::function<int64_t(const Config&)> ours;
    std::function<int64_t(const Config&)> sqlite;
};

int64_t oursDup(const Config& cfg, tools::DupKind kind)
{
    Table t;
    t.open(cfg.dbfPath(), OpenMode::Exclusive);
    t.setSelection("!ISDEL");
    tools::DupScratch scratch(t, cfg.dir + "/_chkdup.idx");
    const auto r = tools::findDuplicates(t, kind, tools::kMaxStreetLength, scratch.path());
    scratch.release();
    t.close();
    return r.count;
}

std::vector<Step> steps()
{
    return {
        {"duplicates Last + First", [](const Config& c) { return oursDup(c, tools::DupKind::Name); },
         [](const Config& c) {
             Sql s(c.sqlitePath());
             return s.scalar(pairQuery("upper(lname||fname)", kNameOrder, "lname"));
         }},
        {"duplicates Last + First Initial", [](const Config& c) { return oursDup(c, tools::DupKind::Initial); },
         [](const Config& c) {
             Sql s(c.sqlitePath());
             return s.scalar(pairQuery("upper(lname||substr(fname,1,1))", kNameOrder, "lname"));
         }},
        {"duplicates Street Address", [](const Config& c) { return oursDup(c, tools::DupKind::Street); },
         [](const Config& c) {
             Sql s(c.sqlitePath());
             return s.scalar(pairQuery("upper(substr(street,1,30))", kStreetOrder, "street"));
         }},
        {"duplicates Sounds alike", [](const Config& c) { return oursDup(c, tools::DupKind::Soundex); },
         [](const Config& c) {
             Sql s(c.sqlitePath());
             return s.scalar(pairQuery(kSoundexKey, kSoundexKey, "lname"));
         }},
        {"upper-case LNAME",
         [](const Config& c) {
             Table t;
             t.open(c.dbfPath(), OpenMode::Exclusive);
             const auto r = tools::convertRecords(t, {"LNAME"}, tools::CaseMode::Upper, tools::RecordScope::All);
             t.close();
             return int64_t(r.count);
         },
         [](const Config& c) {
             Sql s(c.sqlitePath());
             s.exec("BEGIN; UPDATE t SET lname = upper(lname) WHERE NOT isdel; COMMIT;");
             return int64_t(sqlite3_changes(s.db));
         }},
        {"replace \"St\" by \"Street\" in STREET",
         [](const Config& c) {
             Table t;
             t.open(c.dbfPath(), OpenMode::Exclusive);
             tools::ReplaceSpec spec;
             spec.field = "STREET";
             spec.find = "St";
             spec.contains = true;
             spec.wholeField = false;
             spec.replacement = "Street";
             const auto r = tools::replaceRecords(t, spec);
             t.close();
             return int64_t(r.count);
         },
         [](const Config& c) {
             Sql s(c.sqlitePath());
             s.exec("BEGIN; UPDATE t SET street = substr(replace(street, 'St', 'Street'), 1, 40) "
                    "WHERE instr(street, 'St') > 0 AND NOT isdel; COMMIT;");
             return int64_t(sqlite3_changes(s.db));
         }},
    };
}

struct Measured {
    bool ok = false;
    double seconds = 0;
    long rssKb = 0;
    int64_t value = 0;
    std::string error;
};

// Runs fn in a child; its timed part, peak memory and result.
Measured inChild(const std::function<void(Outcome&)>& fn)
{
    Measured m;
    auto* out = static_cast<Outcome*>(
        mmap(nullptr, sizeof(Outcome), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0));
    *out = Outcome{};
    sync();
    const pid_t pid = fork();
    if (pid == 0) {
        try {
            fn(*out);
            out->ok = 1;
        } catch (const std::exception& e) {
            std::snprintf(out->error, sizeof out->error, "%s", e.what());
        }
        _exit(0);
    }
    int status = 0;
    rusage ru{};
    wait4(pid, &status, 0, &ru);
    m.ok = out->ok;
    m.seconds = out->seconds;
    m.value = out->value[0];
    m.error = out->error;
    m.rssKb = ru.ru_maxrss;
    munmap(out, sizeof(Outcome));
    return m;
}

Measured timed(const std::function<int64_t(const Config&)>& fn, const Config& cfg)
{
    return inChild([&](Outcome& o) {
        Stopwatch sw;
        o.value[0] = fn(cfg);
        o.seconds = sw.seconds();
    });
}

}  // namespace

int main(int argc, char** argv)
{
    Config cfg;
    bool keep = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--records" && i + 1 < argc)
            cfg.records = uint32_t(std::strtoul(argv[++i], nullptr, 10));
        else if (a == "--dir" && i + 1 < argc)
            cfg.dir = argv[++i];
        else if (a == "--keep")
            keep = true;
        else {
            std::fprintf(stderr, "usage: addrova-tools-bench [--records N] [--dir DIR] [--keep]\n");
            return 2;
        }
    }
    const bool ownDir = cfg.dir.empty();
    if (ownDir) {
        char tmpl[] = "/tmp/addrova-tools-bench-XXXXXX";
        if (!mkdtemp(tmpl))
            return 1;
        cfg.dir = tmpl;
    }
    std::filesystem::create_directories(cfg.dir);
    std::fprintf(stderr, "Building %u records with 26 tags / 26 indexes in %s ...\n", cfg.records, cfg.dir.c_str());
    for (auto fn : {oursAppend, oursIndex, sqliteAppend, sqliteIndex}) {
        Measured m = inChild([&](Outcome& o) { fn(cfg, o); });
        if (!m.ok) {
            std::fprintf(stderr, "setup failed: %s\n", m.error.c_str());
            return 1;
        }
    }
    std::printf("| step (%u records) | ours s | ours MiB | SQLite s | SQLite MiB | result (ours / SQLite) |\n",
                cfg.records);
    std::printf("|---|---:|---:|---:|---:|---|\n");
    int status = 0;
    for (const Step& s : steps()) {
        const Measured a = timed(s.ours, cfg);
        const Measured b = timed(s.sqlite, cfg);
        if (!a.ok || !b.ok) {
            std::printf("| %s | failed: %s %s |\n", s.name, a.error.c_str(), b.error.c_str());
            status = 1;
            continue;
        }
        std::printf("| %s | %.2f | %.0f | %.2f | %.0f | %lld / %lld |\n", s.name, a.seconds, a.rssKb / 1024.0,
                    b.seconds, b.rssKb / 1024.0, static_cast<long long>(a.value), static_cast<long long>(b.value));
        std::fflush(stdout);
        if (a.value != b.value)
            status = 1;
    }
    if (ownDir && !keep)
        std::filesystem::remove_all(cfg.dir);
    return status;
}
