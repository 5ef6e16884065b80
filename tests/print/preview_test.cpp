// The preview window, the job status window and the printer check, offscreen.
#include "CheckPrinter.h"
#include "Common.h"
#include "PreviewControl.h"
#include "PrintJob.h"
#include "PrinterControl.h"
#include "TPreviewForm.h"
#include "TPrintStatus.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QFile>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QWindow>
#include <gtest/gtest.h>

using namespace addrova::print;
using addrova::ui::MessageRequest;

namespace {

class Preview : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(printer.SetPrinterByName(PrinterControl::PdfPrinterName()));
        printer.SetPaperCode(PaperLetter);
        printer.SetOrientation(Orientation::Portrait);
        addrova::ui::SetMessageHook([this](const MessageRequest& m) {
            messages << m.text;
            return answer;
        });
    }
    void TearDown() override { addrova::ui::SetMessageHook({}); }

    void Record(int pages)
    {
        PrintJob job(printer);
        job.OnPrint = [pages](PrintJob& j) {
            for (int i = 1; i <= pages; ++i) {
                if (i > 1)
                    j.NewPage();
                j.SetFont(QStringLiteral("Arial"), 12);
                j.TextOut(1, 1, QStringLiteral("Page %1").arg(i));
            }
        };
        ASSERT_TRUE(job.PrintToStream(stream));
    }
    QPushButton* Button(QWidget& w, const char* name) { return w.findChild<QPushButton*>(QLatin1String(name)); }

    PrinterControl printer;
    PageStream stream;
    QStringList messages;
    bool answer = true;
};

}  // namespace

TEST_F(Preview, CaptionFollowsPageAndZoom)
{
    Record(3);
    TPreviewForm form;
    form.setWindowTitle(QStringLiteral("Preview Labels"));
    form.SetStream(&stream);
    form.SetInitialZoom(100);
    form.show();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Preview Page 1 of 3 ( 100% )"));
    Button(form, "NextButton")->click();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Preview Page 2 of 3 ( 100% )"));
    Button(form, "LastButton")->click();
    Button(form, "NextButton")->click();  // stays on the last page
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Preview Page 3 of 3 ( 100% )"));
    Button(form, "FirstButton")->click();
    Button(form, "PriorButton")->click();
    EXPECT_EQ(form.Control()->CurrentPage(), 1);

    // Zoom steps of 10 percentage points; the "100%" button goes back to true size.
    Button(form, "ZoomInButton")->click();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Preview Page 1 of 3 ( 110% )"));
    Button(form, "ZoomOutButton")->click();
    Button(form, "ZoomOutButton")->click();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Preview Page 1 of 3 ( 90% )"));
    Button(form, "Zoom100Button")->click();
    EXPECT_DOUBLE_EQ(form.Control()->ZoomFactor(), 100);
    // The page is shown at 8.5 inches of screen.
    EXPECT_EQ(form.Control()->widget()->width(), qRound(8.5 * form.Control()->logicalDpiX()));

    // A left click on the page zooms in, any other button zooms out.
    QWidget* page = form.Control()->widget();
    for (auto [button, expected] : {std::pair{Qt::LeftButton, 110.0}, std::pair{Qt::RightButton, 100.0},
                                    std::pair{Qt::MiddleButton, 90.0}}) {
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(10, 10), page->mapToGlobal(QPointF(10, 10)), button,
                          button, Qt::NoModifier);
        QApplication::sendEvent(page, &press);
        EXPECT_DOUBLE_EQ(form.Control()->ZoomFactor(), expected);
    }
    EXPECT_FALSE(page->cursor().pixmap().isNull());  // the magnifier
    for (const char* b : {"FirstButton", "PriorButton", "NextButton", "LastButton"})
        EXPECT_TRUE(Button(form, b)->isVisible()) << b;
    form.close();
}

TEST_F(Preview, OnePageHidesThePageButtons)
{
    Record(1);
    TPreviewForm form;
    form.SetStream(&stream);
    form.SetInitialZoom(TPreviewForm::ZoomWholePage);
    form.show();
    for (const char* b : {"FirstButton", "PriorButton", "NextButton", "LastButton"})
        EXPECT_FALSE(Button(form, b)->isVisible()) << b;
    EXPECT_TRUE(form.windowTitle().startsWith(QStringLiteral("Preview Page 1 of 1 ( "))) << form.windowTitle().toStdString();
    // The whole page fits in the box.
    const QWidget* page = form.Control()->widget();
    EXPECT_LE(page->width(), form.Control()->maximumViewportSize().width());
    EXPECT_LE(page->height(), form.Control()->maximumViewportSize().height());
    form.close();
}

