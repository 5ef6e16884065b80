// Writing compact indexes: bulk builds, inserts and removals against a model, reopening from
// disk, cursor moves, the tag directory, the stamp, and files that other readers accept.

#include "Error.h"
#include "Index.h"
#include "KeyCodec.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using namespace addrova::store;
using addrova::test::corpus;
using addrova::test::TempDir;
using Bytes = std::vector<uint8_t>;
using Entry = std::pair<Bytes, uint32_t>;
using Model = std::set<Entry>;

namespace {

Bytes text(const std::string& s, size_t len) {
    Bytes b(len, ' ');
    std::memcpy(b.data(), s.data(), std::min(len, s.size()));
    return b;
}

// Character keys with many duplicates, shared prefixes and trailing blanks.
Bytes randomText(std::mt19937& rng, size_t len) {
    static const char letters[] = "ABCDEFGH";
    size_t n = std::uniform_int_distribution<size_t>(0, len)(rng);
    std::string s;
    for (size_t i = 0; i < n; ++i) s.push_back(letters[rng() % (i < 2 ? 3 : 8)]);
    return text(s, len);
}

Bytes number(double v) {
    Bytes b(8);
    encodeDoubleKey(v, b.data());
    return b;
}

std::vector<Entry> walk(IndexOrder& o, bool backward = false) {
    std::vector<Entry> v;
    if (!backward) {
        for (bool ok = o.first(); ok; ok = o.next()) v.emplace_back(Bytes(o.key().begin(), o.key().end()), o.recno());
    } else {
        for (bool ok = o.last(); ok; ok = o.prev()) v.emplace_back(Bytes(o.key().begin(), o.key().end()), o.recno());
        std::reverse(v.begin(), v.end());
    }
    return v;
}

// Compares an order's walks with the model (in logical order) and reports the first difference.
::testing::AssertionResult sameAsModel(IndexOrder& o, const Model& model) {
    std::vector<Entry> want(model.begin(), model.end());
    if (o.info().descending) std::reverse(want.begin(), want.end());
    for (bool backward : {false, true}) {
        std::vector<Entry> got = walk(o, backward);
        if (got.size() != want.size())
            return ::testing::AssertionFailure() << (backward ? "backward" : "forward") << " walk has " << got.size()
                                                 << " entries, model " << want.size();
        for (size_t i = 0; i < got.size(); ++i)
            if (got[i] != want[i])
                return ::testing::AssertionFailure()
                       << (backward ? "backward" : "forward") << " walk differs at " << i << ": recno " << got[i].second
                       << " vs " << want[i].second;
    }
    return ::testing::AssertionSuccess();
}

TagInfo charTag(const std::string& name, uint16_t len) {
    TagInfo t;
    t.name = name;
    t.keyExpr = "UPPER(" + name + ")";
    t.keyLength = len;
    return t;
}

TagInfo numTag(const std::string& name) {
    TagInfo t;
    t.name = name;
    t.keyExpr = name;
    t.keyLength = 8;
    t.padByte = 0;
    return t;
}

std::function<void(const KeySink&)> feedOf(const std::vector<Entry>& entries) {
    return [&entries](const KeySink& sink) {
        for (const Entry& e : entries) sink(e.first.data(), e.second);
    };
}

Model modelOf(const std::vector<Entry>& entries, bool unique) {
    Model m;
    if (!unique) return Model(entries.begin(), entries.end());
    std::vector<Entry> sorted(entries);
    std::sort(sorted.begin(), sorted.end());
    for (size_t i = 0; i < sorted.size(); ++i)
        if (i == 0 || sorted[i].first != sorted[i - 1].first) m.insert(sorted[i]);
    return m;
}

std::vector<std::string> filesIn(const std::string& dir) {
    std::vector<std::string> names;
    for (auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

Bytes fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

uint32_t le32(const Bytes& f, size_t at) {
    return f[at] | (f[at + 1] << 8) | (f[at + 2] << 16) | (uint32_t(f[at + 3]) << 24);
}

// The page a tag's root pointer names, found through a single-leaf tag directory (decoded here
// on its own, as another reader would).
Bytes rootLeafOf(const Bytes& f, const std::string& tag) {
    const uint8_t* dir = f.data() + le32(f, 0);
    int n = dir[2] | (dir[3] << 8);
    uint32_t recMask = le32(f, size_t(dir - f.data()) + 14);
    int recBits = dir[20], dupBits = dir[21], bytes = dir[23];
    std::string prev;
    size_t pos = 512;
    for (int i = 0; i < n; ++i) {
        uint64_t v = 0;
        for (int b = bytes - 1; b >= 0; --b) v = (v << 8) | dir[24 + i * bytes + b];
        int dup = int((v >> recBits) & dir[18]), trail = int((v >> (recBits + dupBits)) & dir[19]);
        size_t len = size_t(10 - dup - trail);
        pos -= len;
        std::string name = prev.substr(0, size_t(dup)) + std::string(reinterpret_cast<const char*>(dir + pos), len);
        prev = name + std::string(size_t(trail), ' ');
        if (name == tag) {
            uint32_t root = le32(f, uint32_t(v & recMask));
            return Bytes(f.begin() + root, f.begin() + root + 512);
        }
    }
    return {};
}

struct BuildCase {
    const char* label;
    bool numeric;
    uint16_t keyLength;
    size_t count;
    bool unique, descending;
};

std::ostream& operator<<(std::ostream& os, const BuildCase& c) { return os << c.label; }

class BuildTag : public ::testing::TestWithParam<BuildCase> {};

}  // namespace

TEST_P(BuildTag, WalksSeeksAndSurvivesReopen) {
    const BuildCase& c = GetParam();
    TempDir dir;
    std::string path = dir.file("t.cdx");
    CompactIndex::createCompound(path);
    std::mt19937 rng(42);
    std::vector<Entry> entries;
    for (size_t i = 0; i < c.count; ++i) {
        Bytes k = c.numeric ? number(double(int(rng() % 5000) - 2500) / 4) : randomText(rng, c.keyLength);
        entries.emplace_back(k, uint32_t(i + 1));
    }
    std::shuffle(entries.begin(), entries.end(), rng);
    TagInfo info = c.numeric ? numTag("T") : charTag("T", c.keyLength);
    info.unique = c.unique;
    info.descending = c.descending;
    Model model = modelOf(entries, c.unique);
    {
        CompactIndex idx;
        idx.open(path, true);
        IndexOrder& o = idx.buildTag(info, feedOf(entries));
        EXPECT_TRUE(sameAsModel(o, model));
        uint32_t maxRecno = 0;
        EXPECT_EQ(idx.verifyTag(0, &maxRecno), model.size());
        idx.close();
    }
    CompactIndex idx;
    idx.open(path, false);
    ASSERT_EQ(idx.tagCount(), 1u);
    IndexOrder& o = idx.tag(0);
    EXPECT_EQ(o.info().unique, c.unique);
    EXPECT_EQ(o.info().descending, c.descending);
    EXPECT_EQ(o.info().padByte, c.numeric ? 0 : ' ');
    EXPECT_TRUE(sameAsModel(o, model));
    EXPECT_EQ(idx.verifyTag(0), model.size());

    // Seeks: whole keys find the first equal entry in logical order; prefixes land on the first
    // entry not before (ascending) / not after (descending) them.
    std::vector<Entry> logical(model.begin(), model.end());
    if (c.descending) std::reverse(logical.begin(), logical.end());
    for (size_t n = 0; n < std::min<size_t>(300, entries.size()); ++n) {
        const Bytes& k = entries[n].first;
        size_t plen = c.numeric ? 8 : 1 + n % c.keyLength;
        Bytes prefix(k.begin(), k.begin() + std::ptrdiff_t(plen));
        auto notBefore = [&](const Entry& e) {
            int cmp = std::memcmp(e.first.data(), prefix.data(), plen);
            return c.descending ? cmp <= 0 : cmp >= 0;
        };
        auto it = std::find_if(logical.begin(), logical.end(), notBefore);
        ASSERT_TRUE(o.seek(prefix));
        ASSERT_NE(it, logical.end());
        EXPECT_EQ(o.recno(), it->second);
        EXPECT_EQ(Bytes(o.key().begin(), o.key().end()), it->first);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, BuildTag,
    ::testing::Values(BuildCase{"one_key", false, 10, 1, false, false}, BuildCase{"two_keys", false, 10, 2, false, false},
                      BuildCase{"char_5000", false, 12, 5000, false, false},
                      BuildCase{"char_200000", false, 10, 200000, false, false},
                      BuildCase{"long_keys", false, 240, 3000, false, false},
                      BuildCase{"one_byte_keys", false, 1, 3000, false, false},
                      BuildCase{"char_unique", false, 6, 20000, true, false},
                      BuildCase{"char_descending", false, 10, 20000, false, true},
                      BuildCase{"numeric_50000", true, 8, 50000, false, false},
                      BuildCase{"numeric_unique_descending", true, 8, 20000, true, true}));

TEST(IndexUpdate, EmptyTagHasNoEntries) {
    TempDir dir;
    std::string path = dir.file("e.cdx");
    CompactIndex::createCompound(path);
    CompactIndex idx;
    idx.open(path, true);
    EXPECT_EQ(idx.tagCount(), 0u);
    IndexOrder& o = idx.buildTag(charTag("EMPTY", 10), [](const KeySink&) {});
    EXPECT_FALSE(o.first());
    EXPECT_FALSE(o.last());
    EXPECT_FALSE(o.seek(text("A", 1)));
    EXPECT_FALSE(o.positioned());
    EXPECT_EQ(idx.verifyTag(0), 0u);
}

TEST(IndexUpdate, RandomInsertsAndRemovalsMatchModel) {
    // Enough keys for a three-level tree, then removals until leaves and interior nodes empty.
    for (bool unique : {false, true}) {
        SCOPED_TRACE(unique ? "unique" : "duplicates");
        TempDir dir;
        std::string path = dir.file("r.cdx");
        CompactIndex::createCompound(path);
        std::mt19937 rng(unique ? 7 : 3);
        Model model;
        std::vector<Entry> all;
        {
            CompactIndex idx;
            idx.open(path, true);
            TagInfo info = charTag("R", 12);
            info.unique = unique;
            IndexOrder& o = idx.buildTag(info, [](const KeySink&) {});
            for (uint32_t i = 1; i <= 30000; ++i) {
                Bytes k = randomText(rng, 12);
                o.insert(k, i);
                bool present = false;
                if (unique)
                    for (auto it = model.lower_bound({k, 0}); it != model.end() && it->first == k; ++it) present = true;
                if (!present) {
                    model.emplace(k, i);
                    all.emplace_back(k, i);
                }
                if (i % 10000 == 0) {
                    ASSERT_EQ(idx.verifyTag(0), model.size());
                }
            }
            ASSERT_TRUE(sameAsModel(o, model));
            // Removing entries that are not there changes nothing.
            EXPECT_FALSE(o.remove(text("ZZZ", 12), 1));
            EXPECT_FALSE(o.remove(all[0].first, all[0].second + 100000));
            std::shuffle(all.begin(), all.end(), rng);
            size_t keep = all.size() / 10;
            for (size_t i = keep; i < all.size(); ++i) {
                ASSERT_TRUE(o.remove(all[i].first, all[i].second));
                model.erase(all[i]);
                if (i % 5000 == 0) {
                    ASSERT_EQ(idx.verifyTag(0), model.size());
                }
            }
            all.resize(keep);
            ASSERT_TRUE(sameAsModel(o, model));
            ASSERT_EQ(idx.verifyTag(0), model.size());
        }
        CompactIndex idx;
        idx.open(path, true);
        IndexOrder& o = idx.tag(0);
        ASSERT_TRUE(sameAsModel(o, model));
        // Down to nothing and up again.
        for (const Entry& e : all) ASSERT_TRUE(o.remove(e.first, e.second));
        EXPECT_FALSE(o.first());
        EXPECT_EQ(idx.verifyTag(0), 0u);
        model.clear();
        for (uint32_t i = 1; i <= 3000; ++i) {
            Bytes k = text(std::to_string(i * 7919 % 3001), 12);
            o.insert(k, i);
            model.emplace(k, i);
        }
        EXPECT_TRUE(sameAsModel(o, model));
        EXPECT_EQ(idx.verifyTag(0), model.size());
    }
}

TEST(IndexUpdate, AscendingAppendsFillLeaves) {
    // Appending in key order (new records) keeps leaves full, like a bulk build.
    TempDir dir;
    std::string a = dir.file("a.cdx"), b = dir.file("b.cdx");
    std::vector<Entry> entries;
    for (uint32_t i = 1; i <= 20000; ++i) entries.emplace_back(number(i), i);
    CompactIndex::createCompound(a);
    CompactIndex::createCompound(b);
    {
        CompactIndex idx;
        idx.open(a, true);
        IndexOrder& o = idx.buildTag(numTag("N"), [](const KeySink&) {});
        for (const Entry& e : entries) o.insert(e.first, e.second);
        EXPECT_TRUE(sameAsModel(o, Model(entries.begin(), entries.end())));
        EXPECT_EQ(idx.verifyTag(0), entries.size());
    }
    {
        CompactIndex idx;
        idx.open(b, true);
        idx.buildTag(numTag("N"), feedOf(entries));
    }
    auto sa = std::filesystem::file_size(a), sb = std::filesystem::file_size(b);
    EXPECT_LT(sa, sb * 11 / 10) << sa << " bytes after appends, " << sb << " after a bulk build";
}

TEST(IndexUpdate, CursorFollowsChangesUnderIt) {
    TempDir dir;
    std::string path = dir.file("c.cdx");
    CompactIndex::createCompound(path);
    CompactIndex idx;
    idx.open(path, true);
    std::vector<Entry> entries;
    for (uint32_t i = 1; i <= 2000; ++i) entries.emplace_back(text(std::to_string(1000 + i), 6), i);
    IndexOrder& o = idx.buildTag(charTag("C", 6), feedOf(entries));
    ASSERT_TRUE(o.seek(text("1500", 4)));
    ASSERT_EQ(o.recno(), 500u);
    // The current entry goes away: next() continues with the one after it.
    ASSERT_TRUE(o.remove(text("1500", 6), 500));
    ASSERT_TRUE(o.next());
    EXPECT_EQ(o.recno(), 501u);
    // Entries appear around the current one.
    o.insert(text("1501", 6), 9001);
    o.insert(text("1500", 6), 9000);
    ASSERT_TRUE(o.prev());
    EXPECT_EQ(o.recno(), 9000u);
    ASSERT_TRUE(o.next());
    EXPECT_EQ(o.recno(), 501u);
    ASSERT_TRUE(o.next());
    EXPECT_EQ(o.recno(), 9001u);
    // Many inserts split the leaf under the cursor.
    for (uint32_t i = 0; i < 3000; ++i) o.insert(text("1501", 6), 10000 + i);
    ASSERT_TRUE(o.next());
    EXPECT_EQ(o.recno(), 10000u);
    EXPECT_EQ(idx.verifyTag(0), 2000u - 1 + 2 + 3000);
}

TEST(IndexUpdate, UniqueKeepsFirstRecordAndFindIsExact) {
    TempDir dir;
    std::string path = dir.file("u.cdx");
    CompactIndex::createCompound(path);
    CompactIndex idx;
    idx.open(path, true);
    TagInfo info = charTag("U", 4);
    info.unique = true;
    std::vector<Entry> entries = {{text("BB", 4), 5}, {text("AA", 4), 9}, {text("BB", 4), 2}, {text("AA", 4), 3}};
    IndexOrder& o = idx.buildTag(info, feedOf(entries));
    EXPECT_TRUE(sameAsModel(o, Model{{text("AA", 4), 3}, {text("BB", 4), 2}}));
    o.insert(text("AA", 4), 1);  // present already: nothing changes
    o.insert(text("CC", 4), 4);
    EXPECT_TRUE(sameAsModel(o, Model{{text("AA", 4), 3}, {text("BB", 4), 2}, {text("CC", 4), 4}}));
    EXPECT_TRUE(o.find(text("BB", 4), 2));
    EXPECT_FALSE(o.find(text("BB", 4), 5));
    EXPECT_FALSE(o.positioned());
    EXPECT_THROW(o.find(text("BB", 3), 2), Error);
    EXPECT_THROW(o.insert(text("BB", 5), 2), Error);
}

TEST(IndexUpdate, NullableKeysSortNullsFirst) {
    TempDir dir;
    std::string path = dir.file("n.cdx");
    CompactIndex::createCompound(path);
    Bytes null(11, 0);
    auto value = [](const std::string& s) {
        Bytes b = text(s, 11);
        b[0] = 0x80;
        std::memcpy(b.data() + 1, s.data(), s.size());
        std::fill(b.begin() + 1 + std::ptrdiff_t(s.size()), b.end(), ' ');
        return b;
    };
    std::vector<Entry> entries = {{value("Bob"), 1}, {null, 2}, {value("Alice"), 3}, {null, 4}, {value(""), 5}};
    {
        CompactIndex idx;
        idx.open(path, true);
        TagInfo info = charTag("NUL", 11);
        info.nullable = true;
        idx.buildTag(info, feedOf(entries));
    }
    CompactIndex idx;
    idx.open(path, false);
    IndexOrder& o = idx.tag(0);
    EXPECT_TRUE(o.info().nullable);
    EXPECT_EQ(o.info().padByte, ' ');
    std::vector<uint32_t> recs;
    for (const Entry& e : walk(o)) recs.push_back(e.second);
    EXPECT_EQ(recs, (std::vector<uint32_t>{2, 4, 5, 3, 1}));
    Bytes h = fileBytes(path);
    EXPECT_EQ(h[1536 + 14], 0x20 | 0x40 | 0x02);  // the tag header says "nullable"
}

TEST(IndexUpdate, DirectoryOfManyTagsAndReplacing) {
    const std::vector<std::string> names = {"NAME",  "LNAME", "FNAME", "STREET", "CITY",  "ZIP",   "STATE",
                                            "PHONE", "FAX",   "EMAIL", "NOTES",  "TITLE", "COMP",  "DEPT",
                                            "BIRTH", "ADDED", "MODIF", "GROUP1", "GROUP2", "CODE", "COUNTRY",
                                            "REGION", "MOBILE", "WEB",  "ISDEL",  "NOTISDEL"};
    TempDir dir;
    std::string path = dir.file("d.cdx");
    CompactIndex::createCompound(path);
    auto keysFor = [](size_t tag) {
        std::vector<Entry> e;
        for (uint32_t r = 1; r <= 50 + tag * 10; ++r) e.emplace_back(text(std::to_string((r * (tag + 3)) % 97), 8), r);
        return e;
    };
    {
        CompactIndex idx;
        idx.open(path, true);
        for (size_t i = 0; i < names.size(); ++i) {
            TagInfo info = charTag(names[i], 8);
            if (names[i] == "NOTISDEL") info.forExpr = ".NOT.DELETED()";
            idx.buildTag(info, feedOf(keysFor(i)));
        }
    }
    {
        CompactIndex idx;
        idx.open(path, true);
        ASSERT_EQ(idx.tagCount(), names.size());
        for (size_t i = 0; i < names.size(); ++i) {
            EXPECT_EQ(idx.tag(i).info().name, names[i]);  // creation order
            EXPECT_EQ(idx.findTag(names[i]), int(i));
            std::vector<Entry> k = keysFor(i);
            EXPECT_TRUE(sameAsModel(idx.tag(i), Model(k.begin(), k.end()))) << names[i];
        }
        EXPECT_EQ(idx.tag(25).info().forExpr, ".NOT.DELETED()");
        EXPECT_EQ(idx.findTag("notisdel"), 25);

        // Replacing a tag keeps the others and the tag's place among the names.
        std::vector<Entry> fresh = {{text("NEW", 8), 1}};
        IndexOrder& replaced = idx.buildTag(charTag("city", 8), feedOf(fresh));
        EXPECT_TRUE(sameAsModel(replaced, Model(fresh.begin(), fresh.end())));
        EXPECT_EQ(idx.tagCount(), names.size());
        idx.removeTag("ZIP");
        idx.removeTag("Fax");
        EXPECT_THROW(idx.removeTag("ZIP"), Error);
        EXPECT_EQ(idx.tagCount(), names.size() - 2);
    }
    auto size1 = std::filesystem::file_size(path);
    {
        // Pages of replaced and removed tags are reused.
        CompactIndex idx;
        idx.open(path, true);
        idx.buildTag(charTag("ZIP", 8), feedOf(keysFor(5)));
        idx.buildTag(charTag("FAX", 8), feedOf(keysFor(8)));
    }
    EXPECT_LE(std::filesystem::file_size(path), size1 + 4 * 1024);
    CompactIndex idx;
    idx.open(path, false);
    ASSERT_EQ(idx.tagCount(), names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        int t = idx.findTag(names[i]);
        ASSERT_GE(t, 0) << names[i];
        EXPECT_EQ(idx.verifyTag(size_t(t)), names[i] == "CITY" ? 1u : keysFor(i).size()) << names[i];
    }
}

TEST(IndexUpdate, SortSpillsRunsAndCleansUp) {
    TempDir dir;
    std::string path = dir.file("s.cdx");
    CompactIndex::createCompound(path);
    std::mt19937 rng(5);
    std::vector<Entry> entries;
    for (uint32_t i = 1; i <= 60000; ++i) entries.emplace_back(randomText(rng, 14), i);
    CompactIndex idx;
    idx.open(path, true);
    idx.setSortMemory(64 * 1024);  // about 2000 keys per run
    IndexOrder& o = idx.buildTag(charTag("S", 14), feedOf(entries));
    EXPECT_TRUE(sameAsModel(o, Model(entries.begin(), entries.end())));
    EXPECT_EQ(filesIn(dir.path()), std::vector<std::string>{"s.cdx"});

    // A feed that fails half way leaves no temporary files and the index as it was.
    idx.flush();
    auto before = std::filesystem::file_size(path);
    auto failing = [&](const KeySink& sink) {
        for (uint32_t i = 0; i < 20000; ++i) sink(entries[i].first.data(), i + 1);
        throw std::runtime_error("table read failed");
    };
    EXPECT_THROW(idx.buildTag(charTag("S", 14), failing), std::runtime_error);
    EXPECT_EQ(filesIn(dir.path()), std::vector<std::string>{"s.cdx"});
    EXPECT_EQ(std::filesystem::file_size(path), before);
    EXPECT_TRUE(sameAsModel(idx.tag(0), Model(entries.begin(), entries.end())));
}

namespace {

enum class Feed { Ascending, Descending, Shuffled, Twice, TwoKeysPerRecord };

struct SortCase {
    const char* label;
    uint16_t keyLength;
    uint32_t values;  // distinct keys (1: all equal)
    Feed feed;
    size_t sortMemory;  // 0: the default
};

std::ostream& operator<<(std::ostream& os, const SortCase& c) { return os << c.label; }

class SortShapes : public ::testing::TestWithParam<SortCase> {};

}  // namespace

// Bulk builds order by key then record number whatever the keys look like and however they come:
// runs of equal keys, keys sharing long prefixes (longer than 8 bytes), record numbers fed
// backwards, exact repeats (kept once), records with two keys (both kept), in memory and through
// spilled runs.
TEST_P(SortShapes, BuildOrdersByKeyThenRecord) {
    const SortCase& c = GetParam();
    const uint32_t n = 6000;
    std::mt19937 rng(c.keyLength * 131 + c.values);
    std::vector<Entry> entries;
    for (uint32_t r = 1; r <= n; ++r) {
        uint32_t v = c.values == 0 ? uint32_t(rng()) : uint32_t(rng() % c.values);
        std::string s = std::to_string(v);
        if (c.keyLength >= 20) s = "SAME LEADING TEXT " + s;  // the first words of every key agree
        if (c.keyLength == 1) s = std::string(1, char('A' + v % 26));
        entries.emplace_back(text(s, c.keyLength), r);
    }
    if (c.feed == Feed::TwoKeysPerRecord)
        for (uint32_t r = 1; r <= n; ++r) {
            Bytes other = entries[r - 1].first;
            other[c.keyLength - 1] = 'Z';
            entries.emplace_back(other, r);
        }
    Model model(entries.begin(), entries.end());
    if (c.feed == Feed::TwoKeysPerRecord) std::shuffle(entries.begin(), entries.end(), rng);
    if (c.feed == Feed::Descending) std::reverse(entries.begin(), entries.end());
    if (c.feed == Feed::Shuffled) std::shuffle(entries.begin(), entries.end(), rng);
    if (c.feed == Feed::Twice) {
        std::vector<Entry> again(entries);
        std::shuffle(again.begin(), again.end(), rng);
        entries.insert(entries.end(), again.begin(), again.end());
    }
    TempDir dir;
    std::string path = dir.file("s.cdx");
    CompactIndex::createCompound(path);
    CompactIndex idx;
    idx.open(path, true);
    if (c.sortMemory) idx.setSortMemory(c.sortMemory);
    IndexOrder& o = idx.buildTag(charTag("S", c.keyLength), feedOf(entries));
    EXPECT_TRUE(sameAsModel(o, model));
    EXPECT_EQ(idx.verifyTag(0), model.size());
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, SortShapes,
    ::testing::Values(SortCase{"all_equal_short", 8, 1, Feed::Ascending, 0},
                      SortCase{"all_equal_long", 40, 1, Feed::Descending, 0},
                      SortCase{"few_values_long", 30, 3, Feed::Shuffled, 0},
                      SortCase{"few_values_spilled", 30, 3, Feed::Descending, 16 * 1024},
                      SortCase{"one_byte_keys", 1, 26, Feed::Shuffled, 0},
                      SortCase{"nine_byte_keys", 9, 500, Feed::Shuffled, 0},
                      SortCase{"shared_prefix_distinct", 30, 0, Feed::Shuffled, 0},
                      SortCase{"shared_prefix_spilled", 30, 0, Feed::Shuffled, 16 * 1024},
                      SortCase{"repeats", 30, 40, Feed::Twice, 0},
                      SortCase{"repeats_spilled", 12, 40, Feed::Twice, 16 * 1024},
                      SortCase{"two_keys_per_record", 12, 0, Feed::TwoKeysPerRecord, 0},
                      SortCase{"two_keys_per_record_spilled", 12, 0, Feed::TwoKeysPerRecord, 16 * 1024}));

TEST(IndexUpdate, CursorMovesMatchModel) {
    // Seeks, finds and steps both ways, mixed at random, against the sorted entries: on a file
    // just opened (leaves read as far as used) and after updates (leaves held decoded).
    for (uint16_t keyLen : {uint16_t(12), uint16_t(40)}) {
        for (bool descending : {false, true}) {
            SCOPED_TRACE(std::to_string(keyLen) + (descending ? " descending" : " ascending"));
            TempDir dir;
            std::string path = dir.file("m.cdx");
            CompactIndex::createCompound(path);
            std::mt19937 rng(keyLen + descending);
            std::vector<Entry> entries;
            for (uint32_t i = 1; i <= 8000; ++i) entries.emplace_back(randomText(rng, keyLen), i);
            TagInfo info = charTag("M", keyLen);
            info.descending = descending;
            {
                CompactIndex idx;
                idx.open(path, true);
                idx.buildTag(info, feedOf(entries));
            }
            Model model(entries.begin(), entries.end());
            CompactIndex idx;
            for (int phase = 0; phase < 2; ++phase) {
                idx.open(path, phase == 1);
                IndexOrder& o = idx.tag(0);
                if (phase == 1) {
                    for (uint32_t i = 0; i < 2000; ++i) {
                        Entry e{randomText(rng, keyLen), 10000 + i};
                        o.insert(e.first, e.second);
                        model.insert(e);
                    }
                }
                std::vector<Entry> logical(model.begin(), model.end());
                if (descending) std::reverse(logical.begin(), logical.end());
                long at = -1;  // model position, -1 when not positioned
                for (int step = 0; step < 4000; ++step) {
                    int op = int(rng() % 10);
                    bool got, want;
                    const Entry& pick = logical[rng() % logical.size()];
                    if (op < 3) {
                        size_t len = 1 + rng() % keyLen;
                        Bytes prefix = rng() % 4 ? Bytes(pick.first.begin(), pick.first.begin() + std::ptrdiff_t(len))
                                                 : randomText(rng, len);
                        auto notBefore = [&](const Entry& e) {
                            int cmp = std::memcmp(e.first.data(), prefix.data(), len);
                            return descending ? cmp <= 0 : cmp >= 0;
                        };
                        auto it = std::find_if(logical.begin(), logical.end(), notBefore);
                        want = it != logical.end();
                        at = want ? long(it - logical.begin()) : -1;
                        got = o.seek(prefix);
                    } else if (op < 4) {
                        bool exact = rng() % 2;
                        uint32_t recno = exact ? pick.second : pick.second + 50000;
                        auto it = std::find(logical.begin(), logical.end(), Entry{pick.first, recno});
                        want = it != logical.end();
                        at = want ? long(it - logical.begin()) : -1;
                        got = o.find(pick.first, recno);
                    } else if (op < 7) {
                        want = at >= 0 && at + 1 < long(logical.size());
                        at = want ? at + 1 : -1;
                        got = o.next();
                    } else if (op < 9) {
                        want = at > 0;
                        at = want ? at - 1 : -1;
                        got = o.prev();
                    } else {
                        bool toFirst = rng() % 2;
                        at = toFirst ? 0 : long(logical.size()) - 1;
                        want = true;
                        got = toFirst ? o.first() : o.last();
                    }
                    ASSERT_EQ(got, want) << "step " << step << " op " << op;
                    ASSERT_EQ(o.positioned(), at >= 0) << "step " << step;
                    if (at >= 0) {
                        ASSERT_EQ(o.recno(), logical[size_t(at)].second) << "step " << step << " op " << op;
                        ASSERT_EQ(Bytes(o.key().begin(), o.key().end()), logical[size_t(at)].first) << "step " << step;
                    }
                }
                idx.close();
            }
        }
    }
}

TEST(IndexUpdate, UpdatesBeyondTheDecodedLeafMemory) {
    // Long keys fill a leaf with a few entries: random inserts and removals touch more leaves than
    // stay decoded, which are written back as they make room.
    TempDir dir;
    std::string path = dir.file("big.cdx");
    CompactIndex::createCompound(path);
    std::mt19937 rng(17);
    Model model;
    {
        CompactIndex idx;
        idx.open(path, true);
        IndexOrder& o = idx.buildTag(charTag("BIG", 200), [](const KeySink&) {});
        for (uint32_t i = 1; i <= 8000; ++i) {
            Entry e{randomText(rng, 200), i};
            o.insert(e.first, e.second);
            model.insert(e);
        }
        for (auto it = model.begin(); it != model.end();) {
            if (rng() % 3 == 0) {
                ASSERT_TRUE(o.remove(it->first, it->second));
                it = model.erase(it);
            } else {
                ++it;
            }
        }
        EXPECT_TRUE(sameAsModel(o, model));
        EXPECT_EQ(idx.verifyTag(0), model.size());
    }
    CompactIndex idx;
    idx.open(path, false);
    EXPECT_TRUE(sameAsModel(idx.tag(0), model));
    EXPECT_EQ(idx.verifyTag(0), model.size());
}

TEST(IndexUpdate, SingleOrderFile) {
    TempDir dir;
    std::string path = dir.file("names.idx");
    TagInfo info = charTag("IGNORED", 15);
    info.keyExpr = "L_NAME";
    CompactIndex::createSingle(path, info);
    Bytes h = fileBytes(path);
    EXPECT_EQ(h[14], 0x20);  // compact, not compound
    EXPECT_EQ(h[12], 15);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&h[512])), "L_NAME");
    Model model;
    {
        CompactIndex idx;
        idx.open(path, true);
        EXPECT_FALSE(idx.compound());
        ASSERT_EQ(idx.tagCount(), 1u);
        EXPECT_EQ(idx.tag(0).info().name, "NAMES");
        IndexOrder& o = idx.tag(0);
        for (uint32_t i = 1; i <= 5000; ++i) {
            Bytes k = text("N" + std::to_string(i % 1234), 15);
            o.insert(k, i);
            model.emplace(k, i);
        }
        EXPECT_THROW(idx.removeTag("NAMES"), Error);
    }
    {
        CompactIndex idx;
        idx.open(path, true);
        EXPECT_TRUE(sameAsModel(idx.tag(0), model));
        // Rebuilding replaces the only order.
        std::vector<Entry> fresh = {{text("B", 15), 2}, {text("A", 15), 1}};
        info.descending = true;
        idx.buildTag(info, feedOf(fresh));
    }
    CompactIndex idx;
    idx.open(path, false);
    EXPECT_TRUE(idx.tag(0).info().descending);
    EXPECT_TRUE(sameAsModel(idx.tag(0), Model{{text("A", 15), 1}, {text("B", 15), 2}}));
    EXPECT_EQ(idx.verifyTag(0), 2u);
}

