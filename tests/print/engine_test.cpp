// Print jobs rendered to pictures, to PDF (read back with poppler-utils) and to the page stream:
// positions are checked to within a device pixel of where the inches put them.
#include "PdfProbe.h"
#include "PrintJob.h"
#include "PrinterControl.h"

#include <QFile>
#include <QPainter>
#include <QPicture>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace addrova::print;

namespace {

enum class Out { Image, Pdf, Stream };

const char* Name(Out o)
{
    return o == Out::Image ? "Image" : o == Out::Pdf ? "Pdf" : "Stream";
}

struct Rendered {
    bool ok = false;
    std::vector<QImage> pages;
};

// Runs `job` on one output and returns its pages as pictures at `dpi`.
Rendered Render(PrintJob& job, Out out, int dpi)
{
    Rendered r;
    if (out == Out::Image) {
        r.ok = job.PrintToImages(r.pages, dpi);
    } else if (out == Out::Pdf) {
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("job.pdf"));
        r.ok = job.PrintToPdf(pdf, dpi);
        const int n = ReadPdfInfo(pdf).pages;
        for (int i = 1; i <= n; ++i)
            r.pages.push_back(RenderPdfPage(pdf, i, dpi));
    } else {
        PageStream stream;
        r.ok = job.PrintToStream(stream);
        for (int i = 0; i < stream.PageCount(); ++i)
            r.pages.push_back(stream.Render(i, dpi));
    }
    return r;
}

class PdfPrinter : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(printer.SetPrinterByName(PrinterControl::PdfPrinterName()));
        ASSERT_TRUE(printer.SetPaperCode(PaperLetter));
        printer.SetOrientation(Orientation::Portrait);
    }
    PrinterControl printer;
    QTemporaryDir dir;
};

class EveryOutput : public PdfPrinter, public ::testing::WithParamInterface<Out> {};

constexpr int kDpi = 100;

void ExpectBox(const QRect& got, int l, int t, int r, int b, int tol)
{
    ASSERT_FALSE(got.isNull()) << "no ink";
    EXPECT_NEAR(got.left(), l, tol);
    EXPECT_NEAR(got.top(), t, tol);
    EXPECT_NEAR(got.right(), r, tol);
    EXPECT_NEAR(got.bottom(), b, tol);
}

}  // namespace

TEST_P(EveryOutput, RectangleAtOneTwoInches)
{
    PrintJob job(printer);
    job.OnPrint = [](PrintJob& j) {
        j.SetBrush(Qt::white, BrushStyle::Clear);
        j.SetPen(Qt::black, PenStyle::Solid, -2);  // 0.02 inch
        j.Rectangle(1.0, 2.0, 3.0, 4.5);
    };
    const Rendered r = Render(job, GetParam(), kDpi);
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.pages.size(), 1u);
    EXPECT_EQ(r.pages[0].size(), QSize(850, 1100));
    // The 2-pixel pen straddles each edge.
    ExpectBox(InkBox(r.pages[0]), 99, 199, 300, 450, 1);
}

TEST_P(EveryOutput, RotatedTextTurnsAboutItsTopLeftCorner)
{
    // The same text drawn level and turned a quarter counter-clockwise about (2, 6): the turned
    // ink is the level ink rotated about that point.
    QRect level, turned;
    for (double degrees : {0.0, 90.0}) {
        PrintJob job(printer);
        job.OnPrint = [&](PrintJob& j) {
            j.SetFont(QStringLiteral("Arial"), 24);
            j.SetFontRotation(degrees);
            j.TextOut(2.0, 6.0, QStringLiteral("HHHH"));
        };
        const Rendered r = Render(job, GetParam(), kDpi);
        ASSERT_TRUE(r.ok);
        ASSERT_EQ(r.pages.size(), 1u);
        (degrees == 0 ? level : turned) = InkBox(r.pages[0]);
    }
    ASSERT_FALSE(level.isNull());
    ASSERT_FALSE(turned.isNull());
    EXPECT_GT(level.left(), 200);
    EXPECT_GT(level.top(), 600);
    // (dx, dy) from the corner goes to (dy, -dx).
    EXPECT_NEAR(turned.left(), 200 + (level.top() - 600), 1);
    EXPECT_NEAR(turned.right(), 200 + (level.bottom() - 600), 1);
    EXPECT_NEAR(turned.top(), 600 - (level.right() - 200), 1);
    EXPECT_NEAR(turned.bottom(), 600 - (level.left() - 200), 1);
}

