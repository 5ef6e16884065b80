// The same steps on SQLite.

#include "Bench.h"
#include "DemoData.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace bench {

namespace {

// WAL with synchronous=NORMAL: durable at checkpoints, the usual setting for an application
// database. Everything else stays at the library's defaults.
constexpr const char* kPragmas = "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;";

class Db {
  public:
    explicit Db(const std::string& path) {
        if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
            SQLITE_OK) {
            std::string msg = db_ ? sqlite3_errmsg(db_) : "out of memory";
            sqlite3_close(db_);
            throw std::runtime_error("sqlite open " + path + ": " + msg);
        }
        exec(kPragmas);
    }
    ~Db() { sqlite3_close(db_); }
    Db(const Db&) = delete;
    Db& operator=(const Db&) = delete;

    void exec(const std::string& sql) {
        char* err = nullptr;
        if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
            std::string msg = err ? err : sqlite3_errmsg(db_);
            sqlite3_free(err);
            throw std::runtime_error("sqlite: " + msg + " in: " + sql.substr(0, 200));
        }
    }
    void fail(const char* what) const {
        throw std::runtime_error(std::string("sqlite ") + what + ": " + sqlite3_errmsg(db_));
    }
    // Closes now (checkpointing the WAL), so that the close is part of the timed work.
    void close() {
        if (sqlite3_close(db_) != SQLITE_OK) fail("close");
        db_ = nullptr;
    }
    sqlite3* get() const { return db_; }

  private:
    sqlite3* db_ = nullptr;
};

class Stmt {
  public:
    Stmt(Db& db, const std::string& sql) : db_(db) {
        if (sqlite3_prepare_v2(db.get(), sql.c_str(), -1, &s_, nullptr) != SQLITE_OK) db.fail("prepare");
    }
    ~Stmt() { sqlite3_finalize(s_); }
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;

    void text(int i, const std::string& v) {
        if (sqlite3_bind_text(s_, i, v.data(), static_cast<int>(v.size()), SQLITE_STATIC) != SQLITE_OK)
            db_.fail("bind");
    }
    void integer(int i, int64_t v) {
        if (sqlite3_bind_int64(s_, i, v) != SQLITE_OK) db_.fail("bind");
    }
    void null(int i) {
        if (sqlite3_bind_null(s_, i) != SQLITE_OK) db_.fail("bind");
    }
    // True for a row, false when done.
    bool step() {
        int rc = sqlite3_step(s_);
        if (rc == SQLITE_ROW) return true;
        if (rc == SQLITE_DONE) return false;
        db_.fail("step");
        return false;
    }
    void reset() { sqlite3_reset(s_); }
    sqlite3_stmt* get() const { return s_; }

  private:
    Db& db_;
    sqlite3_stmt* s_ = nullptr;
};

bool exists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

std::string queryPlan(Db& db, const std::string& sql) {
    Stmt s(db, "EXPLAIN QUERY PLAN " + sql);
    std::string plan;
    while (s.step()) {
        if (!plan.empty()) plan += "; ";
        plan += reinterpret_cast<const char*>(sqlite3_column_text(s.get(), 3));
    }
    return plan;
}

// Refuses to time a query that does not use the expected index.
void requireIndex(Db& db, const std::string& sql, const char* index, Outcome& out) {
    std::string plan = queryPlan(db, sql);
    std::snprintf(out.note, sizeof out.note, "%s", plan.c_str());
    if (plan.find(index) == std::string::npos)
        throw std::runtime_error("query plan does not use " + std::string(index) + ": " + plan);
}

int64_t scalar(Db& db, const std::string& sql) {
    Stmt s(db, sql);
    if (!s.step()) throw std::runtime_error("no result for " + sql);
    return sqlite3_column_int64(s.get(), 0);
}

}  // namespace

void sqliteAppend(const Config& cfg, Outcome& out) {
    std::string path = cfg.sqlitePath();
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) std::remove((path + suffix).c_str());
    Generator gen(cfg.seed);
    Record r;

    Stopwatch sw;
    Db db(path);
    std::string columns;
    for (int f = 0; f < F_COUNT; ++f) {
        std::string name = kFields[f].name;
        for (char& c : name) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
        columns += name + (f == F_ISDEL ? " INTEGER NOT NULL" : " TEXT") + ", ";
    }
    db.exec("CREATE TABLE t(" + columns + "deleted INTEGER NOT NULL DEFAULT 0)");
    db.exec("BEGIN");
    std::string sql = "INSERT INTO t VALUES(";
    for (int f = 0; f <= F_COUNT; ++f) sql += f ? ",?" : "?";
    sql += ")";
    int64_t memos = 0;
    {
        Stmt ins(db, sql);
        for (uint32_t i = 0; i < cfg.records; ++i) {
            gen.make(i, r);
            for (int f = 0; f < F_COUNT; ++f) {
                if (f == F_ISDEL)
                    ins.integer(f + 1, r.isdel);
                else if (f == F_MEMO && r.text[f].empty())
                    ins.null(f + 1);
                else
                    ins.text(f + 1, r.text[f]);
            }
            memos += !r.text[F_MEMO].empty();
            ins.integer(F_COUNT + 1, 0);
            ins.step();
            ins.reset();
        }
    }
    db.exec("COMMIT");
    out.value[0] = scalar(db, "SELECT max(rowid) FROM t");
    out.value[1] = memos;
    db.close();
    out.seconds = sw.seconds();
}

