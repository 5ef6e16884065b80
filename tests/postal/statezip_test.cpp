#include "AddressFile.h"
#include "StateZip.h"
#include "Table.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace addrova;
using postal::StateRanges;

namespace {

// The ranges shipped with the program, read from their source text.
StateRanges shippedRanges()
{
    std::ifstream f(ADDROVA_CSZ_CSV);
    std::string line;
    std::getline(f, line);  // header
    StateRanges r;
    while (std::getline(f, line)) {
        std::stringstream in(line);
        std::string name, state, low, high;
        std::getline(in, name, ',');
        std::getline(in, state, ',');
        std::getline(in, low, ',');
        std::getline(in, high, ',');
        if (!high.empty() && high.back() == '\r')
            high.pop_back();
        r.add(state, low, high);
    }
    return r;
}

}  // namespace

TEST(StateRanges, Fits)
{
    StateRanges r;
    r.add("NY", "10000", "14999");
    r.add("ny", "00500", "00599");  // the tag keys rows in capitals
    r.add("ON", "K", "P9Z 9Z9");
    struct Case {
        const char *state, *zip;
        bool fits;
    } cases[] = {
        {"NY", "10001", true},       {"NY", "09999", false},      {"NY", "14999", true},
        {"NY", "14999-1234", false},  // the longer text is greater
        {"NY", "00501", true},        // in the second row of the state
        {"XX", "10001", false},       {"ny", "10001", false},      // looked up as written
        {"N", "10001", false},        {"", "10001", false},        {"NY", "", false},
        {"ON", "K1A 0B1", true},      {"ON", "A1A 1A1", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(r.fits(c.state, c.zip), c.fits) << c.state << " " << c.zip;
    EXPECT_EQ(r.rows(), 3u);
}

TEST(StateRanges, EveryRowOfAStateCounts)
{
    // The shipped ranges give New York two rows; a ZIP of either is fine.
    const StateRanges r = shippedRanges();
    EXPECT_TRUE(r.fits("NY", "00501"));
    EXPECT_TRUE(r.fits("NY", "10001"));
    EXPECT_TRUE(r.fits("MA", "05501"));
    EXPECT_TRUE(r.fits("MA", "02108"));
    EXPECT_FALSE(r.fits("NY", "09999"));
    EXPECT_TRUE(r.fits("QC", "H2X 1Y4"));
}

class StateZipTable : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = dir.file("ADDR.DBF");
        ASSERT_EQ(store::createAddressFile(path, store::defaultWidths()), "");
        table.open(path, store::OpenMode::Exclusive);
        table.setSelection("!ISDEL");
        ranges.add("NY", "10000", "14999");
        ranges.add("NJ", "07000", "08999");
    }
    uint32_t add(const std::string& last, const std::string& state, const std::string& zip)
    {
        table.appendBlank();
        table.setString("LNAME", last);
        table.setString("FNAME", "Pat");
        table.setString("STATE", state);
        table.setString("ZIP", zip);
        table.post();
        return table.recNo();
    }
    std::vector<std::string> names(postal::StateZipCheck& check)
    {
        std::vector<std::string> out;
        for (uint32_t rec : check.records()) {
            table.go(rec);
            out.push_back(table.getString("LNAME"));
        }
        return out;
    }
    test::TempDir dir;
    std::string path;
    store::Table table;
    StateRanges ranges;
};

