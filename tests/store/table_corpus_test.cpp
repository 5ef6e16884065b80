// Tables written by other programs: structure, values, memos, deletion marks and code pages.
#include "CodePage.h"
#include "Table.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>

#include <set>

using namespace addrova::store;
using addrova::test::corpus;

namespace {

struct Shape {
    const char* file;
    int version;
    uint32_t records;
    size_t fields;  // including _NullFlags
};

class CorpusShape : public ::testing::TestWithParam<Shape> {};

TEST_P(CorpusShape, OpensWithDocumentedStructure) {
    const Shape& s = GetParam();
    Table t;
    t.open(corpus(s.file), OpenMode::ReadOnly);
    EXPECT_EQ(t.version(), s.version);
    EXPECT_EQ(t.recCount(), s.records);
    EXPECT_EQ(t.fields().size(), s.fields);
    // Every record can be read in natural order, deleted ones included.
    t.setDeleted(false);
    uint32_t seen = 0;
    for (bool ok = t.goTop(); ok; ok = t.skip()) ++seen;
    EXPECT_EQ(seen, s.records);
}

INSTANTIATE_TEST_SUITE_P(
    Files, CorpusShape,
    ::testing::Values(Shape{"infused-dbf/dbase_03.dbf", 0x03, 14, 31}, Shape{"infused-dbf/dbase_30.dbf", 0x30, 34, 145},
                      Shape{"infused-dbf/dbase_31.dbf", 0x31, 77, 11}, Shape{"infused-dbf/dbase_83.dbf", 0x83, 67, 15},
                      Shape{"infused-dbf/dbase_8b.dbf", 0x8B, 10, 6}, Shape{"infused-dbf/cp1251.dbf", 0x30, 4, 2},
                      Shape{"infused-dbf/foxprodb/calls.dbf", 0x30, 16, 6},
                      Shape{"php-xbase/dBase/dBaseIV.dbf", 0x8B, 3, 7}, Shape{"php-xbase/foxpro/Foxpro2.dbf", 0xF5, 3, 8},
                      Shape{"php-xbase/foxpro/vfp.dbf", 0x32, 3, 20}, Shape{"php-xbase/foxpro/pr90.dbf", 0xF5, 5, 18},
                      Shape{"javadbf/foxpro-xsource/employees.dbf", 0x30, 5, 16},
                      Shape{"codebase/examples-DATA/EXAMPLE.DBF", 0xF5, 4, 7},
                      Shape{"codebase/cblinux/table1.dbf", 0x30, 8, 9},
                      Shape{"codebase/SpeedDemo/CB6DEMO.DBF", 0x03, 1000, 7},
                      Shape{"ndbfreaderex/BDE_TEST_3_512.dbf", 0x83, 4, 7}, Shape{"dbffile/PYACFL.DBF", 0x03, 45, 20},
                      Shape{"harbour/test.dbf", 0x03, 500, 11}, Shape{"harbour/dados/cotacao.dbf", 0x03, 2080, 3},
                      Shape{"jdbfdriver/TEST.DBF", 0x03, 3, 2}));

TEST(CorpusValues, DbaseIIIRecordMatchesItsFixture) {
    Table t;
    t.open(corpus("infused-dbf/dbase_83.dbf"), OpenMode::ReadOnly);
    ASSERT_TRUE(t.goTop());
    EXPECT_EQ(t.getNumber(t.fieldIndex("ID")), 87);
    EXPECT_EQ(t.getString("CODE"), "1");
    EXPECT_EQ(t.getString("NAME"), "Assorted Petits Fours");
    EXPECT_EQ(t.getString("THUMBNAIL"), "graphics/00000001/t_1.jpg");
    EXPECT_DOUBLE_EQ(t.getNumber(t.fieldIndex("WEIGHT")), 5.51);
    EXPECT_TRUE(t.getLogical(t.fieldIndex("TAXABLE")));
    std::string memo = t.getMemo("DESC");
    EXPECT_EQ(memo.substr(0, 30), "Our Original assortment...a li");
    EXPECT_NE(memo.find("everyone.  Let us\r\nselect"), std::string::npos);
    EXPECT_EQ(memo.substr(memo.size() - 20), "and Raspberry Blanc.");
}

// The same four BDE records through dBASE III and dBASE IV memo files of two block sizes.
TEST(CorpusValues, DbtMemosOfEveryKind) {
    for (const char* file : {"ndbfreaderex/BDE_TEST_3_512.dbf", "ndbfreaderex/BDE_TEST_4_512.dbf"}) {
        SCOPED_TRACE(file);
        Table t;
        t.open(corpus(file), OpenMode::ReadOnly);
        ASSERT_TRUE(t.go(1));
        EXPECT_EQ(t.getString("C10"), "AAA");
        EXPECT_EQ(t.getString("D"), "20150101");
        EXPECT_EQ(t.getString("L"), "T");
        EXPECT_EQ(t.getString("N10"), "11111.11");
        EXPECT_EQ(t.getMemo("B"), ">aAaA aAaA aAaA aAaA aAaA aAaA aAaA aAaA>");
        ASSERT_TRUE(t.go(2));
        std::string m = t.getMemo("B");
        EXPECT_EQ(m.size(), 1180u);
        EXPECT_EQ(m.substr(0, 15), ">\r\nbBbBbBbbbbBB");
        EXPECT_EQ(m.substr(m.size() - 20), "bbBBBbbBBBBbbBBBBBB>");
        for (uint32_t r : {3u, 4u}) {
            ASSERT_TRUE(t.go(r));
            EXPECT_TRUE(t.memoEmpty("B"));
            EXPECT_EQ(t.getMemo("B"), "");
        }
        EXPECT_EQ(t.getString("C10"), "DDD");
    }
}

TEST(CorpusValues, FptWithOneByteBlocks) {
    Table t;
    t.open(corpus("dbffile/vfp9_memo_bs1.dbf"), OpenMode::ReadOnly);
    std::multiset<size_t> lengths;
    for (uint32_t r = 1; r <= t.recCount(); ++r) {
        ASSERT_TRUE(t.go(r));
        if (r == 2) {
            EXPECT_TRUE(t.memoEmpty("NOTES"));
        }
        if (!t.memoEmpty("NOTES")) lengths.insert(t.getMemo("NOTES").size());
    }
    EXPECT_EQ(lengths, (std::multiset<size_t>{1, 17, 49, 2241}));
}

TEST(CorpusValues, LargeBinaryMemoInFpt) {
    Table t;
    t.open(corpus("php-xbase/foxpro/Foxpro2.dbf"), OpenMode::ReadOnly);
    size_t largest = 0;
    for (uint32_t r = 1; r <= t.recCount(); ++r) {
        t.go(r);
        for (const char* f : {"BIO", "IMAGE", "GENERAL"}) largest = std::max(largest, t.getMemo(f).size());
    }
    EXPECT_EQ(largest, 187811u);
}

TEST(CorpusValues, LongCharacterFieldAndDeletionMarks) {
    Table t;
    t.open(corpus("php-xbase/foxpro/pr90.dbf"), OpenMode::ReadOnly);
    EXPECT_EQ(t.fields()[static_cast<size_t>(t.fieldIndex("NOTE"))].width, 300);

    Table p;
    p.open(corpus("dbffile/PYACFL.DBF"), OpenMode::ReadOnly);
    EXPECT_EQ(p.countSelected(), 15u);
    p.setDeleted(false);
    EXPECT_EQ(p.countSelected(), 45u);
    p.setSelection("DELETED()");
    EXPECT_EQ(p.countSelected(), 30u);
}

TEST(CorpusValues, CodePagesConvertToUtf8) {
    Table t;
    t.open(corpus("infused-dbf/cp1251.dbf"), OpenMode::ReadOnly);
    EXPECT_EQ(t.codePage(), 1251);
    ASSERT_TRUE(t.goTop());
    std::string name = toUtf8(t.getString("NAME"), t.codePage());
    // Cyrillic letters are two bytes in UTF-8, starting 0xD0 or 0xD1.
    ASSERT_FALSE(name.empty());
    EXPECT_TRUE(static_cast<unsigned char>(name[0]) == 0xD0 || static_cast<unsigned char>(name[0]) == 0xD1) << name;
}

TEST(CorpusValues, VisualFoxProNullsAndBinaryTypes) {
    Table t;
    t.open(corpus("infused-dbf/dbase_31.dbf"), OpenMode::ReadOnly);
    ASSERT_TRUE(t.goTop());
    EXPECT_EQ(t.getString("PRODUCTID"), "1");
    EXPECT_EQ(t.getString("PRODUCTNAM"), "Chai");
    EXPECT_DOUBLE_EQ(t.getNumber(t.fieldIndex("UNITPRICE")), 18.0);
    EXPECT_FALSE(t.isNull(t.fieldIndex("UNITPRICE")));
}

TEST(CorpusValues, DamagedTablesFailWithAMessage) {
    addrova::test::TempDir dir;
    struct Case {
        const char* name;
        std::string bytes;
        const char* message;
    } cases[] = {
        {"empty.dbf", "", "too short"},
        {"version.dbf", std::string(40, '\x07'), "unknown version"},
        {"header.dbf", std::string("\x03\x7c\x01\x01\x00\x00\x00\x00\xff\xff\x10\x00", 12) + std::string(20, '\0'), "header length"},
    };
    for (const auto& c : cases) {
        std::string path = dir.file(c.name);
        FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(c.bytes.data(), 1, c.bytes.size(), f);
        std::fclose(f);
        Table t;
        try {
            t.open(path, OpenMode::ReadOnly);
            ADD_FAILURE() << c.name << " opened";
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find(c.name), std::string::npos) << e.what();
        }
    }
}

