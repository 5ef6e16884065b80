#include "AddressFile.h"
#include "PdfProbe.h"
#include "PrintJob.h"
#include "PrinterControl.h"
#include "Table.h"
#include "TestSupport.h"
#include "ZipCount.h"
#include "ZipReport.h"

#include <QGuiApplication>
#include <cmath>
#include <gtest/gtest.h>

using namespace addrova;
using postal::CountLine;
using postal::ZipCounter;

namespace {
using Lines = std::vector<std::string>;

Lines listingOf(const std::vector<std::string>& zips)
{
    ZipCounter c;
    for (const auto& z : zips)
        c.add(z);
    return c.listing();
}
}  // namespace

TEST(ZipCount, Formatting)
{
    const std::pair<uint64_t, const char*> counts[] = {{0, "0"},         {7, "7"},           {999, "999"},
                                                       {1000, "1,000"}, {1500, "1,500"},     {999999, "999,999"},
                                                       {1234567, "1,234,567"}};
    for (const auto& [n, text] : counts)
        EXPECT_EQ(postal::FormatCount(n), text) << n;
    EXPECT_EQ(CountLine("12345", 3), "12345     3");
    EXPECT_EQ(CountLine("BLANK", 2), "BLANK     2");
}

TEST(ZipCount, Listing)
{
    struct Case {
        const char* what;
        std::vector<std::string> zips;
        Lines expected;
    } cases[] = {
        {"ZIP and ZIP+4 share their first five", {"12345", "12345-6789", "12345"}, {"12345     3", "", ""}},
        {"four characters are another code", {"1234", "90210"}, {"90210     1", "", "", "1234      1"}},
        {"a Canadian code counts by its first five", {"K1A 0B1", "K1A 0C2"}, {"", "", "K1A 0     2"}},
        {"blanks come last", {"", "55555", "", "A1"}, {"55555     1", "", "", "A1        1", "BLANK     2"}},
        {"ascending across first digits",
         {"90210", "00501", "10001", "00501"},
         {"00501     2", "10001     1", "90210     1", "", ""}},
        {"other codes without regard to case",
         {"k1a 0b1", "K1A 0B1", "b2c", "A9"},
         {"", "", "A9        1", "b2c       1", "k1a 0     2"}},
        {"nothing at all", {}, {"", ""}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(listingOf(c.zips), c.expected) << c.what;
}

TEST(ZipCount, ThousandsInTheCount)
{
    ZipCounter c;
    for (int i = 0; i < 1500; ++i)
        c.add("90210");
    EXPECT_EQ(c.listing().front(), "90210     1,500");
}

class ZipCountTable : public ::testing::Test {
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

TEST_F(ZipCountTable, CountsTheSelectionAndKeepsOrderAndRecord)
{
    for (int i = 0; i < 250; ++i)
        add(i % 2 ? "12345" : "12345-0001");
    add("55555", true);
    add("");
    table.setSelection("!ISDEL");
    table.setOrder("ZIP");
    table.go(7);
    Lines listing;
    std::vector<std::string> said;
    ASSERT_EQ(postal::CountZipCodes(table, listing,
                                    [&](const std::string& s) {
                                        said.push_back(s);
                                        return true;
                                    }),
              postal::CountResult::Done);
    EXPECT_EQ(listing, (Lines{"12345     250", "", "", "BLANK     1"}));
    EXPECT_EQ(said, (Lines{"Reading database records...", "Reading record 100", "Reading record 200",
                           "Sorting Zip Codes..."}));
    EXPECT_EQ(table.orderName(table.order()), "ZIP");
    EXPECT_EQ(table.recNo(), 7u);
}

TEST_F(ZipCountTable, CancelLeavesNoListing)
{
    for (int i = 0; i < 250; ++i)
        add("12345");
    Lines listing{"old"};
    int calls = 0;
    EXPECT_EQ(postal::CountZipCodes(table, listing, [&](const std::string&) { return ++calls < 2; }),
              postal::CountResult::Cancelled);
    EXPECT_TRUE(listing.empty());
}

// Page 1's ZIPs by column (from their left edges), checked against the listing from its first line.
void checkPageOne(const QString& pdf, const Lines& listing, size_t& line, size_t& rows)
{
    const auto words = ReadPdfWords(pdf, 1);
    std::vector<std::vector<const PdfWord*>> columns(4);
    for (const auto& w : words) {
        if (w.text.size() != 5 || !w.text.startsWith(QLatin1Char('1')))
            continue;
        const double c = (w.xMin / 72 - 0.5) / 1.875;
        ASSERT_NEAR(c, std::round(c), 0.05) << w.text.toStdString();
        ASSERT_GE(c, -0.05);
        ASSERT_LT(c, 3.5);
        columns[static_cast<size_t>(std::lround(c))].push_back(&w);
    }
    rows = columns[0].size();
    EXPECT_NEAR(static_cast<double>(rows), 9 * 6, 2);  // 9 inches of 1/6-inch lines
    line = 0;
    for (const auto& col : columns) {
        ASSERT_FALSE(col.empty());
        if (line + rows <= listing.size()) {
            ASSERT_EQ(col.size(), rows);
        }
        EXPECT_NEAR(col.front()->yMin, 72, 4);  // at the section's top
        for (const PdfWord* w : col)
            EXPECT_EQ(w->text.toStdString(), listing[line++].substr(0, 5));
        EXPECT_LT(col.back()->yMax, 10 * 72 + 1);
    }
    // The count stands right-justified in the second cell.
    const PdfWord* n = FindWord(words, QString::number(rows + 1));
    ASSERT_NE(n, nullptr);
    EXPECT_NEAR(n->xMax, (0.5 + 1.875 + 1.25) * 72, 3);
    ASSERT_NE(FindWord(words, "Zip"), nullptr);
    const PdfWord* page = FindWord(words, "Page");
    ASSERT_NE(page, nullptr);
    EXPECT_GT(page->yMin, 10 * 72 - 1);
}

TEST(ZipReport, ColumnsFillPageOneBeforePageTwo)
{
    for (int count : {200, 250}) {
        Lines listing;
        for (int i = 0; i < count; ++i) {
            listing.push_back(CountLine(std::to_string(10000 + i), static_cast<uint64_t>(i + 1)));
        }
        print::PrinterControl printer;
        printer.SetPrinterByName(print::PrinterControl::PdfPrinterName());
        printer.SetPaperCode(print::PaperLetter);
        print::PrintJob job(printer);
        postal::ConfigureZipReport(job, listing, 1252);
        test::TempDir dir;
        const QString pdf = QString::fromStdString(dir.file("zip.pdf"));
        ASSERT_TRUE(job.PrintToPdf(pdf));

        const PdfInfo info = ReadPdfInfo(pdf);
        EXPECT_NEAR(info.widthPt, 612, 1);
        size_t line = 0, rows = 0;
        checkPageOne(pdf, listing, line, rows);
        ASSERT_EQ(info.pages, listing.size() > 4 * rows ? 2 : 1) << count;
        if (info.pages == 2) {
            EXPECT_EQ(line, 4 * rows);
            const auto words2 = ReadPdfWords(pdf, 2);
            const PdfWord* first2 = FindWord(words2, QString::fromStdString(listing[line].substr(0, 5)));
            ASSERT_NE(first2, nullptr);
            EXPECT_NEAR(first2->xMin, 0.5 * 72, 3);
            EXPECT_NEAR(first2->yMin, 72, 4);
            EXPECT_NE(FindWord(words2, "2"), nullptr);
        } else {
            EXPECT_EQ(line, listing.size());
        }
    }
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
