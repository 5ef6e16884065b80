// addrova-batch's table verbs, run as a user runs them.
#include "Table.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

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

// People with a memo on record 2, a deleted record 3, and Windows-1252 text on record 4.
std::string makeTable(const TempDir& dir) {
    std::string path = dir.file("PEOPLE.DBF");
    Table::create(path, std::vector<FieldSpec>{{"LNAME", 'C', 20, 0}, {"FNAME", 'C', 15, 0}, {"AGE", 'N', 3, 0},
                                               {"ISDEL", 'L', 1, 0}, {"MEMO", 'M', 10, 0}});
    Table t;
    t.open(path);
    const char* rows[][3] = {{"Smith", "John", "40"}, {"Brown", "Anne", "31"}, {"Smythe", "Gone", "50"},
                             {"M\xFCller", "J\xFCrgen", "44"}, {"smart", "Sam", "22"}};
    for (auto& r : rows) {
        t.appendBlank();
        t.setString("LNAME", r[0]);
        t.setString("FNAME", r[1]);
        t.setString("AGE", r[2]);
        t.setLogical(t.fieldIndex("ISDEL"), false);
        t.post();
    }
    t.go(2);
    t.setMemo("MEMO", "line one\r\nline\ttwo \\ end");
    t.post();
    t.go(3);
    t.deleteRecord();
    t.createTag("LNAME", "UPPER(LNAME)");
    t.createTag("AGE", "AGE");
    return path;
}

TEST(Batch, InfoListsFieldsCountAndTags) {
    TempDir dir;
    std::string path = makeTable(dir);
    int status = -1;
    std::string out = batch("info " + path, &status);
    EXPECT_EQ(status, 0);
    for (const char* want : {"Version: 0xF5", "Records: 5", "  LNAME C 20 0", "  AGE N 3 0", "  MEMO M 10 0",
                             "  LNAME: UPPER(LNAME)", "  AGE: AGE", "Code page: 1252"})
        EXPECT_NE(out.find(want), std::string::npos) << want << "\n" << out;
}

TEST(Batch, DumpFollowsOrderFilterFieldsAndDeleted) {
    TempDir dir;
    std::string path = makeTable(dir);
    struct Case {
        std::string args;
        std::string want;
    } cases[] = {
        {"", "1\tSmith\tJohn\t40\tF\t\n2\tBrown\tAnne\t31\tF\tline one\\nline\\ttwo \\\\ end\n"
             "4\tMüller\tJürgen\t44\tF\t\n5\tsmart\tSam\t22\tF\t\n"},
        {"--order LNAME --fields LNAME,AGE", "2\tBrown\t31\n4\tMüller\t44\n5\tsmart\t22\n1\tSmith\t40\n"},
        {"--order AGE --fields lname --deleted", "5\tsmart\n2\tBrown\n1\tSmith\n4\tMüller\n3\tSmythe\n"},
        {"--filter 'UPPER(LNAME)=\"SM\" .and. !ISDEL' --fields LNAME", "1\tSmith\n5\tsmart\n"},
        {"--filter 'LNAME = \"Müller\"' --fields FNAME", "4\tJürgen\n"},
    };
    for (const auto& c : cases) {
        int status = -1;
        EXPECT_EQ(batch("dump " + path + " " + c.args, &status), c.want) << c.args;
        EXPECT_EQ(status, 0) << c.args;
    }
}

