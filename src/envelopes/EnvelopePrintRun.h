#pragma once

// One envelope print run without windows: the layout file, the record choice, the paper, and one
// envelope per page moved onto the envelope by the feed method. "Print Envelope" and addrova-batch
// both drive it.

#include "EnvelopeFeed.h"
#include "EnvelopeStore.h"
#include "RecordChoice.h"

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
class TableRecordSource;
}

namespace addrova::app {
class ProfileFile;
}

namespace addrova::envelopes {

using print::RecordChoice;

// The saved envelope printer made current on `printer`: the printer by name (before " ON "), the
// paper source and the paper by name, and the orientation; names the engine does not know leave
// its choice as it was.
void LoadPreferences(const app::ProfileFile& settings, print::PrinterControl& printer);
// The feed method and the printer's current printer, source, paper and orientation.
void SavePreferences(app::ProfileFile& settings, const print::PrinterControl& printer, const FeedMethod& feed);

struct EnvelopePrintOptions {
    RecordChoice choice = RecordChoice::OnlyCurrent;
    bool startFromCurrent = false;
    FeedMethod feed;
    int copies = 1;  // envelopes per record (the window always prints one)
};

struct EnvelopeRunHooks {
    std::function<void(const QString&)> info;  // notices ("Information")
    std::function<bool()> stopped;             // asked after every envelope; lets pending events run
};

// The paper of a run: the envelope's own paper code, or Letter when the envelope is fed on a sheet.
enum class EnvelopePaper { Envelope, EnvelopeExact, Letter };

class EnvelopePrintRun {
public:
    // sysdataDir ends with '/'.
    EnvelopePrintRun(store::Table& address, EnvelopeSetup setup, std::string sysdataDir, EnvelopePrintOptions options,
                     EnvelopeRunHooks hooks, std::string tagId = {}, std::string shortDateFormat = "MM/dd/yyyy");
    ~EnvelopePrintRun();
    EnvelopePrintRun(const EnvelopePrintRun&) = delete;
    EnvelopePrintRun& operator=(const EnvelopePrintRun&) = delete;

    // Loads the layout file; false (after the notice) when it is missing, unreadable or the
    // envelope size is unknown.
    bool LoadLayout();
    // Paper and orientation on the printer: Envelope sets the envelope's paper code, EnvelopeExact
    // a custom paper of exactly the envelope's size (both turned to the feed orientation, the second
    // always landscape), Letter a Letter sheet in the feed orientation.
    void SetPaper(print::PrinterControl& printer, EnvelopePaper paper) const;
    // Applies the record choice and the start; put back by Restore().
    void ApplyRecordChoice();
    // Title, margins and the job's two events.
    void ConfigureJob(print::PrintJob& job, bool preview);
    void BeforePrintEnvelope(print::PrintJob& job);
    void PrintEnvelope(print::PrintJob& job);
    void Restore();

    const EnvelopePrintOptions& options() const { return options_; }
    void setFeed(const FeedMethod& f) { options_.feed = f; }
    LayoutOffset offset() const { return offset_; }
    long envelopesPrinted() const { return printed_; }
    layout::StandaloneHost& host() { return *host_; }

private:
    void say(const QString& text) const;

    store::Table& t_;
    EnvelopeSetup setup_;
    std::string sysdata_;
    EnvelopePrintOptions options_;
    EnvelopeRunHooks hooks_;
    std::unique_ptr<layout::TableRecordSource> records_;
    std::unique_ptr<layout::StandaloneHost> host_;
    print::RecordScope scope_;
    bool preview_ = false;
    LayoutOffset offset_;
    long printed_ = 0;
};

}  // namespace addrova::envelopes