// Every corpus table, record by record, as Python's dbfread reads it.
TEST(CorpusValues, DumpAgreesWithDbfread) {
    if (!std::ifstream("/usr/bin/python3").good()) GTEST_SKIP() << "no /usr/bin/python3";
    int probe = 0;
    addrova::test::run("/usr/bin/python3 -c 'import dbfread' 2>/dev/null", &probe);
    if (probe != 0) GTEST_SKIP() << "python3-dbfread is not installed";
    const char* files[] = {
        "infused-dbf/dbase_03.dbf", "infused-dbf/dbase_30.dbf", "infused-dbf/dbase_31.dbf", "infused-dbf/dbase_83.dbf",
        "infused-dbf/dbase_8b.dbf", "infused-dbf/cp1251.dbf", "infused-dbf/foxprodb/calls.dbf",
        "php-xbase/dBase/dBaseIV.dbf", "php-xbase/foxpro/Foxpro2.dbf", "php-xbase/foxpro/pr90.dbf",
        "php-xbase/foxpro/issue115.dbf", "javadbf/foxpro-xsource/employees.dbf", "javadbf/foxpro-xsource/foxref_ref.dbf",
        "javadbf/bug93_null_field/testfile.dbf", "javadbf/gbk.dbf", "codebase/examples-DATA/EXAMPLE.DBF",
        "codebase/examples-DATA/STUDENT.DBF", "codebase/examples-DATA/INFO.DBF", "codebase/cblinux/table1.dbf",
        "codebase/SpeedDemo/CB6DEMO.DBF", "ndbfreaderex/BDE_TEST_3_512.dbf", "ndbfreaderex/BDE_TEST_4_512.dbf",
        "dbffile/vfp9_memo_bs1.dbf", "dbffile/PYACFL.DBF", "harbour/test.dbf", "harbour/dados/cotacao.dbf",
        "jdbfdriver/TEST.DBF"};
    for (const char* f : files) {
        int status = -1;
        std::string out = addrova::test::run(std::string("/usr/bin/python3 ") + ADDROVA_TESTS_DIR +
                                                 "/dbf_oracle.py " ADDROVA_BATCH_PATH " " + corpus(f) + " 2>&1",
                                             &status);
        EXPECT_EQ(status, 0) << f << "\n" << out;
    }
}

}  // namespace