TEST_P(EveryOutput, HundredthOfAnInchPen)
{
    // 0.05 inch at 100 dpi is 5 device pixels.
    PrintJob job(printer);
    job.OnPrint = [](PrintJob& j) {
        j.SetPen(Qt::black, PenStyle::Solid, -5);
        j.MoveTo(1.0, 1.0);
        j.LineTo(4.0, 1.0);
    };
    const Rendered r = Render(job, GetParam(), kDpi);
    ASSERT_TRUE(r.ok);
    const QRect ink = InkBox(r.pages.at(0));
    EXPECT_NEAR(ink.height(), 5, 1);
    EXPECT_NEAR(ink.center().y(), 100, 1);
}

TEST_P(EveryOutput, ClippedOpaqueTextStaysInItsRectangle)
{
    PrintJob job(printer);
    QRect clip;
    job.OnPrint = [&](PrintJob& j) {
        j.SetFont(QStringLiteral("Arial"), 20);
        j.SetBrush(QColor(255, 255, 0), BrushStyle::Solid);
        clip = j.InchToDevice(1.0, 1.0, 2.0, 1.5);
        j.TextRect(clip, 1.1, 1.05, QStringLiteral("A long text that runs well past the edge"));
    };
    const Rendered r = Render(job, GetParam(), kDpi);
    ASSERT_TRUE(r.ok);
    const QImage& page = r.pages.at(0);
    // The clip rectangle is filled with the brush colour (yellow is light: count it by hue).
    const QRgb inside = page.pixel(qRound(1.02 * kDpi), qRound(1.45 * kDpi));
    EXPECT_GT(qRed(inside), 200);
    EXPECT_GT(qGreen(inside), 200);
    EXPECT_LT(qBlue(inside), 60);
    const QRect ink = InkBox(page);
    ASSERT_FALSE(ink.isNull());
    EXPECT_GE(ink.left(), 109);
    EXPECT_LE(ink.right(), 200);
    EXPECT_LE(ink.bottom(), 150);
    // Nothing outside the rectangle, not even the fill.
    EXPECT_EQ(qRgb(255, 255, 255), page.pixel(205, 120) | 0xff000000u);
}

TEST_P(EveryOutput, TabStopsShadeTheirCells)
{
    PrintJob job(printer);
    double top = 0, bottom = 0;
    job.OnPrint = [&](PrintJob& j) {
        j.SetFont(QStringLiteral("Arial"), 12);
        j.ClearTabs();
        j.SetTab(1.0, Justify::Left, 2.0, 2, BoxLineNone, 0);
        j.SetTab(PrintJob::TabAfterPrevious, Justify::Right, 1.5, 2, BoxLineAll, 50);
        j.GotoXY(1.0, 3.0);
        j.PrintTab(QStringLiteral("left"));
        j.PrintTab(QStringLiteral("right"));
        top = 3.0 - j.LineHeight() + j.FontDescent();
        bottom = 3.0 + j.FontDescent();
    };
    const Rendered r = Render(job, GetParam(), kDpi);
    ASSERT_TRUE(r.ok);
    const QImage& page = r.pages.at(0);
    // Second cell: 3.0 .. 4.5 inches, shaded half grey, framed.
    const QRgb shade = page.pixel(305, qRound((top + 0.02) * kDpi));
    EXPECT_NEAR(qGray(shade), 128, 12);
    EXPECT_EQ(qGray(page.pixel(295, qRound((top + 0.02) * kDpi))), 255);  // first cell: no shade
    const QRect frame = InkBox(page, QRect(290, 0, 200, 1100), 200);
    ExpectBox(frame, 300, qRound(top * kDpi), 450, qRound(bottom * kDpi), 1);
}

