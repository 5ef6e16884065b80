#include "AddressFile.h"
#include "Maintenance.h"
#include "Table.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

using namespace addrova;
using tools::DupKind;

namespace {

struct Person {
    const char* last;
    const char* first;
    const char* street = "";
    const char* zip = "";
};

// An address file in a temp directory holding the given people in this record order.
class AddressFixture : public ::testing::Test {
protected:
    test::TempDir dir;
    std::string path = dir.file("PEOPLE.DBF");
    store::Table t;

    void make(std::initializer_list<Person> people)
    {
        ASSERT_EQ(store::createAddressFile(path, store::defaultWidths()), "");
        ASSERT_EQ(store::openAddressFile(path, t), "");
        for (const Person& p : people) {
            t.appendBlank();
            t.setString("LNAME", p.last);
            t.setString("FNAME", p.first);
            t.setString("STREET", p.street);
            t.setString("ZIP", p.zip);
            t.setLogical("ISDEL", false);
            t.post();
        }
        t.setSelection("!ISDEL");
        t.goTop();
    }

    std::string field(uint32_t recno, const char* name)
    {
        t.go(recno);
        return t.getString(name);
    }

    // Runs the duplicates check; the records it collected, by record number.
    std::set<uint32_t> dups(DupKind kind, int streetLength, uint32_t* pairs)
    {
        tools::DupScratch scratch(t, dir.file(tools::kDupIndexName));
        auto r = tools::findDuplicates(t, kind, streetLength, scratch.path());
        *pairs = r.count;
        auto list = tools::scratchRecords(t);
        return {list.begin(), list.end()};
    }
};

}  // namespace

TEST_F(AddressFixture, DuplicateKinds)
{
    make({{"Brown", "Jane", "12 Main St", "12345"},
          {"Smith", "Ann", "9 Oak Rd", "55555"},
          {"brown", "JANE", "12 Main Street", "12345"},
          {"Brown", "John", "", "12345"},
          {"", "Kim", "", ""},
          {"", "Kim", "", ""},
          {"Smyth", "Andy", "1 Elm", "55555-1234"},
          {"Smith", "Anne", "2 Elm", "55555"}});
    struct Case {
        DupKind kind;
        int length;
        uint32_t pairs;
        std::set<uint32_t> records;
    };
    const Case cases[] = {
        // Brown Jane twice; the empty last names never pair.
        {DupKind::Name, 30, 1, {1, 3}},
        // Brown J three times in a row: two pairs; Smith A twice.
        {DupKind::Initial, 30, 3, {1, 3, 4, 2, 8}},
        // Empty streets never pair; the whole street differs.
        {DupKind::Street, 30, 0, {}},
        {DupKind::Street, 5, 1, {1, 3}},
        // Smith and Smyth, A, ZIP 55555: all three; the Browns by Soundex, initial and ZIP.
        {DupKind::Soundex, 30, 4, {2, 7, 8, 1, 3, 4}},
    };
    for (const Case& c : cases) {
        uint32_t pairs = 0;
        EXPECT_EQ(dups(c.kind, c.length, &pairs), c.records) << int(c.kind) << " " << c.length;
        EXPECT_EQ(pairs, c.pairs) << int(c.kind) << " " << c.length;
        EXPECT_FALSE(std::filesystem::exists(dir.file(tools::kDupIndexName)));
        EXPECT_EQ(t.order(), 0);
    }
    EXPECT_EQ(tools::dupCountText(0), "Found 0 possible duplicates");
}

TEST_F(AddressFixture, ThreeInARowCountTwoAndListOnce)
{
    make({{"Doe", "Jo"}, {"Doe", "Jo"}, {"Doe", "Jo"}, {"Zed", "A"}});
    uint32_t pairs = 0;
    tools::DupScratch scratch(t, dir.file(tools::kDupIndexName));
    tools::findDuplicates(t, DupKind::Name, 30, scratch.path());
    auto list = tools::scratchRecords(t);
    EXPECT_EQ(list.size(), 3u);
    pairs = tools::findDuplicates(t, DupKind::Name, 30, scratch.path()).count;
    EXPECT_EQ(pairs, 2u);
}

