// Report runs printed to PDF files and pictures: the built-in reports, the current-record print and
// user-defined reports with their bands, page breaks, memo blocks, frames and the stop message.

#include "ReportFixture.h"

#include "PrintJob.h"
#include "PrinterControl.h"
#include "ReportPrint.h"
#include "ReportRun.h"
#include "ReportStatus.h"
#include "TPreviewForm.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>

namespace reports_test {
namespace {

using print::RecordChoice;

class ReportPrintTest : public ReportFixture {
protected:
    ReportPrintTest()
    {
        printer_.SetPrinterByName(print::PrinterControl::PdfPrinterName());
        printer_.SetPaperCode(print::PaperLetter);
    }

    bool builtIn(const reports::BuiltInOptions& o, RecordChoice choice = RecordChoice::Filter, bool fromCurrent = false)
    {
        reports::ReportRun run(t_, [this](const QString& s) { messages_.push_back(s); });
        run.PrepareBuiltIn(o.report, choice, fromCurrent);
        print::PrintJob job(printer_);
        reports::BuiltInReportPrint report(t_, o, {});
        report.ConfigureJob(job);
        return job.PrintToPdf(pdf());
    }

    bool userDefined(const reports::ReportSettings& s, RecordChoice choice = RecordChoice::Filter,
                     bool onePerPage = false, std::vector<QImage>* images = nullptr)
    {
        const QString path = writeLayout(s);
        reports::ReportRun run(t_, [this](const QString& m) { messages_.push_back(m); });
        run.PrepareUserDefined(choice, false);
        print::PrintJob job(printer_);
        reports::UserDefinedReportPrint report(t_, path, onePerPage, {});
        report.ConfigureJob(job);
        return images ? job.PrintToImages(*images, 150) : job.PrintToPdf(pdf());
    }