TEST_P(EveryOutput, BitmapsAndMetafilesFillTheirRectangles)
{
    PrintJob job(printer);
    QRect device;
    job.OnPrint = [&](PrintJob& j) {
        QImage dot(2, 2, QImage::Format_RGB32);
        dot.fill(Qt::black);
        j.StretchBitmap({1.0, 1.0, 2.0, 1.5}, dot);
        device = j.InchToDevice(3.0, 2.0, 4.0, 4.0);
        // A caller-drawn metafile: a frame and a diagonal in device pixels of its rectangle.
        j.StretchMetafile(device, [](QPainter& p, const QRectF& r) {
            p.setPen(QPen(Qt::black, r.width() / 50));
            p.setBrush(Qt::NoBrush);
            p.drawRect(r.adjusted(r.width() / 100, r.width() / 100, -r.width() / 100, -r.width() / 100));
            p.drawLine(r.topLeft(), r.bottomRight());
        });
        // A picture in its own units (0..10 x 0..20) stretched into 1 x 2 inches.
        QPicture picture;
        QPainter pp(&picture);
        pp.fillRect(QRect(0, 0, 10, 20), Qt::black);
        pp.end();
        j.StretchPicture(j.InchToDevice(5.0, 5.0, 6.0, 7.0), picture);
    };
    const Rendered r = Render(job, GetParam(), kDpi);
    ASSERT_TRUE(r.ok);
    const QImage& page = r.pages.at(0);
    ExpectBox(InkBox(page, QRect(0, 0, 250, 1100)), 100, 100, 199, 149, 1);
    ExpectBox(InkBox(page, QRect(250, 0, 200, 450)), 300, 200, 399, 399, 1);
    EXPECT_LT(qGray(page.pixel(350, 300)), 128);  // on the diagonal
    EXPECT_EQ(qGray(page.pixel(330, 370)), 255);  // below it
    ExpectBox(InkBox(page, QRect(450, 450, 400, 650)), 500, 500, 599, 699, 1);
}

INSTANTIATE_TEST_SUITE_P(Outputs, EveryOutput, ::testing::Values(Out::Image, Out::Pdf, Out::Stream),
                         [](const auto& info) { return std::string(Name(info.param)); });

