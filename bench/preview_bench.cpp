// addrova-preview-bench: a label preview of a large address file on the shipped 30-up layout,
// recorded the way the "Print Labels" window records it, with the pages kept in memory and
// spooled to a temporary file. For each it gives the time until page 1 is recorded and drawn,
// the time until every page is recorded, the peak resident set size and the spool file's size.
// Each run is a child process of its own so that its peak resident set size is its own.
//
//   addrova-preview-bench --sysdata build/resources/sysdata [--records 1000000] [--dir DIR]
//                         [--only memory|spool]
//
// The address file (DIR/PREVIEW.DBF, demonstration records) is made on the first run and kept.

#include "AddressFile.h"
#include "DemoData.h"
#include "LabelPrintRun.h"
#include "LabelStock.h"
#include "PageStream.h"
#include "PrintJob.h"
#include "QtChild.h"
#include "PrinterControl.h"
#include "Table.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QPainter>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace addrova;

namespace {

struct Result {
    double firstRecorded = 0;  // seconds until page 1 is complete
    double firstDrawn = 0;     // seconds to draw page 1 at screen size then
    double total = 0;          // seconds until every page is recorded
    double lastDrawn = 0;      // seconds to draw the last page afterwards
    long long spoolBytes = 0;
    long long heldBytes = 0;   // the stream's own estimate of its memory
    int pages = 0;
    bool ok = false;
};

void MakeFile(const std::string& path, long long n)
{
    using namespace addrova::store;
    Table::create(path, addressSchema(defaultWidths()));
    Table t;
    t.open(path, OpenMode::Exclusive);
    demo::AppendDemoRecords(t, n, 1997);
    buildAddressTags(t);
    t.close();
}

double DrawPage(const print::PageStream& s, int index)
{
    QImage screen(qRound(8.5 * 96), 11 * 96, QImage::Format_RGB32);
    QElapsedTimer t;
    t.start();
    QPainter p(&screen);
    s.Play(index, p, QRectF(0, 0, screen.width(), screen.height()));
    return t.nsecsElapsed() / 1e9;
}

Result RunOne(print::PageStream::Storage storage, const std::string& file, const std::string& sysdata,
              const std::string& dir)
{
    Result r;
    store::Table t;
    t.open(file, store::OpenMode::ReadOnly);
    t.setDeleted(true);
    t.setSelection("!ISDEL");
    t.goTop();
    labels::LabelSetup setup = labels::NewLabelSetup();
    setup.binary = "BIN00001.L";
    labels::LabelPrintOptions o;
    o.choice = labels::RecordChoice::All;
    labels::LabelRunHooks hooks;
    hooks.ask = [](const QString&) { return true; };
    labels::LabelPrintRun run(t, setup, sysdata + "/", dir + "/", o, hooks);
    print::PrinterControl printer;
    printer.SetPrinterByName(print::PrinterControl::PdfPrinterName());
    labels::PrinterPaper paper(printer);
    if (!run.Prepare(paper))
        return r;
    print::PrintJob job(printer);
    run.ConfigureJob(job, true);
    print::PageStream stream(storage);
    QElapsedTimer clock;
    bool first = false;
    // Page 1 is complete when page 2 begins; the spooled preview shows it then.
    job.SetStatusSink([&](const QString&) {
        if (!first && stream.PageCount() >= 2) {
            first = true;
            r.firstRecorded = clock.nsecsElapsed() / 1e9;
            r.firstDrawn = DrawPage(stream, 0);
        }
    });
    clock.start();
    r.ok = job.PrintToStream(stream);
    r.total = clock.nsecsElapsed() / 1e9;
    r.pages = stream.PageCount();
    if (r.pages > 0)
        r.lastDrawn = DrawPage(stream, r.pages - 1);
    r.spoolBytes = stream.SpoolBytes();
    r.heldBytes = static_cast<long long>(stream.ApproxBytes());
    return r;
}

}  // namespace

int main(int argc, char** argv)
{
    long long records = 1000000;
    std::string dir = "/tmp/addrova-preview-bench", sysdata, only;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--records") && i + 1 < argc)
            records = std::atoll(argv[++i]);
        else if (!std::strcmp(argv[i], "--dir") && i + 1 < argc)
            dir = argv[++i];
        else if (!std::strcmp(argv[i], "--sysdata") && i + 1 < argc)
            sysdata = argv[++i];
        else if (!std::strcmp(argv[i], "--only") && i + 1 < argc)
            only = argv[++i];
        else {
            std::fprintf(stderr, "usage: addrova-preview-bench --sysdata DIR [--records N] [--dir DIR] "
                                 "[--only memory|spool]\n");
            return 2;
        }
    }
    if (sysdata.empty() || records < 1) {
        std::fprintf(stderr, "addrova-preview-bench: --sysdata DIR is required and --records must be positive\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::system(("mkdir -p '" + dir + "'").c_str());
    const std::string file = dir + "/PREVIEW" + std::to_string(records) + ".DBF";
    if (!QFileInfo::exists(QString::fromStdString(file))) {
        std::fprintf(stderr, "making %s ...\n", file.c_str());
        MakeFile(file, records);
    }
    std::printf("| pages kept | pages | page 1 recorded | page 1 drawn | all recorded | last page drawn | "
                "temporary file | held in memory | peak RSS |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    bool allOk = true;
    for (const std::string mode : {"memory", "spool"}) {
        if (!only.empty() && only != mode)
            continue;
        const auto run = bench::RunInQtChild<Result>(argv[0], [&] {
            Result r;
            try {
                r = RunOne(mode == "memory" ? print::PageStream::Storage::Memory : print::PageStream::Storage::Spool,
                           file, sysdata, dir);
            } catch (const std::exception& e) {
                std::fprintf(stderr, "%s\n", e.what());
            }
            return r;
        });
        const Result& r = run.result;
        const bool ok = run.ok;
        allOk = allOk && ok;
        std::printf("| %s%s | %d | %.2f s | %.3f s | %.1f s | %.3f s | %.1f MiB | %.1f MiB | %.0f MiB |\n",
                    mode == "memory" ? "in memory" : "spooled", ok ? "" : " (FAILED)", r.pages, r.firstRecorded,
                    r.firstDrawn, r.total, r.lastDrawn, r.spoolBytes / 1048576.0, r.heldBytes / 1048576.0,
                    run.peakMiB);
        std::fflush(stdout);
    }
    return allOk ? 0 : 1;
}
