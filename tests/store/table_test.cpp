// The work area: records, memos, navigation, orders, selections, pack, zap, locks and index state.
#include "Table.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>

using namespace addrova::store;
using addrova::test::TempDir;

namespace {

const std::vector<FieldSpec> kPeople = {
    {"LNAME", 'C', 20, 0}, {"FNAME", 'C', 15, 0}, {"ZIP", 'C', 10, 0}, {"AGE", 'N', 3, 0},
    {"PAID", 'N', 8, 2},   {"ISDEL", 'L', 1, 0},  {"BORN", 'D', 8, 0}, {"MEMO", 'M', 10, 0},
};

struct Person {
    const char* lname;
    const char* fname;
    const char* zip;
    int age;
};

const Person kRows[] = {
    {"Smith", "John", "62701", 40}, {"brown", "Anne", "10001", 31}, {"Smithers", "Waylon", "62702", 55},
    {"Adams", "Zoe", "00312", 22},  {"SMITH", "Alice", "90210", 28}, {"Baker", "Carl", "62701", 67},
};

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A table of the six people above, with memos on the even records.
std::string makePeople(const TempDir& dir, const char* name = "PEOPLE.DBF") {
    std::string path = dir.file(name);
    Table::create(path, kPeople);
    Table t;
    t.open(path);
    int i = 0;
    for (const auto& p : kRows) {
        t.appendBlank();
        t.setString("LNAME", p.lname);
        t.setString("FNAME", p.fname);
        t.setString("ZIP", p.zip);
        t.setNumber(t.fieldIndex("AGE"), p.age);
        t.setLogical(t.fieldIndex("ISDEL"), false);
        t.setString("BORN", "19800101");
        if (++i % 2 == 0) t.setMemo("MEMO", std::string("Memo of ") + p.fname + "\r\nsecond line");
        t.post();
    }
    t.close();
    return path;
}

std::vector<uint32_t> walk(Table& t) {
    std::vector<uint32_t> out;
    for (bool ok = t.goTop(); ok; ok = t.skip()) out.push_back(t.recNo());
    return out;
}

std::vector<uint32_t> walkBack(Table& t) {
    std::vector<uint32_t> out;
    for (bool ok = t.goBottom(); ok; ok = t.skip(-1)) out.push_back(t.recNo());
    return out;
}

using Recs = std::vector<uint32_t>;

TEST(TableRecords, CreateAppendReadBack) {
    TempDir dir;
    std::string path = makePeople(dir);
    std::string bytes = readFile(path);
    ASSERT_GT(bytes.size(), 32u);
    EXPECT_EQ(static_cast<uint8_t>(bytes[0]), 0xF5);
    EXPECT_EQ(static_cast<uint8_t>(bytes[4]), 6);   // record count
    EXPECT_EQ(static_cast<uint8_t>(bytes[29]), 0x03);  // Windows-1252
    EXPECT_EQ(bytes.back(), '\x1A');

    Table t;
    t.open(path, OpenMode::ReadOnly);
    EXPECT_EQ(t.recCount(), 6u);
    ASSERT_TRUE(t.go(2));
    EXPECT_EQ(t.getString("LNAME"), "brown");
    EXPECT_EQ(t.getString("AGE"), "31");
    EXPECT_EQ(t.getString("PAID"), "");
    EXPECT_EQ(t.getString("BORN"), "19800101");
    EXPECT_EQ(t.getMemo("MEMO"), "Memo of Anne\r\nsecond line");
    EXPECT_EQ(t.getMemo("memo"), "Memo of Anne\r\nsecond line");  // names ignore case
    ASSERT_TRUE(t.go(1));
    EXPECT_TRUE(t.memoEmpty("MEMO"));
    EXPECT_THROW(t.setString("LNAME", "x"), Error);  // read only
}

TEST(TableRecords, EditsAndMemoRewrites) {
    TempDir dir;
    std::string path = makePeople(dir);
    {
        Table t;
        t.open(path);
        ASSERT_TRUE(t.go(2));
        t.setString("FNAME", "Annabel");
        t.setMemo("MEMO", std::string(5000, 'x'));
        t.post();
        ASSERT_TRUE(t.go(3));
        t.setString("ZIP", "99999");
        t.go(1);  // moving on saves the pending change
        ASSERT_TRUE(t.go(4));
        t.setString("ZIP", "11111");
        t.cancel();
        EXPECT_EQ(t.getString("ZIP"), "00312");
        EXPECT_THROW(t.setNumber(t.fieldIndex("AGE"), 12345), Error);  // does not fit N(3)
    }
    Table t;
    t.open(path, OpenMode::ReadOnly);
    t.go(2);
    EXPECT_EQ(t.getString("FNAME"), "Annabel");
    EXPECT_EQ(t.getMemo("MEMO"), std::string(5000, 'x'));
    t.go(3);
    EXPECT_EQ(t.getString("ZIP"), "99999");
    t.go(4);
    EXPECT_EQ(t.getString("ZIP"), "00312");
}

TEST(TableNavigation, EndsAndFlags) {
    TempDir dir;
    Table t;
    t.open(makePeople(dir));
    ASSERT_TRUE(t.goTop());
    EXPECT_FALSE(t.bof());
    EXPECT_FALSE(t.skip(-1));
    EXPECT_TRUE(t.bof());
    EXPECT_EQ(t.recNo(), 1u);
    ASSERT_TRUE(t.goBottom());
    EXPECT_EQ(t.recNo(), 6u);
    EXPECT_FALSE(t.skip());
    EXPECT_TRUE(t.eof());
    EXPECT_EQ(t.recNo(), 7u);
    EXPECT_EQ(t.getString("LNAME"), "");
    EXPECT_TRUE(t.skip(-1));  // back from the end to the last record
    EXPECT_EQ(t.recNo(), 6u);
    EXPECT_TRUE(t.skip(-3));
    EXPECT_EQ(t.recNo(), 3u);
    EXPECT_FALSE(t.go(99));
    EXPECT_TRUE(t.eof());
}

TEST(TableNavigation, DeletedRecordsAndSelections) {
    TempDir dir;
    Table t;
    t.open(makePeople(dir));
    t.go(2);
    t.deleteRecord();
    EXPECT_TRUE(t.deleted());
    EXPECT_EQ(walk(t), (Recs{1, 3, 4, 5, 6}));
    t.setDeleted(false);
    EXPECT_EQ(walk(t).size(), 6u);
    t.setDeleted(true);

    t.setSelection("UPPER(LNAME)=\"SM\" .and. !ISDEL");
    EXPECT_EQ(t.selection(), "UPPER(LNAME)=\"SM\" .and. !ISDEL");
    EXPECT_EQ(walk(t), (Recs{1, 3, 5}));
    EXPECT_EQ(walkBack(t), (Recs{5, 3, 1}));
    EXPECT_EQ(t.countSelected(), 3u);
    t.setExact(true);
    EXPECT_EQ(t.countSelected(), 0u);  // whole values compared
    t.setExact(false);
    t.setSelection("");
    EXPECT_EQ(t.countSelected(), 5u);
    t.go(4);
    EXPECT_TRUE(t.test("ZIP = \"003\" .and. AGE < 30"));
    EXPECT_THROW(t.setSelection("LNAME"), Error);        // not a condition
    EXPECT_THROW(t.setSelection("LNAME = = 1"), ExprError);

    t.go(2);
    t.recall();
    EXPECT_EQ(t.countSelected(), 6u);
}

TEST(TableOrders, TagsAreMaintainedAndSeekable) {
    TempDir dir;
    std::string path = makePeople(dir);
    Table t;
    t.open(path);
    t.createTag("LNAME", "UPPER(LNAME)+UPPER(FNAME)");
    t.createTag("ZIP", "UPPER(ZIP)");
    t.createTag("AGE", "AGE");
    t.createTag("DELETED", "DELETED()");
    EXPECT_EQ(t.orderCount(), 4);
    EXPECT_EQ(t.tagArea("zip"), 2);
    EXPECT_EQ(t.tagArea("NOPE"), 0);
    EXPECT_EQ(t.orderInfo(1).keyLength, 35);

    t.setOrder("LNAME");
    EXPECT_EQ(walk(t), (Recs{4, 6, 2, 5, 1, 3}));  // ADAMS BAKER BROWN SMITH ALICE, SMITH JOHN, SMITHERS
    EXPECT_EQ(walkBack(t), (Recs{3, 1, 5, 2, 6, 4}));

    // A post that changes the key moves the record; an append lands in its place.
    t.go(4);
    t.setString("LNAME", "Zed");
    t.post();
    t.appendBlank();
    t.setString("LNAME", "Carter");
    t.setString("ZIP", "62701");
    t.post();
    EXPECT_EQ(t.recNo(), 7u);
    EXPECT_EQ(walk(t), (Recs{6, 2, 7, 5, 1, 3, 4}));

    // Skipping on from the current record follows the order.
    ASSERT_TRUE(t.seek("BROWN"));
    EXPECT_EQ(t.recNo(), 2u);
    ASSERT_TRUE(t.skip());
    EXPECT_EQ(t.recNo(), 7u);

    EXPECT_TRUE(t.seek("SMITH"));
    EXPECT_TRUE(t.found());
    EXPECT_EQ(t.recNo(), 5u);
    EXPECT_FALSE(t.seek("SMYTHE"));
    EXPECT_TRUE(t.eof());
    t.setSoftSeek(true);
    EXPECT_FALSE(t.seek("SMITHERS WAYLONX"));
    EXPECT_EQ(t.getString("LNAME"), "Zed");  // soft seek stops at the next higher key
    EXPECT_TRUE(t.seek("CA"));               // a prefix of CARTER
    EXPECT_TRUE(t.found());
    EXPECT_FALSE(t.seek("D"));
    EXPECT_FALSE(t.found());
    EXPECT_EQ(t.getString("LNAME"), "SMITH");
    EXPECT_FALSE(t.seek("ZZZ"));
    EXPECT_TRUE(t.eof());
    t.setSoftSeek(false);
    t.setExact(true);
    EXPECT_FALSE(t.seek("SMITH"));  // the whole key is padded with blanks
    t.setExact(false);

    t.setOrder("AGE");
    EXPECT_TRUE(t.seek(55.0));
    EXPECT_EQ(t.recNo(), 3u);
    EXPECT_TRUE(t.seek("28"));
    EXPECT_EQ(t.recNo(), 5u);

    // Deleting changes DELETED() keys; hidden records are skipped in every order.
    t.go(1);
    t.deleteRecord();
    t.setOrder("DELETED");
    t.setDeleted(false);
    EXPECT_EQ(walk(t).back(), 1u);
    t.setDeleted(true);
    t.setOrder("ZIP");
    EXPECT_EQ(walk(t), (Recs{4, 2, 6, 7, 3, 5}));
    t.setOrder(0);
    EXPECT_EQ(walk(t), (Recs{2, 3, 4, 5, 6, 7}));
    EXPECT_THROW(t.setOrder("NOPE"), Error);
    t.close();

    // What was maintained is what a rebuild gives.
    Table again;
    again.open(path);
    EXPECT_EQ(again.indexState(), IndexState::Ok);
    again.setOrder("ZIP");
    Recs before = walk(again);
    again.reindex();
    again.setOrder("ZIP");
    EXPECT_EQ(walk(again), before);
}

TEST(TableOrders, ForUniqueDescendingAndScope) {
    TempDir dir;
    Table t;
    t.open(makePeople(dir));
    t.createTag("ZIPU", "ZIP", {"", true, false});
    EXPECT_EQ(walk(t), (Recs{4, 2, 1, 3, 5}));  // 62701 once, for record 1
    t.createTag("OLD", "LNAME", {"AGE >= 40", false, false});
    EXPECT_EQ(walk(t), (Recs{6, 1, 3}));
    t.go(4);
    t.setNumber(t.fieldIndex("AGE"), 90);  // enters the FOR condition
    t.post();
    t.setOrder("OLD");
    EXPECT_EQ(walk(t), (Recs{4, 6, 1, 3}));
    t.createTag("AGED", "AGE", {"", false, true});
    EXPECT_EQ(walk(t), (Recs{4, 6, 3, 1, 2, 5}));
    t.createTag("ZIP", "ZIP");
    t.setScope("627", "627");
    EXPECT_EQ(walk(t), (Recs{1, 6, 3}));
    EXPECT_EQ(walkBack(t), (Recs{3, 6, 1}));
    EXPECT_EQ(t.countSelected(), 3u);
    t.clearScope();
    EXPECT_EQ(t.countSelected(), 6u);
}

TEST(TableOrders, ScratchIndexShowsOnlyAddedRecords) {
    TempDir dir;
    Table t;
    t.open(makePeople(dir));
    t.createTag("LNAME", "UPPER(LNAME)");
    std::string idx = dir.file("_chkdup.idx");
    t.createScratchIndex(idx, "UPPER(LNAME)");
    for (uint32_t r : {5u, 2u, 3u}) {
        t.go(r);
        t.keyAdd();
    }
    EXPECT_EQ(t.order(), 2);
    EXPECT_EQ(t.orderFile(2), idx);
    EXPECT_EQ(walk(t), (Recs{2, 5, 3}));
    EXPECT_TRUE(t.seek("SMITHERS"));
    t.closeScratchIndex();
    EXPECT_EQ(t.order(), 0);
    EXPECT_FALSE(std::ifstream(idx).good());
    EXPECT_EQ(walk(t).size(), 6u);
}

TEST(TablePack, DropsMarkedRecordsAndCompactsMemos) {
    TempDir dir;
    std::string path = makePeople(dir);
    {
        Table t;
        t.open(path);
        t.createTag("LNAME", "UPPER(LNAME)");
        // Rewrite a memo several times: old blocks become garbage.
        t.go(4);
        for (int i = 0; i < 20; ++i) {
            t.setMemo("MEMO", std::string(600, static_cast<char>('a' + i)));
            t.post();
        }
        for (uint32_t r : {1u, 2u}) {
            t.go(r);
            t.deleteRecord();
        }
        t.go(3);
        t.setLogical(t.fieldIndex("ISDEL"), true);  // the program's own mark survives a pack
        t.post();
    }
    size_t memoBefore = readFile(dir.file("PEOPLE.FPT")).size();
    std::vector<int> progress;
    Table t;
    t.open(path);
    t.pack([&](int p) { progress.push_back(p); });
    EXPECT_EQ(t.recCount(), 4u);
    EXPECT_LT(readFile(dir.file("PEOPLE.FPT")).size(), memoBefore / 4);
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), 100);
    t.setOrder("LNAME");
    std::vector<std::string> names;
    for (bool ok = t.goTop(); ok; ok = t.skip()) names.push_back(t.getString("LNAME"));
    EXPECT_EQ(names, (std::vector<std::string>{"Adams", "Baker", "SMITH", "Smithers"}));
    ASSERT_TRUE(t.seek("ADAMS"));
    EXPECT_EQ(t.getMemo("MEMO"), std::string(600, 'a' + 19));
    ASSERT_TRUE(t.seek("BAKER"));
    EXPECT_EQ(t.getMemo("MEMO"), "Memo of Carl\r\nsecond line");
    t.close();
    EXPECT_FALSE(std::ifstream(path + ".packing").good());
    EXPECT_FALSE(std::ifstream(path + ".pack-commit").good());

    Table z;
    z.open(path);
    z.zap();
    EXPECT_EQ(z.recCount(), 0u);
    EXPECT_FALSE(z.goTop());
    z.appendBlank();
    z.setString("LNAME", "Only");
    z.post();
    z.setOrder("LNAME");
    EXPECT_EQ(walk(z), (Recs{1}));
}

