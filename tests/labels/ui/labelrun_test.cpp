// Label runs printed to PDF and read back: positions, masks, copies, gutters, record choice, the
// presort with separator labels, and the paper question.

#include "LabelFixture.h"

#include "PageStream.h"
#include "PdfProbe.h"
#include "PrintJob.h"
#include "Presort.h"
#include "PrinterControl.h"

#include <QFile>

namespace labelui_test {
namespace {

using labels::LabelPrintOptions;
using labels::RecordChoice;

class LabelRunTest : public LabelFixture {};

TEST_F(LabelRunTest, ThirtyOneRecordsFillOneSheetAndStartTheNext)
{
    addNumbered(31);
    int pages = 0;
    const auto s = avery();
    const auto labels = print(LabelPrintOptions{}, s, &pages);
    ASSERT_EQ(labels.size(), 31u);
    EXPECT_EQ(pages, 2);
    for (int i = 0; i < 30; ++i) {
        EXPECT_EQ(labels[i].page, 1);
        EXPECT_EQ(columnOf(labels[i], s), i % 3) << i;
        EXPECT_EQ(rowOf(labels[i], s), i / 3) << i;
        EXPECT_EQ(labels[i].text, QStringLiteral("Rec%1").arg(i + 1, 2, 10, QLatin1Char('0')));
    }
    EXPECT_EQ(labels[30].page, 2);
    EXPECT_EQ(columnOf(labels[30], s), 0);
    EXPECT_EQ(rowOf(labels[30], s), 0);
    // The block starts 5 design pixels inside the label's corner.
    EXPECT_NEAR(labels[0].x, 0.188 + 5 / 96.0, 0.01);
    EXPECT_NEAR(labels[4].x, 0.188 + 2.75 + 5 / 96.0, 0.005);
    EXPECT_NEAR(labels[3].y - labels[0].y, 1.0, 0.005);
}

TEST_F(LabelRunTest, MaskUsesOnlyItsPositionsOnEveryPage)
{
    addNumbered(5);
    LabelPrintOptions o;
    o.mask.reset();
    o.mask.set(0);
    o.mask.set(2);
    int pages = 0;
    const auto s = avery();
    const auto labels = print(o, s, &pages);
    ASSERT_EQ(labels.size(), 5u);
    EXPECT_EQ(pages, 3);
    const int expectPage[5] = {1, 1, 2, 2, 3}, expectColumn[5] = {0, 2, 0, 2, 0};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(labels[i].page, expectPage[i]) << i;
        EXPECT_EQ(columnOf(labels[i], s), expectColumn[i]) << i;
        EXPECT_EQ(rowOf(labels[i], s), 0) << i;
    }
}

TEST_F(LabelRunTest, CopiesRepeatEachRecord)
{
    addNumbered(2);
    LabelPrintOptions o;
    o.copies = 3;
    const auto s = avery();
    const auto labels = print(o, s);
    ASSERT_EQ(labels.size(), 6u);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(labels[i].text, i < 3 ? QStringLiteral("Rec01") : QStringLiteral("Rec02"));
        EXPECT_EQ(rowOf(labels[i], s), i / 3);
        EXPECT_EQ(columnOf(labels[i], s), i % 3);
    }
}

// The status text of a run names the page total where it is known beforehand, and the sheets
// made match it.
struct TotalCase {
    const char* name;
    RecordChoice choice;
    bool fromCurrent;
    int copies;
    int positions;  // first positions of the mask that are set
    bool preview;
    const char* firstStatus;
    int pages;
};

class LabelRunTotal : public LabelFixture, public ::testing::WithParamInterface<TotalCase> {};