TEST(IndexUpdate, StampLivesInTheFileHeader) {
    for (bool compound : {true, false}) {
        SCOPED_TRACE(compound ? "cdx" : "idx");
        TempDir dir;
        std::string path = dir.file("st.cdx");
        if (compound)
            CompactIndex::createCompound(path);
        else
            CompactIndex::createSingle(path, charTag("X", 10));
        {
            CompactIndex idx;
            idx.open(path, true);
            EXPECT_FALSE(idx.stamp().present);
            idx.setStamp({true, false, 0});
            // Written at once, before any flush.
            Bytes h = fileBytes(path);
            EXPECT_EQ(std::string(h.begin() + 480, h.begin() + 484), "ADRV");
            EXPECT_EQ(h[484], 2);
            IndexOrder& o = compound ? idx.buildTag(charTag("X", 10), [](const KeySink&) {}) : idx.tag(0);
            for (uint32_t i = 1; i <= 3000; ++i) o.insert(text(std::to_string(i), 10), i);
            idx.setStamp({true, true, 3000});
        }
        CompactIndex idx;
        idx.open(path, false);
        CompactIndex::Stamp s = idx.stamp();
        EXPECT_TRUE(s.present);
        EXPECT_TRUE(s.clean);
        EXPECT_EQ(s.recordCount, 3000u);
        Bytes h = fileBytes(path);
        EXPECT_EQ(h[488] | (h[489] << 8), 3000);
        EXPECT_EQ(idx.verifyTag(0), 3000u);
        EXPECT_THROW(idx.setStamp({true, true, 1}), Error);
    }
}

