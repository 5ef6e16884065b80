// Recorded pages kept in a temporary file: played back they draw what pages kept in memory draw;
// memory stays bounded; the file goes away with the recording; damage is reported.
#include "PageStream.h"
#include "PrintJob.h"
#include "PrinterControl.h"

#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <gtest/gtest.h>

using namespace addrova::print;

namespace {

class Spool : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(printer.SetPrinterByName(PrinterControl::PdfPrinterName()));
        printer.SetPaperCode(PaperLetter);
        printer.SetOrientation(Orientation::Portrait);
    }
    PrinterControl printer;
};

QImage Pattern()
{
    QImage p(8, 8, QImage::Format_RGB32);
    p.fill(Qt::white);
    for (int i = 0; i < 8; ++i)
        p.setPixel(i, i, qRgb(200, 0, 0));
    return p;
}

QImage Picture()
{
    QImage p(64, 48, QImage::Format_ARGB32);
    for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width(); ++x)
            p.setPixel(x, y, qRgba(x * 4, y * 5, (x * y) % 256, 255));
    return p;
}

// Every kind of operation the engine records, on `pages` pages; the picture and the pattern are
// the same objects on every page.
void EveryOperation(PrintJob& job, int pages)
{
    const QImage picture = Picture();
    const QImage pattern = Pattern();
    job.OnPrint = [pages, picture, pattern](PrintJob& j) {
        for (int p = 1; p <= pages; ++p) {
            if (p > 1)
                j.NewPage();
            j.SetFont(QStringLiteral("Times New Roman"), 14);
            j.SetBold(true);
            j.SetUnderline(p % 2 == 0);
            j.TextOut(1, 0.6, QStringLiteral("Page %1 \u00e9\u00df").arg(p));
            j.SetFont(QStringLiteral("Arial"), 9);
            j.SetItalic(true);
            j.SetFontColor(Qt::darkBlue);
            j.SetFontRotation(90);
            j.TextOut(0.4, 5, QStringLiteral("Rotated"));
            j.SetFontRotation(0);
            j.SetBrush(Qt::yellow, BrushStyle::Solid);
            j.TextRect(InchRect{1, 1, 2.2, 1.3}, 1.05, 1.02, QStringLiteral("Clipped text that runs on"));
            j.SetPen(Qt::red, PenStyle::Dash, 3);
            j.SetBrush(Qt::green, BrushStyle::DiagCross);
            j.Rectangle(1, 2, 3, 3);
            j.SetPen(Qt::black, PenStyle::Solid, -2, PenMode::Copy);
            j.SetBrush(Qt::white, BrushStyle::Solid, pattern);
            j.RoundRect(3.5, 2, 5.5, 3, 0.3, 0.2);
            j.SetBrush(Qt::cyan, BrushStyle::Clear);
            j.Ellipse(6, 2, 7.5, 3.2);
            j.MoveTo(1, 4);
            j.LineTo(7, 4.5 + p * 0.1);
            j.StretchBitmap(InchRect{1, 5, 2.5, 6}, picture);
            j.StretchBitmap(InchRect{3, 5, 4, 5.8}, picture);
            j.StretchMetafile(j.InchToDevice(5, 5, 7, 6), [p](QPainter& painter, const QRectF& r) {
                painter.fillRect(r.adjusted(0, 0, -r.width() / (p + 1), 0), QColor(120, 60, 200));
            });
        }
    };
}

