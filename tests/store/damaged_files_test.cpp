// Damaged and unusual files through the batch tool: every failure is named, and a failed writing
// verb leaves the files as they were.
#include "IndexFile.h"
#include "Table.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

using namespace addrova::store;
using addrova::test::run;
using addrova::test::TempDir;

namespace {

std::string batch(const std::string& args, int* status = nullptr) {
    return run(std::string(ADDROVA_BATCH_PATH) + " " + args, status);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::vector<std::string> listDir(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The offset of a tag's header page in a compound index.
uint32_t tagHeader(const std::string& cdx, const std::string& tag) {
    cdx::IndexFile f;
    f.open(cdx, false);
    for (size_t i = 0; i < f.tagCount(); ++i)
        if (f.tag(i).info().name == tag) return f.tag(i).headerOff;
    ADD_FAILURE() << "no tag " << tag;
    return 0;
}

}  // namespace

// A tag whose field turned into a memo cannot be rebuilt: pack and reindex fail, name the cause
// without the names of their work files, and leave every file byte for byte.
TEST(DamagedFiles, FailedPackAndReindexLeaveTheFiles) {
    TempDir dir;
    std::string path = dir.file("PEOPLE.DBF");
    Table::create(path, std::vector<FieldSpec>{{"LNAME", 'C', 20, 0}, {"NOTE", 'M', 10, 0}});
    {
        Table t;
        t.open(path);
        for (const char* n : {"Smith", "Brown", "Adams"}) {
            t.appendBlank();
            t.setString("LNAME", n);
            t.setMemo("NOTE", std::string("about ") + n);
            t.post();
        }
        t.go(2);
        t.deleteRecord();
        t.createTag("LNAME", "UPPER(LNAME)");
    }
    std::string dbf = readFile(path);
    ASSERT_EQ(dbf[32 + 11], 'C');
    dbf[32 + 11] = 'M';
    writeFile(path, dbf);
    const std::string cdx = readFile(dir.file("PEOPLE.CDX")), fpt = readFile(dir.file("PEOPLE.FPT"));
    const auto names = listDir(dir.path());

    for (const char* verb : {"pack", "reindex"}) {
        int status = 0;
        std::string err = batch(std::string(verb) + " " + path + " 2>&1 >/dev/null", &status);
        EXPECT_EQ(status, 1) << verb;
        EXPECT_NE(err.find("LNAME"), std::string::npos) << err;
        EXPECT_NE(err.find("bytes long"), std::string::npos) << err;
        EXPECT_EQ(err.find(".building"), std::string::npos) << err;
        EXPECT_EQ(err.find(".packing"), std::string::npos) << err;
        EXPECT_EQ(readFile(path), dbf) << verb;
        EXPECT_EQ(readFile(dir.file("PEOPLE.CDX")), cdx) << verb;
        EXPECT_EQ(readFile(dir.file("PEOPLE.FPT")), fpt) << verb;
        EXPECT_EQ(listDir(dir.path()), names) << verb;
    }

    // Mended, the same pack goes through and the rebuilt tag follows the new record numbers.
    dbf[32 + 11] = 'C';
    writeFile(path, dbf);
    int status = 0;
    EXPECT_EQ(batch("pack " + path, &status), "Packed: 1 records removed, 2 left\n");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(batch("dump " + path + " --order LNAME --fields LNAME"), "2\tAdams\n1\tSmith\n");
    EXPECT_EQ(listDir(dir.path()), names);
}

// An interior count or key length changed in one tag: check walks every tag and says so, ordered
// output is refused or right, and check --rebuild mends it.
TEST(DamagedFiles, CheckWalksEveryTag) {
    TempDir dir;
    std::string path = dir.file("ADDR.DBF");
    int status = -1;
    batch("demo " + path + " 2000 >/dev/null", &status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(batch("check " + path), "OK: 2000 records, 26 tags\n");
    const std::string right = batch("dump " + path + " --order LNAME --fields LNAME");
    const std::string cdxPath = dir.file("ADDR.CDX"), good = readFile(cdxPath);
    const uint32_t header = tagHeader(cdxPath, "LNAME");
    ASSERT_GT(header, 0u);
    uint32_t root = 0;
    std::memcpy(&root, good.data() + header, 4);

    struct Damage {
        const char* what;
        size_t at;
        std::string bytes;
    } cases[] = {
        {"key length", header + 12, std::string("\x0a\x00", 2)},
        {"interior count", root + 2, std::string("\x0a\x00", 2)},
        {"interior key", root + 12, "ZZZZ"},
        {"root pointer past the file", header, std::string("\x00\x00\x00\x7f", 4)},
    };
    for (const auto& c : cases) {
        std::string bad = good;
        bad.replace(c.at, c.bytes.size(), c.bytes);
        writeFile(cdxPath, bad);
        std::string err = batch("check " + path + " 2>&1 >/dev/null", &status);
        EXPECT_EQ(status, 1) << c.what;
        EXPECT_NE(err.find("is missing or invalid: the index file ADDR.CDX"), std::string::npos) << c.what << err;
        EXPECT_NE(err.find("addrova-batch check " + path + " --rebuild"), std::string::npos) << c.what << err;
        EXPECT_EQ(err.find("Rebuild now?"), std::string::npos) << err;
        EXPECT_EQ(readFile(cdxPath), bad) << c.what << ": check without --rebuild wrote";
        std::string ordered = batch("dump " + path + " --order LNAME --fields LNAME 2>/dev/null", &status);
        if (status == 0) {
            EXPECT_EQ(ordered, right) << c.what << ": ordered output came out wrong";
        }
    }
    std::string out = batch("check " + path + " --rebuild 2>/dev/null", &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out, "Rebuilt the indexes\nOK: 2000 records, 26 tags\n");
    EXPECT_EQ(batch("dump " + path + " --order LNAME --fields LNAME"), right);
}

// A record filed under a key its fields no longer give (here its name rewritten behind the index's
// back): ordered reading stops with the tag named instead of handing out records out of order.
TEST(DamagedFiles, RecordUnderAWrongKeyStopsOrderedReading) {
    TempDir dir;
    std::string path = dir.file("PEOPLE.DBF");
    Table::create(path, std::vector<FieldSpec>{{"LNAME", 'C', 10, 0}});
    {
        Table t;
        t.open(path);
        for (const char* n : {"Brown", "Adams", "Clark"}) {
            t.appendBlank();
            t.setString("LNAME", n);
            t.post();
        }
        t.createTag("LNAME", "UPPER(LNAME)");
    }
    std::string dbf = readFile(path);
    const size_t adams = dbf.find("Adams");
    ASSERT_NE(adams, std::string::npos);
    dbf.replace(adams, 5, "Zorro");
    writeFile(path, dbf);

    Table t;
    t.open(path, OpenMode::ReadOnly);
    t.setOrder("LNAME");
    try {
        for (bool ok = t.goTop(); ok; ok = t.skip(1)) {
        }
        ADD_FAILURE() << "walked a damaged order";
    } catch (const FormatError& e) {
        EXPECT_NE(std::string(e.what()).find("tag LNAME files record 2"), std::string::npos) << e.what();
    }
    EXPECT_THROW(t.seek("ADAMS"), FormatError);
    t.close();

    int status = 0;
    EXPECT_EQ(batch("dump " + path + " --order LNAME --fields LNAME 2>/dev/null", &status), "");
    EXPECT_EQ(status, 1);
    EXPECT_EQ(batch("dump " + path + " --fields LNAME"), "1\tBrown\n2\tZorro\n3\tClark\n");
    batch("reindex " + path, &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(batch("dump " + path + " --order LNAME --fields LNAME"), "1\tBrown\n3\tClark\n2\tZorro\n");
}

// Messages of the batch tool: causes, not the window's questions; the verb that mends things.
TEST(DamagedFiles, MessagesNameTheCauseAndTheRemedy) {
    TempDir dir;
    std::string path = dir.file("PEOPLE.DBF");
    Table::create(path, std::vector<FieldSpec>{{"LNAME", 'C', 20, 0}});
    {
        Table t;
        t.open(path);
        t.appendBlank();
        t.setString("LNAME", "Smith");
        t.post();
    }
    struct Case {
        std::string args;
        const char* message;
    } cases[] = {
        {"check " + path, "it has no field"},
        {"check " + dir.file("NONE.DBF"), "no such file"},
        {"count " + path + " --filter '1/0 > 1'", "division by zero"},
        {"count " + path + " --filter 'ZZ->LNAME = \"S\"'", "unknown alias ZZ"},
        {"count " + path + " --filter 'DELETED(1)'", "takes 0 arguments"},
        {"count " + path + " --filter 'RECNO(5) > 1'", "takes 0 arguments"},
        {"count " + path + " --filter 'LNAME @" + std::string(10000, 'x') + "'", "at position 7"},
    };
    for (const auto& c : cases) {
        int status = 0;
        std::string err = batch(c.args + " 2>&1 >/dev/null", &status);
        EXPECT_EQ(status, 1) << c.args.substr(0, 80);
        EXPECT_NE(err.find(c.message), std::string::npos) << c.args.substr(0, 80) << "\n" << err.substr(0, 300);
        EXPECT_LT(err.size(), 400u) << err.substr(0, 300);
        EXPECT_EQ(err.find("May not be a"), std::string::npos) << err;
    }
    EXPECT_EQ(batch("count " + path + " --filter 'PEOPLE->LNAME = \"S\"'"), "1\n");

    // A pack that stopped after its commit is completed by a writing open, which the message names.
    writeFile(path + ".pack-commit", "");
    int status = 0;
    std::string err = batch("dump " + path + " 2>&1 >/dev/null", &status);
    EXPECT_EQ(status, 1);
    EXPECT_NE(err.find("pack was interrupted"), std::string::npos) << err;
    EXPECT_NE(err.find("check"), std::string::npos) << err;
}

// Field names given in UTF-8 are found in a table of another code page.
TEST(DamagedFiles, FieldNamesInTheTablesCodePage) {
    TempDir dir;
    std::string path = dir.copyCorpus("javadbf/gbk.dbf");
    int status = -1;
    std::string out = batch("dump " + path + " --fields 设计编号,是否打印", &status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_FALSE(out.empty());
    std::string err = batch("dump " + path + " --fields 设计 2>&1 >/dev/null", &status);
    EXPECT_EQ(status, 1);
    EXPECT_NE(err.find("no field named 设计"), std::string::npos) << err;
}