TEST(IndexUpdate, ReadOnlyOpenRefusesChanges) {
    TempDir dir;
    std::string path = dir.file("ro.cdx");
    CompactIndex::createCompound(path);
    {
        CompactIndex idx;
        idx.open(path, true);
        idx.buildTag(charTag("A", 4), feedOf({{text("X", 4), 1}}));
    }
    CompactIndex idx;
    idx.open(path, false);
    EXPECT_FALSE(idx.tag(0).writable());
    EXPECT_THROW(idx.tag(0).insert(text("Y", 4), 2), Error);
    EXPECT_THROW(idx.buildTag(charTag("B", 4), [](const KeySink&) {}), Error);
    EXPECT_THROW(idx.removeTag("A"), Error);
}

TEST(IndexUpdate, LeavesAreEncodedLikeVisualFoxPro) {
    // Rebuilding VFP's own single-leaf tags from their keys gives the same leaf bytes, apart from
    // the attribute bit 0x04 that VFP also sets on root leaves and the unused middle of the page,
    // where VFP leaves old bytes.
    struct Case {
        const char* index;
        const char* tag;
    };
    for (const Case& c : {Case{"javadbf/foxpro-xsource/foxref_ref.cdx", "REFID"},
                          Case{"javadbf/foxpro-xsource/foxref_ref.cdx", "UNIQUEID"},
                          Case{"javadbf/foxpro-xsource/foxref_ref.cdx", "INACTIVE"},
                          Case{"javadbf/foxpro-xsource/foxref_ref.cdx", "CHECKED"},
                          Case{"infused-dbf/foxprodb/calls.CDX", "CONTACT_ID"},
                          Case{"php-xbase/foxpro/issue115.cdx", "DENUMIRE"}}) {
        SCOPED_TRACE(c.tag);
        CompactIndex src;
        src.open(corpus(c.index), false);
        IndexOrder& from = src.tag(size_t(src.findTag(c.tag)));
        std::vector<Entry> entries = walk(from);
        TempDir dir;
        std::string path = dir.file("v.cdx");
        CompactIndex::createCompound(path);
        {
            CompactIndex idx;
            idx.open(path, true);
            idx.buildTag(from.info(), feedOf(entries));
        }
        Bytes mine = rootLeafOf(fileBytes(path), c.tag), theirs = rootLeafOf(fileBytes(corpus(c.index)), c.tag);
        ASSERT_EQ(mine.size(), 512u);
        ASSERT_EQ(theirs.size(), 512u);
        EXPECT_EQ(mine[0], 3);
        size_t infoEnd = 24 + size_t(mine[2] | (mine[3] << 8)) * mine[23];
        size_t keysStart = infoEnd + size_t(mine[12] | (mine[13] << 8));
        ASSERT_LE(keysStart, 512u);
        EXPECT_EQ(Bytes(mine.begin() + 1, mine.begin() + std::ptrdiff_t(infoEnd)),
                  Bytes(theirs.begin() + 1, theirs.begin() + std::ptrdiff_t(infoEnd)));
        EXPECT_EQ(Bytes(mine.begin() + std::ptrdiff_t(keysStart), mine.end()),
                  Bytes(theirs.begin() + std::ptrdiff_t(keysStart), theirs.end()));
    }
}