TEST(Batch, CountSeekIndexPackReindex) {
    TempDir dir;
    std::string path = makeTable(dir);
    EXPECT_EQ(batch("count " + path), "4\n");
    EXPECT_EQ(batch("count " + path + " --filter 'AGE > 30'"), "3\n");
    EXPECT_EQ(batch("seek " + path + " --order LNAME BROWN"), "2\n");
    EXPECT_EQ(batch("seek " + path + " --order LNAME SMA"), "5\n");
    EXPECT_EQ(batch("seek " + path + " --order LNAME SN"), "not found\n");
    EXPECT_EQ(batch("seek " + path + " --order LNAME SN --soft"), "not found\n");  // nothing after SMITH
    EXPECT_EQ(batch("seek " + path + " --order LNAME C --soft"), "4\n");           // MÜLLER follows
    EXPECT_EQ(batch("seek " + path + " --order AGE 44"), "4\n");

    int status = -1;
    batch("index " + path + " FIRST 'UPPER(FNAME)'", &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(batch("dump " + path + " --order FIRST --fields FNAME"), "2\tAnne\n1\tJohn\n4\tJürgen\n5\tSam\n");
    batch("index " + path + " FIRST 'AGE' --descending", &status);  // replaces the tag
    EXPECT_EQ(status, 0);
    EXPECT_EQ(batch("dump " + path + " --order FIRST --fields AGE"), "4\t44\n1\t40\n2\t31\n5\t22\n");

    std::string out = batch("pack " + path, &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out, "Packed: 1 records removed, 4 left\n");
    EXPECT_EQ(batch("dump " + path + " --order LNAME --fields LNAME --deleted"), "2\tBrown\n3\tMüller\n4\tsmart\n1\tSmith\n");
    EXPECT_EQ(batch("reindex " + path, &status), "Rebuilt 3 tags\n");
    EXPECT_EQ(status, 0);
}

TEST(Batch, ErrorsGoToStderrAndReadOnlyVerbsWriteNothing) {
    TempDir dir;
    std::string path = makeTable(dir);
    std::string dbf = readFile(path), cdx = readFile(dir.file("PEOPLE.CDX")), fpt = readFile(dir.file("PEOPLE.FPT"));
    struct Case {
        std::string args;
        const char* message;
    } cases[] = {
        {"dump " + path + " --order NOPE", "no such tag"},
        {"dump " + path + " --filter 'LNAME ='", "Expression error"},
        {"dump " + path + " --fields LNAME,NOPE", "no field named NOPE"},
        {"count " + dir.file("MISSING.DBF"), "MISSING.DBF"},
        {"seek " + path + " BROWN", "--order"},
        {"seek " + path + " --order AGE abc", "not a number"},
        {"frobnicate " + path, "unknown verb"},
        {"dump", "missing arguments"},
        {"dump " + path + " --bogus", "unknown option"},
        {"compose " + path + " x2", "RECNO must be a whole number"},
        {"demo " + path + ".new 12abc", "N must be a whole number"},
    };
    for (const auto& c : cases) {
        int status = 0;
        std::string out = batch(c.args + " 2>&1 >/dev/null", &status);
        EXPECT_NE(status, 0) << c.args;
        EXPECT_NE(out.find(c.message), std::string::npos) << c.args << "\n" << out;
    }
    for (const char* verb : {"info", "dump", "count"}) batch(std::string(verb) + " " + path + " >/dev/null");
    batch("seek " + path + " --order LNAME SMITH >/dev/null");
    EXPECT_EQ(readFile(path), dbf);
    EXPECT_EQ(readFile(dir.file("PEOPLE.CDX")), cdx);
    EXPECT_EQ(readFile(dir.file("PEOPLE.FPT")), fpt);

    // A stale index is reported, and refused for ordering.
    {
        DbfFile f;
        f.open(path, true);
        std::vector<uint8_t> rec(f.recordLength(), ' ');
        f.appendRecord(rec.data());
    }
    int status = 0;
    std::string out = batch("dump " + path + " --order LNAME 2>&1 >/dev/null", &status);
    EXPECT_NE(status, 0);
    EXPECT_NE(out.find("out of date"), std::string::npos) << out;
    out = batch("info " + path + " 2>&1 >/dev/null", &status);
    EXPECT_EQ(status, 0);
    EXPECT_NE(out.find("reindex"), std::string::npos) << out;
    batch("reindex " + path, &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(batch("count " + path), "5\n");
}

}  // namespace

// help VERB and VERB --help tell the verb's usage and options; the manual page names every verb.
TEST(Batch, HelpForEachVerb) {
    int status = -1;
    std::string help = batch("help dump", &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(help.rfind("Usage: addrova-batch dump FILE [--order TAG]", 0), 0u) << help;
    EXPECT_NE(help.find("Options: --order, --filter, --fields, --deleted"), std::string::npos) << help;
    EXPECT_EQ(batch("dump --help", &status), help);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(batch("dump /nonexistent.dbf --help", &status), help);
    EXPECT_EQ(status, 0);
    batch("help frobnicate 2>/dev/null", &status);
    EXPECT_EQ(status, 2);

    std::string man = batch("--man", &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(man.rfind(".TH ADDROVA-BATCH 1", 0), 0u);
    std::string list = batch("--help");
    size_t verbs = 0;
    for (size_t at = list.find("\n  "); at != std::string::npos; at = list.find("\n  ", at + 1)) {
        if (list[at + 3] == ' ') continue;  // a summary line
        std::string verb = list.substr(at + 3, list.find(' ', at + 3) - at - 3);
        std::string roff;
        for (char c : verb) roff += c == '-' ? std::string("\\-") : std::string(1, c);
        EXPECT_NE(man.find("\n.B " + roff + "\n"), std::string::npos) << verb;
        ++verbs;
    }
    EXPECT_GT(verbs, 10u);
}