TEST_F(AddressFixture, DuplicateScratchGoesAfterAnErrorToo)
{
    make({{"Doe", "Jo"}, {"Doe", "Jo"}});
    const std::string idx = dir.file(tools::kDupIndexName);
    {
        std::ofstream(idx) << "left by a crash";
        tools::DupScratch scratch(t, idx);
        EXPECT_FALSE(std::filesystem::exists(idx));
        try {
            tools::findDuplicates(t, DupKind::Name, 30, idx, [](uint32_t, uint32_t, uint32_t) -> bool {
                throw store::Error("", "test", "stopped");
            });
            FAIL();
        } catch (const store::Error&) {
        }
        EXPECT_TRUE(std::filesystem::exists(idx));
    }
    EXPECT_FALSE(std::filesystem::exists(idx));
    EXPECT_EQ(t.orderCount(), 26);
}

TEST_F(AddressFixture, DuplicateCancelStopsTheWalk)
{
    make({{"A", "x"}, {"A", "x"}, {"B", "y"}, {"B", "y"}});
    tools::DupScratch scratch(t, dir.file(tools::kDupIndexName));
    uint32_t calls = 0;
    auto r = tools::findDuplicates(t, DupKind::Name, 30, scratch.path(), [&](uint32_t visited, uint32_t n, uint32_t) {
        EXPECT_EQ(n, 4u);
        ++calls;
        return visited < 2;
    });
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(calls, 2u);
    EXPECT_EQ(r.count, 1u);
}