TEST(IndexUpdate, HeaderLayout) {
    TempDir dir;
    std::string path = dir.file("h.cdx");
    CompactIndex::createCompound(path);
    {
        CompactIndex idx;
        idx.open(path, true);
        TagInfo info = charTag("NOTDEL", 34);
        info.keyExpr = "l_name+f_name";
        info.forExpr = ".NOT.DELETED()";
        info.unique = true;
        info.descending = true;
        idx.buildTag(info, feedOf({{text("A", 34), 1}}));
    }
    Bytes f = fileBytes(path);
    auto le16 = [&](size_t at) { return f[at] | (f[at + 1] << 8); };
    EXPECT_EQ(f[14], 0xE0);  // directory: compact, compound, structural
    EXPECT_EQ(le16(12), 10);
    // The tag's header follows the directory's root leaf.
    const size_t h = 1536;
    EXPECT_EQ(f[h + 14], 0x20 | 0x40 | 0x01 | 0x08);
    EXPECT_EQ(le16(h + 12), 34);
    EXPECT_EQ(le16(h + 502), 1);   // descending
    EXPECT_EQ(le16(h + 504), 14);  // FOR expression position in the pool
    EXPECT_EQ(le16(h + 506), 15);  // FOR expression length with its NUL
    EXPECT_EQ(le16(h + 508), 0);   // key expression position
    EXPECT_EQ(le16(h + 510), 14);  // key expression length with its NUL
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&f[h + 512])), "l_name+f_name");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&f[h + 512 + 14])), ".NOT.DELETED()");
    EXPECT_EQ(rootLeafOf(f, "NOTDEL").size(), 512u);
}

