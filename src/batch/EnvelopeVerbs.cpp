#include "Batch.h"

#include "CodePage.h"
#include "EnvelopePrintRun.h"
#include "EnvelopeStore.h"
#include "PrintJob.h"
#include "PrinterControl.h"
#include "ProgramDir.h"
#include "SystemTables.h"
#include "Table.h"

#include <QApplication>
#include <chrono>
#include <iostream>
#include <stdexcept>

namespace addrova::batch {

namespace {

using store::Table;

// The stored envelope layout described `description` (as typed, trailing blanks aside).
envelopes::EnvelopeSetup findEnvelopeLayout(const std::string& description)
{
    return FindStoredLayout<envelopes::EnvelopeSetup>(store::SystemTable::Envelope, "envelope", "ENVELOPE.DBF", description,
                                   [](store::Table& t) { return envelopes::ReadEnvelopeSetup(t); });
}

int envelopesVerb(const Args& a)
{
    if (!a.has("pdf"))
        throw UsageError{"--pdf OUT.pdf is required"};
    if (!a.has("layout"))
        throw UsageError{"--layout DESCRIPTION is required"};
    if (int(a.has("all")) + int(a.has("filter")) + int(a.has("recno")) > 1)
        throw UsageError{"choose one of --all, --filter and --recno"};
    envelopes::EnvelopePaper paper = envelopes::EnvelopePaper::EnvelopeExact;
    if (a.has("paper")) {
        std::string p = a.get("paper");
        for (auto& c : p)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (p == "letter")
            paper = envelopes::EnvelopePaper::Letter;
        else if (p != "envelope")
            throw UsageError{"--paper must be letter or envelope, not \"" + a.get("paper") + "\""};
    }
    envelopes::EnvelopePrintOptions o;
    try {
        o.feed = envelopes::ParseFeed(a.get("feed"));
    } catch (const std::invalid_argument& e) {
        throw UsageError{e.what()};
    }
    if (a.has("copies")) {
        const long long c = wholeNumber(a.get("copies"), "--copies");
        if (c < 1 || c > 99)
            throw UsageError{"--copies must be 1 to 99"};
        o.copies = static_cast<int>(c);
    }

    const auto qapp = StartApplication();

    app::PrepareProgramDir();
    const envelopes::EnvelopeSetup setup = findEnvelopeLayout(a.get("layout"));

    Table t;
    o.choice = OpenAddressFile(a, t);

    envelopes::EnvelopeRunHooks hooks;
    hooks.info = TellRunMessage;
    envelopes::EnvelopePrintRun run(t, setup, app::SysdataDir(), o, hooks, app::GlobalTagId(),
                                    app::ShortDateFormat());
    if (!run.LoadLayout())
        return 1;
    print::PrinterControl printer;
    printer.SetPrinterByName(print::PrinterControl::PdfPrinterName());
    run.SetPaper(printer, paper);
    run.ApplyRecordChoice();
    if (t.eof()) {
        std::cerr << "addrova-batch envelopes: no record to print\n";
        return 1;
    }
    print::PrintJob job(printer);
    run.ConfigureJob(job, false);
    const auto started = std::chrono::steady_clock::now();
    if (!WriteJobPdf(job, a, "envelopes"))
        return 1;
    const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::cerr << run.envelopesPrinted() << " envelopes on " << job.PageNumber() << " pages of "
              << printer.PageWidth() << " x " << printer.PageHeight() << " in, layout at " << run.offset().x << ", "
              << run.offset().y << " in, " << secs << " s: " << a.get("pdf") << "\n";
    return 0;
}

}  // namespace

void addEnvelopeVerbs(std::vector<Verb>& verbs)
{
    verbs.push_back({"envelopes",
                     "ADDRESSFILE --layout DESCRIPTION [--all|--filter EXPR|--recno N] [--order TAG] [--copies N] "
                     "[--feed \"face-down,landscape,center,ccw\"] [--paper letter] --pdf OUT.pdf",
                     "prints envelopes of a stored layout (ENVELOPE.DBF) to a PDF file, one per page, as \"Print "
                     "Envelope\" does; the page is the envelope unless --paper letter puts it on a Letter sheet",
                     {"layout", "filter", "recno", "order", "copies", "feed", "paper", "pdf"},
                     {"all"},
                     1,
                     1,
                     envelopesVerb});
}

}  // namespace addrova::batch
