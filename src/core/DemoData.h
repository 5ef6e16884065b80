#pragma once

// Reproducible, realistic address records for first runs, demonstrations and benchmarks. Record i
// (0-based) depends only on the seed and i, so any process can regenerate any record without storing
// the data set.

#include <cstdint>
#include <functional>
#include <string>

namespace addrova::store {
class Table;
}

namespace addrova::demo {

// The 23 fields, in table order.
enum FieldId : int {
    F_LNAME,
    F_FNAME,
    F_MIDDLE,
    F_PREFIX,
    F_TITLE,
    F_ORG,
    F_STREET,
    F_STREET2,
    F_CITY,
    F_STATE,
    F_ZIP,
    F_COUNTRY,
    F_DATE,
    F_PHONE,
    F_PHONE2,
    F_FAX,
    F_EMAIL,
    F_CODES,
    F_USER1,
    F_USER2,
    F_ISDEL,
    F_TAG,
    F_MEMO,
    F_COUNT
};

struct FieldDef {
    const char* name;
    char type;
    uint16_t width;
};
extern const FieldDef kFields[F_COUNT];

// One generated record. Text fields hold no trailing blanks and only printable ASCII.
struct Record {
    std::string text[F_COUNT];  // unused for F_ISDEL; F_MEMO empty when the record has no memo
    bool isdel = false;
};

class Generator {
  public:
    explicit Generator(uint64_t seed) : seed_(seed) {}
    // Fills r with record i; reuses r's buffers.
    void make(uint64_t i, Record& r) const;
    // Only the names (cheaper, for seek keys and expected counts).
    void names(uint64_t i, std::string& lname, std::string& fname) const;
    uint64_t seed() const { return seed_; }

  private:
    uint64_t seed_;
};

// Small deterministic generator (splitmix64).
class Rng {
  public:
    explicit Rng(uint64_t s) : s_(s) {}
    uint64_t next() {
        uint64_t z = (s_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    uint32_t below(uint32_t n) { return static_cast<uint32_t>((next() >> 32) * n >> 32); }
    bool chance(uint32_t percent) { return below(100) < percent; }

  private:
    uint64_t s_;
};

// Whether record number recno (1-based) gets the deletion mark before the pack.
bool markedForPack(uint64_t seed, uint32_t recno);

std::string upperAscii(std::string s);

// Appends records 0..n-1 of the generator with this seed to an open address table, in one batch
// (indexes are left for the caller to build). progress, when given, hears the count now and then.
void AppendDemoRecords(store::Table& t, long long n, uint64_t seed,
                       const std::function<void(long long done)>& progress = {});

}  // namespace addrova::demo