TEST_F(StateZipTable, QuestionableRecordsInNameOrder)
{
    add("Fine", "NY", "10001");
    add("Zeta", "NY", "09999");
    add("Alpha", "XX", "10001");
    add("Plus", "NY", "14999-1234");
    add("Lower", "ny", "10001");
    add("Blank", "", "10001");
    add("Nozip", "NJ", "");
    add("Jersey", "NJ", "07001");
    {
        postal::StateZipCheck check(table);
        const auto r = check.run(ranges, false);
        EXPECT_EQ(r.checked, 8u);
        EXPECT_EQ(r.questionable, 4u);
        EXPECT_FALSE(r.cancelled);
        EXPECT_EQ(names(check), (std::vector<std::string>{"Alpha", "Lower", "Plus", "Zeta"}));
        EXPECT_TRUE(std::filesystem::exists(dir.file(postal::kCheckIndexName)));
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file(postal::kCheckIndexName)));
    EXPECT_EQ(table.order(), 0);

    postal::StateZipCheck check(table);
    EXPECT_EQ(check.run(ranges, true).questionable, 6u);
    EXPECT_EQ(names(check), (std::vector<std::string>{"Alpha", "Blank", "Lower", "Nozip", "Plus", "Zeta"}));
    check.close();
    EXPECT_FALSE(std::filesystem::exists(dir.file(postal::kCheckIndexName)));
}

TEST_F(StateZipTable, CancelKeepsWhatWasFound)
{
    for (int i = 0; i < 100; ++i)
        add("N" + std::to_string(1000 + i), "NY", i % 10 == 3 ? "99999" : "12345");
    postal::StateZipCheck check(table);
    std::vector<uint32_t> seen;
    const auto r = check.run(ranges, false, [&](uint32_t checked, uint32_t total, uint32_t) {
        seen.push_back(checked);
        EXPECT_EQ(total, 100u);
        return checked < 50;
    });
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(r.checked, 50u);
    EXPECT_EQ(r.questionable, 5u);
    EXPECT_EQ(names(check), (std::vector<std::string>{"N1003", "N1013", "N1023", "N1033", "N1043"}));
}

TEST_F(StateZipTable, DeletedRecordsAreNotChecked)
{
    add("Gone", "XX", "1");
    table.setLogical("ISDEL", true);
    table.post();
    add("Here", "XX", "1");
    postal::StateZipCheck check(table);
    EXPECT_EQ(check.run(ranges, false).questionable, 1u);
    EXPECT_EQ(names(check), (std::vector<std::string>{"Here"}));
}

TEST_F(StateZipTable, TaggingTheResult)
{
    add("Fine", "NY", "10001");
    const uint32_t bad = add("Bad", "NY", "20001");
    postal::StateZipCheck check(table);
    check.run(ranges, false);
    EXPECT_EQ(postal::TagResult(table, check, "T1"), 1u);
    table.go(bad);
    EXPECT_EQ(table.getString("TAG"), "T1");
    EXPECT_FALSE(postal::ToggleTag(table, "T1"));
    EXPECT_EQ(table.getString("TAG"), "");
    table.go(1);
    EXPECT_EQ(table.getString("TAG"), "");
}

TEST_F(StateZipTable, ReadsTheRangeTable)
{
    const std::string csz = dir.file("CSZ.DBF");
    store::Table::create(csz, std::vector<store::FieldSpec>{{"NAME", 'C', 20, 0},
                                                            {"STATE", 'C', 4, 0},
                                                            {"LOW_ZIP", 'C', 10, 0},
                                                            {"HIGH_ZIP", 'C', 10, 0}});
    store::Table t;
    t.open(csz, store::OpenMode::Exclusive);
    const char* rows[][3] = {{"NY", "00500", "00599"}, {"NY", "10000", "14999"}, {"ON", "K", "P9Z 9Z9"}};
    for (const auto& row : rows) {
        t.appendBlank();
        t.setString("STATE", row[0]);
        t.setString("LOW_ZIP", row[1]);
        t.setString("HIGH_ZIP", row[2]);
        t.post();
    }
    t.createTag("STATE", "UPPER(STATE)");
    const StateRanges r = StateRanges::Load(t);
    EXPECT_EQ(r.rows(), 3u);
    EXPECT_TRUE(r.fits("NY", "00550"));
    EXPECT_TRUE(r.fits("NY", "10550"));
    EXPECT_EQ(t.orderName(t.order()), "STATE");
}