TEST_F(Spool, PlaysBackWhatMemoryPagesDraw)
{
    PageStream memory(PageStream::Storage::Memory);
    PageStream spooled(PageStream::Storage::Spool, 2);
    for (PageStream* s : {&memory, &spooled}) {
        PrintJob job(printer);
        EveryOperation(job, 5);
        ASSERT_TRUE(job.PrintToStream(*s)) << job.ErrorText().toStdString();
        ASSERT_EQ(s->PageCount(), 5);
    }
    EXPECT_TRUE(memory.SpoolPath().isEmpty());
    EXPECT_TRUE(QFileInfo::exists(spooled.SpoolPath()));
    // Out of order, so that pages come from the file and from the cache.
    for (const int i : {0, 4, 2, 2, 1, 3, 0}) {
        const QImage a = memory.Render(i, 60);
        const QImage b = spooled.Render(i, 60);
        ASSERT_FALSE(b.isNull()) << spooled.Error().toStdString();
        EXPECT_EQ(a.size(), b.size());
        EXPECT_TRUE(a == b) << "page " << i + 1;
        EXPECT_EQ(spooled.PageSizeInches(i), memory.PageSizeInches(i));
    }
    EXPECT_TRUE(spooled.Error().isEmpty());
}

TEST_F(Spool, PicturesAreWrittenOnce)
{
    qint64 bytes[2] = {0, 0};
    const int pages[2] = {1, 40};
    for (int k = 0; k < 2; ++k) {
        PageStream s;
        PrintJob job(printer);
        EveryOperation(job, pages[k]);
        ASSERT_TRUE(job.PrintToStream(s));
        bytes[k] = s.SpoolBytes();
    }
    // The picture alone (64 x 48 pixels of varied colour) is several kilobytes; 39 more pages of
    // small operations add far less than 39 pictures would.
    const qint64 perPage = (bytes[1] - bytes[0]) / 39;
    EXPECT_LT(perPage, 1500) << bytes[0] << " " << bytes[1];
}

TEST_F(Spool, MemoryStaysBoundedAndTheCacheSmall)
{
    PageStream memory(PageStream::Storage::Memory);
    PageStream spooled(PageStream::Storage::Spool, 3);
    for (PageStream* s : {&memory, &spooled}) {
        PrintJob job(printer);
        job.OnPrint = [](PrintJob& j) {
            j.SetFont(QStringLiteral("Arial"), 8);
            for (int p = 0; p < 200; ++p) {
                if (p > 0)
                    j.NewPage();
                for (int l = 0; l < 30; ++l)
                    j.TextOut(0.3 + (l % 3) * 2.75, 0.5 + (l / 3), QStringLiteral("Label %1 on page %2").arg(l).arg(p));
            }
        };
        ASSERT_TRUE(job.PrintToStream(*s));
    }
    for (int i = 0; i < spooled.PageCount(); ++i) {
        ASSERT_TRUE(spooled.PageAt(i)) << spooled.Error().toStdString();
        EXPECT_LE(spooled.CachedPages(), 3);
    }
    EXPECT_EQ(spooled.PageAt(123)->ops.size(), memory.PageAt(123)->ops.size());
    // 200 pages in memory against the index and three cached pages.
    EXPECT_LT(spooled.ApproxBytes() * 20, memory.ApproxBytes()) << spooled.ApproxBytes() << " " << memory.ApproxBytes();
}

TEST_F(Spool, TheTemporaryFileGoesWithTheRecording)
{
    QString first, second;
    {
        PageStream s;
        PrintJob job(printer);
        EveryOperation(job, 2);
        ASSERT_TRUE(job.PrintToStream(s));
        first = s.SpoolPath();
        EXPECT_TRUE(QFileInfo::exists(first));
        EXPECT_EQ(QFileInfo(first).permissions() & (QFileDevice::ReadOther | QFileDevice::ReadGroup),
                  QFileDevice::Permissions());
        // A new recording replaces the old file.
        ASSERT_TRUE(job.PrintToStream(s));
        second = s.SpoolPath();
        EXPECT_NE(first, second);
        EXPECT_FALSE(QFileInfo::exists(first));
        s.Clear();
        EXPECT_FALSE(QFileInfo::exists(second));
        EXPECT_EQ(s.PageCount(), 0);
        ASSERT_TRUE(job.PrintToStream(s));
        second = s.SpoolPath();
    }
    EXPECT_FALSE(QFileInfo::exists(second));
}

