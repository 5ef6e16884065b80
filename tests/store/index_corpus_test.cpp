// Reading index files written by other programs (FoxPro, CodeBase, Harbour, Clipper): every tag
// walks in the order the table's contents give, both ways, and seeks like the original.

#include "Index.h"
#include "KeyCodec.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <strings.h>
#include <string>
#include <vector>

using namespace addrova::store;
using addrova::test::corpus;
using Bytes = std::vector<uint8_t>;

namespace {

// Just enough of a DBF reader to compute index keys from the raw records.
struct MiniDbf {
    struct Field {
        std::string name;
        char type;
        int offset, length;
        bool nullable;
        int nullBit;
    };
    std::vector<Field> fields;
    std::vector<Bytes> records;  // including the deletion flag byte
    int nullFlagsOffset = -1;

    explicit MiniDbf(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        Bytes d((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        uint32_t count = d[4] | (d[5] << 8) | (d[6] << 16) | (uint32_t(d[7]) << 24);
        int headerLen = d[8] | (d[9] << 8), recLen = d[10] | (d[11] << 8);
        int pos = 1, nullBits = 0;
        for (size_t o = 32; d[o] != 0x0D; o += 32) {
            Field f;
            f.name.assign(reinterpret_cast<const char*>(&d[o]), strnlen(reinterpret_cast<const char*>(&d[o]), 11));
            f.type = static_cast<char>(d[o + 11]);
            f.offset = pos;
            f.length = d[o + 16];
            f.nullable = d[0] >= 0x30 && (d[o + 18] & 0x02) && f.type != '0';
            f.nullBit = f.nullable ? nullBits++ : -1;
            if (f.name == "_NullFlags") nullFlagsOffset = pos;
            pos += f.length;
            fields.push_back(f);
        }
        for (uint32_t i = 0; i < count; ++i)
            records.emplace_back(d.begin() + headerLen + i * recLen, d.begin() + headerLen + (i + 1) * recLen);
    }
    const Field& field(const std::string& name) const {
        for (const Field& f : fields)
            if (strcasecmp(f.name.c_str(), name.c_str()) == 0) return f;
        throw std::runtime_error("no field " + name);
    }
    bool deleted(size_t rec) const { return records[rec][0] == '*'; }
    bool isNull(size_t rec, const Field& f) const {
        if (!f.nullable || nullFlagsOffset < 0) return false;
        const Bytes& r = records[rec];
        return (r[size_t(nullFlagsOffset + f.nullBit / 8)] >> (f.nullBit % 8)) & 1;
    }
};

// How a tag's key is made from fields: character fields concatenated, or one field of another type.
Bytes makeKey(const MiniDbf& dbf, size_t rec, const std::vector<std::string>& fieldNames, bool nullable) {
    Bytes key;
    for (std::string name : fieldNames) {
        bool dtos = name.rfind("DTOS:", 0) == 0;  // a date as its text
        if (dtos) name = name.substr(5);
        const MiniDbf::Field& f = dbf.field(name);
        const uint8_t* raw = dbf.records[rec].data() + f.offset;
        std::string text(reinterpret_cast<const char*>(raw), size_t(f.length));
        Bytes part(f.type == 'I' ? 4 : 8);
        switch (dtos ? 'C' : f.type) {
            case 'N':
            case 'F': encodeDoubleKey(std::atof(text.c_str()), part.data()); break;
            case 'D':
                encodeDoubleKey(double(julianDay(std::atoi(text.substr(0, 4).c_str()), std::atoi(text.substr(4, 2).c_str()),
                                                 std::atoi(text.substr(6, 2).c_str()))),
                                part.data());
                break;
            case 'I': {
                int32_t v;
                std::memcpy(&v, raw, 4);
                encodeIntKey(v, part.data());
                break;
            }
            default: part.assign(raw, raw + f.length);
        }
        if (nullable) {
            bool null = dbf.isNull(rec, f);
            key.push_back(null ? 0x00 : 0x80);  // the null-flag byte; a null key is all zeros
            if (null) std::fill(part.begin(), part.end(), 0);
        }
        key.insert(key.end(), part.begin(), part.end());
    }
    return key;
}

using Entry = std::pair<Bytes, uint32_t>;

// Compact text of entries for failure messages.
std::vector<std::string> show(const std::vector<Entry>& v) {
    std::vector<std::string> out;
    for (const Entry& e : v) {
        std::string s;
        for (uint8_t b : e.first) {
            char buf[4];
            std::snprintf(buf, sizeof buf, "%02x", b);
            s += buf;
        }
        out.push_back(s + "@" + std::to_string(e.second));
    }
    return out;
}

std::vector<Entry> expectedOrder(const MiniDbf& dbf, const std::vector<std::string>& fields, const TagInfo& info) {
    std::vector<Entry> all;
    for (size_t r = 0; r < dbf.records.size(); ++r) {
        if (!info.forExpr.empty() && dbf.deleted(r)) continue;  // the corpus FOR clauses are .NOT.DELETED()
        all.emplace_back(makeKey(dbf, r, fields, info.nullable), uint32_t(r + 1));
    }
    std::sort(all.begin(), all.end());
    if (info.unique)
        all.erase(std::unique(all.begin(), all.end(), [](const Entry& a, const Entry& b) { return a.first == b.first; }),
                  all.end());
    if (info.descending) std::reverse(all.begin(), all.end());
    return all;
}

std::vector<Entry> walkForward(IndexOrder& o) {
    std::vector<Entry> v;
    for (bool ok = o.first(); ok; ok = o.next()) v.emplace_back(Bytes(o.key().begin(), o.key().end()), o.recno());
    EXPECT_FALSE(o.positioned());
    return v;
}

std::vector<Entry> walkBackward(IndexOrder& o) {
    std::vector<Entry> v;
    for (bool ok = o.last(); ok; ok = o.prev()) v.emplace_back(Bytes(o.key().begin(), o.key().end()), o.recno());
    std::reverse(v.begin(), v.end());
    return v;
}

Bytes text(const std::string& s) { return Bytes(s.begin(), s.end()); }

struct TagCase {
    const char* index;
    const char* table;
    const char* tag;
    std::vector<std::string> fields;
    size_t keys;
};

std::ostream& operator<<(std::ostream& os, const TagCase& c) { return os << c.index << ":" << c.tag; }

class CorpusTag : public ::testing::TestWithParam<TagCase> {};

}  // namespace

TEST_P(CorpusTag, WalksInTableOrderBothWays) {
    const TagCase& c = GetParam();
    CompactIndex idx;
    idx.open(corpus(c.index), false);
    int i = idx.findTag(c.tag);
    ASSERT_GE(i, 0);
    IndexOrder& order = idx.tag(size_t(i));
    MiniDbf dbf(corpus(c.table));
    std::vector<Entry> want = expectedOrder(dbf, c.fields, order.info());
    ASSERT_EQ(want.size(), c.keys);
    std::vector<Entry> fwd = walkForward(order);
    EXPECT_EQ(show(fwd), show(want));
    EXPECT_EQ(show(walkBackward(order)), show(want));
    uint32_t maxRecno = 0;
    EXPECT_EQ(idx.verifyTag(size_t(i), &maxRecno), c.keys);

    // Every key is found again by seek and by find; seek lands on the first of equal keys in
    // logical order.
    for (size_t k = 0; k < want.size(); ++k) {
        ASSERT_TRUE(order.find(want[k].first, want[k].second));
        EXPECT_EQ(order.recno(), want[k].second);
        ASSERT_TRUE(order.seek(want[k].first));
        size_t firstEqual = k;
        while (firstEqual > 0 && want[firstEqual - 1].first == want[k].first) --firstEqual;
        EXPECT_EQ(order.recno(), want[firstEqual].second);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Corpus, CorpusTag,
    ::testing::Values(
        TagCase{"codebase/examples-DATA/EXAMPLE.CDX", "codebase/examples-DATA/EXAMPLE.DBF", "CLASS_LIST", {"GRADE"}, 4},
        TagCase{"codebase/examples-DATA/EXAMPLE.CDX", "codebase/examples-DATA/EXAMPLE.DBF", "NAME", {"L_NAME", "F_NAME"}, 4},
        TagCase{"codebase/examples-DATA/INFO.CDX", "codebase/examples-DATA/INFO.DBF", "INF_AGE", {"AGE"}, 17},
        TagCase{"codebase/examples-DATA/INFO.CDX", "codebase/examples-DATA/INFO.DBF", "INF_BRTH", {"BIRTH_DATE"}, 17},
        TagCase{"codebase/examples-DATA/INFO.CDX", "codebase/examples-DATA/INFO.DBF", "INF_NAME", {"NAME"}, 6},
        TagCase{"codebase/examples-DATA/STUDENT.CDX", "codebase/examples-DATA/STUDENT.DBF", "STU_AGE", {"AGE"}, 18},
        TagCase{"codebase/examples-DATA/STUDENT.CDX", "codebase/examples-DATA/STUDENT.DBF", "STU_ID", {"ID"}, 18},
        TagCase{"codebase/examples-DATA/STUDENT.CDX", "codebase/examples-DATA/STUDENT.DBF", "STU_NAME", {"L_NAME", "F_NAME"}, 18},
        TagCase{"codebase/examples-DATA/STUDENT2.CDX", "codebase/examples-DATA/STUDENT.DBF", "STUDENT2", {"L_NAME"}, 18},
        TagCase{"codebase/SpeedDemo/CHARTAGS.CDX", "codebase/SpeedDemo/CB6DEMO.DBF", "COLTAG", {"COLOUR"}, 1000},
        TagCase{"codebase/SpeedDemo/CHARTAGS.CDX", "codebase/SpeedDemo/CB6DEMO.DBF", "LOCTAG", {"LOCATION"}, 1000},
        TagCase{"codebase/SpeedDemo/NUMTAGS.CDX", "codebase/SpeedDemo/CB6DEMO.DBF", "HEITAG", {"HEIGHT"}, 1000},
        TagCase{"codebase/SpeedDemo/NUMTAGS.CDX", "codebase/SpeedDemo/CB6DEMO.DBF", "LENTAG", {"LENGTH"}, 1000},
        TagCase{"codebase/SpeedDemo/NUMTAGS.CDX", "codebase/SpeedDemo/CB6DEMO.DBF", "QUATAG", {"QUANTITY"}, 1000},
        TagCase{"codebase/SpeedDemo/NUMTAGS.CDX", "codebase/SpeedDemo/CB6DEMO.DBF", "WEITAG", {"WEIGHT"}, 1000},
        TagCase{"codebase/SpeedDemo/NUMTAGS.CDX", "codebase/SpeedDemo/CB6DEMO.DBF", "WIDTAG", {"WIDTH"}, 1000},
        TagCase{"harbour/dados/cotacao.cdx", "harbour/dados/cotacao.dbf", "COTACAO1", {"CDINDX", "DTOS:DTCOTA"}, 2080},
        TagCase{"infused-dbf/foxprodb/calls.CDX", "infused-dbf/foxprodb/calls.dbf", "CALL_ID", {"CALL_ID"}, 16},
        TagCase{"infused-dbf/foxprodb/calls.CDX", "infused-dbf/foxprodb/calls.dbf", "CONTACT_ID", {"CONTACT_ID"}, 16},
        TagCase{"javadbf/foxpro-xsource/employees.cdx", "javadbf/foxpro-xsource/employees.dbf", "EMAILNAME", {"EMAILNAME"}, 5},
        TagCase{"javadbf/foxpro-xsource/employees.cdx", "javadbf/foxpro-xsource/employees.dbf", "LASTNAME", {"LASTNAME"}, 5},
        TagCase{"javadbf/foxpro-xsource/employees.cdx", "javadbf/foxpro-xsource/employees.dbf", "POSTALCODE", {"POSTALCODE"}, 5},
        TagCase{"javadbf/foxpro-xsource/employees.cdx", "javadbf/foxpro-xsource/employees.dbf", "PRIMARYKEY", {"EMPLOYEEID"}, 5},
        TagCase{"javadbf/foxpro-xsource/foxref_ref.cdx", "javadbf/foxpro-xsource/foxref_ref.dbf", "CHECKED", {"CHECKED"}, 79},
        TagCase{"javadbf/foxpro-xsource/foxref_ref.cdx", "javadbf/foxpro-xsource/foxref_ref.dbf", "FILEID", {"FILEID"}, 79},
        TagCase{"javadbf/foxpro-xsource/foxref_ref.cdx", "javadbf/foxpro-xsource/foxref_ref.dbf", "INACTIVE", {"INACTIVE"}, 79},
        TagCase{"javadbf/foxpro-xsource/foxref_ref.cdx", "javadbf/foxpro-xsource/foxref_ref.dbf", "REFID", {"REFID"}, 79},
        TagCase{"javadbf/foxpro-xsource/foxref_ref.cdx", "javadbf/foxpro-xsource/foxref_ref.dbf", "REFTYPE", {"REFTYPE"}, 79},
        TagCase{"javadbf/foxpro-xsource/foxref_ref.cdx", "javadbf/foxpro-xsource/foxref_ref.dbf", "SETID", {"SETID"}, 79},
        TagCase{"javadbf/foxpro-xsource/foxref_ref.cdx", "javadbf/foxpro-xsource/foxref_ref.dbf", "UNIQUEID", {"UNIQUEID"}, 79},
        TagCase{"codebase/cblinux/table1.CDX", "codebase/cblinux/table1.dbf", "BIN1A", {"BIN1"}, 8},
        TagCase{"codebase/cblinux/table1.CDX", "codebase/cblinux/table1.dbf", "BIN1B", {"BIN1"}, 4},
        TagCase{"codebase/cblinux/table1.CDX", "codebase/cblinux/table1.dbf", "BIN1C", {"BIN1"}, 8},
        TagCase{"codebase/cblinux/table1.CDX", "codebase/cblinux/table1.dbf", "BIN1D", {"BIN1"}, 4},
        TagCase{"codebase/cblinux/table1.CDX", "codebase/cblinux/table1.dbf", "BIN2A", {"BIN2"}, 8},
        TagCase{"codebase/cblinux/table1.CDX", "codebase/cblinux/table1.dbf", "BIN2B", {"BIN2"}, 4},
        TagCase{"codebase/cblinux/table1.CDX", "codebase/cblinux/table1.dbf", "BIN2C", {"BIN2"}, 8},
        TagCase{"codebase/cblinux/table1.CDX", "codebase/cblinux/table1.dbf", "BIN2D", {"BIN2"}, 4},
        TagCase{"codebase/cblinux/table1.CDX", "codebase/cblinux/table1.dbf", "CHAR1A", {"CHAR1"}, 8},
        TagCase{"codebase/cblinux/table1.CDX", "codebase/cblinux/table1.dbf", "CHAR1B", {"CHAR1"}, 4},
        TagCase{"codebase/cblinux/table1.CDX", "codebase/cblinux/table1.dbf", "CHAR1C", {"CHAR1"}, 8},
        TagCase{"codebase/cblinux/table1.CDX", "codebase/cblinux/table1.dbf", "CHAR1D", {"CHAR1"}, 4},
        TagCase{"codebase/cblinux/table1.CDX", "codebase/cblinux/table1.dbf", "CHAR2A", {"CHAR2"}, 8},
        TagCase{"codebase/cblinux/table1.CDX", "codebase/cblinux/table1.dbf", "CHAR2B", {"CHAR2"}, 4},
        TagCase{"codebase/cblinux/table1.CDX", "codebase/cblinux/table1.dbf", "CHAR2C", {"CHAR2"}, 8},
        TagCase{"codebase/cblinux/table1.CDX", "codebase/cblinux/table1.dbf", "CHAR2D", {"CHAR2"}, 4}));

TEST(CorpusIndex, TagHeadersReadAsWritten) {
    struct Want {
        const char* index;
        const char* tag;
        const char* keyExpr;
        const char* forExpr;
        uint16_t keyLength;
        bool unique, descending, nullable, candidate;
    };
    const Want cases[] = {
        {"codebase/examples-DATA/EXAMPLE.CDX", "CLASS_LIST", "grade", "", 8, false, true, false, false},
        {"codebase/examples-DATA/EXAMPLE.CDX", "ID", "student_id", "", 8, true, false, false, false},
        {"codebase/examples-DATA/EXAMPLE.CDX", "NOTDELETED", "l_name+f_name", ".NOT.DELETED()", 34, false, false, false, false},
        {"infused-dbf/foxprodb/calls.CDX", "CALL_ID", "call_id", "", 4, false, false, false, true},
        {"javadbf/foxpro-xsource/employees.cdx", "EMAILNAME", "emailname", "", 51, false, false, true, false},
        {"php-xbase/foxpro/issue115.cdx", "COD", "cod", ".NOT.DELETED()", 4, false, false, false, true},
        {"harbour/dados/cotacao.cdx", "COTACAO1", "COTACAO->CDINDX+DTOS(COTACAO->DTCOTA)", "", 10, false, false, false, false},
        {"codebase/examples-DATA/STUDENT2.CDX", "STUDENT2", "L_NAME", "", 15, false, false, false, false},
    };
    for (const Want& w : cases) {
        SCOPED_TRACE(std::string(w.index) + " " + w.tag);
        CompactIndex idx;
        idx.open(corpus(w.index), false);
        int i = idx.findTag(w.tag);
        ASSERT_GE(i, 0);
        const TagInfo& info = idx.tag(size_t(i)).info();
        EXPECT_EQ(info.keyExpr, w.keyExpr);
        EXPECT_EQ(info.forExpr, w.forExpr);
        EXPECT_EQ(info.keyLength, w.keyLength);
        EXPECT_EQ(info.unique, w.unique);
        EXPECT_EQ(info.descending, w.descending);
        EXPECT_EQ(info.nullable, w.nullable);
        EXPECT_EQ(info.candidate, w.candidate);
    }
}

TEST(CorpusIndex, TagsComeInHeaderOrderAndFileKind) {
    CompactIndex idx;
    idx.open(corpus("codebase/cblinux/table1.CDX"), false);
    EXPECT_TRUE(idx.compound());
    std::vector<std::string> names;
    for (size_t i = 0; i < idx.tagCount(); ++i) names.push_back(idx.tag(i).info().name);
    // Headers were written in this order (CodeBase created the A/B tags first, then C/D).
    std::vector<std::string> want = {"BIN1A", "BIN1B", "BIN2A", "BIN2B", "CHAR1A", "CHAR1B", "CHAR2A", "CHAR2B",
                                     "BIN1C", "BIN1D", "BIN2C", "BIN2D", "CHAR1C", "CHAR1D", "CHAR2C", "CHAR2D"};
    EXPECT_EQ(names, want);
    EXPECT_EQ(idx.findTag("char2d"), 15);
    EXPECT_EQ(idx.findTag("NOPE"), -1);

    CompactIndex single;
    single.open(corpus("codebase/examples-DATA/STUDENT2.CDX"), false);
    EXPECT_FALSE(single.compound());
    EXPECT_EQ(single.tagCount(), 1u);
}

TEST(CorpusIndex, KeyFillerFollowsKeyType) {
    // Numeric and date keys pad with 0, character keys with blanks; the files do not say which.
    struct Want {
        const char* index;
        const char* tag;
        uint8_t pad;
    };
    const Want cases[] = {
        {"codebase/examples-DATA/EXAMPLE.CDX", "CLASS_LIST", 0x00}, {"codebase/examples-DATA/EXAMPLE.CDX", "NAME", ' '},
        {"codebase/examples-DATA/INFO.CDX", "INF_BRTH", 0x00},      {"codebase/SpeedDemo/NUMTAGS.CDX", "WEITAG", 0x00},
        {"infused-dbf/foxprodb/calls.CDX", "CALL_ID", 0x00},        {"codebase/cblinux/table1.CDX", "CHAR2A", ' '},
        {"codebase/cblinux/table1.CDX", "BIN1A", ' '},              {"harbour/dados/cotacao.cdx", "COTACAO1", ' '},
    };
    for (const Want& w : cases) {
        CompactIndex idx;
        idx.open(corpus(w.index), false);
        EXPECT_EQ(idx.tag(size_t(idx.findTag(w.tag))).info().padByte, w.pad) << w.index << " " << w.tag;
    }
}

TEST(CorpusIndex, StaleTagsReadAsStored) {
    // EXAMPLE.NOTDELETED lost Abbott (record 4), and EXAMPLE.ID still has record 4's old
    // STUDENT_ID 157264 (the table now says 124344); issue115's tags hold only record 1 of 9.
    CompactIndex ex;
    ex.open(corpus("codebase/examples-DATA/EXAMPLE.CDX"), false);
    std::vector<uint32_t> recs;
    IndexOrder& nd = ex.tag(size_t(ex.findTag("NOTDELETED")));
    for (bool ok = nd.first(); ok; ok = nd.next()) recs.push_back(nd.recno());
    EXPECT_EQ(recs, (std::vector<uint32_t>{2, 1, 3}));
    std::vector<std::pair<double, uint32_t>> ids;
    IndexOrder& id = ex.tag(size_t(ex.findTag("ID")));
    for (bool ok = id.first(); ok; ok = id.next()) ids.emplace_back(decodeDoubleKey(id.key().data()), id.recno());
    EXPECT_EQ(ids, (std::vector<std::pair<double, uint32_t>>{{134578, 3}, {145464, 2}, {157264, 4}, {164534, 1}}));

    CompactIndex stale;
    stale.open(corpus("php-xbase/foxpro/issue115.cdx"), false);
    IndexOrder& cod = stale.tag(size_t(stale.findTag("COD")));
    ASSERT_TRUE(cod.first());
    EXPECT_EQ(Bytes(cod.key().begin(), cod.key().end()), text("0001"));
    EXPECT_EQ(cod.recno(), 1u);
    EXPECT_FALSE(cod.next());
    IndexOrder& den = stale.tag(size_t(stale.findTag("DENUMIRE")));
    ASSERT_TRUE(den.seek(text("AGENT")));
    EXPECT_EQ(den.recno(), 1u);
    EXPECT_FALSE(den.seek(text("B")));
}

TEST(CorpusIndex, PrefixSeekAndDescendingSeek) {
    CompactIndex idx;
    idx.open(corpus("codebase/SpeedDemo/CHARTAGS.CDX"), false);
    IndexOrder& col = idx.tag(size_t(idx.findTag("COLTAG")));
    ASSERT_TRUE(col.seek(text("Gr")));
    EXPECT_EQ(Bytes(col.key().begin(), col.key().end()), text("Green "));
    ASSERT_TRUE(col.seek(text("Gz")));  // between keys: the next one
    EXPECT_EQ(Bytes(col.key().begin(), col.key().begin() + 6), text("Orange"));
    EXPECT_FALSE(col.seek(text("Zz")));
    EXPECT_FALSE(col.positioned());

    // Descending CLASS_LIST (grades 89.2, 76.8, 54, 45.4): seek finds the first key not above.
    CompactIndex ex;
    ex.open(corpus("codebase/examples-DATA/EXAMPLE.CDX"), false);
    IndexOrder& grade = ex.tag(size_t(ex.findTag("CLASS_LIST")));
    Bytes k(8);
    encodeDoubleKey(80.0, k.data());
    ASSERT_TRUE(grade.seek(k));
    EXPECT_EQ(grade.recno(), 1u);  // 76.8
    encodeDoubleKey(100.0, k.data());
    ASSERT_TRUE(grade.seek(k));
    EXPECT_EQ(grade.recno(), 2u);  // 89.2, the first in logical order
    encodeDoubleKey(10.0, k.data());
    EXPECT_FALSE(grade.seek(k));
    ASSERT_TRUE(grade.last());
    EXPECT_EQ(grade.recno(), 3u);  // 45.4
}

TEST(CorpusIndex, NtxWalksSeeksAndFinds) {
    NtxIndex ntx;
    ntx.open(corpus("harbour/test1.ntx"));
    EXPECT_EQ(ntx.info().keyExpr, "FIELD->LAST");
    EXPECT_EQ(ntx.info().keyLength, 20);
    EXPECT_FALSE(ntx.info().unique);

    MiniDbf dbf(corpus("harbour/test.dbf"));
    const MiniDbf::Field& last = dbf.field("LAST");
    std::multimap<Bytes, uint32_t> want;
    for (size_t r = 0; r < dbf.records.size(); ++r) {
        const uint8_t* p = dbf.records[r].data() + last.offset;
        want.emplace(Bytes(p, p + last.length), uint32_t(r + 1));
    }
    std::vector<Entry> fwd = walkForward(ntx), back = walkBackward(ntx);
    ASSERT_EQ(fwd.size(), 500u);
    EXPECT_EQ(fwd, back);
    // Same keys as the table; equal keys may come in any record order in NTX files.
    std::multimap<Bytes, uint32_t> got(fwd.begin(), fwd.end());
    std::vector<Entry> gotSorted(fwd), wantSorted(want.begin(), want.end());
    std::sort(gotSorted.begin(), gotSorted.end());
    EXPECT_EQ(gotSorted, wantSorted);
    EXPECT_TRUE(std::is_sorted(fwd.begin(), fwd.end(), [](const Entry& a, const Entry& b) { return a.first < b.first; }));

    for (const Entry& e : fwd) {
        ASSERT_TRUE(ntx.find(e.first, e.second));
        ASSERT_TRUE(ntx.seek(e.first));
        EXPECT_EQ(Bytes(ntx.key().begin(), ntx.key().end()), e.first);
    }
    ASSERT_TRUE(ntx.seek(text("Sim")));
    EXPECT_EQ(std::string(ntx.key().begin(), ntx.key().begin() + 3), "Sim");
    ASSERT_TRUE(ntx.seek(text("A")));
    EXPECT_EQ(Bytes(ntx.key().begin(), ntx.key().end()), fwd.front().first);
    EXPECT_FALSE(ntx.seek(text("zzz")));
    EXPECT_FALSE(ntx.find(fwd.front().first, 999999));
    EXPECT_THROW(ntx.insert(fwd.front().first, 1), Error);
}
