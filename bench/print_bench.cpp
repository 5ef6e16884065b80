// addrova-print-bench: a long job of dense text and lines through the print engine, to a PDF file
// and to the in-memory page stream (the preview), with the stream's playback at screen size.
// Each output runs in a child process of its own so that its peak resident set size is its own.

#include "PrintJob.h"
#include "QtChild.h"
#include "PrinterControl.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace addrova::print;

namespace {

struct Result {
    double seconds = 0;
    double playSeconds = 0;  // stream only: every page drawn at 96 dpi
    long long bytes = 0;     // PDF file size or the stream's memory
    int pages = 0;
    bool ok = false;
};

// 1,000 pages of a columnar report: a header, a rule, 54 lines of four tab cells (every other
// line shaded, border lines on the last cell) and a footer.
void DenseJob(PrintJob& job, int pages)
{
    job.OnPrint = [pages](PrintJob& j) {
        j.SetMargins(0.5, 0.5, 0.5, 0.5);
        int record = 0;
        for (int p = 1; p <= pages; ++p) {
            if (p > 1)
                j.NewPage();
            j.ResetSection();
            j.SetFont(QStringLiteral("Times New Roman"), 14);
            j.SetBold(true);
            j.Home();
            j.Print(QStringLiteral("Report 1"));
            j.PrintRight(QStringLiteral("Page %1").arg(j.PageNumber()), j.SectionRight());
            j.NewLine();
            j.SetFont(QStringLiteral("Arial"), 9);
            j.SetPen(Qt::black, PenStyle::Solid, 1);
            j.MoveTo(j.SectionLeft(), 1.0);
            j.LineTo(j.SectionRight(), 1.0);
            j.SetSectionTop(1.05);
            j.Home();
            j.ClearTabs();
            for (int line = 0; line < 54 && j.LinesLeft() > 0; ++line) {
                if (line % 2 == 0) {
                    j.ClearTabs();
                    j.SetTab(0.5, Justify::Left, 1.75, 2, BoxLineNone, 5);
                    j.SetTab(PrintJob::TabAfterPrevious, Justify::Left, 2.15, 2, BoxLineNone, 5);
                    j.SetTab(PrintJob::TabAfterPrevious, Justify::Left, 2.0, 2, BoxLineNone, 5);
                    j.SetTab(PrintJob::TabAfterPrevious, Justify::Right, 1.5, 2, BoxLineAll, 5);
                } else {
                    j.ClearTabs();
                    j.SetTab(0.5, Justify::Left, 1.75, 2);
                    j.SetTab(PrintJob::TabAfterPrevious, Justify::Left, 2.15, 2);
                    j.SetTab(PrintJob::TabAfterPrevious, Justify::Left, 2.0, 2);
                    j.SetTab(PrintJob::TabAfterPrevious, Justify::Right, 1.5, 2, BoxLineAll);
                }
                ++record;
                j.PrintTab(QStringLiteral("Smith%1, John Q.").arg(record));
                j.PrintTab(QStringLiteral("%1 Main Street, Suite 200").arg(record % 9000 + 100));
                j.PrintTab(QStringLiteral("Springfield, IL  62704 "));
                j.PrintTab(QStringLiteral("(217) 555-%1").arg(record % 10000, 4, 10, QLatin1Char('0')));
                j.NewLine();
            }
            j.SetPen(QColor(0xC0, 0xC0, 0xC0), PenStyle::Solid, -1);
            j.MoveTo(0.5, 10.3);
            j.LineTo(8.0, 10.3);
            j.TextRect(j.InchToDevice(0.5, 10.35, 8.0, 10.5), 0.5, 10.35,
                       QStringLiteral("Addrova  -  dense text benchmark  -  footer line of the page"));
        }
    };
}

Result RunOne(const std::string& mode, int pages, const QString& dir)
{
    PrinterControl printer;
    printer.SetPrinterByName(PrinterControl::PdfPrinterName());
    printer.SetPaperCode(PaperLetter);
    PrintJob job(printer);
    DenseJob(job, pages);
    Result r;
    QElapsedTimer t;
    if (mode == "pdf") {
        const QString path = dir + QStringLiteral("/bench.pdf");
        t.start();
        r.ok = job.PrintToPdf(path, 600);
        r.seconds = t.nsecsElapsed() / 1e9;
        r.bytes = QFileInfo(path).size();
        r.pages = job.PageNumber();
    } else {
        PageStream stream;
        t.start();
        r.ok = job.PrintToStream(stream);
        r.seconds = t.nsecsElapsed() / 1e9;
        r.bytes = static_cast<long long>(stream.ApproxBytes());
        r.pages = stream.PageCount();
        QImage screen(qRound(8.5 * 96), 11 * 96, QImage::Format_RGB32);
        t.restart();
        for (int i = 0; i < stream.PageCount(); ++i) {
            QPainter p(&screen);
            stream.Play(i, p, QRectF(0, 0, screen.width(), screen.height()));
        }
        r.playSeconds = t.nsecsElapsed() / 1e9;
    }
    return r;
}

}  // namespace

int main(int argc, char** argv)
{
    int pages = 1000;
    std::string only;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--pages") && i + 1 < argc)
            pages = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--only") && i + 1 < argc)
            only = argv[++i];
        else {
            std::fprintf(stderr, "usage: addrova-print-bench [--pages N] [--only pdf|stream]\n");
            return 2;
        }
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir dir;
    std::printf("| output | pages | seconds | pages/s | playback pages/s (96 dpi) | size | peak RSS |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|\n");
    bool allOk = true;
    for (const std::string mode : {"pdf", "stream"}) {
        if (!only.empty() && only != mode)
            continue;
        const auto run = bench::RunInQtChild<Result>(argv[0], [&] { return RunOne(mode, pages, dir.path()); });
        const Result& r = run.result;
        const bool ok = run.ok && r.pages == pages;
        allOk = allOk && ok;
        const std::string play = mode == "stream" ? std::to_string(static_cast<int>(r.pages / r.playSeconds)) : "-";
        std::printf("| %s%s | %d | %.2f | %.0f | %s | %.1f MiB | %.0f MiB |\n", mode == "pdf" ? "PDF file" : "page stream",
                    ok ? "" : " (FAILED)", r.pages, r.seconds, r.pages / r.seconds, play.c_str(),
                    r.bytes / 1048576.0, run.peakMiB);
    }
    return allOk ? 0 : 1;
}