TEST(TablePack, InterruptedPackIsCompletedOnOpen) {
    TempDir dir;
    std::string path = makePeople(dir);
    std::string other = makePeople(dir, "OTHER.DBF");
    {
        Table t;
        t.open(other);
        t.go(1);
        t.deleteRecord();
        t.pack();
    }
    // A pack that died after writing both new files and the commit marker.
    std::ofstream(path + ".packing", std::ios::binary) << readFile(other);
    std::ofstream(dir.file("PEOPLE.FPT.packing"), std::ios::binary) << readFile(dir.file("OTHER.FPT"));
    std::ofstream(path + ".pack-commit") << "";
    Table t;
    t.open(path);
    EXPECT_EQ(t.recCount(), 5u);
    t.go(1);
    EXPECT_EQ(t.getMemo("MEMO"), "Memo of Anne\r\nsecond line");
    t.close();
    // Without the marker the leftovers are discarded.
    std::ofstream(path + ".packing") << "garbage";
    t.open(path);
    EXPECT_EQ(t.recCount(), 5u);
    EXPECT_FALSE(std::ifstream(path + ".packing").good());
}

TEST(TableFiles, LocksAndReadOnlyOpens) {
    TempDir dir;
    std::string path = makePeople(dir);
    Table a, b;
    a.open(path);
    EXPECT_THROW(b.open(path), LockError);
    EXPECT_THROW(b.open(path, OpenMode::ReadOnly), LockError);
    a.close();
    std::string before = readFile(path);
    b.open(path, OpenMode::ReadOnly);
    Table c;
    c.open(path, OpenMode::ReadOnly);  // shared readers
    EXPECT_THROW(a.open(path), LockError);
    walk(b);
    b.close();
    c.close();
    EXPECT_EQ(readFile(path), before);
    try {
        Table d;
        d.open(dir.file("NOPE.DBF"));
        FAIL();
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("NOPE.DBF"), std::string::npos);
    }
}

