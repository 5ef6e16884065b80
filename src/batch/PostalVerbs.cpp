#include "Batch.h"

#include "CodePage.h"
#include "ProgramDir.h"
#include "AddressFile.h"
#include "GIMBarcode.h"
#include "Presort.h"
#include "PrintJob.h"
#include "PrinterControl.h"
#include "StateZip.h"
#include "SystemTables.h"
#include "Table.h"
#include "ZipCount.h"
#include "ZipReport.h"

#include <QApplication>
#include <filesystem>
#include <iostream>

namespace addrova::batch {

namespace {

using store::OpenMode;
using store::Table;

// The address-book selection: the filter's matches that are not marked deleted.
std::string selectionFor(const std::string& filter)
{
    return filter.empty() ? "!ISDEL" : "(" + filter + ") .and. !ISDEL";
}

int presort(const Args& a)
{
    app::PrepareProgramDir();
    const postal::AdcTable adc = postal::LoadAdcTable(app::SysdataDir() + "ADC.CSV");
    Table t;
    t.open(a.positional[0], OpenMode::ReadOnly);
    t.setDeleted(true);
    t.setSelection(selectionFor(store::fromUtf8(a.get("filter"), t.codePage())));
    const std::string path = app::ProgramDir() + postal::kListingName;
    postal::DoTheSort(t, adc, path, {});
    std::cerr << "Wrote " << path << "\n";
    for (const auto& line : postal::ReadListing(path))
        std::cout << line << "\n";
    return 0;
}

int zipcount(const Args& a)
{
    Table t;
    t.open(a.positional[0], OpenMode::ReadOnly);
    t.setDeleted(true);
    t.setSelection(selectionFor(store::fromUtf8(a.get("filter"), t.codePage())));
    std::vector<std::string> listing;
    postal::CountZipCodes(t, listing, {});
    for (const auto& line : listing)
        std::cout << store::toUtf8(line, t.codePage()) << "\n";
    if (!a.has("pdf"))
        return 0;

    const auto qapp = StartApplication();
    print::PrinterControl printer;
    printer.SetPrinterByName(print::PrinterControl::PdfPrinterName());
    printer.SetPaperCode(print::PaperLetter);
    printer.SetOrientation(print::Orientation::Portrait);
    print::PrintJob job(printer);
    postal::ConfigureZipReport(job, listing, t.codePage());
    if (!WriteJobPdf(job, a, "zipcount"))
        return 1;
    std::cerr << "Zip Code Count Report: " << job.PageNumber() << " pages in " << a.get("pdf") << "\n";
    return 0;
}

int statezip(const Args& a)
{
    app::PrepareProgramDir();
    const std::string sysdata = app::SysdataDir();
    if (!std::filesystem::exists(sysdata + "CSZ.DBF"))
        throw std::runtime_error("The file CSZ.DBF has been removed from the SYSDATA directory. Unable to continue.");
    postal::StateRanges ranges;
    {
        Table csz;
        const std::string problem = store::openSystemTable(store::SystemTable::StateRanges, csz, sysdata);
        if (!problem.empty())
            throw std::runtime_error(problem);
        ranges = postal::StateRanges::Load(csz);
    }
    const bool tag = a.has("tag");
    Table t;
    t.open(a.positional[0], tag ? OpenMode::Exclusive : OpenMode::ReadOnly);
    t.setDeleted(true);
    t.setSelection("!ISDEL");
    postal::StateZipCheck check(t);
    const postal::CheckResult r = check.run(ranges, a.has("include-blank"));
    const int cp = t.codePage();
    for (uint32_t rec : check.records()) {
        t.go(rec);
        const std::string name = store::composeFullName(t.getString("FNAME"), t.getString("MIDDLE"), t.getString("LNAME"));
        std::cout << rec << "\t" << store::toUtf8(name, cp) << "\t" << store::toUtf8(t.getString("STATE"), cp) << "\t"
                  << store::toUtf8(t.getString("ZIP"), cp) << "\n";
    }
    std::cerr << r.checked << " records checked. " << postal::FoundText(r.questionable) << "\n";
    if (tag) {
        const std::string id = app::GlobalTagId();
        std::cerr << postal::TagResult(t, check, id) << " records tagged with " << id << "\n";
    }
    check.close();
    return 0;
}

int imb(const Args& a)
{
    const layout::imb::Encoded e = layout::imb::Encode(a.positional[0], a.positional[1]);
    if (!e.ok())
        throw std::runtime_error(e.error);
    std::cout << e.bars << "\n";
    return 0;
}

}  // namespace

void addPostalVerbs(std::vector<Verb>& verbs)
{
    verbs.push_back({"presort", "FILE [--filter EXPR]",
                     "bulk-mail presort of the selected records: writes PRESORT.PSL and prints it", {"filter"}, {}, 1,
                     1, presort});
    verbs.push_back({"zipcount", "ADDRESSFILE [--filter EXPR] [--pdf OUT.pdf]",
                     "counts the selected records by ZIP code and prints the listing; --pdf also writes the report",
                     {"filter", "pdf"}, {}, 1, 1, zipcount});
    verbs.push_back({"statezip", "ADDRESSFILE [--include-blank] [--tag]",
                     "lists records whose ZIP is not in their state's ranges (recno, name, state, zip); --tag tags them",
                     {}, {"include-blank", "tag"}, 1, 1, statezip});
    verbs.push_back({"imb", "TRACKING ROUTING",
                     "the 65 bars of a USPS Intelligent Mail barcode as A, D, F and T (routing may be \"\")", {}, {},
                     1, 2, imb});
}

}  // namespace addrova::batch
