#include "MainLogic.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace addrova::ui;

TEST(RecentlyUsed, HeadDeduplicatesAndCutsToFour)
{
    struct Case {
        QStringList old;
        QString path;
        QStringList expected;
    } cases[] = {
        {{}, "/a", {"/a"}},
        {{"/a", "/b"}, "/b", {"/b", "/a"}},
        {{"/a", "/b", "/c", "/d"}, "/e", {"/e", "/a", "/b", "/c"}},
        {{"/a", "/b", "/c", "/d"}, "/d", {"/d", "/a", "/b", "/c"}},
        {{"/A"}, "/a", {"/a", "/A"}},  // case-sensitive comparison
    };
    for (const auto& c : cases)
        EXPECT_EQ(pushRecentlyUsed(c.old, c.path), c.expected) << c.path.toStdString();
}

TEST(SortOrders, CaptionsMapToTags)
{
    ASSERT_EQ(sortOrders().size(), 14u);
    EXPECT_EQ(tagOfOrderName("Last Name"), "LNAME");
    EXPECT_EQ(tagOfOrderName("e-MAIL"), "EMAIL");
    EXPECT_EQ(tagOfOrderName("Zip"), "ZIP");
    EXPECT_EQ(tagOfOrderName("Nickname"), "");
    EXPECT_EQ(orderNameOfTag("CITY"), "City");
    for (const auto& o : sortOrders())
        EXPECT_EQ(tagOfOrderName(orderName(o)), QString::fromLatin1(o.tag));
}

TEST(StatusLine, CountTexts)
{
    EXPECT_EQ(selectionCountText(0, false), "No records");
    EXPECT_EQ(selectionCountText(12, false), "12 records (no filter)");
    EXPECT_EQ(selectionCountText(3, true), "3 filter matches");
}