TEST_F(Preview, FitWidthAndArrowScrolling)
{
    Record(2);
    TPreviewForm form;
    form.resize(700, 500);
    form.SetStream(&stream);
    form.SetInitialZoom(TPreviewForm::ZoomPageWidth);
    form.show();
    PreviewControl* c = form.Control();
    EXPECT_LE(c->widget()->width(), c->viewport()->width());
    EXPECT_GT(c->widget()->width(), c->viewport()->width() - 40);
    QScrollBar* bar = c->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    c->ScrollStep(-1);
    EXPECT_EQ(bar->value(), 0);  // never above the top
    c->ScrollStep(1);
    EXPECT_EQ(bar->value(), bar->singleStep());
    for (int i = 0; i < 1000; ++i)
        c->ScrollStep(1);
    EXPECT_EQ(bar->value(), bar->maximum());
    form.close();
}

// Printing from the preview runs through a status window that ends as printing from the room's
// window ends, or names the failure.
struct PrintCase {
    const char* name;
    bool writable;   // the PDF file can be written
    bool damaged;    // the recorded pages were spoiled after recording
    const char* ends;
    int pages;       // in the PDF file
};

class PreviewPrint : public Preview, public ::testing::WithParamInterface<PrintCase> {};

TEST_P(PreviewPrint, EndsWithTheRoomsMessage)
{
    const PrintCase& c = GetParam();
    Record(3);
    QTemporaryDir dir;
    const QString pdf = c.writable ? dir.filePath(QStringLiteral("previewed.pdf"))
                                   : dir.filePath(QStringLiteral("missing/previewed.pdf"));
    printer.SetPdfFileName(pdf);
    if (c.damaged) {
        QFile f(stream.SpoolPath());
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.resize(f.size() / 2);
    }
    TPreviewForm form;
    form.SetStream(&stream);
    form.SetPrinter(&printer);
    TPrintStatus::Texts texts;
    texts.caption = QStringLiteral("Print Status ");
    texts.button = QStringLiteral("Cancel");
    texts.printCanceled = QStringLiteral("\rLabel Print Canceled!");
    texts.printCompleted = QStringLiteral("\rLabel Print Completed!");
    form.SetPrintTexts(texts, QStringLiteral("Printing Page %p of %t\r%0\r%1"));
    QString ended, caption;
    form.printStatusShown = [&](TPrintStatus& s) {
        caption = s.windowTitle();
        s.RunJob();
        ended = s.StatusText();
    };
    form.show();
    Button(form, "PrintButton")->click();
    EXPECT_EQ(caption, QStringLiteral("Print Status "));
    EXPECT_TRUE(ended.startsWith(QString::fromLatin1(c.ends))) << ended.toStdString();
    if (c.pages > 0) {
        QProcess info;
        info.start(QStringLiteral("pdfinfo"), {pdf});
        ASSERT_TRUE(info.waitForFinished(30000));
        EXPECT_TRUE(QString::fromUtf8(info.readAllStandardOutput())
                        .contains(QRegularExpression(QStringLiteral("Pages:\\s+%1").arg(c.pages))));
    } else {
        EXPECT_FALSE(QFile::exists(pdf));
    }
    EXPECT_TRUE(messages.isEmpty()) << messages.join(QLatin1Char('|')).toStdString();
    form.close();
}

INSTANTIATE_TEST_SUITE_P(
    Preview, PreviewPrint,
    ::testing::Values(PrintCase{"Completed", true, false, "\nLabel Print Completed!", 3},
                      PrintCase{"FileNotWritable", false, false, "\nUnable to", 0},
                      PrintCase{"PagesDamaged", true, true, "\nThe preview pages could not be read (page ", 0}),
    [](const ::testing::TestParamInfo<PrintCase>& i) { return std::string(i.param.name); });

