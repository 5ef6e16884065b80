#include "Batch.h"

#include "CodePage.h"
#include "PrintJob.h"
#include "PrinterControl.h"
#include "ProgramDir.h"
#include "ReportPrint.h"
#include "ReportRun.h"
#include "ReportStore.h"
#include "SystemTables.h"
#include "Table.h"

#include <QApplication>
#include <chrono>
#include <iostream>
#include <memory>

namespace addrova::batch {

namespace {

using store::OpenMode;
using store::Table;

void info(const QString& s)
{
    std::cerr << s.toStdString() << "\n";
}

// Opens the address file read-only with the filter as the selection; --recno makes that record
// current and the run "Only current record".
// The address file as the print verbs open it; the one record of --recno is reported whatever the
// filter says.
print::RecordChoice openAddresses(const Args& a, Table& t)
{
    const print::RecordChoice choice = OpenAddressFile(a, t);
    if (choice == print::RecordChoice::OnlyCurrent) {
        const uint32_t recno = t.recNo();
        t.setSelection("");
        t.go(recno);
    }
    return choice;
}

QString findReport(const std::string& description)
{
    Table reports;
    const std::string problem = store::openSystemTable(store::SystemTable::Report, reports, app::SysdataDir());
    if (!problem.empty())
        throw std::runtime_error(problem);
    reports.setSelection("not DELETED()");
    reports.setOrder(reports.orderCount() >= 1 ? 1 : 0);
    reports::ReportList list(reports, app::SysdataDir());
    if (list.locate(QString::fromStdString(description)))
        return QString::fromStdString(app::SysdataDir()) + QString::fromStdString(reports.getString("BINARY")).trimmed();
    std::string msg = "no report is described \"" + description + "\"";
    const QStringList known = list.descriptions();
    if (known.isEmpty())
        msg += " (REPORT.DBF holds no reports)";
    else {
        msg += "; the reports are:";
        for (const QString& k : known)
            msg += "\n  " + k.toStdString();
    }
    throw std::runtime_error(msg);
}

int finish(print::PrintJob& job, const Args& a, const char* verb, std::chrono::steady_clock::time_point started)
{
    if (!WriteJobPdf(job, a, verb))
        return 1;
    const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::cerr << job.PageNumber() << " pages in " << secs << " s: " << a.get("pdf") << "\n";
    return 0;
}

int reportVerb(const Args& a)
{
    if (!a.has("pdf"))
        throw UsageError{"--pdf OUT.pdf is required"};
    if (a.has("builtin") == a.has("report"))
        throw UsageError{"choose one of --builtin N and --report DESCRIPTION"};
    if (int(a.has("all")) + int(a.has("filter")) + int(a.has("recno")) > 1)
        throw UsageError{"choose one of --all, --filter and --recno"};
    int builtin = 0;
    if (a.has("builtin")) {
        builtin = static_cast<int>(wholeNumber(a.get("builtin"), "--builtin"));
        if (builtin < 1 || builtin > 4)
            throw UsageError{"--builtin must be 1, 2, 3 or 4"};
        if (a.has("one-per-page"))
            throw UsageError{"--one-per-page is for --report"};
    } else if (a.has("title")) {
        throw UsageError{"--title is for --builtin"};
    }
    const auto qapp = StartApplication();
    app::PrepareProgramDir();
    const QString layoutPath = builtin ? QString() : findReport(a.get("report"));

    Table t;
    const print::RecordChoice choice = openAddresses(a, t);
    reports::ReportRun run(t, info);
    print::PrinterControl printer;
    printer.SetPrinterByName(print::PrinterControl::PdfPrinterName());
    print::PrintJob job(printer);
    const auto started = std::chrono::steady_clock::now();
    if (builtin) {
        reports::BuiltInOptions o;
        o.report = builtin;
        o.title = a.has("title") ? QString::fromStdString(a.get("title")) : QStringLiteral("Report %1").arg(builtin);
        run.PrepareBuiltIn(builtin, choice, false);
        printer.SetPaperCode(print::PaperLetter);
        printer.SetOrientation(print::Orientation::Portrait);
        reports::BuiltInReportPrint report(t, o, {}, app::ShortDateFormat());
        report.ConfigureJob(job);
        return finish(job, a, "report", started);
    }
    run.PrepareUserDefined(choice, false);
    reports::UserDefinedReportPrint report(t, layoutPath, a.has("one-per-page"), {}, app::GlobalTagId(),
                                           app::ShortDateFormat());
    if (report.paperCode() != 0)
        printer.SetPaperCode(report.paperCode());
    else
        printer.SetCustomPaper(report.settings().pageWidth / 96.0, report.settings().pageHeight / 96.0);
    printer.SetOrientation(report.landscape() ? print::Orientation::Landscape : print::Orientation::Portrait);
    report.ConfigureJob(job);
    return finish(job, a, "report", started);
}

int printRecordVerb(const Args& a)
{
    if (!a.has("pdf"))
        throw UsageError{"--pdf OUT.pdf is required"};
    if (!a.has("recno"))
        throw UsageError{"--recno N is required"};
    QStringList fields;
    if (a.has("fields")) {
        for (const QString& item : QString::fromStdString(a.get("fields")).split(QLatin1Char(','))) {
            const QString want = item.trimmed();
            bool known = false;
            for (const reports::RecordField& f : reports::SingleRecordFields()) {
                const QString box = QString::fromLatin1(f.box);
                if (box.compare(want, Qt::CaseInsensitive) == 0 ||
                    QString::fromLatin1(f.field).compare(want, Qt::CaseInsensitive) == 0) {
                    fields << box;
                    known = true;
                }
            }
            if (!known)
                throw UsageError{"unknown field \"" + want.toStdString() + "\" in --fields"};
        }
    } else {
        for (const reports::RecordField& f : reports::SingleRecordFields())
            fields << QString::fromLatin1(f.box);
    }
    const auto qapp = StartApplication();
    app::PrepareProgramDir();
    Table t;
    openAddresses(a, t);
    print::PrinterControl printer;
    printer.SetPrinterByName(print::PrinterControl::PdfPrinterName());
    printer.SetPaperCode(print::PaperLetter);
    printer.SetOrientation(print::Orientation::Portrait);
    print::PrintJob job(printer);
    reports::SingleRecordPrint report(t, fields, a.has("memo"), app::ShortDateFormat());
    report.ConfigureJob(job);
    return finish(job, a, "print-record", std::chrono::steady_clock::now());
}

}  // namespace

void addReportVerbs(std::vector<Verb>& verbs)
{
    verbs.push_back({"report",
                     "ADDRESSFILE (--builtin 1|2|3|4 | --report DESCRIPTION) [--all|--filter EXPR|--recno N] "
                     "[--order TAG] [--title TEXT] [--one-per-page] --pdf OUT.pdf",
                     "prints a built-in report or a stored report (REPORT.DBF) to a PDF file, as \"Print Report\" does",
                     {"builtin", "report", "filter", "recno", "order", "title", "pdf"},
                     {"all", "one-per-page"},
                     1,
                     1,
                     reportVerb});
    verbs.push_back({"print-record",
                     "ADDRESSFILE --recno N [--fields LIST] [--memo] --pdf OUT.pdf",
                     "prints one record as a form (fields by their check box names, e.g. Last,First,City)",
                     {"recno", "fields", "pdf"},
                     {"memo"},
                     1,
                     1,
                     printRecordVerb});
}

}  // namespace addrova::batch