TEST(NewFile, ProposesFirstFreeNumber)
{
    QTemporaryDir dir;
    const QString d = dir.path() + "/";
    EXPECT_EQ(proposeNewFileName(d), "ADD0001");
    for (int i = 1; i <= 3; ++i) {
        QFile f(d + QString("ADD%1.DBF").arg(i, 4, 10, QLatin1Char('0')));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    EXPECT_EQ(proposeNewFileName(d), "ADD0004");
}

TEST(NewFile, ValidIdentifiers)
{
    for (const char* good : {"ADD0001", "_x", "a_1"})
        EXPECT_TRUE(validFileIdentifier(good)) << good;
    for (const char* bad : {"", "1ADD", "my.file", "a b", "é"})
        EXPECT_FALSE(validFileIdentifier(QString::fromUtf8(bad))) << bad;
}

TEST(MemoRule, BlankAddedAtPositiveMultiplesOfFour)
{
    struct Case {
        QStringList lines;
        QString stored;
    } cases[] = {
        {{"abcdefgh"}, "abcdefgh "},
        {{"abcdefg"}, "abcdefg"},
        {{"a", "b"}, "a\r\nb "},      // line end counts two: 1 + 2 + 1
        {{"ab", "c"}, "ab\r\nc"},     // 5
        {{""}, ""},                   // empty text stays empty
        {{"abc", ""}, "abc\r\n"},     // 5
        {{"abcdef", ""}, "abcdef\r\n "}, // 8: the blank goes on the empty last line
    };
    for (const auto& c : cases)
        EXPECT_EQ(memoForStorage(c.lines), c.stored) << c.lines.join("|").toStdString();
}

TEST(NewRecord, PreferencesFillTheRecordInOrder)
{
    const CarriedValues carried{"Acme", "Springfield", "IL", "62701", "USA", "1 Main St", "Suite 2"};
    auto valuesOf = [](const std::vector<std::pair<std::string, QString>>& v) {
        std::map<std::string, QString> m;
        for (const auto& [f, x] : v)
            m[f] = x;  // a later assignment wins
        return m;
    };
    struct Case {
        const char* name;
        AddOptions opts;
        NewRecordInput input;
        std::map<std::string, QString> expected;
    };
    AddOptions carryAll;
    carryAll.CarryOrg = carryAll.CarrySA1 = carryAll.CarrySA2 = carryAll.CarryCity = carryAll.CarryState =
        carryAll.CarryZip = carryAll.CarryCountry = true;
    AddOptions country;
    country.DefaultCountry = "Canada";
    AddOptions date;
    date.PlugDate = true;
    NewRecordInput looked;
    looked.zipEntered = true;
    looked.zip = "10001";
    looked.cityStateFound = true;
    looked.city = "New York";
    looked.state = "NY";
    NewRecordInput names;
    names.namesEntered = true;
    names.first = "Ann";
    names.last = "Lee";
    const Case cases[] = {
        {"nothing", {}, {}, {}},
        {"carry all", carryAll, {}, {{"ORG", "Acme"}, {"CITY", "Springfield"}, {"STATE", "IL"}, {"ZIP", "62701"},
                                     {"COUNTRY", "USA"}, {"STREET", "1 Main St"}, {"STREET2", "Suite 2"}}},
        {"look-up wins over carried", carryAll, looked,
         {{"ORG", "Acme"}, {"CITY", "New York"}, {"STATE", "NY"}, {"ZIP", "10001"}, {"COUNTRY", "USA"},
          {"STREET", "1 Main St"}, {"STREET2", "Suite 2"}}},
        {"default country", country, {}, {{"COUNTRY", "Canada"}}},
        {"date", date, {}, {{"DATE", "19970428"}}},
        {"names", {}, names, {{"FNAME", "Ann"}, {"LNAME", "Lee"}}},
    };
    for (const auto& c : cases) {
        CarriedValues from = carried;
        if (!c.opts.CarryCountry)
            from.country.clear();  // the caller notes the country only when it is carried
        EXPECT_EQ(valuesOf(newRecordValues(c.opts, from, c.input, "19970428")), c.expected) << c.name;
    }
    // A carried country keeps the default country out.
    AddOptions both = country;
    both.CarryCountry = true;
    EXPECT_EQ(valuesOf(newRecordValues(both, carried, {}, "19970428")).at("COUNTRY"), "USA");
}

TEST(NewRecord, DuplicateKeyAndQuestion)
{
    EXPECT_EQ(duplicateKey("Brown", "John", 8, 6), "BROWN   JOHN  ");
    EXPECT_EQ(duplicateKey("Brownington", "Jo", 8, 3), "BROWNINGJO ");
    EXPECT_EQ(duplicateQuestion("John", "Brown", "1 Main St", "Springfield", "IL", "62701"),
              "Possible duplicate: \n\nJohn Brown\n1 Main St\nSpringfield,IL 62701\n\nContinue adding?");
}

TEST(Clipboard, RecordText)
{
    std::map<std::string, QString> f{{"PREFIX", "Mr."},   {"FNAME", "John"},       {"MIDDLE", "Q"},
                                     {"LNAME", "Brown"},  {"TITLE", "Manager"},    {"ORG", ""},
                                     {"STREET", "1 Main"}, {"STREET2", ""},        {"CITY", "Springfield"},
                                     {"STATE", "IL"},     {"ZIP", "62701"},        {"COUNTRY", ""},
                                     {"PHONE", "555-1"},  {"PHONE2", ""},          {"CODES", "AB"},
                                     {"USER1", ""},       {"USER2", "call later"}};
    EXPECT_EQ(recordClipboardText(f, {}),
              "Mr. John Q. Brown \r\nManager\r\n1 Main\r\nSpringfield  IL 62701\r\nPhone  :555-1\r\nCodes :AB\r\n"
              "Comment 2 :call later\r\n");
    ClipboardGroups only;
    only.names = only.address = only.codes = only.comments = false;
    EXPECT_EQ(recordClipboardText(f, only), "Phone  :555-1\r\n");
    // No prefix and no middle initial: no stray blanks in front.
    f["PREFIX"] = "";
    f["MIDDLE"] = "";
    f["CITY"] = f["STATE"] = f["ZIP"] = "";
    ClipboardGroups names;
    names.phones = names.codes = names.comments = false;
    EXPECT_EQ(recordClipboardText(f, names), "John Brown \r\nManager\r\n1 Main\r\n");
}