TEST(TableFiles, CopyStructureGivesAnEmptyTwin) {
    TempDir dir;
    Table t;
    t.open(makePeople(dir));
    t.copyStructure(dir.file("COPY.DBF"));
    Table c;
    c.open(dir.file("COPY.DBF"));
    EXPECT_EQ(c.recCount(), 0u);
    ASSERT_EQ(c.fields().size(), t.fields().size());
    for (size_t i = 0; i < c.fields().size(); ++i) {
        EXPECT_EQ(c.fields()[i].name, t.fields()[i].name);
        EXPECT_EQ(c.fields()[i].width, t.fields()[i].width);
    }
    EXPECT_THROW(Table::create(dir.file("BAD.DBF"), std::vector<FieldSpec>{{"1X", 'C', 5, 0}}), Error);
    EXPECT_THROW(Table::create(dir.file("BAD.DBF"), std::vector<FieldSpec>{{"A", 'C', 0, 0}}), Error);
    EXPECT_THROW(Table::create(dir.file("BAD.DBF"), std::vector<FieldSpec>{{"A", 'C', 5, 0}, {"a", 'N', 5, 0}}), Error);
}

TEST(TableIndexState, StaleIndexesAreReportedNotUsed) {
    TempDir dir;
    std::string path = makePeople(dir);
    {
        Table t;
        t.open(path);
        t.createTag("LNAME", "UPPER(LNAME)");
        t.createTag("ZIP", "ZIP");
    }
    std::string cdx = readFile(dir.file("PEOPLE.CDX"));
    std::string dbf = readFile(path);

    // Another program appended a record without touching the index.
    {
        DbfFile f;
        f.open(path, true);
        std::vector<uint8_t> rec(f.recordLength(), ' ');
        f.appendRecord(rec.data());
    }
    Table t;
    t.open(path);
    EXPECT_EQ(t.indexState(), IndexState::Stale);
    EXPECT_NE(t.indexProblem().find("PEOPLE.CDX"), std::string::npos);
    EXPECT_EQ(t.orderCount(), 0);
    EXPECT_EQ(t.tagArea("LNAME"), 0);
    t.reindex();
    EXPECT_EQ(t.indexState(), IndexState::Ok);
    EXPECT_EQ(t.tagArea("ZIP"), 2);
    t.setOrder("LNAME");
    EXPECT_EQ(walk(t).size(), 7u);
    t.close();

    // A writer that died with the index open leaves it marked, and the mark is honoured.
    std::ofstream(path, std::ios::binary) << dbf;
    std::string dirty = cdx;
    std::ofstream(dir.file("PEOPLE.CDX"), std::ios::binary) << dirty;
    t.open(path);
    EXPECT_EQ(t.indexState(), IndexState::Ok);
    t.go(1);
    t.setString("LNAME", "Changed");
    t.post();
    std::string midway = readFile(dir.file("PEOPLE.CDX"));
    t.close();
    std::ofstream(dir.file("PEOPLE.CDX"), std::ios::binary) << midway;
    t.open(path);
    EXPECT_EQ(t.indexState(), IndexState::Stale);
    t.close();

    // A truncated index file.
    std::ofstream(dir.file("PEOPLE.CDX"), std::ios::binary) << cdx.substr(0, 700);
    std::ofstream(path, std::ios::binary) << dbf;
    t.open(path);
    EXPECT_EQ(t.indexState(), IndexState::Stale);
    t.close();

    // A missing one, while the table says it has one.
    std::remove(dir.file("PEOPLE.CDX").c_str());
    t.open(path);
    EXPECT_EQ(t.indexState(), IndexState::Missing);
}

