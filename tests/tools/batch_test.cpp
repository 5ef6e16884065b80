// The maintenance verbs of addrova-batch, run as the user runs them.

#include "AddressFile.h"
#include "Table.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace addrova;

namespace {

class ToolVerbs : public ::testing::Test {
protected:
    test::TempDir dir;
    std::string path = dir.file("LIST.DBF");

    void SetUp() override
    {
        ASSERT_EQ(store::createAddressFile(path, store::defaultWidths()), "");
        store::Table t;
        ASSERT_EQ(store::openAddressFile(path, t), "");
        const char* rows[][4] = {{"smith", "ann", "12 Main St", "55555"},
                                 {"Smyth", "Andy", "12 Main Street", "55555"},
                                 {"o'neil", "jon", "1 st St", "10001"},
                                 {"Brown", "Jane", "", "10001"}};
        for (auto& r : rows) {
            t.appendBlank();
            t.setString("LNAME", r[0]);
            t.setString("FNAME", r[1]);
            t.setString("STREET", r[2]);
            t.setString("ZIP", r[3]);
            t.setLogical("ISDEL", false);
            t.post();
        }
    }

    std::string batch(const std::string& args, int* status)
    {
        return test::run("ADDROVA_HOME='" + dir.file("home") + "' '" ADDROVA_BATCH_PATH "' " + args + " 2>&1", status);
    }

    std::string field(uint32_t recno, const char* name)
    {
        store::Table t;
        EXPECT_EQ(store::openAddressFile(path, t), "");
        t.go(recno);
        return t.getString(name);
    }
};

}  // namespace

TEST_F(ToolVerbs, DuplicatesListsThePairs)
{
    int status = 0;
    std::string out = batch("duplicates " + path + " --kind soundex", &status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_EQ(out, "1\tsmith, ann\t12 Main St\t55555\n2\tSmyth, Andy\t12 Main Street\t55555\nFound 1 possible duplicates\n");
    out = batch("duplicates " + path + " --kind street:7", &status);
    EXPECT_NE(out.find("Found 1 possible duplicates"), std::string::npos) << out;
    out = batch("duplicates " + path + " --kind name", &status);
    EXPECT_EQ(out, "Found 0 possible duplicates\n");
    EXPECT_FALSE(std::filesystem::exists(dir.file("home/_chkdup.idx")));
    out = batch("duplicates " + path + " --kind street:31", &status);
    EXPECT_EQ(status, 2) << out;
}

TEST_F(ToolVerbs, ConvertReplaceDeleteWithSafetyCopies)
{
    int status = 0;
    std::string out = batch("convert-case " + path + " --fields LNAME,FNAME --to capitalized --filter 'ZIP = \"1\"'",
                            &status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_NE(out.find("Converted 2 records\nA safety copy was saved as " + dir.file("LIST_")), std::string::npos)
        << out;
    EXPECT_EQ(field(3, "LNAME"), "O'neil");
    EXPECT_EQ(field(1, "LNAME"), "smith");

    out = batch("replace " + path + " --field STREET --contains st --ignore-case --replace-match Street", &status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_NE(out.find("Replaced 3 records\nReplacement done\n"), std::string::npos) << out;
    EXPECT_EQ(field(3, "STREET"), "1 Street Street");
    EXPECT_EQ(field(2, "STREET"), "12 Main Streetreet");  // the St of Street matches as well

    out = batch("replace " + path + " --field TITLE --equals '' --set Dr --no-safety-copy", &status);
    EXPECT_NE(out.find("Replaced 4 records"), std::string::npos) << out;
    EXPECT_EQ(out.find("safety copy"), std::string::npos) << out;

    out = batch("delete " + path + " --not-filter 'ZIP = \"5\"'", &status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_NE(out.find("Deleted 2 records\nFor optimum space usage, please select\n[Rebuild Indexes] from the File menu\n"),
              std::string::npos)
        << out;
    out = batch("delete " + path + " --filter 'LNAME = ' ", &status);
    EXPECT_NE(status, 0) << out;
    out = batch("delete " + path + " --all", &status);
    EXPECT_NE(out.find("Deleted 2 records"), std::string::npos) << out;
    {
        store::Table t;
        ASSERT_EQ(store::openAddressFile(path, t), "");
        EXPECT_EQ(t.recCount(), 0u);
    }
    // Four copies (the replacement without one), each whole: the first still has every record as it was.
    int copies = 0;
    std::string first;
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        if (e.path().extension() == ".DBF" && e.path().filename() != "LIST.DBF") {
            ++copies;
            if (first.empty() || e.path().string() < first)
                first = e.path().string();
        }
    EXPECT_EQ(copies, 4);
    store::Table c;
    ASSERT_EQ(store::openAddressFile(first, c), "");
    EXPECT_EQ(c.indexState(), store::IndexState::Ok);
    EXPECT_EQ(c.recCount(), 4u);
    c.go(3);
    EXPECT_EQ(c.getString("LNAME"), "o'neil");
}

TEST_F(ToolVerbs, UsageErrors)
{
    const char* cases[] = {
        "convert-case FILE --fields LNAME --to title",
        "convert-case FILE --fields PHONE --to upper",
        "replace FILE --field LNAME --equals a --contains b --set c",
        "replace FILE --field LNAME --equals a",
        "replace FILE --field MEMO --equals a --set b",
        "delete FILE --all --filter 'x'",
        "duplicates FILE --kind phone",
    };
    for (std::string c : cases) {
        c.replace(c.find("FILE"), 4, path);
        int status = 0;
        std::string out = batch(c, &status);
        EXPECT_EQ(status, 2) << c << "\n" << out;
    }
}