TEST_F(PdfPrinter, TextPositionsInThePdf)
{
    const QString pdf = dir.filePath(QStringLiteral("text.pdf"));
    PrintJob job(printer);
    double ascent = 0, width = 0, right = 0, tabText = 0;
    job.OnPrint = [&](PrintJob& j) {
        j.SetFont(QStringLiteral("Times New Roman"), 12);
        ascent = j.FontAscent();
        width = j.TextWidth(QStringLiteral("Top-left"));
        j.TextOut(1.0, 2.0, QStringLiteral("Top-left"));
        j.GotoXY(1.0, 4.0);
        j.PrintRight(QStringLiteral("Righted"), 6.0);
        right = j.XPos();
        j.PrintCenter(QStringLiteral("Centred"), 4.25);
        j.ClearTabs();
        j.SetTab(1.0, Justify::Left, 2.0, 10);
        j.NewLine();
        j.PrintTab(QStringLiteral("Cell"));
        tabText = j.YPos();
    };
    ASSERT_TRUE(job.PrintToPdf(pdf, 300));
    const auto words = ReadPdfWords(pdf, 1);
    const double px = 72.0 / 300;  // one device pixel in points

    const PdfWord* w = FindWord(words, QStringLiteral("Top-left"));
    ASSERT_NE(w, nullptr);
    EXPECT_NEAR(w->xMin, 72.0, px);
    EXPECT_NEAR(w->xMax - w->xMin, width * 72, 2 * px);
    // poppler's word box starts at the baseline minus the font's ascent.
    const double baseline = (2.0 + ascent) * 72;
    EXPECT_NEAR(w->yMin, 144.0, px) << "baseline " << baseline;

    w = FindWord(words, QStringLiteral("Righted"));
    ASSERT_NE(w, nullptr);
    EXPECT_NEAR(w->xMax, 6.0 * 72, px);
    EXPECT_DOUBLE_EQ(right, 6.0);
    w = FindWord(words, QStringLiteral("Centred"));
    ASSERT_NE(w, nullptr);
    EXPECT_NEAR((w->xMin + w->xMax) / 2, 4.25 * 72, px);
    w = FindWord(words, QStringLiteral("Cell"));
    ASSERT_NE(w, nullptr);
    EXPECT_NEAR(w->xMin, 1.1 * 72, px);  // tab at 1.0 plus an inner margin of 0.10
    EXPECT_NEAR(tabText, 4.0 + 12.0 / 60, 1e-9);

    const QString fonts = PdfFonts(pdf);
    EXPECT_TRUE(fonts.contains(QStringLiteral("LiberationSerif"))) << fonts.toStdString();
    // Every font of the file is embedded (the "emb" column reads yes).
    for (const QString& line : fonts.split(QLatin1Char('\n')).mid(2)) {
        if (!line.trimmed().isEmpty()) {
            EXPECT_TRUE(line.contains(QStringLiteral(" yes "))) << line.toStdString();
        }
    }
}

TEST_F(PdfPrinter, ThreePagesOnEveryOutput)
{
    PrintJob job(printer);
    std::vector<int> newPageEvents;
    int before = 0;
    job.OnBeforePrint = [&](PrintJob&) { ++before; };
    job.OnNewPage = [&](PrintJob& j) { newPageEvents.push_back(j.PageNumber()); };
    job.OnPrint = [](PrintJob& j) {
        j.SetFont(QStringLiteral("Arial"), 10);
        for (int i = 1; i <= 3; ++i) {
            if (i > 1)
                j.NewPage();
            j.TextOut(1.0, 1.0, QStringLiteral("Page%1").arg(j.PageNumber()));
        }
    };
    const QString pdf = dir.filePath(QStringLiteral("three.pdf"));
    ASSERT_TRUE(job.PrintToPdf(pdf));
    const PdfInfo info = ReadPdfInfo(pdf);
    EXPECT_EQ(info.pages, 3);
    EXPECT_NEAR(info.widthPt, 612, 0.5);
    EXPECT_NEAR(info.heightPt, 792, 0.5);
    for (int p = 1; p <= 3; ++p)
        EXPECT_NE(FindWord(ReadPdfWords(pdf, p), QStringLiteral("Page%1").arg(p)), nullptr) << p;
    EXPECT_EQ(before, 1);
    EXPECT_EQ(newPageEvents, (std::vector<int>{2, 3}));

    PageStream stream;
    ASSERT_TRUE(job.PrintToStream(stream));
    EXPECT_EQ(stream.PageCount(), 3);
    std::vector<QImage> images;
    ASSERT_TRUE(job.PrintToImages(images, 50));
    EXPECT_EQ(images.size(), 3u);
}