// Damage a writer killed in the middle of writing the index can leave, or worse. An index that has
// lost tags is never reported consistent; reindex brings back every tag it still tells, and refuses
// (the index staying reported) when it no longer tells them all.
struct IndexDamage {
    const char* what;
    void (*damage)(const std::string& cdxPath);
    bool tagsReadable;
};

void PrintTo(const IndexDamage& d, std::ostream* os) { *os << d.what; }

// Offset of the tag header whose key expression is expr (our files keep it first in the pool).
size_t tagHeaderOf(const std::string& cdx, const std::string& expr) {
    size_t at = cdx.find(expr + std::string(1, '\0'));
    EXPECT_NE(at, std::string::npos);
    return at - 512;
}

void patchFile(const std::string& path, const std::function<void(std::string&)>& change) {
    std::string bytes = readFile(path);
    change(bytes);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

void markDirty(std::string& cdx) { cdx[484] = 2; }

const IndexDamage kIndexDamage[] = {
    {"a tag root past the end of the file",
     [](const std::string& path) {
         patchFile(path, [](std::string& b) {
             size_t h = tagHeaderOf(b, "ZIP");
             uint32_t past = static_cast<uint32_t>(b.size() + 4096);
             for (int i = 0; i < 4; ++i) b[h + size_t(i)] = static_cast<char>(past >> (8 * i));
             markDirty(b);
         });
     },
     true},
    {"a tag root past the end, stamp left clean",
     [](const std::string& path) {
         patchFile(path, [](std::string& b) {
             size_t h = tagHeaderOf(b, "UPPER(LNAME)");
             for (int i = 0; i < 4; ++i) b[h + size_t(i)] = static_cast<char>(0xFF);
         });
     },
     true},
    {"an unreadable tag header",
     [](const std::string& path) {
         patchFile(path, [](std::string& b) {
             size_t h = tagHeaderOf(b, "ZIP");
             b[h + 12] = b[h + 13] = 0;  // key length
             markDirty(b);
         });
     },
     false},
    {"a tag gone from the directory",
     [](const std::string& path) {
         CompactIndex cdx;
         cdx.open(path, true);
         cdx.removeTag("ZIP");
         cdx.close();
     },
     false},
    {"a truncated file", [](const std::string& path) { patchFile(path, [](std::string& b) { b.resize(700); }); },
     false},
};

class TableIndexDamage : public ::testing::TestWithParam<IndexDamage> {};

TEST_P(TableIndexDamage, LostTagsAreNeverReportedOk) {
    TempDir dir;
    std::string path = makePeople(dir);
    {
        Table t;
        t.open(path);
        t.createTag("LNAME", "UPPER(LNAME)");
        t.createTag("ZIP", "ZIP");
    }
    GetParam().damage(dir.file("PEOPLE.CDX"));
    Table t;
    t.open(path);
    ASSERT_EQ(t.indexState(), IndexState::Stale) << t.indexProblem();
    if (GetParam().tagsReadable) {
        t.reindex();
        EXPECT_EQ(t.indexState(), IndexState::Ok);
        EXPECT_EQ(t.tagArea("LNAME"), 1);
        EXPECT_EQ(t.tagArea("ZIP"), 2);
        t.setOrder("ZIP");
        EXPECT_EQ(walk(t), (Recs{4, 2, 1, 6, 3, 5}));
    } else {
        EXPECT_NE(t.indexProblem().find("definitions of its tags"), std::string::npos) << t.indexProblem();
        EXPECT_THROW(t.reindex(), Error);
        EXPECT_EQ(t.indexState(), IndexState::Stale);
        // Creating the lost tag again keeps the ones that could be read.
        t.createTag("ZIP", "ZIP");
        EXPECT_EQ(t.indexState(), IndexState::Ok);
        EXPECT_EQ(walk(t), (Recs{4, 2, 1, 6, 3, 5}));
    }
    t.close();
    t.open(path);
    EXPECT_EQ(t.indexState(), IndexState::Ok) << t.indexProblem();
    EXPECT_GT(t.tagArea("ZIP"), 0);
}

INSTANTIATE_TEST_SUITE_P(Damage, TableIndexDamage, ::testing::ValuesIn(kIndexDamage),
                         [](const ::testing::TestParamInfo<IndexDamage>& info) {
                             std::string name;
                             for (const char* c = info.param.what; *c; ++c)
                                 if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
                             return name;
                         });

struct CorpusIndex {
    const char* file;
    IndexState state;
};

class CorpusIndexState : public ::testing::TestWithParam<CorpusIndex> {};

TEST_P(CorpusIndexState, ForeignIndexesAreCheckedAgainstTheirTables) {
    Table t;
    t.open(addrova::test::corpus(GetParam().file), OpenMode::ReadOnly);
    EXPECT_EQ(t.indexState(), GetParam().state) << t.indexProblem();
}

INSTANTIATE_TEST_SUITE_P(
    Files, CorpusIndexState,
    ::testing::Values(CorpusIndex{"codebase/examples-DATA/STUDENT.DBF", IndexState::Ok},
                      CorpusIndex{"codebase/examples-DATA/INFO.DBF", IndexState::Ok},
                      CorpusIndex{"infused-dbf/foxprodb/calls.dbf", IndexState::Ok},
                      CorpusIndex{"javadbf/foxpro-xsource/foxref_ref.dbf", IndexState::Ok},
                      CorpusIndex{"harbour/dados/cotacao.dbf", IndexState::Ok},
                      CorpusIndex{"php-xbase/foxpro/issue115.dbf", IndexState::Stale},
                      CorpusIndex{"codebase/examples-DATA/EXAMPLE.DBF", IndexState::Stale},
                      CorpusIndex{"infused-dbf/dbase_30.dbf", IndexState::Missing},
                      CorpusIndex{"harbour/test.dbf", IndexState::None}));

TEST(TableIndexState, ForeignOrdersWalkAsStored) {
    Table t;
    t.open(addrova::test::corpus("codebase/examples-DATA/STUDENT.DBF"), OpenMode::ReadOnly);
    t.setOrder("STU_AGE");
    double last = -1;
    int n = 0;
    for (bool ok = t.goTop(); ok; ok = t.skip(), ++n) {
        double age = t.getNumber(t.fieldIndex("AGE"));
        EXPECT_GE(age, last);
        last = age;
    }
    EXPECT_EQ(n, 18);

    Table h;
    h.open(addrova::test::corpus("harbour/test.dbf"), OpenMode::ReadOnly);
    h.openNtx(addrova::test::corpus("harbour/test1.ntx"));
    std::string prev;
    n = 0;
    for (bool ok = h.goTop(); ok; ok = h.skip(), ++n) {
        std::string last = h.getString("LAST");
        EXPECT_LE(prev, last);
        prev = last;
    }
    EXPECT_EQ(n, 500);
    ASSERT_TRUE(h.seek("Simpson"));
    EXPECT_EQ(h.getString("LAST").substr(0, 7), "Simpson");
}

}  // namespace

