#pragma once

// The report runs over the address table, drawn through the print engine in inches:
// user-defined reports (bands), the four built-in reports and the current-record print. Each run
// prints from the table's current record in its current order and selection; the caller places
// the table (record choice) and puts it back.

#include "ReportSettings.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace addrova::store {
class Table;
}
namespace addrova::print {
class PrintJob;
}
namespace addrova::layout {
class StandaloneHost;
class TableRecordSource;
}

namespace addrova::reports {

// Words of `text` laid into lines no wider than `widthInches` in the job's current font (line breaks
// kept, words wider than a line cut). A text of one line that is blank counts as no lines.
QStringList WrapMemo(print::PrintJob& job, const QString& text, double widthInches);

// The address table's MEMO as text (empty when the table has none).
QString MemoText(store::Table& table);

struct RunHooks {
    std::function<bool()> stopped;  // asked before every record; lets pending events run
};

inline constexpr const char* kStatusFormat = "Printing Page %p\r%0\r%1";

// ---- user-defined reports ----

class UserDefinedReportPrint {
public:
    // The bands are loaded from `layoutPath` (missing file: empty bands, new-report settings).
    UserDefinedReportPrint(store::Table& table, const QString& layoutPath, bool onePerPage, RunHooks hooks,
                           std::string tagId = {}, std::string shortDateFormat = "MM/dd/yyyy", int ppi = 96);
    ~UserDefinedReportPrint();

    const ReportSettings& settings() const { return s_; }
    // Paper code (1 Letter, 9 A4) and orientation from the page size; 0 for other sizes.
    int paperCode() const;
    bool landscape() const;

    // Title, margins and events of the job.
    void ConfigureJob(print::PrintJob& job);
    long recordsPrinted() const { return records_; }

private:
    void PrintTheReport(print::PrintJob& job);
    void PrintHeaderFooter(print::PrintJob& job);
    void PrinttheMemo(print::PrintJob& job);

    store::Table& t_;
    ReportSettings s_;
    bool onePerPage_;
    RunHooks hooks_;
    int ppi_;
    std::unique_ptr<layout::TableRecordSource> source_;
    std::unique_ptr<layout::StandaloneHost> header_, detail_, footer_;
    double H_ = 0, D_ = 0, F_ = 0, left_ = 0, right_ = 0, top_ = 0, bottom_ = 0, y_ = 0;
    bool bodyBegun_ = false;
    long records_ = 0;
};

// Shades (percent > 0) and borders a band rectangle by its frame, as reports print them.
void ShadeRect(print::PrintJob& job, const BandFrame& frame, double x1, double y1, double x2, double y2);
void DrawBorders(print::PrintJob& job, const BandFrame& frame, double x1, double y1, double x2, double y2);

// ---- built-in reports ----

// The list entries of "Select Report:".
QStringList BuiltInReportNames();
// The index tag of a built-in report (1 to 4).
const char* BuiltInReportOrder(int report);

struct BuiltInOptions {
    int report = 1;  // 1 to 4
    QString title = QStringLiteral("Report 1");
    bool printMemo = false;
    bool printCodes = false;
};

// Cell texts, exposed for their rules.
QString NameCell(const QString& last, const QString& first, const QString& middle);
QString CityCell(const QString& city, const QString& state, const QString& zip);
QString Report4Name(const QString& last, const QString& first, const QString& middle, const QString& prefix);

// Sets the report's order and, for reports 1 to 3, moves a run that starts at the first record to
// the first key of "0" or higher.
void PlaceBuiltInStart(store::Table& table, int report, bool fromFirst);

class BuiltInReportPrint {
public:
    BuiltInReportPrint(store::Table& table, BuiltInOptions options, RunHooks hooks,
                       std::string shortDateFormat = "MM/dd/yyyy", int ppi = 96);
    void ConfigureJob(print::PrintJob& job);
    long recordsPrinted() const { return records_; }

private:
    void Run(print::PrintJob& job);
    void PageHeader(print::PrintJob& job);
    void SetReportTabs(print::PrintJob& job);
    void Cell(print::PrintJob& job, const QString& text, double width);
    void PrintRecord(print::PrintJob& job);
    void CodesAndMemo(print::PrintJob& job);
    QString get(const char* field) const;

    store::Table& t_;
    BuiltInOptions o_;
    RunHooks hooks_;
    std::string shortDate_;
    int ppi_;
    double memoWidth_ = 0;
    long records_ = 0;
};

// ---- current-record print ----

struct RecordField {
    const char* box;    // check box caption
    const char* label;  // printed label
    const char* field;  // stored field, or "DisplayDate"
};
const std::vector<RecordField>& SingleRecordFields();

class SingleRecordPrint {
public:
    // `fields`: check box captions ticked; `memo`: "Memo" ticked.
    SingleRecordPrint(store::Table& table, QStringList fields, bool memo, std::string shortDateFormat = "MM/dd/yyyy",
                      int ppi = 96);
    void ConfigureJob(print::PrintJob& job);

private:
    void Run(print::PrintJob& job);
    void Header(print::PrintJob& job);

    store::Table& t_;
    QStringList fields_;
    bool memo_;
    std::string shortDate_;
    int ppi_;
};

}  // namespace addrova::reports