TEST_F(Preview, StatusCaptionShowsNoTrailingBlank)
{
    PrintJob job(printer);
    TPrintStatus::Texts texts;
    texts.caption = QStringLiteral("Print Status ");
    TPrintStatus window(job, false, nullptr, texts);
    window.show();
    ASSERT_NE(window.windowHandle(), nullptr);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Print Status "));
    EXPECT_EQ(window.windowHandle()->title(), QStringLiteral("Print Status"));
    window.setWindowTitle(QStringLiteral("Preview Status  "));
    EXPECT_EQ(window.windowHandle()->title(), QStringLiteral("Preview Status"));
    window.hide();
}

namespace {

TPrintStatus::Texts LabelTexts(bool preview)
{
    TPrintStatus::Texts t;
    t.caption = preview ? QStringLiteral("Preview Status") : QStringLiteral("Print Status ");
    t.button = preview ? QStringLiteral("Stop") : QStringLiteral("Cancel");
    t.cancelQuestion = QStringLiteral("Cancel Label Printing?");
    t.printCanceled = QStringLiteral("\rLabel Print Canceled!");
    t.previewCanceled = QStringLiteral("\rLabel Preview Canceled!");
    t.previewStopped = QStringLiteral("\rPreview Stopped at page %p!");
    t.printCompleted = QStringLiteral("\rLabel Print Completed!");
    t.closeAfterPreview = true;
    return t;
}

// A label-like job: 100 records, 10 a page, the button "clicked" at record `clickAt`.
void LabelJob(PrintJob& job, TPrintStatus*& status, int clickAt)
{
    job.OnBeforePrint = [&status](PrintJob& j) {
        j.SetStatusFormat(status->Preview() ? QStringLiteral("Preparing Preview Page %p\r%0\r%1")
                                            : QStringLiteral("Printing Page %p\r%0\r%1"));
        j.StatusText() = {QString(), QString()};
    };
    job.OnPrint = [&status, clickAt](PrintJob& j) {
        j.SetFont(QStringLiteral("Arial"), 8);
        for (int record = 1; record <= 100 && !status->StopRequested() && !j.Aborted(); ++record) {
            if (record > 1 && (record - 1) % 10 == 0)
                j.NewPage();
            j.TextOut(1, 0.5 + (record - 1) % 10, QStringLiteral("Record %1").arg(record));
            if (record == clickAt)
                status->ButtonClick();
            QCoreApplication::processEvents();
        }
    };
}

}  // namespace

TEST_F(Preview, StatusWindowStopsAPreview)
{
    PrintJob job(printer);
    TPrintStatus* status = nullptr;
    LabelJob(job, status, 25);
    TPrintStatus window(job, true, &stream, LabelTexts(true));
    status = &window;
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Preview Status"));
    window.RunJob();
    EXPECT_FALSE(window.Aborted());
    EXPECT_TRUE(window.StopRequested());
    EXPECT_EQ(stream.PageCount(), 3);
    EXPECT_EQ(window.StatusText(), QStringLiteral("\nPreview Stopped at page 3!"));
    EXPECT_EQ(window.findChild<QPushButton*>(QStringLiteral("StatusButton"))->text(), QStringLiteral("Ok"));
    EXPECT_TRUE(messages.isEmpty());
}

// A long preview opens over its recording once page 1 is there; closing it stops the recording.
struct LiveCase {
    const char* name;
    int liveAfterMs;
    int closeAt;  // record at which the preview is closed (0: never)
    bool shown;   // seen open at record 45
    int pages;
    const char* ends;
};

class LivePreview : public Preview, public ::testing::WithParamInterface<LiveCase> {};