TEST(IndexUpdate, PerlXBaseReadsOurFiles) {
    if (!std::filesystem::exists("/usr/bin/index_dump")) GTEST_SKIP() << "index_dump (libdbd-xbase-perl) is missing";
    TempDir dir;
    std::string path = dir.file("perl.cdx");
    CompactIndex::createCompound(path);
    std::mt19937 rng(11);
    std::vector<Entry> names, numbers;
    for (uint32_t i = 1; i <= 4000; ++i) {
        names.emplace_back(randomText(rng, 12), i);
        numbers.emplace_back(number(double(int(rng() % 1000)) / 8), i);
    }
    Model nameModel(names.begin(), names.end()), numberModel(numbers.begin(), numbers.end());
    {
        CompactIndex idx;
        idx.open(path, true);
        idx.buildTag(charTag("NAME", 12), feedOf(names));
        IndexOrder& num = idx.buildTag(numTag("AMOUNT"), [](const KeySink&) {});
        for (const Entry& e : numbers) num.insert(e.first, e.second);  // multi-level tree from inserts
        idx.buildTag(charTag("OTHER", 3), feedOf({{text("X", 3), 1}}));
    }
    int status = 0;
    std::string tags = addrova::test::run("/usr/bin/index_dump --type=char " + path + " 2>&1", &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(tags, "AMOUNT\nNAME\nOTHER\n");

    std::string out = addrova::test::run("/usr/bin/index_dump --type=char " + path + " NAME 2>&1", &status);
    ASSERT_EQ(status, 0) << out;
    std::ostringstream want;
    for (const Entry& e : nameModel) {
        std::string k(e.first.begin(), e.first.end());
        while (!k.empty() && k.back() == ' ') k.pop_back();  // Perl drops the trailing blanks
        want << k << " " << e.second << "\n";
    }
    EXPECT_EQ(out, want.str());

    out = addrova::test::run("/usr/bin/index_dump --type=num " + path + " AMOUNT 2>&1", &status);
    ASSERT_EQ(status, 0) << out;
    std::istringstream lines(out);
    std::vector<std::pair<double, uint32_t>> got;
    double v;
    uint32_t r;
    while (lines >> v >> r) got.emplace_back(v, r);
    std::vector<std::pair<double, uint32_t>> wantNumbers;
    for (const Entry& e : numberModel) wantNumbers.emplace_back(decodeDoubleKey(e.first.data()), e.second);
    EXPECT_EQ(got, wantNumbers);
}