void sqliteIndex(const Config& cfg, Outcome& out) {
    Stopwatch sw;
    Db db(cfg.sqlitePath());
    for (const auto& tag : kTags) {
        std::string name = tag.name;
        for (char& c : name) c = static_cast<char>(c + 32 * (c >= 'A' && c <= 'Z'));
        db.exec("CREATE INDEX t_" + name + " ON t(" + tag.sql + ")");
    }
    out.value[0] = scalar(db, "SELECT count(*) FROM sqlite_master WHERE type='index' AND tbl_name='t'");
    db.close();
    out.seconds = sw.seconds();
}

// LIKE ignores ASCII case, so this is UPPER(LNAME)="SM"; of the equivalent forms (upper(lname) LIKE,
// substr(upper(lname),1,2)=, upper(lname) GLOB) it is the fastest.
const char* const kSqlCount = "SELECT count(*) FROM t WHERE lname LIKE 'SM%' AND NOT isdel";

void sqliteCount(const Config& cfg, Outcome& out) {
    Stopwatch sw;
    Db db(cfg.sqlitePath());
    out.value[0] = scalar(db, kSqlCount);
    db.close();
    out.seconds = sw.seconds();
}

void sqliteSeek(const Config& cfg, Outcome& out) {
    std::vector<SeekKey> keys = makeSeekKeys(cfg);
    int64_t expected = 0;
    for (const auto& k : keys) expected += k.hit;
    const std::string key = kSqlLnameKey;
    const std::string sql =
        "SELECT rowid FROM t WHERE " + key + " >= ?1 AND " + key + " < ?2 ORDER BY " + key + " LIMIT 1";

    Stopwatch sw;
    Db db(cfg.sqlitePath());
    requireIndex(db, sql, "t_lname", out);
    // One read transaction for the batch, as the DBF side holds its lock throughout; without it
    // every lookup opens and closes a WAL read transaction of its own.
    if (!cfg.sqliteAutocommitSeeks) db.exec("BEGIN");
    int64_t found = 0;
    {
        Stmt s(db, sql);
        std::string upper;
        for (const auto& k : keys) {
            // Keys end in a letter or a blank, so raising the last byte gives the end of the prefix range.
            upper = k.key;
            ++upper.back();
            s.text(1, k.key);
            s.text(2, upper);
            if (s.step()) ++found;
            s.reset();
        }
    }
    if (!cfg.sqliteAutocommitSeeks) db.exec("COMMIT");
    db.close();
    out.seconds = sw.seconds();
    out.value[0] = found;
    out.value[1] = expected;
}

void sqliteSkip(const Config& cfg, Outcome& out) {
    const std::string sql = std::string("SELECT lname, fname FROM t ORDER BY ") + kSqlLnameKey;
    Stopwatch sw;
    Db db(cfg.sqlitePath());
    requireIndex(db, sql, "t_lname", out);
    WalkHash hash;
    int64_t n = 0;
    {
        Stmt s(db, sql);
        while (s.step()) {
            auto* l = reinterpret_cast<const char*>(sqlite3_column_text(s.get(), 0));
            hash.add(l, static_cast<size_t>(sqlite3_column_bytes(s.get(), 0)));
            auto* f = reinterpret_cast<const char*>(sqlite3_column_text(s.get(), 1));
            hash.add(f, static_cast<size_t>(sqlite3_column_bytes(s.get(), 1)));
            ++n;
        }
    }
    db.close();
    out.seconds = sw.seconds();
    out.value[0] = n;
    out.value[1] = static_cast<int64_t>(hash.h);
}

void sqliteMark(const Config& cfg, Outcome& out) {
    Stopwatch sw;
    Db db(cfg.sqlitePath());
    int64_t total = scalar(db, "SELECT max(rowid) FROM t");
    db.exec("BEGIN");
    int64_t marked = 0;
    {
        Stmt up(db, "UPDATE t SET isdel=1, deleted=1 WHERE rowid=?1");
        for (int64_t r = 1; r <= total; ++r) {
            if (!markedForPack(cfg.seed, static_cast<uint32_t>(r))) continue;
            up.integer(1, r);
            up.step();
            up.reset();
            ++marked;
        }
    }
    db.exec("COMMIT");
    db.close();
    out.seconds = sw.seconds();
    out.value[0] = marked;
}

void sqlitePack(const Config& cfg, Outcome& out) {
    Stopwatch sw;
    Db db(cfg.sqlitePath());
    db.exec("DELETE FROM t WHERE deleted");
    db.exec("VACUUM");
    out.value[0] = scalar(db, "SELECT count(*) FROM t");
    out.value[1] = scalar(db, "SELECT count(*) FROM sqlite_master WHERE type='index' AND tbl_name='t'");
    db.close();
    out.seconds = sw.seconds();
}

void sqliteProbe(const Config& cfg, Outcome& out) {
    out.value[0] = -1;
    if (!exists(cfg.sqlitePath())) return;
    Db db(cfg.sqlitePath());
    out.value[0] = scalar(db, "SELECT count(*) FROM sqlite_master WHERE type='index' AND tbl_name='t'");
    out.value[1] = scalar(db, "SELECT count(*) FROM sqlite_master WHERE type='table' AND name='t'")
                       ? scalar(db, "SELECT count(*) FROM t")
                       : 0;
    db.close();
}

}  // namespace bench