TEST_P(LivePreview, OpensOverTheRecording)
{
    const LiveCase& c = GetParam();
    PrintJob job(printer);
    TPrintStatus* status = nullptr;
    TPreviewForm form;
    form.setWindowTitle(QStringLiteral("Preview Labels"));
    form.SetStream(&stream);
    form.SetInitialZoom(100);
    bool shown = false, printable = true;
    QString caption, progress;
    job.OnBeforePrint = [](PrintJob& j) {
        j.SetPageTotal(10);
        j.SetStatusFormat(QStringLiteral("Preparing Preview Page %p of %t\r%0\r%1"));
        j.StatusText() = {QString(), QString()};
    };
    job.OnPrint = [&](PrintJob& j) {
        j.SetFont(QStringLiteral("Arial"), 8);
        for (int record = 1; record <= 100 && !status->StopRequested(); ++record) {
            if (record > 1 && (record - 1) % 10 == 0)
                j.NewPage();
            j.TextOut(1, 0.5 + (record - 1) % 10, QStringLiteral("Record %1").arg(record));
            if (record == c.closeAt)
                form.findChild<QPushButton*>(QStringLiteral("OkButton"))->click();
            if (record == 45) {
                shown = form.isVisible();
                printable = form.findChild<QPushButton*>(QStringLiteral("PrintButton"))->isEnabled();
                caption = form.windowTitle();
                progress = status->StatusText();
            }
            QCoreApplication::processEvents();
        }
    };
    TPrintStatus window(job, true, &stream, LabelTexts(true));
    status = &window;
    window.SetLivePreview(&form, c.liveAfterMs);
    window.RunJob();
    EXPECT_TRUE(window.Finished());
    EXPECT_FALSE(window.Aborted());
    EXPECT_EQ(shown, c.shown);
    if (c.shown && c.closeAt == 0) {
        // Pages 1 to 4 are complete; page 5 is being recorded and cannot be printed yet.
        EXPECT_TRUE(caption.startsWith(QStringLiteral("Preview Page 1 of 4 ( "))) << caption.toStdString();
        EXPECT_FALSE(printable);
        EXPECT_EQ(progress, QStringLiteral("Preparing Preview Page 5 of 10\n\n"));
    }
    // Handed back hidden, to be shown modal on every page.
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.parentWidget(), nullptr);
    EXPECT_FALSE(form.Live());
    EXPECT_EQ(stream.PageCount(), c.pages);
    EXPECT_EQ(window.StatusText(), QString::fromLatin1(c.ends));
    form.show();
    EXPECT_TRUE(form.windowTitle().startsWith(QStringLiteral("Preview Page 1 of %1 ( ").arg(c.pages)))
        << form.windowTitle().toStdString();
    EXPECT_TRUE(form.findChild<QPushButton*>(QStringLiteral("PrintButton"))->isEnabled());
    form.close();
    EXPECT_FALSE(form.isVisible());
}

INSTANTIATE_TEST_SUITE_P(
    Preview, LivePreview,
    ::testing::Values(LiveCase{"Followed", 0, 0, true, 10, ""},
                      LiveCase{"ClosedStopsTheRecording", 0, 35, false, 4, "\nPreview Stopped at page 4!"},
                      LiveCase{"QuickRecordingNeverOpensIt", 600000, 0, false, 10, ""}),
    [](const ::testing::TestParamInfo<LiveCase>& i) { return std::string(i.param.name); });

TEST_F(Preview, StatusWindowCancelsPrintingAfterItsQuestion)
{
    QTemporaryDir dir;
    for (bool yes : {true, false}) {
        answer = yes;
        messages.clear();
        const QString pdf = dir.filePath(yes ? QStringLiteral("yes.pdf") : QStringLiteral("no.pdf"));
        printer.SetPdfFileName(pdf);
        PrintJob job(printer);
        TPrintStatus* status = nullptr;
        LabelJob(job, status, 15);
        TPrintStatus window(job, false, nullptr, LabelTexts(false));
        status = &window;
        window.RunJob();
        EXPECT_EQ(messages, QStringList{QStringLiteral("Cancel Label Printing?")});
        EXPECT_EQ(window.Aborted(), yes);
        EXPECT_EQ(window.StatusText(), yes ? QStringLiteral("\nLabel Print Canceled!")
                                           : QStringLiteral("\nLabel Print Completed!"));
        EXPECT_EQ(QFile::exists(pdf), !yes);
    }
}

TEST_F(Preview, CheckPrinterOverThePrinterList)
{
    EXPECT_TRUE(CheckPrinter(printer));
    EXPECT_TRUE(messages.isEmpty());
    printer.SetPdfPrinterListed(false);
    if (!printer.Printers().isEmpty())
        GTEST_SKIP() << "this machine has system printers";
    EXPECT_FALSE(CheckPrinter(printer));
    EXPECT_EQ(messages, QStringList{QStringLiteral(
                            "There are no installed printers.\nUnable to perform printer related operations")});
}
