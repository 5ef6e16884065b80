#pragma once

// One label print run without windows: the record choice, the presort, paper and orientation, and
// the label job over the address table. The "Print Labels" window and addrova-batch both drive it.

#include "LabelJob.h"
#include "LabelStock.h"
#include "PrintSurface.h"
#include "RecordChoice.h"
#include "RecordSource.h"

#include <QString>
#include <functional>
#include <memory>
#include <string>

namespace addrova::store {
class Table;
}
namespace addrova::print {
class PrintJob;
class PrinterControl;
}
namespace addrova::layout {
class StandaloneHost;
}

namespace addrova::labels {


// The address table as the label run walks it.
class TableLabelRecords : public LabelRecords {
public:
    explicit TableLabelRecords(store::Table& table);
    bool eof() override;
    void first() override;
    void next() override;
    void pastEnd() override;
    void seekZip(std::string_view key) override;
    std::string zip() override;

private:
    store::Table& t_;
    int zipField_;
};

// The paper operations of the run on the current printer.
class PaperDevice {
public:
    virtual ~PaperDevice() = default;
    virtual std::string deviceName() const = 0;
    virtual void setPaperCode(int code) = 0;
    virtual void setCustomPaper(double width, double height) = 0;
    virtual void setLandscape(bool landscape) = 0;
    // The page in inches as the printer reports it, after orientation.
    virtual double pageWidth() const = 0;
    virtual double pageHeight() const = 0;
};

class PrinterPaper : public PaperDevice {
public:
    explicit PrinterPaper(print::PrinterControl& p) : p_(p) {}
    std::string deviceName() const override;
    void setPaperCode(int code) override;
    void setCustomPaper(double width, double height) override;
    void setLandscape(bool landscape) override;
    double pageWidth() const override;
    double pageHeight() const override;

private:
    print::PrinterControl& p_;
};

using print::RecordChoice;
using print::kOutOfRange;

struct LabelPrintOptions {
    RecordChoice choice = RecordChoice::Filter;
    bool startFromCurrent = false;
    bool presort = false;
    bool presortDone = false;  // a listing for these choices is in the program directory
    PositionMask mask = PositionMask().set();
    int copies = 1;
};

// What the run needs from its surroundings.
struct LabelRunHooks {
    std::function<void(const QString&)> info;    // notices ("Information")
    std::function<bool(const QString&)> ask;     // the paper question; true for Yes
    // Runs the presort over the table's current selection and writes the listing; false when it
    // was cancelled or failed (the hook reports failures). Empty: run it without a window.
    std::function<bool(store::Table&, const std::string& listingPath)> presort;
    std::function<bool()> stopped;  // asked after every label; lets pending events run
};

inline constexpr const char* kLayoutFileMissing = "Label definition file has been removed from the sysdata directory";
inline constexpr const char* kPresortOrder =
    "Labels will print/preview in the following order:\r\n  1. 5-Digit presort\r\n  2. 3-Digit presort\r\n  3. ADC "
    "presort";

class LabelPrintRun {
public:
    // sysdataDir and programDir end with '/'.
    LabelPrintRun(store::Table& address, LabelSetup setup, std::string sysdataDir, std::string programDir,
                  LabelPrintOptions options, LabelRunHooks hooks, std::string tagId = {},
                  std::string shortDateFormat = "MM/dd/yyyy");
    ~LabelPrintRun();
    LabelPrintRun(const LabelPrintRun&) = delete;
    LabelPrintRun& operator=(const LabelPrintRun&) = delete;

    // Loads the layout file, applies the record choice and the start, runs the presort, sets paper
    // and orientation and asks the paper question. False when the run ends here (already reported).
    bool Prepare(PaperDevice& paper);
    // Title, units, scale and margins of the job, and its two events.
    void ConfigureJob(print::PrintJob& job, bool preview);
    void BeforePrintLabels(print::PrintJob& job, bool preview);
    void PrintLabels(print::PrintJob& job);
    // Sheets the run will fill, when that is known before it runs (0: not known).
    int ExpectedPages();
    // Query, order, exact matching and record as they were before Prepare (also done by the destructor).
    void Restore();

    bool presortDone() const { return options_.presortDone; }
    long labelsPlaced() const { return placed_; }
    layout::StandaloneHost& host() { return *host_; }
    const std::string& layoutPath() const { return layoutPath_; }

private:
    void say(const QString& text) const;

    store::Table& t_;
    LabelSetup setup_;
    std::string sysdata_, programDir_;
    LabelPrintOptions options_;
    LabelRunHooks hooks_;
    std::string layoutPath_;
    std::unique_ptr<layout::TableRecordSource> records_;
    std::unique_ptr<layout::StandaloneHost> host_;
    std::vector<std::string> listing_;
    print::RecordScope scope_;
    long placed_ = 0;
};

}  // namespace addrova::labels
