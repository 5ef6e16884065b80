#pragma once

// Merge fields of form letters and the merge itself: every "[Field]" token of a letter replaced by
// the current record's value, keeping the token's character formatting on the value.

#include <QDate>
#include <QString>
#include <QStringList>
#include <array>
#include <map>

class QTextDocument;

namespace addrova::layout {
class RecordSource;
}

namespace addrova::letters {

inline constexpr int kMergeFieldCount = 25;

// The fields in the order of the designer's "Insert field" list.
const QStringList& MergeFieldNames();
// The same fields in the order the merge replaces them.
const QStringList& MergeOrder();

// The stored fields of one address record the merge reads, by field name ("FNAME", ...), without
// trailing blanks.
using RecordValues = std::map<QString, QString>;

QString NameLine(const RecordValues& r);
QString NameAndAddress(const RecordValues& r);  // lines each ending in CR LF
QString CityStateZip(const RecordValues& r);
// "mmm d, yyyy": Dec 11, 2026.
QString LongDate(const QDate& d);

// The value of every merge field, in MergeOrder(). shortDate: today in the short date format.
std::array<QString, kMergeFieldCount> MergeValues(const RecordValues& r, const QString& shortDate, const QDate& today);

// The values of the current record of a record source.
RecordValues ValuesOf(const layout::RecordSource& source);

// Replaces every token in the document (a copy of the letter). Tokens match without regard to letter
// case. CR LF in a value becomes a line break.
void ReplaceTokens(QTextDocument& doc, const std::array<QString, kMergeFieldCount>& values);

}  // namespace addrova::letters
