#include "EnvelopePrintRun.h"

#include "GFiler.h"
#include "GGraphc.h"
#include "JobPrintSurface.h"
#include "LayoutStream.h"
#include "PrintJob.h"
#include "PrinterControl.h"
#include "RecordSource.h"
#include "Settings.h"
#include "Table.h"

#include <QCoreApplication>
#include <QFile>
#include <algorithm>

namespace addrova::envelopes {

void LoadPreferences(const app::ProfileFile& settings, print::PrinterControl& printer)
{
    const EnvelopePrinterChoice c = LoadEnvelopePrinter(settings);
    if (!c.printer.empty())
        printer.SetPrinterByName(QString::fromStdString(PrinterNameBeforeOn(c.printer)));
    if (!c.bin.empty())
        printer.SetPaperSourceByName(QString::fromStdString(c.bin));
    if (!c.paper.empty())
        printer.SetPaperByName(QString::fromStdString(c.paper));
    if (c.orientation >= 0)
        printer.SetOrientation(c.orientation != 0 ? print::Orientation::Landscape : print::Orientation::Portrait);
}

void SavePreferences(app::ProfileFile& settings, const print::PrinterControl& printer, const FeedMethod& feed)
{
    SaveFeed(settings, feed);
    EnvelopePrinterChoice c;
    c.printer = printer.PrinterName().toStdString();
    c.bin = printer.PaperSourceName().toStdString();
    c.paper = printer.PaperName().toStdString();
    c.orientation = printer.GetOrientation() == print::Orientation::Landscape ? 1 : 0;
    SaveEnvelopePrinter(settings, c);
}

EnvelopePrintRun::EnvelopePrintRun(store::Table& address, EnvelopeSetup setup, std::string sysdataDir,
                                   EnvelopePrintOptions options, EnvelopeRunHooks hooks, std::string tagId,
                                   std::string shortDateFormat)
    : t_(address), setup_(std::move(setup)), sysdata_(std::move(sysdataDir)), options_(options),
      hooks_(std::move(hooks)),
      records_(std::make_unique<layout::TableRecordSource>(address, std::move(tagId), std::move(shortDateFormat),
                                                           true)),
      host_(std::make_unique<layout::StandaloneHost>()), scope_(address)
{
    host_->setRecords(records_.get());
    options_.copies = std::clamp(options_.copies, 1, 99);
}

EnvelopePrintRun::~EnvelopePrintRun()
{
    try {
        Restore();
    } catch (...) {
        // The table is left where it is; nothing else to undo.
    }
}

void EnvelopePrintRun::say(const QString& text) const
{
    if (hooks_.info)
        hooks_.info(text);
}

bool EnvelopePrintRun::LoadLayout()
{
    for (auto* o : layout::layoutObjects(host_.get()))
        delete o;
    const std::string path = sysdata_ + setup_.binary;
    if (!PlainFileName(setup_.binary) || !QFile::exists(QString::fromStdString(path))) {
        say(QString::fromLatin1(kDefinitionMissing));
        return false;
    }
    if (!KnownEnvelopeCode(setup_.number)) {
        say(QStringLiteral("The envelope size code %1 of this layout is unknown. Use Modify and Change Size to "
                           "choose the envelope size.")
                .arg(setup_.number));
        return false;
    }
    layout::registerPanelClasses(layout::PanelKind::Envelope);
    try {
        layout::TGLabelObjectFiler::LoadObjects(host_.get(), host_.get(), QString::fromStdString(path),
                                                host_->ppi());
    } catch (const std::exception& e) {
        for (auto* o : layout::layoutObjects(host_.get()))
            delete o;
        say(QStringLiteral("The envelope layout %1 could not be read: %2")
                .arg(QString::fromStdString(setup_.binary), QString::fromLocal8Bit(e.what())));
        return false;
    }
    return true;
}

void EnvelopePrintRun::SetPaper(print::PrinterControl& printer, EnvelopePaper paper) const
{
    const auto orientation =
        options_.feed.orientation == feedPortrait ? print::Orientation::Portrait : print::Orientation::Landscape;
    switch (paper) {
        case EnvelopePaper::Envelope:
            if (!printer.SetPaperCode(setup_.number))
                printer.SetCustomPaper(std::min(setup_.width, setup_.height), std::max(setup_.width, setup_.height));
            printer.SetOrientation(orientation);
            break;
        case EnvelopePaper::EnvelopeExact:
            // Width and height as in portrait; landscape puts the address lines along the page.
            printer.SetCustomPaper(setup_.height, setup_.width);
            printer.SetOrientation(print::Orientation::Landscape);
            break;
        case EnvelopePaper::Letter:
            printer.SetPaperCode(1);
            printer.SetOrientation(orientation);
            break;
    }
}

void EnvelopePrintRun::ApplyRecordChoice()
{
    scope_.Apply(options_.choice, options_.choice != RecordChoice::OnlyCurrent && options_.startFromCurrent,
                 [this](const QString& t) { say(t); });
    if (options_.choice == RecordChoice::OnlyCurrent && scope_.savedRecord() > 0)
        t_.go(scope_.savedRecord());
}

void EnvelopePrintRun::ConfigureJob(print::PrintJob& job, bool preview)
{
    preview_ = preview;
    job.SetTitle(QStringLiteral("Addrova"));
    job.SetScale(100, 100);
    job.OnBeforePrint = [this](print::PrintJob& j) { BeforePrintEnvelope(j); };
    job.OnPrint = [this](print::PrintJob& j) { PrintEnvelope(j); };
    job.OnNewPage = nullptr;
}

void EnvelopePrintRun::BeforePrintEnvelope(print::PrintJob& job)
{
    offset_ = {};
    job.SetStatusFormat(QStringLiteral("Printing Page %p\r%0\r%1"));
    job.StatusText() << QString() << QString();
    job.UpdateStatus();
}

void EnvelopePrintRun::PrintEnvelope(print::PrintJob& job)
{
    const double pw = job.PageWidth(), ph = job.PageHeight();
    offset_ = EnvelopeOffsets(options_.feed, pw, ph, setup_.width, setup_.height);
    job.SetMarginLeft(0);
    job.SetMarginTop(0);
    const print::InchMargins unprintable = job.Printer().Unprintable();

    layout::JobPrintSurface surface(job);
    host_->setPrinting(true);
    printed_ = 0;
    bool first = true;
    while (!t_.eof() && !job.Aborted()) {
        bool stop = false;
        for (int c = 0; c < options_.copies && !stop; ++c) {
            if (!first)
                job.NewPage();
            first = false;
            if (preview_) {
                job.SetBrush(Qt::white, print::BrushStyle::Clear);
                job.SetPen(Qt::red, print::PenStyle::Dot, -1);
                job.Rectangle(unprintable.left, unprintable.top, pw - unprintable.right, ph - unprintable.bottom);
                job.SetPen(Qt::black, print::PenStyle::Solid, -1);
            }
            host_->printAll(surface, offset_.x, offset_.y);
            ++printed_;
            stop = job.Aborted() || (hooks_.stopped && hooks_.stopped());
        }
        if (stop || options_.choice == RecordChoice::OnlyCurrent)
            break;
        t_.skip(1);
    }
    host_->setPrinting(false);
}

void EnvelopePrintRun::Restore()
{
    host_->setPrinting(false);
    scope_.Restore();
}

}  // namespace addrova::envelopes