    print::PrinterControl printer_;
};

// ---- built-in reports ----

TEST_F(ReportPrintTest, Report1CellsAndTheSkippedBlankName)
{
    add({{"LNAME", "Smith"}, {"FNAME", "John"}, {"MIDDLE", "Q"}, {"CITY", "Springfield"}, {"STATE", "IL"},
         {"ZIP", "62704"}, {"STREET", "Elm St"}, {"PHONE", "555-1234"}});
    const uint32_t blank = add({{"FNAME", "Nameless"}, {"CITY", "Nowhere"}});
    ASSERT_TRUE(builtIn({1, QStringLiteral("Report 1"), false, false}));
    EXPECT_EQ(pages(), 1);
    const auto w = ReadPdfWords(pdf(), 1);
    for (const char* text : {"Smith,", "John", "Q.", "Springfield,", "IL", "62704", "555-1234", "Report", "Page"})
        EXPECT_TRUE(FindWord(w, QString::fromLatin1(text))) << text;
    // The record without a last name sorts before "0" and is skipped from the first record.
    EXPECT_FALSE(FindWord(w, QStringLiteral("Nameless")));

    // Columns start at their tab stops (left margin 1.0, widths 1.75, 2.15, 2.0) plus the inner margin.
    const double pt = 72;
    EXPECT_NEAR(FindWord(w, QStringLiteral("Smith,"))->xMin, (1.0 + 0.02) * pt, 1.5);
    EXPECT_NEAR(FindWord(w, QStringLiteral("Elm"))->xMin, (1.0 + 1.75 + 0.02) * pt, 1.5);
    EXPECT_NEAR(FindWord(w, QStringLiteral("Springfield,"))->xMin, (1.0 + 1.75 + 2.15 + 0.02) * pt, 1.5);
    EXPECT_NEAR(FindWord(w, QStringLiteral("555-1234"))->xMin, (1.0 + 1.75 + 2.15 + 2.0 + 0.02) * pt, 1.5);
    // Two blanks between the state and the ZIP: a wider gap than after the comma.
    const PdfWord* city = FindWord(w, QStringLiteral("Springfield,"));
    const PdfWord* il = FindWord(w, QStringLiteral("IL"));
    const PdfWord* zip = FindWord(w, QStringLiteral("62704"));
    EXPECT_GT(zip->xMin - il->xMax, 1.6 * (il->xMin - city->xMax));

    // Starting from that record prints it, its name cell beginning with a comma.
    t_.go(blank);
    ASSERT_TRUE(builtIn({2, QStringLiteral("Report 2"), false, false}, RecordChoice::Filter, true));
    const QStringList all = words(1);
    const int at = static_cast<int>(all.indexOf(QStringLiteral("Nameless")));
    ASSERT_GE(at, 1);
    EXPECT_EQ(all[at - 1], QStringLiteral(","));
}

TEST_F(ReportPrintTest, Report3IsOrderedByOrganisation)
{
    add({{"LNAME", "Adams"}, {"ORG", "Zeta Works"}});
    add({{"LNAME", "Brown"}, {"ORG", "Acme"}});
    add({{"LNAME", "Clark"}});  // no organisation: skipped
    ASSERT_TRUE(builtIn({3, QStringLiteral("Report 3"), false, false}));
    const QStringList w = words(1);
    EXPECT_LT(w.indexOf(QStringLiteral("Acme")), w.indexOf(QStringLiteral("Zeta")));
    EXPECT_LT(w.indexOf(QStringLiteral("Brown,")), w.indexOf(QStringLiteral("Adams,")));
    EXPECT_FALSE(w.contains(QStringLiteral("Clark,")));
    // Organisation first, then the name, on one line.
    const auto boxes = ReadPdfWords(pdf(), 1);
    const PdfWord* org = FindWord(boxes, QStringLiteral("Acme"));
    const PdfWord* name = FindWord(boxes, QStringLiteral("Brown,"));
    ASSERT_TRUE(org && name);
    EXPECT_NEAR(org->yMin, name->yMin, 0.5);
    EXPECT_NEAR(name->xMin, (1.0 + 2.5 + 0.02) * 72, 1.5);
}

TEST_F(ReportPrintTest, Report4LinesAndTheCodesLine)
{
    add({{"LNAME", "Smith"}, {"FNAME", "John"}, {"TITLE", "Manager"}, {"CODES", "VIP"}, {"PHONE", "555"},
         {"FAX", "556"}, {"DATE", "20240131"}});
    add({{"LNAME", "Young"}, {"FNAME", "Amy"}, {"TITLE", "Chair"}, {"ORG", "Acme"}});
    ASSERT_TRUE(builtIn({4, QStringLiteral("All fields"), false, true}));
    const QStringList w = words(1);
    // No title without an organisation; "Title, Org" with one.
    EXPECT_FALSE(w.contains(QStringLiteral("Manager")));
    EXPECT_TRUE(w.contains(QStringLiteral("Chair,")));
    EXPECT_TRUE(w.contains(QStringLiteral("Acme")));
    for (const char* text : {"Ph:", "Fax:", "20240131", "Title", "Organization", "City/State/Zip", "Phone,Fax"})
        EXPECT_TRUE(w.contains(QString::fromLatin1(text))) << text;
    // One codes line, for the record that has codes.
    EXPECT_EQ(w.count(QStringLiteral("Codes:")), 1);
    EXPECT_EQ(w.indexOf(QStringLiteral("Codes:")) + 1, w.indexOf(QStringLiteral("VIP")));
}

TEST_F(ReportPrintTest, MemoLinesFollowTheRecordAcrossPages)
{
    QString memo;
    for (int i = 1; i <= 90; ++i)
        memo += QStringLiteral("Line%1\r\n").arg(i, 3, 10, QLatin1Char('0'));
    add({{"LNAME", "Smith"}, {"MEMO", memo.toStdString()}});
    ASSERT_TRUE(builtIn({1, QStringLiteral("Report 1"), true, false}));
    ASSERT_EQ(pages(), 2);
    int lines = 0;
    for (int p = 1; p <= 2; ++p) {
        lines += static_cast<int>(words(p, QStringLiteral("Line")).size());
        EXPECT_TRUE(words(p).contains(QStringLiteral("Page")));  // the page header on each page
    }
    EXPECT_EQ(lines, 90);
}

TEST_F(ReportPrintTest, AnEmptySelectionPrintsTheHeaderOnly)
{
    ASSERT_TRUE(builtIn({2, QStringLiteral("Nothing"), false, false}));
    EXPECT_EQ(pages(), 1);
    EXPECT_TRUE(words(1).contains(QStringLiteral("Nothing")));
}

// ---- current-record print ----

TEST_F(ReportPrintTest, CurrentRecordWithLastOnlyAndTheMemo)
{
    add({{"LNAME", "Smith"}, {"FNAME", "John"}, {"MEMO", "Opening memo line\r\nsecond"}});
    print::PrintJob job(printer_);
    reports::SingleRecordPrint report(t_, {QStringLiteral("Last")}, true);
    report.ConfigureJob(job);
    ASSERT_TRUE(job.PrintToPdf(pdf()));
    EXPECT_EQ(job.Title(), QStringLiteral("Single Record Report"));
    const QStringList w = words(1);
    EXPECT_TRUE(w.contains(QStringLiteral("Last")));
    EXPECT_TRUE(w.contains(QStringLiteral("Smith")));
    EXPECT_FALSE(w.contains(QStringLiteral("First")));
    EXPECT_FALSE(w.contains(QStringLiteral("John")));
    EXPECT_TRUE(w.contains(QStringLiteral("memo")));
    EXPECT_TRUE(w.contains(QStringLiteral("second")));
    EXPECT_TRUE(PdfFonts(pdf()).contains(QStringLiteral("Italic")));

    // Labels differ from the check boxes for some fields; values print even when empty.
    print::PrintJob job2(printer_);
    reports::SingleRecordPrint all(t_, {QStringLiteral("State/Province"), QStringLiteral("E-mail")}, false);
    all.ConfigureJob(job2);
    ASSERT_TRUE(job2.PrintToPdf(pdf()));
    const QStringList w2 = words(1);
    EXPECT_TRUE(w2.contains(QStringLiteral("State")));
    EXPECT_TRUE(w2.contains(QStringLiteral("E-Mail")));
    EXPECT_FALSE(w2.contains(QStringLiteral("memo")));
    EXPECT_FALSE(PdfFonts(pdf()).contains(QStringLiteral("Italic")));
}

TEST_F(ReportPrintTest, ABlankMemoPrintsNoRule)
{
    add({{"LNAME", "Smith"}, {"MEMO", "   "}});
    std::vector<QImage> with, without;
    for (bool memo : {true, false}) {
        print::PrintJob job(printer_);
        reports::SingleRecordPrint report(t_, {QStringLiteral("Last")}, memo);
        report.ConfigureJob(job);
        ASSERT_TRUE(job.PrintToImages(memo ? with : without, 50));
    }
    ASSERT_EQ(with.size(), 1u);
    EXPECT_EQ(with[0], without[0]);
}

// ---- user-defined reports ----

reports::ReportSettings bands(bool footer = true)
{
    reports::ReportSettings s = reports::ReportSettings::NewReport(96);
    s.useFooter = footer;
    return s;
}

TEST_F(ReportPrintTest, OnlyCurrentRecordPrintsOneDetailBand)
{
    addNumbered(30);
    t_.go(27);
    ASSERT_TRUE(userDefined(bands(), RecordChoice::OnlyCurrent));
    EXPECT_EQ(pages(), 1);
    EXPECT_EQ(words(1, QStringLiteral("Rec")), QStringList{QStringLiteral("Rec27")});
    EXPECT_TRUE(words(1).contains(QStringLiteral("HDR")));
    EXPECT_TRUE(words(1).contains(QStringLiteral("FTR")));
}

TEST_F(ReportPrintTest, DetailBandsFillPagesBetweenHeaderAndFooter)
{
    addNumbered(40);
    reports::ReportSettings s = bands();
    ASSERT_TRUE(userDefined(s));
    // Body: 11 - 0.5 - 0.5 - 33/96 - 33/96 inches = 9.3125; 33-unit bands: 27 a page.
    ASSERT_EQ(pages(), 2);
    EXPECT_EQ(words(1, QStringLiteral("Rec")).size(), 27);
    EXPECT_EQ(words(2, QStringLiteral("Rec")).size(), 13);
    for (int p = 1; p <= 2; ++p) {
        const auto w = ReadPdfWords(pdf(), p);
        const PdfWord* hdr = FindWord(w, QStringLiteral("HDR"));
        const PdfWord* ftr = FindWord(w, QStringLiteral("FTR"));
        ASSERT_TRUE(hdr && ftr);
        // Header at the top margin, footer right below the body; objects at left margin + 0.125.
        EXPECT_NEAR(hdr->xMin, (0.5 + 0.125 + 2 / 96.0) * 72, 1.5);
        EXPECT_LT(hdr->yMin, 0.5 * 72 + 33 * 0.75);
        EXPECT_GT(ftr->yMin, (11 - 0.5 - 33 / 96.0) * 72 - 1);
    }
}

TEST_F(ReportPrintTest, ADetailBandTallerThanTheBodyTakesAPageEach)
{
    addNumbered(3);
    reports::ReportSettings s = bands();
    s.detailHeight = 12 * 96;
    ASSERT_TRUE(userDefined(s));
    ASSERT_EQ(pages(), 3);
    for (int p = 1; p <= 3; ++p)
        EXPECT_EQ(words(p, QStringLiteral("Rec")), QStringList{QStringLiteral("Rec%1").arg(p, 2, 10, QLatin1Char('0'))});
}

TEST_F(ReportPrintTest, OneRecordPerPage)
{
    addNumbered(3);
    ASSERT_TRUE(userDefined(bands(), RecordChoice::Filter, true));
    ASSERT_EQ(pages(), 3);
    for (int p = 1; p <= 3; ++p) {
        EXPECT_EQ(words(p, QStringLiteral("Rec")).size(), 1);
        EXPECT_TRUE(words(p).contains(QStringLiteral("HDR")));
        EXPECT_TRUE(words(p).contains(QStringLiteral("FTR")));
    }
}

TEST_F(ReportPrintTest, AMemoOfAHundredLinesPrintsInBlocks)
{
    QString memo;
    for (int i = 1; i <= 100; ++i)
        memo += QStringLiteral("M%1\r\n").arg(i, 3, 10, QLatin1Char('0'));
    memo.chop(2);
    add({{"LNAME", "Smith"}, {"MEMO", memo.toStdString()}});
    reports::ReportSettings s = bands();
    s.useDetail = false;
    s.useMemo = true;
    // Body of 40.25 lines of 10 points (1/6 inch): 11 - 1 - 2 x 158/96 inches.
    s.headerHeight = s.footerHeight = 158;
    s.memoFrame.shadePercent = 100;
    s.memoFrame.shadeColor = 0x00FF0000;  // blue
    std::vector<QImage> images;
    ASSERT_TRUE(userDefined(s, RecordChoice::Filter, false, &images));
    ASSERT_TRUE(userDefined(s));
    ASSERT_EQ(pages(), 3);
    EXPECT_EQ(words(1, QStringLiteral("M")).size(), 40);
    EXPECT_EQ(words(2, QStringLiteral("M")).size(), 40);
    EXPECT_EQ(words(3, QStringLiteral("M")).size(), 20);
    EXPECT_EQ(words(3, QStringLiteral("M")).last(), QStringLiteral("M100"));
    // Each block is shaded on its own: the third ends about halfway down its body.
    ASSERT_EQ(images.size(), 3u);
    auto blueRows = [](const QImage& img) {
        int last = -1;
        const int x = img.width() / 2 + 100;
        for (int y = 0; y < img.height(); ++y)
            if (QColor(img.pixel(x, y)) == QColor(Qt::blue))
                last = y;
        return last / 150.0;
    };
    const double top = 0.5 + 158 / 96.0;
    EXPECT_NEAR(blueRows(images[0]), top + 40 / 6.0, 0.06);
    EXPECT_NEAR(blueRows(images[2]), top + 20 / 6.0, 0.06);
}

TEST_F(ReportPrintTest, ShadesAndBorderWidths)
{
    add({{"LNAME", "Smith"}});
    struct Case {
        int percent, lineWidth;
    } cases[] = {{0, 1}, {100, 1}, {100, 3}};
    for (const Case& c : cases) {
        reports::ReportSettings s = bands(false);
        s.useHeader = false;
        s.detailHeight = 96;  // one inch
        s.detailFrame = reports::BandFrame{true, true, true, true, c.lineWidth, c.percent, 0x000000FF};
        std::vector<QImage> images;
        ASSERT_TRUE(userDefined(s, RecordChoice::Filter, false, &images));
        ASSERT_EQ(images.size(), 1u);
        const QImage& img = images[0];
        // Band: x from 0.5 to 8.0 inches, y from 0.5 to 1.5; 150 dots an inch.
        const QColor inside(img.pixel(600, 120));
        EXPECT_EQ(inside, c.percent == 0 ? QColor(Qt::white) : QColor(Qt::red)) << c.percent;
        // The top border: centred on the edge for width 1, 3 device pixels inside for width 3 (the
        // pen is drawn smoothly, so take the middle of the grey rows).
        double sum = 0;
        int n = 0;
        for (int y = 60; y < 100; ++y) {
            const QColor p(img.pixel(600, y));
            if (qGray(p.rgb()) < 200 && std::abs(p.red() - p.green()) < 40) {
                sum += y;
                ++n;
            }
        }
        ASSERT_GT(n, 0);
        EXPECT_NEAR(sum / n, c.lineWidth == 1 ? 74.5 : 77.5, 0.75) << c.lineWidth;
    }
}

TEST_F(ReportPrintTest, StoppingAPreviewOnPage2)
{
    addNumbered(10);
    reports::ReportSettings s = bands();
    const QString path = writeLayout(s);
    reports::ReportRun run(t_, {});
    run.PrepareUserDefined(RecordChoice::Filter, false);
    print::PrintJob job(printer_);
    print::TPrintStatus* current = nullptr;
    reports::RunHooks hooks;
    hooks.stopped = [&] {
        if (current && job.PageNumber() == 2 && !current->StopRequested())
            current->ButtonClick();
        return current && current->StopRequested();
    };
    reports::UserDefinedReportPrint report(t_, path, true, hooks);
    report.ConfigureJob(job);
    QString status;
    int previewPages = -1;
    reports::ReportStatusHooks().statusShown = [&](print::TPrintStatus& w) {
        EXPECT_EQ(w.windowTitle(), QStringLiteral("Preview Status"));
        w.RunJob();
        status = w.StatusText();
    };
    reports::ReportStatusHooks().previewShown = [&](print::TPreviewForm& f) {
        EXPECT_EQ(f.windowTitle(), QStringLiteral("Preview Report"));
        f.show();
        previewPages = f.PageCaption().contains(QStringLiteral("of 2")) ? 2 : 0;
        f.close();
    };
    reports::RunReportJob(reports::StatusKind::UserDefined, job, true, &current, nullptr);
    reports::ReportStatusHooks() = {};
    EXPECT_TRUE(status.endsWith(QStringLiteral("Preview Stopped at page 2!"))) << status.toStdString();
    EXPECT_TRUE(status.contains(QLatin1Char('\r')) || status.contains(QLatin1Char('\n')));
    EXPECT_EQ(previewPages, 2);
}

}  // namespace
}  // namespace reports_test
