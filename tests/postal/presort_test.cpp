#include "AddressFile.h"
#include "Presort.h"
#include "Table.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>

using namespace addrova;
using postal::BuildListing;
using postal::ZipTally;

namespace {

const postal::AdcTable& shippedAdc()
{
    static const postal::AdcTable t = postal::LoadAdcTable(ADDROVA_ADC_CSV);
    return t;
}

std::vector<std::string> listingOf(const std::vector<std::pair<std::string, int>>& zips)
{
    ZipTally tally;
    for (const auto& [zip, n] : zips)
        for (int i = 0; i < n; ++i)
            tally.add(zip);
    return BuildListing(tally, shippedAdc());
}

using Lines = std::vector<std::string>;

}  // namespace

TEST(Presort, ShippedAdcTableHasItsRows)
{
    const auto& t = shippedAdc();
    ASSERT_EQ(t.size(), 96u);
    EXPECT_EQ(t.front().name, "ALBANY NY 120");
    EXPECT_EQ(t[25].name, "FARGO ND  580");  // two blanks, as the postal name stands
    EXPECT_EQ(t.back().prefixes, "197 198 199");
}

TEST(Presort, Groups)
{
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, int>> zips;
        Lines expected;
    } cases[] = {
        {"ten pieces make a 5-digit group", {{"12345", 10}}, {"** 5-digit 12345", "12345"}},
        {"nine fall to their ADC", {{"12345", 9}}, {"** ADC ALBANY NY 120", "12345"}},
        {"3-digit group from two ZIPs", {{"12345", 6}, {"12399", 4}}, {"** 3-digit 123", "12345", "12399"}},
        {"ZIP+4 counts as its five digits", {{"12345-6789", 5}, {"12345", 5}}, {"** 5-digit 12345", "12345"}},
        {"prefix in no ADC row", {{"00312", 1}}, {"** Unknown", "00312"}},
        {"AMF Kennedy", {{"09012", 1}}, {"** ADC AMF KENNEDY NY 00300", "09012"}},
        {"White River, the second row", {{"05012", 1}}, {"** ADC WHITE RVR JCT VT 050", "05012"}},
        {"nothing", {}, {}},
        {"uncountable ZIPs", {{"", 3}, {"A1234", 2}, {" 1234", 1}}, {}},
        {"order: 5-digit, 3-digit, ADC in table order, unknown",
         {{"99501", 1}, {"00312", 1}, {"60601", 12}, {"12001", 1}, {"21001", 7}, {"21002", 3}, {"20001", 10}},
         {"** 5-digit 20001", "20001", "** 5-digit 60601", "60601", "** 3-digit 210", "21001", "21002",
          "** ADC ALBANY NY 120", "12001", "** ADC ANCHORAGE AK 995", "99501", "** Unknown", "00312"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(listingOf(c.zips), c.expected) << c.what;
}

TEST(Presort, EveryZipStandsOnceAndGroupsAscend)
{
    std::vector<std::pair<std::string, int>> zips;
    for (int i = 0; i < 400; ++i) {
        char z[6];
        std::snprintf(z, sizeof z, "%05d", (i * 7919) % 100000);
        zips.push_back({z, 1 + i % 13});
    }
    const Lines l = listingOf(zips);
    std::set<std::string> seen;
    std::string prev;
    for (const auto& line : l) {
        if (postal::IsHeading(line)) {
            prev.clear();
            continue;
        }
        EXPECT_TRUE(seen.insert(line).second) << line;
        EXPECT_LT(prev, line);
        prev = line;
    }
    EXPECT_EQ(seen.size(), 400u);
}

TEST(Presort, AdcTableErrorsNameTheLine)
{
    test::TempDir dir;
    struct Case {
        const char* text;
        const char* message;
    } cases[] = {
        {"name,prefixes\n", "line 1: the first line must be adc,prefixes"},
        {"adc,prefixes\n\"A\",120 12\n", "line 2: \"12\" is not a 3-digit ZIP prefix"},
        {"adc,prefixes\n\"A\",120\n\"B\",121 120\n", "line 3: prefix 120 is also in the row of line 2"},
        {"adc,prefixes\n,120\n", "line 2: the ADC name is empty"},
        {"adc,prefixes\n\"A\n", "line 2: a quoted field is not closed"},
    };
    for (const Case& c : cases) {
        const std::string p = dir.file("adc.csv");
        std::ofstream(p, std::ios::binary) << c.text;
        try {
            postal::LoadAdcTable(p);
            ADD_FAILURE() << c.text;
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
    }
    EXPECT_THROW(postal::LoadAdcTable(dir.file("missing.csv")), std::runtime_error);
}

class PresortTable : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = dir.file("ADDR.DBF");
        store::createAddressFile(path, store::defaultWidths());
        table.open(path, store::OpenMode::Exclusive);
    }
    void add(const std::string& zip, bool deleted = false)
    {
        table.appendBlank();
        table.setString("ZIP", zip);
        table.setLogical(table.fieldIndex("ISDEL"), deleted);
        table.post();
    }
    test::TempDir dir;
    std::string path;
    store::Table table;
};

TEST_F(PresortTable, ReadsTheSelectionAndWritesCrLfLines)
{
    for (int i = 0; i < 12; ++i)
        add("12345");
    add("00312");
    add("55555", true);
    table.setSelection("!ISDEL");
    std::vector<std::string> said;
    const std::string out = dir.file(postal::kListingName);
    ASSERT_EQ(postal::DoTheSort(table, shippedAdc(), out,
                                [&](const std::string& s) {
                                    said.push_back(s);
                                    return true;
                                }),
              postal::PresortResult::Done);
    std::ifstream f(out, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(f)), {});
    EXPECT_EQ(text, "** 5-digit 12345\r\n12345\r\n** Unknown\r\n00312\r\n");
    ASSERT_GE(said.size(), 2u);
    EXPECT_EQ(said.front(), "Reading database records...");
    EXPECT_EQ(said.back(), "Sorting Zip Codes...");
}

TEST_F(PresortTable, CancelWritesNothingAndEmptyQueryWritesAnEmptyFile)
{
    for (int i = 0; i < 250; ++i)
        add("12345");
    const std::string out = dir.file(postal::kListingName);
    int calls = 0;
    EXPECT_EQ(postal::DoTheSort(table, shippedAdc(), out, [&](const std::string&) { return ++calls < 2; }),
              postal::PresortResult::Cancelled);
    EXPECT_FALSE(std::ifstream(out).good());

    table.setSelection("ZIP = \"99\"");
    EXPECT_EQ(postal::DoTheSort(table, shippedAdc(), out, {}), postal::PresortResult::Done);
    std::ifstream f(out, std::ios::binary);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(f)), {}), "");
}
