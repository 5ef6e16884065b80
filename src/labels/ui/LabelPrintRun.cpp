#include "LabelPrintRun.h"

#include "JobPrintSurface.h"

#include "GFiler.h"
#include "GGraphc.h"
#include "GShapes.h"
#include "Presort.h"
#include "PrintJob.h"
#include "PrinterControl.h"
#include "Table.h"

#include <QFile>
#include <algorithm>
#include <limits>
#include <stdexcept>

namespace addrova::labels {

namespace {

bool fileExists(const std::string& path)
{
    return QFile::exists(QString::fromStdString(path));
}

}  // namespace

// ---- TableLabelRecords ----

TableLabelRecords::TableLabelRecords(store::Table& table) : t_(table), zipField_(table.fieldIndex("ZIP")) {}
bool TableLabelRecords::eof() { return t_.eof(); }
void TableLabelRecords::first() { t_.goTop(); }
void TableLabelRecords::next() { t_.skip(1); }
void TableLabelRecords::pastEnd()
{
    t_.goBottom();
    t_.skip(1);
}
void TableLabelRecords::seekZip(std::string_view key) { t_.seek(key); }
std::string TableLabelRecords::zip() { return zipField_ < 0 || t_.eof() ? std::string() : t_.getString(zipField_); }

// ---- PrinterPaper ----

std::string PrinterPaper::deviceName() const { return p_.DeviceName().toStdString(); }
void PrinterPaper::setPaperCode(int code) { p_.SetPaperCode(code); }
void PrinterPaper::setCustomPaper(double w, double h) { p_.SetCustomPaper(w, h); }
void PrinterPaper::setLandscape(bool l)
{
    p_.SetOrientation(l ? print::Orientation::Landscape : print::Orientation::Portrait);
}
double PrinterPaper::pageWidth() const { return p_.PageWidth(); }
double PrinterPaper::pageHeight() const { return p_.PageHeight(); }

// ---- LabelPrintRun ----

LabelPrintRun::LabelPrintRun(store::Table& address, LabelSetup setup, std::string sysdataDir, std::string programDir,
                             LabelPrintOptions options, LabelRunHooks hooks, std::string tagId,
                             std::string shortDateFormat)
    : t_(address), setup_(std::move(setup)), sysdata_(std::move(sysdataDir)), programDir_(std::move(programDir)),
      options_(options), hooks_(std::move(hooks)),
      records_(std::make_unique<layout::TableRecordSource>(address, std::move(tagId), std::move(shortDateFormat),
                                                           true)),
      host_(std::make_unique<layout::StandaloneHost>()), scope_(address)
{
    host_->setRecords(records_.get());
    options_.copies = std::clamp(options_.copies, 1, 99);
}

LabelPrintRun::~LabelPrintRun()
{
    try {
        Restore();
    } catch (...) {
        // The table is left where it is; nothing else to undo.
    }
}

void LabelPrintRun::say(const QString& text) const
{
    if (hooks_.info)
        hooks_.info(text);
}

bool LabelPrintRun::Prepare(PaperDevice& paper)
{
    // 1. The layout file.
    layoutPath_ = sysdata_ + setup_.binary;
    if (setup_.binary.empty() || !fileExists(layoutPath_)) {
        say(QString::fromLatin1(kLayoutFileMissing));
        return false;
    }
    layout::registerPanelClasses(layout::PanelKind::Label);
    for (auto* o : layout::layoutObjects(host_.get()))
        delete o;
    layout::TGLabelObjectFiler::LoadObjects(host_.get(), host_.get(), QString::fromStdString(layoutPath_),
                                            host_->ppi());

    // 2. Record choice and start; put back by Restore().
    if (options_.choice == RecordChoice::OnlyCurrent)
        options_.presort = false;
    scope_.Apply(options_.choice, options_.startFromCurrent, [this](const QString& t) { say(t); });

    // 5. Presort.
    const std::string listingPath = programDir_ + postal::kListingName;
    if (options_.presort) {
        if (!options_.presortDone) {
            bool done = false;
            if (hooks_.presort) {
                done = hooks_.presort(t_, listingPath);
            } else {
                const postal::AdcTable adc = postal::LoadAdcTable(sysdata_ + "ADC.CSV");
                done = postal::DoTheSort(t_, adc, listingPath, {}) == postal::PresortResult::Done;
            }
            if (!done) {
                Restore();
                return false;
            }
            options_.presortDone = true;
        }
        t_.setExact(false);
        t_.setOrder(std::string_view("ZIP"));
        say(QString::fromLatin1(kPresortOrder));
        listing_ = postal::ReadListing(listingPath);
    }

    // 6. Paper and orientation.
    const PaperChoice choice = ChoosePaper(setup_.paperSize, setup_.sheetWidth, setup_.sheetDepth, paper.deviceName());
    if (choice.setPaper) {
        if (choice.paperCode != 0)
            paper.setPaperCode(choice.paperCode);
        else
            paper.setCustomPaper(choice.width, choice.height);
    }
    paper.setLandscape(choice.landscape);

    // 7. Confirmation.
    if (PaperNeedsConfirmation(choice, paper.pageWidth(), paper.pageHeight())) {
        const bool yes = hooks_.ask && hooks_.ask(QString::fromStdString(PaperQuestion(choice)));
        if (!yes) {
            Restore();
            return false;
        }
    }
    return true;
}

void LabelPrintRun::ConfigureJob(print::PrintJob& job, bool preview)
{
    job.SetTitle(QStringLiteral("Addrova"));
    job.SetScale(100, 100);
    job.SetMargins(0.5, 0.5, 0.5, 0.5);
    job.OnBeforePrint = [this, preview](print::PrintJob& j) { BeforePrintLabels(j, preview); };
    job.OnPrint = [this](print::PrintJob& j) { PrintLabels(j); };
    job.OnNewPage = nullptr;
}

void LabelPrintRun::BeforePrintLabels(print::PrintJob& job, bool preview)
{
    const int total = ExpectedPages();
    job.SetPageTotal(total);
    if (total > 0)
        job.SetStatusFormat(preview ? QStringLiteral("Preparing Preview Page %p of %t\r%0\r%1")
                                    : QStringLiteral("Printing Page %p of %t\r%0\r%1"));
    else
        job.SetStatusFormat(preview ? QStringLiteral("Preparing Preview Page %p\r%0\r%1")
                                    : QStringLiteral("Printing Page %p\r%0\r%1"));
    job.StatusText() << QString() << QString();
    job.UpdateStatus();
}

int LabelPrintRun::ExpectedPages()
{
    // With presort the separators add labels, and from the current record the count depends on
    // where that record stands in the order: the total is not known beforehand.
    if (options_.presort || (options_.startFromCurrent && options_.choice != RecordChoice::OnlyCurrent))
        return 0;
    const LabelGeometry g = setup_.geometry();
    const int positions = std::clamp(g.nbrAcross * g.nbrDown, 0, kMaxLabelsPerSheet);
    long long used = 0;
    for (int i = 0; i < positions; ++i)
        used += options_.mask.test(static_cast<std::size_t>(i)) ? 1 : 0;
    if (used == 0)
        return 0;
    long long records = 0;
    if (options_.choice == RecordChoice::OnlyCurrent) {
        records = t_.eof() ? 0 : 1;
    } else {
        // Counting walks the table; the run starts from the record it stands on now.
        const uint32_t at = t_.eof() ? 0 : t_.recNo();
        records = t_.countSelected();
        if (at > 0)
            t_.go(at);
    }
    const long long labels = records * options_.copies;
    // The first sheet is started even when there is nothing to print.
    const long long pages = std::max(1LL, (labels + used - 1) / used);
    return static_cast<int>(std::min<long long>(pages, std::numeric_limits<int>::max()));
}

void LabelPrintRun::PrintLabels(print::PrintJob& job)
{
    job.SetBrush(Qt::black, print::BrushStyle::Clear);
    job.SetPen(Qt::black, print::PenStyle::Solid, -1, print::PenMode::Copy);
    job.SetFont(QStringLiteral("Arial"), 8);

    LabelRunOptions o;
    o.geometry = setup_.geometry();
    o.mask = options_.mask;
    o.copies = options_.copies;
    o.presort = options_.presort;
    o.listing = listing_;

    layout::JobPrintSurface surface(job);
    TableLabelRecords records(t_);
    struct Sink : LabelSink {
        print::PrintJob& job;
        layout::JobPrintSurface& surface;
        layout::StandaloneHost& host;
        const LabelRunHooks& hooks;
        double pitchX, pitchY;
        Sink(print::PrintJob& j, layout::JobPrintSurface& s, layout::StandaloneHost& h, const LabelRunHooks& k, double px,
             double py)
            : job(j), surface(s), host(h), hooks(k), pitchX(px), pitchY(py)
        {
        }
        void newPage() override { job.NewPage(); }
        void record(double x, double y) override { host.printAll(surface, x, y); }
        void separator(double x, double y, const std::string& heading) override
        {
            job.SetFont(QStringLiteral("Arial"), 8);
            job.SetBrush(Qt::black, print::BrushStyle::Clear);
            job.TextRect(print::InchRect{x, y, x + pitchX, y + pitchY}, x + 0.15, y + pitchY / 3,
                         QString::fromLatin1(heading.c_str()));
        }
        bool stopped() override { return job.Aborted() || (hooks.stopped && hooks.stopped()); }
    } sink(job, surface, *host_, hooks_, o.geometry.horizPitch, o.geometry.vertPitch);

    host_->setPrinting(true);
    placed_ = RunLabels(o, records, sink);
    host_->setPrinting(false);
}

void LabelPrintRun::Restore()
{
    host_->setPrinting(false);
    scope_.Restore();
}

}  // namespace addrova::labels