TEST_P(LabelRunTotal, StatusNamesThePageTotal)
{
    const TotalCase& c = GetParam();
    addNumbered(31);
    LabelPrintOptions o;
    o.choice = c.choice;
    o.startFromCurrent = c.fromCurrent;
    o.copies = c.copies;
    o.mask.reset();
    for (int i = 0; i < c.positions; ++i)
        o.mask.set(static_cast<std::size_t>(i));
    labels::LabelRunHooks hooks;
    hooks.info = [](const QString& m) { ui::ShowInfo(m); };
    hooks.ask = [](const QString&) { return true; };
    t_.go(5);
    labels::LabelPrintRun run(t_, avery(), sysdata_, program_, o, hooks);
    print::PrinterControl printer;
    printer.SetPrinterByName(print::PrinterControl::PdfPrinterName());
    labels::PrinterPaper paper(printer);
    ASSERT_TRUE(run.Prepare(paper));
    print::PrintJob job(printer);
    run.ConfigureJob(job, c.preview);
    QStringList seen;
    job.SetStatusSink([&seen](const QString& s) { seen << s; });
    print::PageStream stream;
    ASSERT_TRUE(job.PrintToStream(stream));
    ASSERT_FALSE(seen.isEmpty());
    EXPECT_EQ(seen.front(), QString::fromLatin1(c.firstStatus));
    EXPECT_EQ(stream.PageCount(), c.pages);
    EXPECT_EQ(job.PageTotal(), QString::fromLatin1(c.firstStatus).contains(QStringLiteral(" of ")) ? c.pages : 0);
}

INSTANTIATE_TEST_SUITE_P(
    LabelRun, LabelRunTotal,
    ::testing::Values(
        TotalCase{"AllRecords", RecordChoice::All, false, 1, 30, true, "Preparing Preview Page 1 of 2\r\r", 2},
        TotalCase{"Printing", RecordChoice::All, false, 1, 30, false, "Printing Page 1 of 2\r\r", 2},
        TotalCase{"CopiesAndMask", RecordChoice::All, false, 3, 10, true, "Preparing Preview Page 1 of 10\r\r", 10},
        TotalCase{"OnlyCurrent", RecordChoice::OnlyCurrent, false, 2, 30, true, "Preparing Preview Page 1 of 1\r\r",
                  1},
        TotalCase{"FromCurrentUnknown", RecordChoice::All, true, 1, 30, true, "Preparing Preview Page 1\r\r", 1}),
    [](const ::testing::TestParamInfo<TotalCase>& i) { return std::string(i.param.name); });

TEST_F(LabelRunTest, MiddleGutterMovesTheRightHalfOfTheColumns)
{
    addNumbered(3);
    auto s = avery();
    const auto plain = print(LabelPrintOptions{}, s);
    s.midExtraX = 0.25;
    const auto gutter = print(LabelPrintOptions{}, s);
    ASSERT_EQ(plain.size(), 3u);
    ASSERT_EQ(gutter.size(), 3u);
    EXPECT_NEAR(gutter[0].x - plain[0].x, 0.0, 0.005);
    EXPECT_NEAR(gutter[1].x - plain[1].x, 0.25, 0.005);
    EXPECT_NEAR(gutter[2].x - plain[2].x, 0.25, 0.005);
}

TEST_F(LabelRunTest, RecordChoices)
{
    addNumbered(6);
    t_.setSelection("!ISDEL .and. LNAME >= \"Rec04\"");
    struct Case {
        const char* name;
        RecordChoice choice;
        bool startFromCurrent;
        uint32_t current;
        std::vector<QString> expected;
        bool outOfRange;
    } cases[] = {
        {"filter", RecordChoice::Filter, false, 5, {"Rec04", "Rec05", "Rec06"}, false},
        {"all", RecordChoice::All, false, 5, {"Rec01", "Rec02", "Rec03", "Rec04", "Rec05", "Rec06"}, false},
        {"only current", RecordChoice::OnlyCurrent, false, 2, {"Rec02"}, false},
        {"only current from current", RecordChoice::OnlyCurrent, true, 2, {"Rec02"}, false},
        {"filter from current", RecordChoice::Filter, true, 5, {"Rec05", "Rec06"}, false},
        {"from current outside the filter", RecordChoice::Filter, true, 2, {"Rec04", "Rec05", "Rec06"}, true},
    };
    const auto s = avery();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        messages_.clear();
        t_.go(c.current);
        LabelPrintOptions o;
        o.choice = c.choice;
        o.startFromCurrent = c.startFromCurrent;
        const auto labels = print(o, s);
        std::vector<QString> names;
        for (const auto& l : labels)
            names.push_back(l.text);
        EXPECT_EQ(names, c.expected);
        EXPECT_EQ(columnOf(labels.front(), s), 0);
        EXPECT_EQ(rowOf(labels.front(), s), 0);
        EXPECT_EQ(!messages_.empty() && messages_.front() == QLatin1String(labels::kOutOfRange), c.outOfRange);
        // The table is given back as it was.
        EXPECT_EQ(t_.recNo(), c.current);
        EXPECT_EQ(t_.selection(), "!ISDEL .and. LNAME >= \"Rec04\"");
    }
}

