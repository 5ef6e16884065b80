#pragma once

// Shared pieces of the benchmark: settings, the tag list of both engines and the result that a
// step's child process hands back to the parent.

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "DemoData.h"

namespace bench {

using namespace addrova::demo;

struct Config {
    uint32_t records = 1000000;
    uint32_t seeks = 100000;
    uint64_t seed = 20240611;
    std::string dir;
    bool sqliteAutocommitSeeks = false;  // each SQLite lookup in a transaction of its own

    std::string dbfPath() const { return dir + "/bench.dbf"; }
    std::string cdxPath() const { return dir + "/bench.cdx"; }
    std::string fptPath() const { return dir + "/bench.fpt"; }
    std::string sqlitePath() const { return dir + "/bench.sqlite"; }
};

// One tag: its xBase key and the SQLite index expression that orders the same way.
struct TagDef {
    const char* name;
    const char* xbase;
    const char* sql;
};
extern const TagDef kTags[26];
// The LNAME tag's expression in SQL (what seek and skip use).
extern const char* const kSqlLnameKey;

// Written by the child into shared memory; read by the parent after wait4().
struct Outcome {
    int ok = 0;
    double seconds = 0;     // the timed part only
    int64_t value[4] = {};  // step-specific results (counts, checksums)
    char note[512] = {};
    char error[2048] = {};
};

class Stopwatch {
  public:
    Stopwatch() : start_(std::chrono::steady_clock::now()) {}
    double seconds() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    }

  private:
    std::chrono::steady_clock::time_point start_;
};

// Seek keys: records' UPPER(LNAME)+UPPER(FNAME) (LNAME padded to its width) or a part of the first
// name; every tenth key is built to miss. Same keys for both engines.
struct SeekKey {
    std::string key;
    bool hit;
};
std::vector<SeekKey> makeSeekKeys(const Config& cfg);

// FNV-1a over a sequence of (lname, fname) pairs, to compare two walks.
struct WalkHash {
    uint64_t h = 1469598103934665603ull;
    void add(const char* p, size_t n) {
        for (size_t i = 0; i < n; ++i) h = (h ^ static_cast<uint8_t>(p[i])) * 1099511628211ull;
        h = (h ^ 0xFFu) * 1099511628211ull;
    }
};

// Step bodies. Each throws on failure and fills out.
void oursAppend(const Config& cfg, Outcome& out);
void oursIndex(const Config& cfg, Outcome& out);
void oursCount(const Config& cfg, Outcome& out);
void oursSeek(const Config& cfg, Outcome& out);
void oursSkip(const Config& cfg, Outcome& out);
void oursMark(const Config& cfg, Outcome& out);
void oursPack(const Config& cfg, Outcome& out);
// value[0]: tags present (0 when the table is missing)
void oursProbe(const Config& cfg, Outcome& out);

void sqliteAppend(const Config& cfg, Outcome& out);
void sqliteIndex(const Config& cfg, Outcome& out);
void sqliteCount(const Config& cfg, Outcome& out);
void sqliteSeek(const Config& cfg, Outcome& out);
void sqliteSkip(const Config& cfg, Outcome& out);
void sqliteMark(const Config& cfg, Outcome& out);
void sqlitePack(const Config& cfg, Outcome& out);
void sqliteProbe(const Config& cfg, Outcome& out);

}  // namespace bench
