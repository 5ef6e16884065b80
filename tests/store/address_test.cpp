// Address files: schema, widths, create/open/check rules, composed fields, dates and tag ids.
#include "AddressFile.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace addrova::store;
using addrova::test::run;
using addrova::test::TempDir;

namespace {

std::time_t localTime(int y, int mo, int d, int h, int mi, int s) {
    std::tm tm{};
    tm.tm_year = y - 1900;
    tm.tm_mon = mo - 1;
    tm.tm_mday = d;
    tm.tm_hour = h;
    tm.tm_min = mi;
    tm.tm_sec = s;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

TEST(AddressComposed, NamesAndPlaces) {
    struct Case {
        const char *prefix, *first, *middle, *last, *fullName, *withPrefix;
    } cases[] = {
        {"Mr.", "John", "", "Brown", "John Brown", "Mr. John Brown"},
        {"Mr.", "", "", "Brown", " Brown", "Mr. Brown"},
        {"", "John", "Q", "Public", "John Q Public", "John Q Public"},
        {"Dr.", "Alexandria", "X", "Featherstonehaugh-Worthington", "Alexandria X Featherstonehaugh-Wort",
         "Dr. Alexandria X Featherstonehaugh-"},  // cut to 35
    };
    for (const auto& c : cases) {
        EXPECT_EQ(composeFullName(c.first, c.middle, c.last), c.fullName);
        EXPECT_EQ(composeFullNameWithPrefix(c.prefix, c.first, c.middle, c.last), c.withPrefix);
    }
    EXPECT_EQ(composeCityStateZip("Springfield", "IL", "62701"), "Springfield IL 62701");
    EXPECT_EQ(composeCityStateZip("", "IL", "62701"), "IL 62701");
    EXPECT_EQ(composeCityStateZip("Springfield", "", ""), "Springfield ");
}

TEST(AddressDates, ValidDisplayAndNormalise) {
    EXPECT_TRUE(validDate("19970428"));
    EXPECT_TRUE(validDate("20000229"));
    for (const char* bad : {"19970230", "19000229", "1997042", "abcdefgh", "", "19971301"}) EXPECT_FALSE(validDate(bad)) << bad;
    struct Case {
        const char *format, *shown;
    } cases[] = {{"M/d/yyyy", "4/28/1997"}, {"MM/dd/yy", "04/28/97"}, {"dd.MM.yyyy", "28.04.1997"},
                 {"yyyy-MM-dd", "1997-04-28"}, {"d MMM yy", "28 04 97"}};
    for (const auto& c : cases) {
        EXPECT_EQ(formatDate("19970428", c.format), c.shown) << c.format;
        EXPECT_EQ(normaliseDate(c.shown, c.format), "19970428") << c.format;
    }
    EXPECT_EQ(formatDate("19970230", "M/d/yyyy"), "");
    EXPECT_EQ(formatDate("", "M/d/yyyy"), "");
    EXPECT_EQ(normaliseDate("19970428", "dd.MM.yyyy"), "19970428");
    EXPECT_EQ(normaliseDate("30.02.1997", "dd.MM.yyyy"), "");
    EXPECT_EQ(normaliseDate("next tuesday", "M/d/yyyy"), "");
    EXPECT_EQ(normaliseDate("1/2/49", "M/d/yy"), "20490102");
    EXPECT_EQ(normaliseDate("1/2/50", "M/d/yy"), "19500102");
}

TEST(AddressTagIds, Base36OfTheMoment) {
    EXPECT_EQ(base36(0), "");
    EXPECT_EQ(base36(35), "Z");
    EXPECT_EQ(base36(36), "10");
    // 1995 adds no digit; 1 January, 00:00:00 is the number 101000000.
    EXPECT_EQ(makeTagId(localTime(1995, 1, 1, 0, 0, 0)), base36(101000000));
    EXPECT_EQ(makeTagId(localTime(1996, 12, 31, 23, 59, 59)), "1" + base36(1231235959ull));
    std::string id = makeTagId(localTime(2026, 12, 10, 11, 5, 9));
    EXPECT_EQ(id.substr(0, 1), "V");  // 31
    EXPECT_LE(id.size(), 8u);
}

TEST(AddressWidths, OutOfRangeWidthsFallBack) {
    FieldWidths w = defaultWidths();
    w["LNAME"] = 0;
    w["FNAME"] = 200;
    w["CITY"] = 5;
    w["ZIP"] = 80;
    w.erase("EMAIL");
    FieldWidths c = clampWidths(w);
    EXPECT_EQ(c["LNAME"], 30);
    EXPECT_EQ(c["FNAME"], 30);
    EXPECT_EQ(c["CITY"], 5);
    EXPECT_EQ(c["ZIP"], 80);
    EXPECT_EQ(c["EMAIL"], 40);
    EXPECT_EQ(resetWidths()["FAX"], 30);
    EXPECT_EQ(defaultWidths()["FAX"], 40);
    std::vector<FieldSpec> schema = addressSchema(c);
    ASSERT_EQ(schema.size(), 23u);
    EXPECT_EQ(schema[2].name, "MIDDLE");
    EXPECT_EQ(schema[2].width, 1);
    EXPECT_EQ(schema[22].type, 'M');
    EXPECT_EQ(displayLabel("ZIP"), "Zip/Postal Code");
    EXPECT_EQ(displayLabel("FullNameWithPrefix"), "Full Name & Prefix");
    EXPECT_EQ(displayLabel("TAG"), "TAG");
}

TEST(AddressFiles, CreateOpenCheckAndRebuild) {
    TempDir dir;
    std::string path = dir.file("ADD0001.DBF");
    FieldWidths w = defaultWidths();
    w["LNAME"] = 50;
    ASSERT_EQ(createAddressFile(path, w), "");
    Table t;
    ASSERT_EQ(openAddressFile(path, t), "");
    EXPECT_EQ(t.fields()[static_cast<size_t>(t.fieldIndex("LNAME"))].width, 50);  // adopted from the file
    EXPECT_TRUE(checkTags(t));
    ASSERT_EQ(t.orderCount(), 26);
    for (int i = 1; i <= 26; ++i) {
        EXPECT_EQ(t.orderInfo(i).name, addressTags()[static_cast<size_t>(i - 1)].name);
        EXPECT_EQ(t.orderInfo(i).keyExpr, addressTags()[static_cast<size_t>(i - 1)].key);
    }
    EXPECT_EQ(t.orderInfo(1).keyLength, 80);  // UPPER(LNAME-FNAME) with LNAME 50 wide

    // Composed fields on a real record, and the tag mark.
    t.appendBlank();
    t.setString("FNAME", "John");
    t.setString("LNAME", "Brown");
    t.setString("PREFIX", "Mr.");
    t.setString("CITY", "Springfield");
    t.setString("STATE", "IL");
    t.setString("ZIP", "62701");
    t.setString("DATE", "19970428");
    t.setString("TAG", "ABC");
    t.post();
    ComposedFields c = composeFields(t, "ABC", "M/d/yyyy", true);
    EXPECT_TRUE(c.tagged);
    EXPECT_EQ(c.fullName, "John Brown");
    EXPECT_EQ(c.fullNameWithPrefix, "Mr. John Brown");
    EXPECT_EQ(c.cityStateZip, "Springfield IL 62701");
    EXPECT_EQ(c.displayDate, "4/28/1997");
    ComposedFields later = composeFields(t, "ABD", "M/d/yyyy", false);  // after the tags were cleared
    EXPECT_FALSE(later.tagged);
    EXPECT_EQ(later.fullName, "");
    EXPECT_EQ(composeFields(t, "abc", "M/d/yyyy", false).tagged, false);  // case counts

    // A file without one tag opens only after a rebuild.
    t.deleteIndex();
    for (const auto& tag : addressTags())
        if (std::string(tag.name) != "STATEZIP") t.createTag(tag.name, tag.key);
    t.close();
    ASSERT_EQ(openAddressFile(path, t), "");
    EXPECT_FALSE(checkTags(t));
    EXPECT_EQ(rebuildQuestion(path), "The index file for " + path + "\nis missing or invalid. Rebuild now?");
    std::vector<int> tagReports;
    rebuildAddressIndexes(t, {}, [&](int p) { tagReports.push_back(p); });
    EXPECT_TRUE(checkTags(t));
    ASSERT_FALSE(tagReports.empty());
    EXPECT_TRUE(std::is_sorted(tagReports.begin(), tagReports.end()));
    EXPECT_EQ(tagReports.back(), 100);
    EXPECT_EQ(t.recCount(), 1u);
}

TEST(AddressFiles, OpenFailuresGiveTheirMessages) {
    TempDir dir;
    Table t;
    std::string missing = dir.file("NONE.DBF");
    EXPECT_EQ(openAddressFile(missing, t), "File " + missing + " not found");

    // Every field but TAG.
    std::vector<FieldSpec> schema = addressSchema(defaultWidths());
    schema.erase(std::remove_if(schema.begin(), schema.end(), [](const FieldSpec& f) { return f.name == "TAG"; }),
                 schema.end());
    std::string noTag = dir.file("NOTAG.DBF");
    Table::create(noTag, schema);
    EXPECT_EQ(openAddressFile(noTag, t),
              "Unable to open " + noTag + "\n\n * May not be a Addrova file.\n * May be in use by another program or user");
    EXPECT_FALSE(t.isOpen());

    std::string held = dir.file("HELD.DBF");
    ASSERT_EQ(createAddressFile(held, defaultWidths()), "");
    Table holder;
    holder.open(held);
    EXPECT_EQ(openAddressFile(held, t), unableToOpenMessage(held));
    EXPECT_EQ(createAddressFile(dir.file("no/such/dir/X.DBF"), defaultWidths()), "Create failed");
}

TEST(AddressFiles, OtherToolsReadANewFile) {
    int probe = -1;
    run("perl -MXBase -e 1 2>/dev/null && /usr/bin/python3 -c 'import dbf' 2>/dev/null", &probe);
    if (probe != 0) GTEST_SKIP() << "Perl XBase or python3-dbf is missing";
    TempDir dir;
    std::string path = dir.file("add0001.dbf");
    int status = -1;
    run(std::string(ADDROVA_BATCH_PATH) + " create " + path + " >/dev/null", &status);
    ASSERT_EQ(status, 0);
    std::string py = run("/usr/bin/python3 -c \"import dbf; t = dbf.Table('" + path +
                         "'); t.open(); print(len(t.field_names), ','.join(t.field_names))\"");
    EXPECT_EQ(py.substr(0, 3), "23 ");
    EXPECT_NE(py.find("lname,fname,middle,prefix"), std::string::npos) << py;
    std::string perl = run("perl -MXBase::Index -e 'my $i = XBase::Index->new(\"" + dir.file("add0001.cdx") +
                           "\", type => \"C\") or die; for my $t ($i->tags) { my $x = XBase::Index->new(\"" +
                           dir.file("add0001.cdx") + "\", tag => $t, type => \"C\") or die; print \"$t=$x->{key_string}\\n\"; }'");
    for (const auto& tag : addressTags())
        EXPECT_NE(perl.find(std::string(tag.name) + "=" + tag.key + "\n"), std::string::npos) << tag.name << "\n" << perl;
}

}  // namespace