TEST(CaseConversion, Conversions)
{
    struct Case {
        const char* in;
        tools::CaseMode mode;
        const char* want;
    };
    const Case cases[] = {
        {"o'neil-smith 3rd", tools::CaseMode::Capitalized, "O'neil-smith 3rd"},
        {"mcDONALD", tools::CaseMode::Capitalized, "Mcdonald"},
        {"o'neil-jones", tools::CaseMode::Capitalized, "O'neil-jones"},
        {"123 main  street", tools::CaseMode::Capitalized, "123 Main  Street"},
        {"\xE9mile zola", tools::CaseMode::Capitalized, "\xE9mile Zola"},  // only a to z
        {"M\xFCller st.", tools::CaseMode::Upper, "M\xDCLLER ST."},
        {"M\xDCLLER St.", tools::CaseMode::Lower, "m\xFCller st."},
        {"", tools::CaseMode::Capitalized, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(tools::convertCase(c.in, c.mode), c.want) << c.in;
}

TEST_F(AddressFixture, ConvertScopesKeepSelectionAndRecord)
{
    make({{"smith", "ann", "1 main st"}, {"jones", "bo"}, {"smith", "cy"}, {"adams", "di"}});
    t.go(2);
    t.setLogical("ISDEL", true);  // hidden from "All Records"
    t.post();
    t.setOrder("LNAME");
    // Current record only.
    t.go(1);
    auto r = tools::convertRecords(t, {"FNAME"}, tools::CaseMode::Upper, tools::RecordScope::Current);
    EXPECT_EQ(r.count, 1u);
    EXPECT_EQ(field(1, "FNAME"), "ANN");
    EXPECT_EQ(field(1, "LNAME"), "smith");
    // The filter's records, in a selection the caller set.
    t.setSelection("LNAME = \"smith\" .and. !ISDEL");
    t.go(4);
    r = tools::convertRecords(t, {"LNAME", "STREET"}, tools::CaseMode::Capitalized, tools::RecordScope::Filter);
    EXPECT_EQ(r.count, 2u);
    EXPECT_EQ(t.selection(), "LNAME = \"smith\" .and. !ISDEL");
    EXPECT_EQ(t.recNo(), 4u);
    EXPECT_EQ(t.orderName(t.order()), "LNAME");
    EXPECT_EQ(field(1, "STREET"), "1 Main St");
    EXPECT_EQ(field(3, "LNAME"), "Smith");
    // All records that are not marked ISDEL.
    r = tools::convertRecords(t, {"LNAME"}, tools::CaseMode::Upper, tools::RecordScope::All);
    EXPECT_EQ(r.count, 3u);
    EXPECT_EQ(field(2, "LNAME"), "jones");
    EXPECT_EQ(field(4, "LNAME"), "ADAMS");
    // Cancel keeps the records done so far.
    r = tools::convertRecords(t, {"LNAME"}, tools::CaseMode::Lower, tools::RecordScope::All,
                              [](uint32_t done, uint32_t n) {
                                  EXPECT_EQ(n, 3u);
                                  return done < 2;
                              });
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(r.count, 2u);
    EXPECT_EQ(field(1, "LNAME"), "smith");
    EXPECT_EQ(field(3, "LNAME"), "smith");
    EXPECT_EQ(field(4, "LNAME"), "ADAMS");
    // The indexes follow the changes.
    t.setSelection("");
    t.setOrder("LNAME");
    EXPECT_TRUE(t.seek("ADAMS"));
    EXPECT_EQ(t.recNo(), 4u);
}

TEST(SearchReplace, SearchExpressionsAndQuestion)
{
    struct Case {
        const char* find;
        bool contains, caseSensitive;
        const char* expr;
    };
    const Case cases[] = {
        {"", false, true, "EMPTY(TITLE)"},
        {"", true, false, "EMPTY(TITLE)"},
        {"Mr", true, true, "\"Mr\"$TITLE"},
        {"Mr", true, false, "upper(\"MR\")$upper(TITLE)"},
        {"Mr", false, true, "LEFT(TITLE,2)==\"Mr\""},
        {"Mr", false, false, "LEFT(upper(TITLE),2)==upper(\"MR\")"},
        {"a\"b", true, true, "'a\"b'$TITLE"},
    };
    for (const Case& c : cases) {
        tools::ReplaceSpec s;
        s.field = "TITLE";
        s.find = c.find;
        s.contains = c.contains;
        s.caseSensitive = c.caseSensitive;
        EXPECT_EQ(tools::searchExpression(s), c.expr) << c.find;
    }
    tools::ReplaceSpec s;
    s.field = "TITLE";
    s.find = "a\"b']";
    EXPECT_THROW(tools::searchExpression(s), std::invalid_argument);

    s.caption = "Title";
    s.find = "Mr";
    s.replacement = "Dr";
    EXPECT_EQ(tools::replaceQuestion(s),
              "Find records where field Title\nexactly matches: \"Mr\"  (case sensitive)\nand replace the entire field "
              "with \"Dr\"");
    s.contains = true;
    s.caseSensitive = false;
    s.wholeField = false;
    s.replacement = "";
    EXPECT_EQ(tools::replaceQuestion(s),
              "Find records where field Title\ncontains: \"Mr\" (not case sensitive)\nand delete the matching text ");
    s.find = "";
    s.wholeField = true;
    EXPECT_EQ(tools::replaceQuestion(s), "Find records where field Title\nis empty \nand delete the entire field ");
    s.replacement = "X";
    s.wholeField = false;
    EXPECT_EQ(tools::replaceQuestion(s),
              "Find records where field Title\nis empty \nand replace only the matching text with \"X\"");
}

TEST(SearchReplace, ReplaceMatches)
{
    EXPECT_EQ(tools::replaceMatches("1 st St", "St", "Street", false), "1 Street Street");
    EXPECT_EQ(tools::replaceMatches("1 st St", "St", "Street", true), "1 st Street");
    EXPECT_EQ(tools::replaceMatches("aaaa", "aa", "a", true), "aa");  // after each replacement
    EXPECT_EQ(tools::replaceMatches("abab", "b", "", true), "aa");
    std::string many(60, 'x');
    std::string want = std::string(50, 'y') + std::string(10, 'x');
    EXPECT_EQ(tools::replaceMatches(many, "x", "y", true), want);  // 50 at most, the rest kept
}

TEST_F(AddressFixture, ReplaceOnRecords)
{
    make({{"A", "a"}, {"B", "b"}, {"C", "c"}, {"D", "d"}, {"E", "e"}});
    const char* titles[] = {"Mr", "Mrs", "mr", "", "Dr Mr"};
    for (uint32_t i = 0; i < 5; ++i) {
        t.go(i + 1);
        t.setString("TITLE", titles[i]);
        t.post();
    }
    auto titlesNow = [&] {
        std::string s;
        for (uint32_t i = 1; i <= 5; ++i)
            s += field(i, "TITLE") + "|";
        return s;
    };
    tools::ReplaceSpec s;
    s.field = "TITLE";
    s.find = "Mr";
    s.replacement = "Dr";
    // Equal, case sensitive: the first two characters decide, so Mrs is met too.
    EXPECT_EQ(tools::replaceRecords(t, s).count, 2u);
    EXPECT_EQ(titlesNow(), "Dr|Dr|mr||Dr Mr|");
    // Contains, not case sensitive, only the matching text.
    s.contains = true;
    s.caseSensitive = false;
    s.wholeField = false;
    s.replacement = "Prof";
    EXPECT_EQ(tools::replaceRecords(t, s).count, 2u);
    EXPECT_EQ(titlesNow(), "Dr|Dr|Prof||Dr Prof|");
    // Empty F finds the empty field.
    s.find = "";
    s.wholeField = true;
    s.replacement = "None";
    EXPECT_EQ(tools::replaceRecords(t, s).count, 1u);
    EXPECT_EQ(titlesNow(), "Dr|Dr|Prof|None|Dr Prof|");
    // With the filter, a deleted record skipped; empty R empties the field.
    t.go(2);
    t.deleteRecord();
    s.find = "Dr";
    s.contains = false;
    s.caseSensitive = true;
    s.replacement = "";
    s.filter = "LNAME <> \"E\"";
    EXPECT_EQ(tools::replaceRecords(t, s).count, 1u);
    t.setDeleted(false);
    EXPECT_EQ(titlesNow(), "|Dr|Prof|None|Dr Prof|");
    t.setDeleted(true);
    // Cancel keeps what was done.
    s.filter.clear();
    s.find = "";
    s.contains = true;
    s.wholeField = true;
    s.replacement = "Z";
    auto r = tools::replaceRecords(t, s, [](uint32_t visited, uint32_t) { return visited < 1; });
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(field(1, "TITLE"), "Z");
}

TEST_F(AddressFixture, DeleteChoices)
{
    struct Case {
        tools::DeleteChoice choice;
        const char* filter;
        uint32_t deleted;
        const char* left;  // last names still visible
    };
    const Case cases[] = {
        {tools::DeleteChoice::All, "", 4, ""},
        {tools::DeleteChoice::All, "LNAME = \"S\"", 4, ""},
        {tools::DeleteChoice::Matching, "LNAME = \"S\"", 2, "Jones,Adams,"},
        {tools::DeleteChoice::NotMatching, "LNAME = \"S\"", 2, "Smith,Smyth,"},
        {tools::DeleteChoice::Matching, "", 4, ""},
    };
    for (const Case& c : cases) {
        t.close();
        make({{"Smith", "a"}, {"Jones", "b"}, {"Smyth", "c"}, {"Adams", "d"}});
        auto r = tools::deleteRecords(t, c.choice, c.filter);
        EXPECT_EQ(r.count, c.deleted) << c.filter;
        std::string left;
        t.setSelection("!ISDEL");
        t.setOrder(0);
        for (bool ok = t.goTop(); ok && !t.eof(); ok = t.skip())
            left += t.getString("LNAME") + ",";
        EXPECT_EQ(left, c.left) << int(c.choice) << c.filter;
        if (c.deleted == 4)
            EXPECT_EQ(t.recCount(), 0u);
        else
            EXPECT_EQ(t.recCount(), 4u);
    }
    EXPECT_EQ(tools::deletedText(3), "Deleted 3 records");
}

TEST_F(AddressFixture, SafetyCopyIsWholeAndNamedByTheMoment)
{
    make({{"Smith", "a"}});
    t.go(1);
    t.setMemo("MEMO", "a note");
    t.post();
    std::tm tm{};
    tm.tm_year = 2026 - 1900;
    tm.tm_mon = 11;
    tm.tm_mday = 11;
    tm.tm_hour = 13;
    tm.tm_min = 5;
    tm.tm_sec = 9;
    tm.tm_isdst = -1;
    const std::time_t now = std::mktime(&tm);
    const std::string copy = tools::makeSafetyCopy(t, now);
    EXPECT_EQ(copy, dir.file("PEOPLE_20261211_130509.DBF"));
    EXPECT_EQ(tools::makeSafetyCopy(t, now), dir.file("PEOPLE_20261211_130509_2.DBF"));
    for (const char* f : {"PEOPLE_20261211_130509.FPT", "PEOPLE_20261211_130509.CDX"})
        EXPECT_TRUE(std::filesystem::exists(dir.file(f))) << f;
    t.close();
    store::Table c;
    ASSERT_EQ(store::openAddressFile(copy, c), "");
    EXPECT_EQ(c.indexState(), store::IndexState::Ok);
    c.go(1);
    EXPECT_EQ(c.getString("LNAME"), "Smith");
    EXPECT_EQ(c.getMemo("MEMO"), "a note");
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        EXPECT_EQ(e.path().string().find(".part"), std::string::npos);
}
