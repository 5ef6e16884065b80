// Damaged index files fail with FormatError naming the file: truncation, pointers out of range,
// impossible counts, cycles. verifyTag finds damage that reading alone does not notice.

#include "Error.h"
#include "Index.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

using namespace addrova::store;
using addrova::test::TempDir;

namespace {

void patch(const std::string& path, long at, std::vector<uint8_t> bytes) {
    std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(at);
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

void truncateTo(const std::string& path, uintmax_t size) { std::filesystem::resize_file(path, size); }

// Opens, walks every tag both ways, seeks and verifies; returns the FormatError text ("" if none).
std::string exercise(const std::string& path) {
    try {
        CompactIndex idx;
        idx.open(path, false);
        for (size_t i = 0; i < idx.tagCount(); ++i) {
            IndexOrder& o = idx.tag(i);
            for (bool ok = o.first(); ok; ok = o.next()) {
            }
            for (bool ok = o.last(); ok; ok = o.prev()) {
            }
            std::vector<uint8_t> k(o.info().keyLength, 'M');
            o.seek(k);
            idx.verifyTag(i);
        }
    } catch (const FormatError& e) {
        return e.what();
    }
    return {};
}

struct Damage {
    const char* label;
    const char* file;
    std::function<void(const std::string&)> apply;
};

std::ostream& operator<<(std::ostream& os, const Damage& d) { return os << d.label; }

class DamagedCdx : public ::testing::TestWithParam<Damage> {};

// CHARTAGS.CDX: directory root leaf 0xC00; COLTAG header 0x800, root interior 0x2C00 (key length
// 6, 7 entries), leaves 0x1E00, 0x2000, ... (3-byte info entries).
const char* const kChar = "codebase/SpeedDemo/CHARTAGS.CDX";

}  // namespace

TEST_P(DamagedCdx, FailsWithFormatErrorNamingTheFile) {
    const Damage& d = GetParam();
    TempDir dir;
    std::string path = dir.copyCorpus(d.file);
    ASSERT_EQ(exercise(path), "");
    d.apply(path);
    std::string err = exercise(path);
    EXPECT_NE(err, "") << "no FormatError";
    EXPECT_NE(err.find(path), std::string::npos) << err;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DamagedCdx,
    ::testing::Values(
        Damage{"truncated_to_100_bytes", kChar, [](const std::string& p) { truncateTo(p, 100); }},
        Damage{"truncated_to_header", kChar, [](const std::string& p) { truncateTo(p, 1024); }},
        Damage{"truncated_mid_tree", kChar, [](const std::string& p) { truncateTo(p, 0x2100); }},
        Damage{"truncated_multilevel", "harbour/dados/cotacao.cdx", [](const std::string& p) { truncateTo(p, 8000); }},
        Damage{"empty_file", kChar, [](const std::string& p) { truncateTo(p, 0); }},
        Damage{"not_compact", kChar, [](const std::string& p) { patch(p, 14, {0x00}); }},
        Damage{"directory_root_outside", kChar, [](const std::string& p) { patch(p, 0, {0x00, 0x00, 0x10, 0x00}); }},
        Damage{"tag_root_unaligned", kChar, [](const std::string& p) { patch(p, 0x800, {0x01, 0x2C, 0x00, 0x00}); }},
        Damage{"tag_root_in_header", kChar, [](const std::string& p) { patch(p, 0x800, {0x00, 0x02, 0x00, 0x00}); }},
        Damage{"key_length_zero", kChar, [](const std::string& p) { patch(p, 0x80C, {0x00, 0x00}); }},
        Damage{"key_length_241", kChar, [](const std::string& p) { patch(p, 0x80C, {0xF1, 0x00}); }},
        Damage{"child_outside", kChar,
               [](const std::string& p) { patch(p, 0x2C00 + 12 + 10, {0x7F, 0xFF, 0xFE, 0x00}); }},
        Damage{"child_unaligned", kChar, [](const std::string& p) { patch(p, 0x2C00 + 12 + 10, {0x00, 0x00, 0x1E, 0x01}); }},
        Damage{"tree_cycle_deeper_than_64", kChar,
               [](const std::string& p) { patch(p, 0x2C00 + 12 + 10, {0x00, 0x00, 0x2C, 0x00}); }},
        Damage{"interior_count_too_big", kChar, [](const std::string& p) { patch(p, 0x2C02, {0xFF, 0x00}); }},
        Damage{"interior_count_zero", kChar, [](const std::string& p) { patch(p, 0x2C02, {0x00, 0x00}); }},
        Damage{"leaf_count_too_big", kChar, [](const std::string& p) { patch(p, 0x1E02, {0xFF, 0xFF}); }},
        Damage{"leaf_info_size_zero", kChar, [](const std::string& p) { patch(p, 0x1E17, {0x00}); }},
        Damage{"leaf_bit_counts_overflow", kChar, [](const std::string& p) { patch(p, 0x1E14, {0x40}); }},
        Damage{"dup_and_trail_exceed_key", kChar, [](const std::string& p) { patch(p, 0x1E1A, {0xFF}); }},
        Damage{"keys_overrun_info", kChar, [](const std::string& p) { patch(p, 0x2A02, {0xA0, 0x00}); }},
        Damage{"sibling_cycle", kChar, [](const std::string& p) { patch(p, 0x2008, {0x00, 0x1E, 0x00, 0x00}); }},
        Damage{"sibling_is_interior", kChar, [](const std::string& p) { patch(p, 0x2008, {0x00, 0x2C, 0x00, 0x00}); }},
        Damage{"sibling_outside", kChar, [](const std::string& p) { patch(p, 0x2008, {0x00, 0x00, 0x00, 0x7F}); }},
        Damage{"interior_key_changed", kChar, [](const std::string& p) { patch(p, 0x2C00 + 12, {'A'}); }},
        Damage{"root_attribute_lost", kChar, [](const std::string& p) { patch(p, 0x2C00, {0x00}); }},
        Damage{"expression_pool_overrun", kChar, [](const std::string& p) { patch(p, 0x800 + 510, {0x00, 0x03}); }},
        Damage{"two_tags_one_header", kChar,
               [](const std::string& p) {
                   // Point COLTAG's directory entry (recno 0x800, 3 info bytes) at LOCTAG's header.
                   patch(p, 0xC00 + 24, {0x00, 0x04});
               }}));

TEST(DamagedIndex, VerifyFindsWhatWalkingMisses) {
    // A changed interior key still walks; keys out of order stop the walk where they are met rather
    // than come out misordered. verifyTag reports both.
    struct Case {
        const char* label;
        long at;
        std::vector<uint8_t> bytes;
        bool walks;
    };
    for (const Case& c : {Case{"interior key", 0x2C00 + 12, {'A'}, true},
                          Case{"leaf keys out of order", 0x1E18, {0xFF, 0xFF, 0x00}, false}}) {
        SCOPED_TRACE(c.label);
        TempDir dir;
        std::string path = dir.copyCorpus(kChar);
        patch(path, c.at, c.bytes);
        CompactIndex idx;
        idx.open(path, false);
        int t = idx.findTag("COLTAG");
        IndexOrder& o = idx.tag(size_t(t));
        size_t n = 0;
        if (c.walks) {
            for (bool ok = o.first(); ok; ok = o.next()) ++n;
            EXPECT_EQ(n, 1000u);
        } else {
            EXPECT_THROW(
                for (bool ok = o.first(); ok; ok = o.next()) ++n, FormatError);
            EXPECT_LT(n, 1000u);
        }
        EXPECT_THROW(idx.verifyTag(size_t(t)), FormatError);
    }
}

TEST(DamagedIndex, DamageLateInALeafShowsWhenReached) {
    // The last entry of COLTAG's first leaf claims more duplicate and trailing bytes than a key
    // has. A lookup that stops before it still works; one that reaches it fails, and so do walks
    // and checks, with the file named.
    TempDir dir;
    std::string path = dir.copyCorpus(kChar);
    std::vector<uint8_t> leaf(512);
    {
        std::ifstream in(path, std::ios::binary);
        in.seekg(0x1E00);
        in.read(reinterpret_cast<char*>(leaf.data()), 512);
    }
    int n = leaf[2] | (leaf[3] << 8), infoBytes = leaf[23];
    ASSERT_GT(n, 2);
    std::vector<std::vector<uint8_t>> keys;
    std::vector<uint32_t> recs;
    {
        CompactIndex idx;
        idx.open(path, false);
        IndexOrder& o = idx.tag(size_t(idx.findTag("COLTAG")));
        for (bool ok = o.first(); ok && int(keys.size()) < n; ok = o.next()) {
            keys.emplace_back(o.key().begin(), o.key().end());
            recs.push_back(o.recno());
        }
    }
    ASSERT_EQ(int(keys.size()), n);
    patch(path, 0x1E00 + 24 + (n - 1) * infoBytes + infoBytes - 1, {0xFF});

    CompactIndex idx;
    idx.open(path, false);
    size_t t = size_t(idx.findTag("COLTAG"));
    IndexOrder& o = idx.tag(t);
    ASSERT_TRUE(o.seek(keys[0]));
    EXPECT_EQ(o.recno(), recs[0]);
    ASSERT_TRUE(o.find(keys[n - 2], recs[n - 2]));
    auto failsNamingFile = [&](const std::function<void()>& f) {
        try {
            f();
        } catch (const FormatError& e) {
            return std::string(e.what()).find(path) != std::string::npos;
        }
        return false;
    };
    EXPECT_TRUE(failsNamingFile([&] { o.next(); }));
    EXPECT_TRUE(failsNamingFile([&] { o.find(keys[n - 1], recs[n - 1]); }));
    EXPECT_TRUE(failsNamingFile([&] {
        for (bool ok = o.first(); ok; ok = o.next()) {
        }
    }));
    EXPECT_TRUE(failsNamingFile([&] {
        for (bool ok = o.last(); ok; ok = o.prev()) {
        }
    }));
    EXPECT_TRUE(failsNamingFile([&] { idx.verifyTag(t); }));
}

TEST(DamagedIndex, UpdatesOnDamagedTreesFailCleanly) {
    TempDir dir;
    std::string path = dir.copyCorpus(kChar);
    patch(path, 0x2C00 + 12 + 6 * 14 + 10, {0x7F, 0xFF, 0xFE, 0x00});  // last child outside the file
    CompactIndex idx;
    idx.open(path, true);
    IndexOrder& o = idx.tag(size_t(idx.findTag("COLTAG")));
    std::vector<uint8_t> k = {'Z', 'Z', 'Z', ' ', ' ', ' '};
    EXPECT_THROW(o.insert(k, 5000), FormatError);
    EXPECT_THROW(o.remove(k, 5000), FormatError);
    // The rest of the file still works.
    IndexOrder& loc = idx.tag(size_t(idx.findTag("LOCTAG")));
    std::vector<uint8_t> l(10, ' ');
    l[0] = 'A';
    loc.insert(l, 5000);
    EXPECT_TRUE(loc.find(l, 5000));
    EXPECT_EQ(idx.verifyTag(size_t(idx.findTag("LOCTAG"))), 1001u);
}

TEST(DamagedIndex, NtxDamage) {
    struct Case {
        const char* label;
        std::function<void(const std::string&)> apply;
    };
    const Case cases[] = {
        {"truncated", [](const std::string& p) { truncateTo(p, 5000); }},
        {"header_only", [](const std::string& p) { truncateTo(p, 1024); }},
        {"signature", [](const std::string& p) { patch(p, 0, {0x99, 0x00}); }},
        {"root_outside", [](const std::string& p) { patch(p, 4, {0x00, 0x00, 0x00, 0x10}); }},
        {"item_size", [](const std::string& p) { patch(p, 12, {0x10, 0x00}); }},
        {"count_too_big", [](const std::string& p) { patch(p, 0x4400, {0xFF, 0x00}); }},
        {"item_offset_outside", [](const std::string& p) { patch(p, 0x4402, {0xFF, 0x03}); }},
        {"child_outside", [](const std::string& p) { patch(p, 0x4444, {0x00, 0x00, 0x00, 0x40}); }},
        {"child_is_root", [](const std::string& p) { patch(p, 0x4444, {0x00, 0x44, 0x00, 0x00}); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        TempDir dir;
        std::string path = dir.copyCorpus("harbour/test1.ntx");
        c.apply(path);
        std::string err;
        try {
            NtxIndex ntx;
            ntx.open(path);
            for (bool ok = ntx.first(); ok; ok = ntx.next()) {
            }
            for (bool ok = ntx.last(); ok; ok = ntx.prev()) {
            }
            std::vector<uint8_t> k(20, 'M');
            ntx.seek(k);
        } catch (const FormatError& e) {
            err = e.what();
        }
        EXPECT_NE(err.find(path), std::string::npos) << err;
    }
}
