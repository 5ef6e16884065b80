#include "Batch.h"

#include "CodePage.h"
#include "LabelPrintRun.h"
#include "LabelStock.h"
#include "ProgramDir.h"
#include "PrintJob.h"
#include "PrinterControl.h"
#include "SystemTables.h"
#include "Table.h"

#include <QApplication>
#include <chrono>
#include <iostream>
#include <sstream>

namespace addrova::batch {

namespace {

using store::Table;

// The stored layout whose description is `description` (compared as typed, trailing blanks aside).
labels::LabelSetup findLayout(const std::string& description)
{
    return FindStoredLayout<labels::LabelSetup>(store::SystemTable::Label, "label", "LABEL.DBF", description,
                                   [](store::Table& t) { return labels::ReadLabelSetup(t); }, "not DELETED()");
}

labels::PositionMask parseMask(const std::string& text, int positions)
{
    labels::PositionMask m;
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ',')) {
        long long p = wholeNumber(item, "a --mask position");
        if (p < 0 || p >= positions)
            throw UsageError{"mask position " + item + " is not on the sheet (0 to " + std::to_string(positions - 1) +
                             ")"};
        m.set(static_cast<size_t>(p));
    }
    if (m.none())
        throw UsageError{"--mask selects no position"};
    return m;
}

int labelsVerb(const Args& a)
{
    if (!a.has("pdf"))
        throw UsageError{"--pdf OUT.pdf is required"};
    if (!a.has("layout"))
        throw UsageError{"--layout DESCRIPTION is required"};
    if (int(a.has("all")) + int(a.has("filter")) + int(a.has("recno")) > 1)
        throw UsageError{"choose one of --all, --filter and --recno"};

    const auto qapp = StartApplication();

    app::PrepareProgramDir();
    const labels::LabelSetup setup = findLayout(a.get("layout"));
    const int positions = setup.nbrAcross * setup.nbrDown;

    labels::LabelPrintOptions o;
    if (a.has("copies")) {
        long long c = wholeNumber(a.get("copies"), "--copies");
        if (c < 1 || c > 99)
            throw UsageError{"--copies must be 1 to 99"};
        o.copies = static_cast<int>(c);
    }
    if (a.has("mask"))
        o.mask = parseMask(a.get("mask"), positions);
    o.presort = a.has("presort");

    Table t;
    o.choice = OpenAddressFile(a, t);
    if (o.choice == labels::RecordChoice::OnlyCurrent)
        o.presort = false;

    labels::LabelRunHooks hooks;
    hooks.info = TellRunMessage;
    // The PDF page takes any size, so the question only comes up for sizes the output refused.
    hooks.ask = [](const QString& s) {
        QString line = s;
        std::cerr << line.replace(QStringLiteral("\r\n"), QStringLiteral(" ")).toStdString() << " - printing anyway\n";
        return true;
    };
    labels::LabelPrintRun run(t, setup, app::SysdataDir(), app::ProgramDir(), o, hooks, app::GlobalTagId(),
                              app::ShortDateFormat());
    print::PrinterControl printer;
    printer.SetPrinterByName(print::PrinterControl::PdfPrinterName());
    labels::PrinterPaper paper(printer);
    if (!run.Prepare(paper))
        return 1;
    print::PrintJob job(printer);
    run.ConfigureJob(job, false);
    const auto started = std::chrono::steady_clock::now();
    if (!WriteJobPdf(job, a, "labels"))
        return 1;
    const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::cerr << run.labelsPlaced() << " labels on " << job.PageNumber() << " pages in " << secs << " s: "
              << a.get("pdf") << "\n";
    return 0;
}

}  // namespace

void addLabelVerbs(std::vector<Verb>& verbs)
{
    verbs.push_back({"labels",
                     "ADDRESSFILE --layout DESCRIPTION [--all|--filter EXPR|--recno N] [--order TAG] [--copies N] "
                     "[--mask 0,2,...] [--presort] --pdf OUT.pdf",
                     "prints labels of a stored layout (LABEL.DBF) to a PDF file, as \"Print Labels\" does",
                     {"layout", "filter", "recno", "order", "copies", "mask", "pdf"},
                     {"all", "presort"},
                     1,
                     1,
                     labelsVerb});
}

}  // namespace addrova::batch
