#pragma once

// What the main window decides without a window: recently-used list, sort orders, status texts, new
// file names, the memo storage rule, carried values of a new record, the duplicate key and the
// clipboard text of a record.

#include <QString>
#include <QStringList>

#include <array>
#include <map>
#include <string>
#include <vector>

namespace addrova::ui {

// The sort menu: caption with its accelerator, and the tag it selects.
struct SortOrder {
    const char* caption;
    const char* tag;
};
const std::array<SortOrder, 14>& sortOrders();
// The order name of a caption: without the leading '&'.
QString orderName(const SortOrder& order);
// The menu name of a tag ("LNAME" -> "Last Name"); the tag itself when no menu entry has it.
QString orderNameOfTag(const QString& tag);
// The tag of an order name, upper-cased and looked up; "" when unknown.
QString tagOfOrderName(const QString& name);
// The status-line notice after a search moved the window to another order.
QString searchOrderNotice(const QString& orderName);

// The recently-used list after opening path: path first, then the old entries that differ from it
// (case-sensitive), at most four.
QStringList pushRecentlyUsed(const QStringList& old, const QString& path);

// The selection-count panel.
QString selectionCountText(unsigned count, bool filterSet);

// "ADD0001" .. "ADD9999": the first whose DATA file does not exist; "ADD0001" when all do.
QString proposeNewFileName(const QString& dataDir);
// A letter or underscore, then letters, digits or underscores.
bool validFileIdentifier(const QString& name);

// The memo box's lines as stored: joined by CR LF; when the text is not empty and its length is a
// multiple of 4, one blank goes at the end of the last line.
QString memoForStorage(const QStringList& lines);

// The values of the current record that a new record may take over.
struct CarriedValues {
    QString org, city, state, zip, country, street, street2;
};

// What the "New Record" dialog and the look-up gave.
struct NewRecordInput {
    bool zipEntered = false;
    QString zip;
    bool namesEntered = false;
    QString first, last;
    bool cityStateFound = false;
    QString city, state;
};

struct AddOptions {
    bool PlugDate = false, CarryOrg = false, CarrySA1 = false, CarrySA2 = false, CarryCity = false,
         CarryState = false, CarryZip = false, CarryCountry = false;
    QString DefaultCountry;
};

// The field assignments of a new record, in the order they are made (a later one wins).
std::vector<std::pair<std::string, QString>> newRecordValues(const AddOptions& opts, const CarriedValues& carried,
                                                             const NewRecordInput& input, const QString& todayYmd);

// The seek key of the possible-duplicate check: last name and first name padded or cut to the
// field widths, upper-cased.
QString duplicateKey(const QString& last, const QString& first, int lastWidth, int firstWidth);
QString duplicateQuestion(const QString& first, const QString& last, const QString& street, const QString& city,
                          const QString& state, const QString& zip);

// The record as clipboard text: every line ends with CR LF, empty lines are left out.
struct ClipboardGroups {
    bool names = true, address = true, phones = true, codes = true, comments = true;
};
QString recordClipboardText(const std::map<std::string, QString>& fields, const ClipboardGroups& groups);

}  // namespace addrova::ui