TEST_F(PdfPrinter, AbortAfterPageTwo)
{
    PrintJob job(printer);
    int drawnAfterAbort = 0;
    job.OnPrint = [&](PrintJob& j) {
        j.SetFont(QStringLiteral("Arial"), 10);
        for (int i = 1; i <= 5; ++i) {
            if (i > 1)
                j.NewPage();
            if (j.Aborted()) {
                ++drawnAfterAbort;
                j.TextOut(1.0, 1.0, QStringLiteral("late"));  // ignored
                continue;
            }
            j.TextOut(1.0, 1.0, QStringLiteral("Page%1").arg(i));
            if (i == 2)
                j.Abort();
        }
    };
    const QString pdf = dir.filePath(QStringLiteral("aborted.pdf"));
    EXPECT_FALSE(job.PrintToPdf(pdf));
    EXPECT_TRUE(job.Aborted());
    EXPECT_EQ(job.PageNumber(), 2);  // no page was started after the abort
    EXPECT_EQ(drawnAfterAbort, 3);
    EXPECT_FALSE(QFile::exists(pdf));  // an aborted file is not left behind

    PageStream stream;
    EXPECT_FALSE(job.PrintToStream(stream));
    EXPECT_EQ(stream.PageCount(), 2);
    // A later run of the same job starts afresh.
    job.OnPrint = [](PrintJob& j) { j.TextOut(1, 1, QStringLiteral("again")); };
    EXPECT_TRUE(job.PrintToStream(stream));
    EXPECT_FALSE(job.Aborted());
    EXPECT_EQ(stream.PageCount(), 1);
}

TEST_F(PdfPrinter, StatusFormatPlaceholders)
{
    PrintJob job(printer);
    QStringList seen;
    job.SetStatusSink([&](const QString& s) { seen << s; });
    job.OnBeforePrint = [](PrintJob& j) {
        j.SetStatusFormat(QStringLiteral("Printing Page %p\r%0\r%1"));
        j.StatusText() << QString() << QString();
    };
    job.OnPrint = [](PrintJob& j) {
        j.StatusText()[0] = QStringLiteral("Smith");
        j.StatusText()[1] = QStringLiteral("100%");
        j.NewPage();
    };
    PageStream stream;
    ASSERT_TRUE(job.PrintToStream(stream));
    EXPECT_EQ(seen, (QStringList{QStringLiteral("Printing Page 1\r\r"), QStringLiteral("Printing Page 2\rSmith\r100%")}));
    job.SetStatusFormat(QStringLiteral("\rPreview Stopped at page %p!"));
    EXPECT_EQ(job.StatusString(), QStringLiteral("\rPreview Stopped at page 2!"));
}

TEST_F(PdfPrinter, LinesOfASection)
{
    PrintJob job(printer);
    job.OnPrint = [](PrintJob& j) {
        j.SetFont(QStringLiteral("Arial"), 10);  // line height 1/6 inch
        j.SetMargins(0.5, 1.0, 0.5, 1.0);
        j.ResetSection();
        EXPECT_DOUBLE_EQ(j.SectionBottom(), 10.0);
        EXPECT_DOUBLE_EQ(j.SectionRight(), 8.0);
        j.Home();
        EXPECT_NEAR(j.YPos(), 1.0 + j.FontAscent(), 1e-12);
        const int lines = j.LinesLeft();
        // 9 inches of section, 6 lines an inch; the first baseline sits one ascent down.
        EXPECT_EQ(lines, 54);
        int printed = 0;
        while (j.LinesLeft() > 0) {
            j.PrintLn(QStringLiteral("x"));
            ++printed;
        }
        EXPECT_EQ(printed, lines);
        EXPECT_LE(j.YPos() - j.LineHeight() + j.FontDescent(), j.SectionBottom());
        EXPECT_DOUBLE_EQ(j.XPos(), 0.5);
        // Saved tab stops come back after a temporary set.
        j.SetTab(1.0, Justify::Left, 1.0);
        j.SaveTabs();
        j.ClearTabs();
        j.SetTab(0.5, Justify::Left, 7.5, 2, BoxLineNone, 5);
        EXPECT_EQ(j.TabCount(), 1);
        j.RestoreTabs();
        EXPECT_EQ(j.TabCount(), 1);
        EXPECT_TRUE(j.Tab());
        EXPECT_DOUBLE_EQ(j.XPos(), 1.0);
        EXPECT_FALSE(j.Tab());
    };
    PageStream stream;
    ASSERT_TRUE(job.PrintToStream(stream));
}