TEST_F(LabelRunTest, PresortPrintsSeparatorLabelsBeforeEachGroup)
{
    for (int i = 1; i <= 12; ++i)
        add("Rec" + std::to_string(i + 10), "12345");
    add("Rec99", "00312");
    LabelPrintOptions o;
    o.presort = true;
    const auto s = avery();
    const auto labels = print(o, s);
    ASSERT_EQ(labels.size(), 15u);
    EXPECT_TRUE(labels[0].separator);
    EXPECT_EQ(labels[0].text, QStringLiteral("** 5-digit 12345"));
    for (int i = 1; i <= 12; ++i)
        EXPECT_FALSE(labels[i].separator) << i;
    EXPECT_TRUE(labels[13].separator);
    EXPECT_EQ(labels[13].text, QStringLiteral("** Unknown"));
    EXPECT_EQ(labels[14].text, QStringLiteral("Rec99"));
    // 15 positions in order: the last on row 4, column 2.
    EXPECT_EQ(rowOf(labels[14], s), 4);
    EXPECT_EQ(columnOf(labels[14], s), 2);
    // The heading sits 0.15 inch in and a third of the pitch down.
    EXPECT_NEAR(labels[0].x, s.leftMarg + 0.15, 0.01);
    EXPECT_TRUE(QFile::exists(QString::fromStdString(program_ + postal::kListingName)));
    ASSERT_FALSE(messages_.empty());
    EXPECT_EQ(messages_.front(), QLatin1String(labels::kPresortOrder));
    EXPECT_EQ(t_.order(), 0);  // the ZIP order was only for the run
}

TEST_F(LabelRunTest, MissingLayoutFilePrintsNothing)
{
    addNumbered(2);
    QFile::remove(QString::fromStdString(sysdata_ + "BIN00001.L"));
    EXPECT_TRUE(print(LabelPrintOptions{}).empty());
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0], QLatin1String(labels::kLayoutFileMissing));
}

// A printer that keeps its Letter paper whatever it is asked for.
class LetterOnly : public labels::PaperDevice {
public:
    std::string deviceName() const override { return "Letter only"; }
    void setPaperCode(int) override {}
    void setCustomPaper(double, double) override {}
    void setLandscape(bool l) override { landscape = l; }
    double pageWidth() const override { return landscape ? 11 : 8.5; }
    double pageHeight() const override { return landscape ? 8.5 : 11; }
    bool landscape = false;
};

TEST_F(LabelRunTest, CustomPaperIsConfirmedAgainstThePrinter)
{
    addNumbered(1);
    auto s = avery();
    s.paperSize = "USERP";
    s.sheetWidth = 4.0;
    s.sheetDepth = 6.0;
    s.nbrAcross = 1;
    s.nbrDown = 5;

    // The PDF printer takes the size: no question, 4 x 6 inch pages.
    int pages = 0;
    EXPECT_EQ(print(LabelPrintOptions{}, s, &pages).size(), 1u);
    EXPECT_TRUE(questions_.empty());
    const PdfInfo info = ReadPdfInfo(dir_.path() + QStringLiteral("/out.pdf"));
    EXPECT_NEAR(info.widthPt, 288, 1);
    EXPECT_NEAR(info.heightPt, 432, 1);

    // A printer that stays on Letter: the question, and No stops the run.
    for (bool yes : {false, true}) {
        questions_.clear();
        answer_ = yes;
        labels::LabelRunHooks hooks;
        hooks.ask = [](const QString& m) { return ui::AskYesNo(m, QStringLiteral("PAPER SIZE")); };
        labels::LabelPrintRun run(t_, s, sysdata_, program_, LabelPrintOptions{}, hooks);
        LetterOnly letter;
        EXPECT_EQ(run.Prepare(letter), yes);
        ASSERT_EQ(questions_.size(), 1u);
        EXPECT_EQ(questions_[0], QStringLiteral("Unable to confirm that the paper size was set to\r\n\r\n4.00\" by "
                                                "6.00\"\r\n\r\n(you may have the wrong printer selected)\r\n\r\n"
                                                "Would you like to try printing anyways?"));
    }
}

}  // namespace
}  // namespace labelui_test
