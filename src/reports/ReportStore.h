#pragma once

// Stored reports: the REPORT.DBF list (description, layout name, layout file) and the layout files
// "BIN" + five digits + ".R" in sysdata holding the header, detail and footer objects and the
// settings list.

#include "ReportSettings.h"

#include <QString>
#include <string>

class QObject;

namespace addrova::store {
class Table;
}

namespace addrova::reports {

inline constexpr int kDescriptionLength = 60;
inline constexpr const char* kNewDescription = "<new report>";
inline constexpr const char* kNoBands = "No report bands are selected. Please select at least one";

// The three object bands of a report (panels in the designer, plain hosts when printing).
struct ReportBands {
    QObject* owner = nullptr;  // names of the objects read come from its components
    QObject* header = nullptr;
    QObject* detail = nullptr;
    QObject* footer = nullptr;
};

// The report last loaded or created: its list entry and settings.
struct ReportDefinition {
    QString description = QString::fromLatin1(kNewDescription);
    QString layoutName = QStringLiteral("Letter Size, Portrait");
    QString binary;  // file name in sysdata, empty for a new report
    ReportSettings settings;
};

// The first "BIN" + nnnnn + ".R" that does not exist in sysdataDir (ending with '/'); "BIN00000.R"
// when all do.
QString NextReportBinaryName(const std::string& sysdataDir);

// Deletes every layout object of a band.
void ClearBand(QObject* band);

// Writes a layout file: the bands' objects (an unused band writes an empty list) and the settings.
void SaveReportFile(const QString& path, const ReportBands& bands, const ReportSettings& s, int ppi);
// Reads a layout file into the (cleared) bands and the settings; false when the file does not
// exist (bands empty, settings untouched). A damaged file throws LayoutStreamError.
bool LoadReportFile(const QString& path, const ReportBands& bands, ReportSettings& s, int ppi);

// The REPORT.DBF list, opened by the caller (restricted to undeleted records, ordered by
// description). Errors of the table engine are thrown.
class ReportList {
public:
    ReportList(store::Table& table, std::string sysdataDir, int ppi = 96);

    store::Table& table() { return t_; }
    bool empty();
    // Descriptions in list order.
    QStringList descriptions();
    // Makes the report of this description current; false when there is none.
    bool locate(const QString& description);

    // LoadReport: a new report, or the current record's report into `bands`.
    ReportDefinition Load(bool isNew, const ReportBands& bands);
    // SaveReport: appends (new) or edits the current record, then writes the layout file.
    void Save(ReportDefinition& def, bool isNew, const ReportBands& bands);
    // Deletes the current record, then its layout file.
    void DeleteCurrent();
    // Copies the current report to a new record with its own file; "Clone of " + description.
    void CloneCurrent();

    // The questions for Delete and Clone.
    QString DeleteQuestion();
    QString CloneQuestion();

private:
    QString field(const char* name);
    void setField(const char* name, const QString& value);
    void positionOn(uint32_t recno);

    store::Table& t_;
    std::string sysdata_;
    int ppi_;
};

}  // namespace addrova::reports