TEST_F(PdfPrinter, OriginMovesDrawingButNotTheSection)
{
    PrintJob job(printer);
    job.OnPrint = [](PrintJob& j) {
        j.SetOriginX(2.0);
        j.SetBrush(Qt::black, BrushStyle::Solid);
        j.SetPen(Qt::black, PenStyle::Clear, 1);
        j.Rectangle(0.0, 1.0, 1.0, 2.0);
        EXPECT_DOUBLE_EQ(j.SectionLeft(), 0.5);
        EXPECT_EQ(j.InchToDevice(0, 0, 1, 1), QRect(200, 0, 100, 100));
    };
    std::vector<QImage> pages;
    ASSERT_TRUE(job.PrintToImages(pages, 100));
    ExpectBox(InkBox(pages.at(0)), 200, 100, 299, 199, 1);
}

TEST_F(PdfPrinter, PenWidthsInDevicePixels)
{
    struct Case {
        int width, dpi;
        double expected;
    } cases[] = {{3, 600, 3}, {0, 600, 1}, {-1, 600, 6}, {-1, 50, 1}, {-10, 300, 30}};
    for (const Case& c : cases) {
        PrintJob job(printer);
        job.OnPrint = [&](PrintJob& j) {
            j.SetPen(Qt::black, PenStyle::Solid, c.width);
            j.MoveTo(1, 1);
            j.LineTo(3, 1);
        };
        std::vector<QImage> pages;
        ASSERT_TRUE(job.PrintToImages(pages, c.dpi));
        EXPECT_NEAR(InkBox(pages.at(0)).height(), c.expected, 1) << c.width << " at " << c.dpi;
    }
}

TEST_F(PdfPrinter, PaperCodesAndOrientation)
{
    struct Case {
        int code;
        Orientation o;
        double w, h;
    } cases[] = {
        {PaperLetter, Orientation::Portrait, 8.5, 11},   {PaperLetter, Orientation::Landscape, 11, 8.5},
        {PaperA4, Orientation::Portrait, 8.27, 11.69},   {PaperA5, Orientation::Portrait, 5.83, 8.27},
        {PaperEnv10, Orientation::Landscape, 9.5, 4.125}, {PaperEnvMonarch, Orientation::Portrait, 3.875, 7.5},
        {PaperEnvDL, Orientation::Landscape, 8.66, 4.33},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(printer.SetPaperCode(c.code)) << c.code;
        printer.SetOrientation(c.o);
        EXPECT_NEAR(printer.PageWidth(), c.w, 0.01) << c.code;
        EXPECT_NEAR(printer.PageHeight(), c.h, 0.01) << c.code;
        EXPECT_EQ(printer.PaperCode(), c.code);
    }
    EXPECT_FALSE(printer.SetPaperCode(4711));
    printer.SetOrientation(Orientation::Portrait);
    printer.SetCustomPaper(4.0, 6.0);
    EXPECT_NEAR(printer.PageWidth(), 4.0, 0.005);
    EXPECT_NEAR(printer.PageHeight(), 6.0, 0.005);
    EXPECT_EQ(printer.PaperCode(), 0);
    // A job on the custom paper gives a 4 x 6 inch PDF page.
    PrintJob job(printer);
    job.OnPrint = [](PrintJob& j) { j.TextOut(0.5, 0.5, QStringLiteral("card")); };
    const QString pdf = dir.filePath(QStringLiteral("card.pdf"));
    ASSERT_TRUE(job.PrintToPdf(pdf));
    PdfInfo info = ReadPdfInfo(pdf);
    EXPECT_NEAR(info.widthPt, 288, 0.5);
    EXPECT_NEAR(info.heightPt, 432, 0.5);
    // Landscape envelope: the PDF page is the turned envelope.
    ASSERT_TRUE(printer.SetPaperCode(PaperEnv10));
    printer.SetOrientation(Orientation::Landscape);
    ASSERT_TRUE(job.PrintToPdf(pdf));
    info = ReadPdfInfo(pdf);
    EXPECT_NEAR(info.widthPt, 9.5 * 72, 0.5);
    EXPECT_NEAR(info.heightPt, 4.125 * 72, 0.5);
}