namespace {

// Writing into a Visual FoxPro table keeps its integer-keyed candidate tag unique and consistent.
TEST(TableIndexState, CandidateKeysOfForeignTablesStayUnique) {
    TempDir dir;
    std::string path = dir.copyCorpus("infused-dbf/foxprodb/calls.dbf");
    dir.copyCorpus("infused-dbf/foxprodb/calls.CDX");
    dir.copyCorpus("infused-dbf/foxprodb/calls.FPT");
    Table t;
    t.open(path);
    ASSERT_EQ(t.indexState(), IndexState::Ok) << t.indexProblem();
    t.appendBlank();
    t.setNumber(t.fieldIndex("CALL_ID"), 3);
    t.setString("SUBJECT", "again");
    EXPECT_THROW(t.post(), Error);
    t.setNumber(t.fieldIndex("CALL_ID"), 1000);
    t.post();
    EXPECT_EQ(t.recCount(), 17u);
    t.setOrder("CALL_ID");
    EXPECT_TRUE(t.seek(1000.0));
    EXPECT_EQ(t.recNo(), 17u);
    ASSERT_TRUE(t.goBottom());
    EXPECT_EQ(t.recNo(), 17u);
    t.close();
    t.open(path, OpenMode::ReadOnly);
    EXPECT_EQ(t.indexState(), IndexState::Ok) << t.indexProblem();
}

}  // namespace