// Ways the file can be spoiled behind the recording's back.
struct Damage {
    const char* name;
    void (*spoil)(const QString& path);
    const char* says;  // in the error; empty: the pages still play
};

void FlipMiddle(const QString& path)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    const qint64 at = f.size() / 2;
    f.seek(at);
    char c = 0;
    f.getChar(&c);
    f.seek(at);
    f.putChar(static_cast<char>(c ^ 0x5A));
}

void Truncate(const QString& path)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.resize(f.size() / 3);
}

void Zero(const QString& path)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.write(QByteArray(static_cast<int>(f.size()), '\0'));
}

void Remove(const QString& path)
{
    ASSERT_TRUE(QFile::remove(path));
}

class SpoilOne : public Spool, public ::testing::WithParamInterface<Damage> {};

TEST_P(SpoilOne, IsReportedNotCrashed)
{
    const Damage& d = GetParam();
    PageStream s;
    PrintJob job(printer);
    EveryOperation(job, 6);
    ASSERT_TRUE(job.PrintToStream(s));
    d.spoil(s.SpoolPath());
    int failed = 0;
    for (int i = 0; i < s.PageCount(); ++i) {
        QImage img(200, 260, QImage::Format_RGB32);
        QPainter p(&img);
        if (!s.Play(i, p, QRectF(0, 0, 200, 260))) {
            ++failed;
            EXPECT_TRUE(s.Error().contains(QString::fromLatin1(d.says))) << s.Error().toStdString();
            EXPECT_TRUE(s.Error().contains(QStringLiteral("page %1").arg(i + 1))) << s.Error().toStdString();
            EXPECT_TRUE(s.Render(i, 20).isNull());
        }
    }
    if (*d.says == '\0') {
        EXPECT_EQ(failed, 0) << s.Error().toStdString();
        return;
    }
    EXPECT_GE(failed, 1);

    // Printing the recording fails with the same kind of message instead of printing less.
    PrintJob again(printer);
    again.OnPrint = [&s](PrintJob& j) {
        for (int i = 0; i < s.PageCount(); ++i) {
            if (i > 0)
                j.NewPage();
            if (!j.PlayPage(s, i))
                return;
        }
    };
    std::vector<QImage> pages;
    EXPECT_FALSE(again.PrintToImages(pages, 20));
    EXPECT_FALSE(again.Aborted());
    EXPECT_TRUE(again.ErrorText().contains(QString::fromLatin1(d.says))) << again.ErrorText().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Spool, SpoilOne,
                         ::testing::Values(Damage{"ByteFlipped", FlipMiddle, "damaged"},
                                           Damage{"Truncated", Truncate, "shorter than recorded"},
                                           Damage{"Zeroed", Zero, "damaged"},
                                           // The open file lives on until the recording ends.
                                           Damage{"Removed", Remove, ""}),
                         [](const ::testing::TestParamInfo<Damage>& i) { return std::string(i.param.name); });

TEST_F(Spool, ReplayedPagesPrintLikeTheJob)
{
    PrintJob job(printer);
    EveryOperation(job, 3);
    PageStream s;
    ASSERT_TRUE(job.PrintToStream(s));
    PrintJob replay(printer);
    replay.OnPrint = [&s](PrintJob& j) {
        for (int i = 0; i < s.PageCount(); ++i) {
            if (i > 0)
                j.NewPage();
            ASSERT_TRUE(j.PlayPage(s, i));
        }
    };
    std::vector<QImage> replayed;
    ASSERT_TRUE(replay.PrintToImages(replayed, 50));
    ASSERT_EQ(replayed.size(), 3u);
    for (std::size_t i = 0; i < replayed.size(); ++i)
        EXPECT_EQ(replayed[i], s.Render(static_cast<int>(i), 50)) << "page " << i + 1;
}

}  // namespace