TEST(PrinterList, PdfFileIsAlwaysThereUnlessSwitchedOff)
{
    PrinterControl printer;
    const QStringList list = printer.Printers();
    ASSERT_FALSE(list.isEmpty());
    EXPECT_EQ(list.last(), QStringLiteral("PDF file"));
    EXPECT_GE(printer.PrinterIndex(), 0);
    EXPECT_FALSE(printer.DeviceName().isEmpty());
    EXPECT_TRUE(printer.SetPrinterByName(QStringLiteral("pdf FILE on LPT1:")));
    EXPECT_TRUE(printer.IsPdfPrinter());
    EXPECT_FALSE(printer.SetPrinterByName(QStringLiteral("No Such Printer")));
    EXPECT_TRUE(printer.IsPdfPrinter());
    printer.SetPdfPrinterListed(false);
    EXPECT_FALSE(printer.Printers().contains(QStringLiteral("PDF file")));
    if (printer.Printers().isEmpty()) {
        EXPECT_EQ(printer.PrinterIndex(), -1);
        EXPECT_TRUE(printer.DeviceName().isEmpty());
    }
}

TEST(PrinterList, PdfFilePrinterAsksForTheFileName)
{
    QTemporaryDir dir;
    PrinterControl printer;
    ASSERT_TRUE(printer.SetPrinterByName(QStringLiteral("PDF file")));
    QString asked;
    const QString target = dir.filePath(QStringLiteral("asked.pdf"));
    PrinterControl::SetPdfFileNameAsker([&](const QString& title) {
        asked = title;
        return target;
    });
    PrintJob job(printer);
    job.SetTitle(QStringLiteral("Addrova"));
    job.OnPrint = [](PrintJob& j) { j.TextOut(1, 1, QStringLiteral("asked")); };
    EXPECT_TRUE(job.PrintToPrinter());
    EXPECT_EQ(asked, QStringLiteral("Addrova"));
    EXPECT_EQ(ReadPdfInfo(target).pages, 1);
    // An empty answer cancels the job without output.
    PrinterControl::SetPdfFileNameAsker([](const QString&) { return QString(); });
    EXPECT_FALSE(job.PrintToPrinter());
    EXPECT_TRUE(job.Aborted());
    PrinterControl::SetPdfFileNameAsker({});
}

TEST(Fonts, WindowsNamesMapToInstalledFonts)
{
    EXPECT_EQ(MappedFamily(QStringLiteral("Arial")), QStringLiteral("Liberation Sans"));
    EXPECT_EQ(MappedFamily(QStringLiteral("Times New Roman")), QStringLiteral("Liberation Serif"));
    EXPECT_EQ(MappedFamily(QStringLiteral("Times")), QStringLiteral("Liberation Serif"));
    EXPECT_EQ(MappedFamily(QStringLiteral("courier new")), QStringLiteral("Liberation Mono"));
    EXPECT_FALSE(MappedFamily(QStringLiteral("SmallFonts")).isEmpty());
    EXPECT_NE(MappedFamily(QStringLiteral("WingDings")), QStringLiteral("WingDings"));
    // Arial text measures as the metric-compatible font does: "Hello" in Arial 10 is 0.3195 inch
    // wide by the Arial advance widths (H 722, e 556, l 222, l 222, o 556 per 1000 em).
    PrinterControl printer;
    PrintJob job(printer);
    job.SetFont(QStringLiteral("Arial"), 10);
    EXPECT_NEAR(job.TextWidth(QStringLiteral("Hello")), (722 + 556 + 222 + 222 + 556) / 1000.0 * 10 / 72, 0.002);
    EXPECT_NEAR(job.LineHeight(), 10.0 / 60, 1e-12);
}