namespace {

TEST(TableRecords, BatchAppendsAreReadableBeforeTheyAreWritten) {
    TempDir dir;
    std::string path = dir.file("BATCH.DBF");
    Table::create(path, kPeople);
    Table t;
    t.open(path);
    t.createTag("ZIP", "ZIP");
    t.beginBatch();
    for (int i = 1; i <= 5000; ++i) {
        t.appendBlank();
        t.setString("LNAME", "Name" + std::to_string(i));
        t.setString("ZIP", std::to_string(100000 - i));
        if (i % 7 == 0) t.setMemo("MEMO", "memo " + std::to_string(i));
        t.post();
        if (i == 4990) {
            // Records and memos still in memory read back, and can be changed.
            ASSERT_TRUE(t.go(4984));
            EXPECT_EQ(t.getString("LNAME"), "Name4984");
            EXPECT_EQ(t.getMemo("MEMO"), "memo 4984");
            t.setString("LNAME", "Changed");
            t.post();
        }
    }
    EXPECT_EQ(t.recCount(), 5000u);
    t.setOrder("ZIP");
    ASSERT_TRUE(t.goTop());
    EXPECT_EQ(t.getString("LNAME"), "Name5000");
    t.endBatch();
    t.close();

    std::string bytes = readFile(path);
    EXPECT_EQ(bytes.back(), '\x1A');
    t.open(path, OpenMode::ReadOnly);
    EXPECT_EQ(t.indexState(), IndexState::Ok);
    EXPECT_EQ(t.recCount(), 5000u);
    ASSERT_TRUE(t.go(4984));
    EXPECT_EQ(t.getString("LNAME"), "Changed");
    EXPECT_EQ(t.getMemo("MEMO"), "memo 4984");
    ASSERT_TRUE(t.go(4998));
    EXPECT_EQ(t.getMemo("MEMO"), "memo 4998");
    ASSERT_TRUE(t.go(3));
    EXPECT_TRUE(t.memoEmpty("MEMO"));
}

}  // namespace
