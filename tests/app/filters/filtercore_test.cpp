#include "BrowseModel.h"
#include "FilterCore.h"
#include "FilterFixture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace addrova;
using namespace addrova::filters;
using addrova::filters::test::AddressFixture;
using addrova::filters::test::Person;
using addrova::filters::test::samplePeople;

namespace {

std::string slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

Criteria with(std::initializer_list<std::pair<int, std::string>> set)
{
    Criteria c;
    for (const auto& [i, text] : set)
        c[static_cast<size_t>(i)] = text;
    return c;
}

constexpr int kLast = 0, kFirst = 1, kTitle = 2, kCity = 7, kDate = 14, kCodes = 15, kUser1 = 16;

}  // namespace

TEST(FilterBuilder, ConditionOfOneCriterion)
{
    struct Case {
        const char* field;
        std::string text;
        std::string expected;
    };
    const Case cases[] = {
        {"LNAME", "Brown", R"(UPPER(LNAME)="BROWN")"},
        {"LNAME", "Brown;Jones", R"(((UPPER(LNAME)="BROWN").or.(UPPER(LNAME)="JONES")))"},
        {"LNAME", "Brown+Jones", R"(((UPPER(LNAME)="BROWN").and.(UPPER(LNAME)="JONES")))"},
        {"LNAME", "Brown^Browning", R"(((UPPER(LNAME)="BROWN").and..not.(UPPER(LNAME)="BROWNING")))"},
        // ";" is split first, the parts then by their own separators.
        {"LNAME", "a+b;c", R"(((((UPPER(LNAME)="A").and.(UPPER(LNAME)="B"))).or.(UPPER(LNAME)="C")))"},
        // Empty parts count.
        {"LNAME", "a;", R"(((UPPER(LNAME)="A").or.(UPPER(LNAME)="")))"},
        {"CODES", "$c", R"("C"$UPPER(CODES))"},
        {"DATE", ">=19970101", R"(UPPER(DATE)>="19970101")"},
        {"ZIP", ">9", R"(UPPER(ZIP)>"9")"},
        {"ZIP", "<=5", R"(UPPER(ZIP)<="5")"},
        {"ZIP", "<5", R"(UPPER(ZIP)<"5")"},
        {"CITY+STATE", "spring", R"(UPPER(CITY+STATE)="SPRING")"},
        // Untrimmed, and Windows-1252 letters upper-cased as the engine does.
        {"LNAME", " m\xfcller ", "UPPER(LNAME)=\" M\xdcLLER \""},
        // A value with a double quote keeps a literal the engine can read.
        {"LNAME", "O\"Neil", R"(UPPER(LNAME)='O"NEIL')"},
        {"LNAME", "O\"N'eil", R"(UPPER(LNAME)=[O"N'EIL])"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(buildCondition(c.field, c.text), c.expected) << c.text;
}

TEST(FilterBuilder, OperatorKeepsAtMost99Characters)
{
    const std::string long120(120, 'x');
    EXPECT_EQ(buildCondition("ORG", ">=" + long120), "UPPER(ORG)>=\"" + std::string(99, 'X') + "\"");
    EXPECT_EQ(buildCondition("ORG", "$" + long120), "\"" + std::string(99, 'X') + "\"$UPPER(ORG)");
    // Without an operator all of the text stays.
    EXPECT_EQ(buildCondition("ORG", long120), "UPPER(ORG)=\"" + std::string(120, 'X') + "\"");
}

TEST(FilterBuilder, ExpressionJoinsCriteriaInBuildOrder)
{
    EXPECT_EQ(buildFilterExpression(Criteria{}, false, "ABC"), "");
    EXPECT_EQ(buildFilterExpression(with({{kLast, "   "}}), false, "ABC"), "");
    EXPECT_EQ(buildFilterExpression(with({{kLast, "Brown"}, {kCodes, "$C"}}), false, "ABC"),
              R"(UPPER(LNAME)="BROWN" and "C"$UPPER(CODES))");
    // Comment 1 comes before Date, Codes last.
    EXPECT_EQ(buildFilterExpression(with({{kCodes, "C"}, {kDate, "1997"}, {kUser1, "x"}, {kCity, "Rome"}}), false, "A"),
              R"(UPPER(CITY+STATE)="ROME" and UPPER(USER1)="X" and UPPER(DATE)="1997" and UPPER(CODES)="C")");
    EXPECT_EQ(buildFilterExpression(Criteria{}, true, "T12AB"), R"((UPPER(TAG)="T12AB"))");
    EXPECT_EQ(buildFilterExpression(with({{kFirst, "ann"}}), true, "T12AB"),
              R"(UPPER(FNAME)="ANN" and (UPPER(TAG)="T12AB"))");
}

TEST(FilterFiles, EighteenLinesWithCrLfRoundTrip)
{
    addrova::test::TempDir dir;
    const std::string path = dir.file("a.FLT");
    Criteria c = with({{kLast, "Brown;Jones"}, {kCodes, "$C"}, {17, "last line"}});
    writeFilterFile(path, c);
    std::string expected = "Brown;Jones\r\n";
    for (int i = 1; i < 15; ++i)
        expected += "\r\n";
    expected += "$C\r\n\r\nlast line\r\n";
    EXPECT_EQ(slurp(path), expected);
    EXPECT_EQ(readFilterFile(path), c);

    // A short file, LF line ends, lines past the 18th.
    {
        std::ofstream out(dir.file("short.flt"), std::ios::binary);
        out << "Brown\nAnn";
    }
    Criteria s = readFilterFile(dir.file("short.flt"));
    EXPECT_EQ(s[0], "Brown");
    EXPECT_EQ(s[1], "Ann");
    for (size_t i = 2; i < s.size(); ++i)
        EXPECT_EQ(s[i], "");
    {
        std::ofstream out(dir.file("long.flt"), std::ios::binary);
        for (int i = 0; i < 25; ++i)
            out << "v" << i << "\r\n";
    }
    EXPECT_EQ(readFilterFile(dir.file("long.flt"))[17], "v17");
    EXPECT_THROW(readFilterFile(dir.file("missing.flt")), std::runtime_error);
}

TEST(FilterFiles, NameRules)
{
    struct Case {
        std::string chosen, path, refusal;
    };
    const Case cases[] = {
        {"/d/myfilter", "/d/myfilter.FLT", ""},
        {"/d/my.filter", "", "Must have a .FLT extension"},
        {"/d/x.flt", "/d/x.flt", ""},
        {"/d/X.FLT", "/d/X.FLT", ""},
        {"/d.dir/plain", "/d.dir/plain.FLT", ""},
    };
    for (const Case& c : cases) {
        FilterFileName n = filterSaveName(c.chosen);
        EXPECT_EQ(n.path, c.path) << c.chosen;
        EXPECT_EQ(n.refusal, c.refusal) << c.chosen;
    }
    EXPECT_EQ(filterRestoreRefusal("/d/a.flt"), "");
    EXPECT_EQ(filterRestoreRefusal("/d/a.FLT"), "");
    EXPECT_EQ(filterRestoreRefusal("/d/a.txt"), "Must be a Filter (.FLT) file");
    EXPECT_EQ(filterRestoreRefusal("/d/a"), "Must be a Filter (.FLT) file");
}

TEST(FieldList, LinesGivePositionsUnknownNamesIgnored)
{
    const std::vector<std::string> fields{"Tagged", "LNAME", "FNAME", "CITY", "TAG"};
    EXPECT_EQ(applyFieldOrder(fields, {}), fields);
    EXPECT_EQ(applyFieldOrder(fields, {"CITY", "LNAME"}),
              (std::vector<std::string>{"CITY", "LNAME", "Tagged", "FNAME", "TAG"}));
    // Unknown names and blank lines keep their line's position unused; case does not matter.
    EXPECT_EQ(applyFieldOrder(fields, {"NOPE", "city", ""}),
              (std::vector<std::string>{"Tagged", "CITY", "LNAME", "FNAME", "TAG"}));
    // A whole list written back reads as itself.
    const std::vector<std::string> all{"TAG", "FNAME", "CITY", "Tagged", "LNAME"};
    EXPECT_EQ(applyFieldOrder(fields, all), all);
}

// ---------------------------------------------------------------------------------------------

class Filtering : public AddressFixture {};

TEST_F(Filtering, SelectionAndCountsOfTheEdgeCases)
{
    fill(samplePeople());
    FilterState st;

    // Brown and $C: the expression, the selection text and the records.
    st.criteria = with({{kLast, "Brown"}, {kCodes, "$C"}});
    FilterResult r = applyFilterTo(table, st, "TAGID");
    EXPECT_EQ(r.outcome, FilterOutcome::Set);
    EXPECT_EQ(table.selection(), R"(UPPER(LNAME)="BROWN" and "C"$UPPER(CODES).and. !ISDEL)");
    EXPECT_EQ(r.count, 2u);  // Brown (AC), Browning (C); Brownlow is deleted
    EXPECT_EQ(walk(), (std::vector<std::string>{"Brown", "Browning"}));

    st.clear();
    st.criteria = with({{kLast, "Brown^Browning"}});
    r = applyFilterTo(table, st, "TAGID");
    EXPECT_EQ(r.count, 2u);
    EXPECT_EQ(walk(), (std::vector<std::string>{"Brown", "Browne"}));

    st.clear();
    st.criteria = with({{kDate, ">=19970101"}});
    r = applyFilterTo(table, st, "TAGID");
    // Text order: "bad" sorts after the digits.
    EXPECT_EQ(walk(), (std::vector<std::string>{"Adams", "Browne", "Browning", "Jones"}));

    // Nothing begins with both names: the filter is dropped.
    st.clear();
    st.criteria = with({{kLast, "Brown+Jones"}});
    r = applyFilterTo(table, st, "TAGID");
    EXPECT_EQ(r.outcome, FilterOutcome::Empty);
    EXPECT_EQ(r.count, 0u);
    EXPECT_FALSE(st.isSet());
    EXPECT_EQ(st.criteria[kLast], "");
    EXPECT_EQ(table.selection(), "!ISDEL");
    EXPECT_EQ(walk().size(), 6u);

    st.clear();
    r = applyFilterTo(table, st, "TAGID");
    EXPECT_EQ(r.outcome, FilterOutcome::NoFilter);
    EXPECT_EQ(r.count, 0u);
    EXPECT_EQ(table.selection(), "!ISDEL");
}

TEST_F(Filtering, ExpressionOf243CharactersStands244IsTooComplex)
{
    fill(samplePeople());
    // LNAME "Brown" (20) + " and " + FNAME "<" 99 Z (114) + " and " + TITLE "<" n Z (15 + n).
    auto criteriaFor = [](size_t titleZ) {
        return with({{kLast, "Brown"}, {kFirst, "<" + std::string(99, 'Z')}, {kTitle, "<" + std::string(titleZ, 'Z')}});
    };
    FilterState st;
    st.criteria = criteriaFor(84);
    ASSERT_EQ(buildFilterExpression(st.criteria, false, "").size(), 243u);
    FilterResult r = applyFilterTo(table, st, "");
    EXPECT_EQ(r.outcome, FilterOutcome::Set);
    EXPECT_EQ(r.count, 3u);  // Brown, Browne, Browning
    EXPECT_EQ(table.selection().size(), 255u);

    st.criteria = criteriaFor(85);
    ASSERT_EQ(buildFilterExpression(st.criteria, false, "").size(), 244u);
    r = applyFilterTo(table, st, "");
    EXPECT_EQ(r.outcome, FilterOutcome::TooComplex);
    EXPECT_FALSE(st.isSet());
    EXPECT_EQ(st.criteria[kFirst], "");
    EXPECT_EQ(table.selection(), "!ISDEL");
}

TEST_F(Filtering, ARejectedExpressionIsDroppedNotThrown)
{
    fill(samplePeople());
    FilterState st;
    st.criteria = with({{kLast, "a\"b'c]d"}});  // no literal can hold all three
    FilterResult r = applyFilterTo(table, st, "");
    EXPECT_EQ(r.outcome, FilterOutcome::Invalid);
    EXPECT_FALSE(r.problem.empty());
    EXPECT_FALSE(st.isSet());
    EXPECT_EQ(table.selection(), "!ISDEL");
}

TEST_F(Filtering, TagsToggleTagAllAndTaggedOnly)
{
    fill(samplePeople());
    const std::string id = "T1ABC";
    table.goTop();  // Adams
    EXPECT_TRUE(toggleTag(table, id, false));
    EXPECT_FALSE(table.modified());
    EXPECT_TRUE(isTagged(table, id));
    EXPECT_FALSE(toggleTag(table, id, false));
    EXPECT_EQ(table.getString("TAG"), "");
    // While the main window edits, the tag waits for its save.
    EXPECT_TRUE(toggleTag(table, id, true));
    EXPECT_TRUE(table.modified());
    table.post();

    FilterState st;
    st.taggedOnly = true;
    EXPECT_EQ(applyFilterTo(table, st, id).count, 1u);
    EXPECT_EQ(walk(), std::vector<std::string>{"Adams"});

    // Tag all of a Brown filter, cancelled after the second record.
    st.clear();
    st.criteria = with({{kLast, "Brown"}});
    ASSERT_EQ(applyFilterTo(table, st, id).count, 3u);
    LoopResult lr = tagAllRecords(table, id, [](uint32_t done) { return done < 2; });
    EXPECT_TRUE(lr.cancelled);
    EXPECT_EQ(lr.done, 2u);
    EXPECT_EQ(table.getString("LNAME"), "Brown");  // first of the selection is current again
    lr = tagAllRecords(table, id, {});
    EXPECT_FALSE(lr.cancelled);
    EXPECT_EQ(lr.done, 3u);

    st.clear();
    st.taggedOnly = true;
    EXPECT_EQ(applyFilterTo(table, st, id).count, 4u);
    EXPECT_EQ(walk(), (std::vector<std::string>{"Adams", "Brown", "Browne", "Browning"}));

    // Written to the file.
    table.close();
    table.open(path);
    table.setOrder("LNAME");
    table.setSelection("!ISDEL");
    int tagged = 0;
    for (bool ok = table.goTop(); ok && !table.eof(); ok = table.skip(1))
        tagged += isTagged(table, id);
    EXPECT_EQ(tagged, 4);

    // A new id: every stored mark is stale and the tagged-only filter selects nothing.
    EXPECT_FALSE(store::composeFields(table, "T2NEW", "MM/dd/yyyy", false).tagged);
    st.clear();
    st.taggedOnly = true;
    EXPECT_EQ(applyFilterTo(table, st, "T2NEW").outcome, FilterOutcome::Empty);
    EXPECT_EQ(table.selection(), "!ISDEL");
}

TEST_F(Filtering, SearchByOrderSoftSeeksAndFallsBack)
{
    fill(samplePeople());
    table.setOrder("LNAME");
    table.goTop();
    ASSERT_TRUE(table.skip(1));  // Brown
    const uint32_t brown = table.recNo();

    EXPECT_TRUE(searchByOrder(table, "jo"));
    EXPECT_EQ(table.getString("LNAME"), "Jones");
    EXPECT_FALSE(table.softSeek());
    EXPECT_FALSE(table.exact());

    table.go(brown);
    EXPECT_FALSE(searchByOrder(table, "Kz"));  // between Jones and Smith: no key begins with it
    EXPECT_EQ(table.recNo(), brown);
    EXPECT_FALSE(searchByOrder(table, "Zzz"));  // past the last key
    EXPECT_EQ(table.recNo(), brown);
    EXPECT_FALSE(table.softSeek());
    EXPECT_FALSE(searchByOrder(table, ""));
    EXPECT_EQ(table.recNo(), brown);

    table.setOrder("FNAME");
    EXPECT_TRUE(searchByOrder(table, "EV"));
    EXPECT_EQ(table.getString("LNAME"), "Smith");
}

TEST_F(Filtering, MemoSearchIgnoresCaseStopsAt32767AndFindsNext)
{
    std::vector<Person> people = samplePeople();
    people.push_back({"Zeta", "Deep", "", "", std::string(32767 - 3, '.') + "garden", ""});
    people.push_back({"Zulu", "Edge", "", "", std::string(32767 - 6, '.') + "garden", ""});
    fill(people);

    EXPECT_TRUE(memoContains("x GARDEN y", "Garden"));
    EXPECT_FALSE(memoContains(std::string(32767, '.') + "garden", "garden"));

    table.goTop();
    const uint32_t start = table.recNo();
    int calls = 0;
    MemoSearchResult r = searchMemos(table, "garden", false, [&] { return ++calls > 0; });
    ASSERT_TRUE(r.found);
    EXPECT_EQ(table.getString("LNAME"), "Browne");
    r = searchMemos(table, "garden", true, {});
    ASSERT_TRUE(r.found);
    EXPECT_EQ(table.getString("LNAME"), "Smith");
    // Zeta's text runs past the limit; Zulu's ends exactly at it.
    r = searchMemos(table, "garden", true, {});
    ASSERT_TRUE(r.found);
    EXPECT_EQ(table.getString("LNAME"), "Zulu");
    const uint32_t zulu = table.recNo();
    r = searchMemos(table, "garden", true, {});
    EXPECT_FALSE(r.found);
    EXPECT_EQ(table.recNo(), zulu);

    // Stopped by the window: the record current before comes back.
    table.go(start);
    r = searchMemos(table, "nowhere", false, [] { return false; });
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(r.visited, 1u);
    EXPECT_EQ(table.recNo(), start);
}

// ---------------------------------------------------------------------------------------------

class Browsing : public AddressFixture {
protected:
    // n records whose last names sort in a known order: "N00000".."N{n-1}", appended shuffled.
    void fillNumbered(int n)
    {
        std::vector<Person> people;
        for (int i = 0; i < n; ++i) {
            const int k = (i * 7919) % n;  // a permutation when n is not a multiple of 7919
            char name[16];
            std::snprintf(name, sizeof name, "N%05d", k);
            people.push_back({name, k % 3 == 0 ? "Three" : "Other", k % 2 ? "C" : "", "", "", "", k % 10 == 9});
        }
        fill(people);
    }
    static int column(const BrowseModel& m, const std::string& field)
    {
        const auto& cols = m.columns();
        return static_cast<int>(std::find(cols.begin(), cols.end(), field) - cols.begin());
    }
};

TEST_F(Browsing, ColumnsAreTheShownFieldsWithLabels)
{
    fill(samplePeople());
    BrowseModel m(table, "T1", false);
    const std::vector<std::string> expected{"Tagged", "LNAME", "FNAME", "MIDDLE", "PREFIX", "TITLE", "ORG",
                                            "STREET", "STREET2", "CITY", "STATE", "ZIP", "COUNTRY", "PHONE",
                                            "PHONE2", "FAX", "EMAIL", "CODES", "USER1", "USER2", "DisplayDate"};
    EXPECT_EQ(m.columns(), expected);
    EXPECT_EQ(m.fieldOrder().size(), 28u);
    EXPECT_EQ(m.headerData(1, Qt::Horizontal).toString(), "Last Name");
    EXPECT_EQ(m.headerData(20, Qt::Horizontal).toString(), "Date");
    EXPECT_EQ(m.columnChars(1), 20);
    EXPECT_EQ(m.columnChars(column(m, "STREET")), 40);  // its field width
    EXPECT_EQ(m.columnChars(column(m, "STATE")), 5);

    BrowseModel printing(table, "T1", true);
    EXPECT_EQ(printing.columns()[1], "FullName");
    EXPECT_EQ(printing.columns().size(), expected.size() + 3);

    // A moved column: the shown fields change places, hidden ones keep theirs.
    std::vector<int> visual;
    for (int c = 0; c < m.columnCount(); ++c)
        visual.push_back(c);
    std::swap(visual[0], visual[1]);
    std::vector<std::string> order = m.orderAfterMove(visual);
    EXPECT_EQ(order[0], "LNAME");
    EXPECT_EQ(order[1], "FullName");
    EXPECT_EQ(order[4], "Tagged");
    EXPECT_EQ(order[27], "TAG");
}

TEST_F(Browsing, RowsAreTheOrderedFilteredRecords)
{
    fillNumbered(1000);
    FilterState st;
    st.criteria[kCodes] = "$C";
    ASSERT_EQ(applyFilterTo(table, st, "T1").outcome, FilterOutcome::Set);
    const std::vector<std::string> expected = walk();
    ASSERT_EQ(expected.size(), 400u);  // odd numbers, less those ending in 9

    BrowseModel m(table, "T1", false);
    ASSERT_EQ(m.rowCount(), 400);
    const int last = column(m, "LNAME");
    // Backwards, forwards and jumping: every row shows its record.
    for (int r = 399; r >= 0; r -= 37)
        EXPECT_EQ(m.data(m.index(r, last)).toString().toStdString(), expected[static_cast<size_t>(r)]) << r;
    for (int r = 0; r < 400; ++r)
        ASSERT_EQ(m.data(m.index(r, last)).toString().toStdString(), expected[static_cast<size_t>(r)]) << r;
    EXPECT_LE(m.blocksHeld(), BrowseModel::kMaxBlocks);
    EXPECT_EQ(m.data(m.index(0, 0)).toString(), "No");
    EXPECT_FALSE(m.data(m.index(400, last)).isValid());
}

TEST_F(Browsing, ReadsOnlyTheRowsItShows)
{
    fillNumbered(5000);
    BrowseModel m(table, "T1", false);
    ASSERT_EQ(m.rowCount(), 4500);
    const int last = column(m, "LNAME");
    const uint64_t before = m.skips();
    m.data(m.index(4499, last));  // from the last record, not from the first
    EXPECT_LT(m.skips() - before, 2u * BrowseModel::kBlockRows);
    m.data(m.index(2000, last));
    const uint64_t afterJump = m.skips();
    m.data(m.index(2100, last));  // next to a known row
    EXPECT_LT(m.skips() - afterJump, 3u * BrowseModel::kBlockRows);
}

TEST_F(Browsing, CurrentRecordAndTagToggle)
{
    fillNumbered(300);
    FilterState st;
    st.criteria[kFirst] = "Three";
    ASSERT_EQ(applyFilterTo(table, st, "T1").outcome, FilterOutcome::Set);
    const std::vector<std::string> names = walk();
    // Stand on the 40th record of the selection: the model finds its row.
    table.goTop();
    table.skip(39);
    const uint32_t recno = table.recNo();
    BrowseModel m(table, "T1", false);
    EXPECT_EQ(m.locateCurrent(), 39);
    EXPECT_EQ(table.recNo(), recno);
    EXPECT_EQ(m.recnoAt(39), recno);

    // Reading other rows leaves the current record current.
    m.data(m.index(static_cast<int>(names.size()) - 1, 1));
    EXPECT_EQ(table.recNo(), recno);

    // Toggling writes TAG and the row shows it.
    toggleTag(table, "T1", false);
    m.currentRecordChanged();
    EXPECT_EQ(m.data(m.index(39, 0)).toString(), "Yes");
    EXPECT_EQ(m.rowCount(), static_cast<int>(names.size()));
    table.go(recno);
    EXPECT_EQ(table.getString("TAG"), "T1");

    // Under a tagged-only filter, untagging takes the row away.
    st.taggedOnly = true;
    ASSERT_EQ(applyFilterTo(table, st, "T1").count, 1u);
    BrowseModel tagged(table, "T1", false);
    table.go(recno);
    tagged.locateCurrent();
    ASSERT_EQ(tagged.rowCount(), 1);
    toggleTag(table, "T1", false);
    tagged.currentRecordChanged();
    EXPECT_EQ(tagged.rowCount(), 0);
}
