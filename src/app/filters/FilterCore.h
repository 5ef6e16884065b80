#pragma once

// Filters, tags, searching and the browse column layout without any window: the filter expression
// builder, applying a filter to a table, filter files, tagging, search by order and memo search.
// Texts here are in the table's code page (single bytes); windows convert at their edges.

#include "Table.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace addrova::filters {

constexpr int kCriteriaCount = 18;
// The engine takes selections of at most this many characters.
constexpr size_t kMaxSelectionLength = 255;
// What every applied filter is followed by.
inline constexpr std::string_view kNotDeleted = "!ISDEL";
inline constexpr std::string_view kAndNotDeleted = ".and. !ISDEL";

// One criterion: its label on the record panel and the field expression it tests. The array index
// is the criterion's line in a filter file (0-based).
struct Criterion {
    const char* label;
    const char* fieldExpr;
};
const std::array<Criterion, kCriteriaCount>& criteria();
// The order in which criteria are visited when the expression is built (indexes into criteria()).
const std::array<int, kCriteriaCount>& criteriaBuildOrder();

using Criteria = std::array<std::string, kCriteriaCount>;

// The main window's filter: criteria, the tagged-only flag and the expression built from them.
struct FilterState {
    Criteria criteria;
    bool taggedOnly = false;
    std::string expression;

    bool isSet() const { return !expression.empty(); }
    // Criteria, flag and expression emptied.
    void clear();
};

// Upper case as the engine's UPPER() makes it (ASCII and the Windows-1252 letters).
std::string upperText(std::string_view text);

// The condition of one criterion text on a field expression (the text is used as typed; see
// buildFilterExpression for the skipping of blank criteria).
std::string buildCondition(std::string_view fieldExpr, std::string_view text);
// The tagged-only condition: (UPPER(TAG)="id").
std::string taggedCondition(std::string_view tagId);
// The filter expression: conditions of the criteria that are not blank, and the tagged-only condition,
// joined with " and ". Empty when nothing is set.
std::string buildFilterExpression(const Criteria& criteria, bool taggedOnly, std::string_view tagId);

enum class FilterOutcome {
    NoFilter,    // nothing set: selection "!ISDEL"
    TooComplex,  // the expression is too long for the engine: dropped, selection "!ISDEL"
    Invalid,     // the engine rejects the expression: dropped, selection "!ISDEL"
    Empty,       // the filter selects nothing: dropped, selection "!ISDEL"
    Set,         // selection: expression + ".and. !ISDEL"
};
struct FilterResult {
    FilterOutcome outcome = FilterOutcome::NoFilter;
    uint32_t count = 0;  // records selected; 0 unless outcome is Set
    std::string problem; // the engine's reason for Invalid
};
// Builds the expression into state, sets the table's selection and counts it. A filter that cannot
// stand (too long, rejected, selecting nothing) is dropped: state cleared, selection "!ISDEL".
FilterResult applyFilterTo(store::Table& table, FilterState& state, std::string_view tagId);

// The message for a filter too long for the engine.
inline constexpr const char* kTooComplexMessage = "Sorry - filter is too complex.Please simplify it.";

// ---------------------------------------------------------------------------------------------
// Filter files: 18 lines, CR LF. Reading treats missing lines as empty and ignores lines after the
// 18th; a lone LF also ends a line. Both throw std::runtime_error naming the file on failure.

void writeFilterFile(const std::string& path, const Criteria& criteria);
Criteria readFilterFile(const std::string& path);

// Save-name rule: "" and the name to use (".FLT" appended when it has no extension), or the refusal
// message "Must have a .FLT extension".
struct FilterFileName {
    std::string path;
    std::string refusal;
};
FilterFileName filterSaveName(const std::string& chosen);
// Restore-name rule: "" when the extension is .FLT (any case), else "Must be a Filter (.FLT) file".
std::string filterRestoreRefusal(const std::string& chosen);

// ---------------------------------------------------------------------------------------------
// Tags. The record must be current. With editing on, TAG is only set in the record buffer (the
// caller's save posts it); otherwise the record is posted here.

// Toggles TAG between the tag id and empty; returns true when the record is now tagged.
bool toggleTag(store::Table& table, std::string_view tagId, bool editing);
bool isTagged(const store::Table& table, std::string_view tagId);

struct LoopResult {
    uint32_t done = 0;
    bool cancelled = false;
};
// Tags every record of the selection from the first one. afterEach(done) runs after each record;
// returning false stops the loop. The first record of the selection is current afterwards.
LoopResult tagAllRecords(store::Table& table, std::string_view tagId, const std::function<bool(uint32_t)>& afterEach);

// ---------------------------------------------------------------------------------------------
// Searching

// Seeks the upper-cased text in the current order with exact comparison off and soft seek on (soft
// seek off afterwards). When no key begins with the text, the record current before is current
// again. Returns true when a key begins with the text. An empty text changes nothing (false).
bool searchByOrder(store::Table& table, std::string_view text);

// The most characters of a memo that the memo search reads, and of the search text.
constexpr size_t kMemoSearchLimit = 32767;
constexpr size_t kMemoSearchTextLimit = 255;
// True when the memo's first 32,767 characters contain the text, letter case aside.
bool memoContains(std::string_view memo, std::string_view text);
// Walks the selection in the current order from the first record (fromNext false) or from the one
// after the current record, and stops on the first whose memo contains the text. keepGoing() runs
// after each record that did not match; returning false stops the walk. Found: that record is
// current. Not found (or stopped): the record current before is current again.
struct MemoSearchResult {
    bool found = false;
    bool cancelled = false;
    uint32_t visited = 0;
};
MemoSearchResult searchMemos(store::Table& table, std::string_view text, bool fromNext,
                             const std::function<bool()>& keepGoing);

// ---------------------------------------------------------------------------------------------
// Browse columns

// The fields of the browse table in their standing order: composed and stored together.
const std::vector<std::string>& browseFieldOrder();
// Composed fields of the browse table.
bool isComposedField(std::string_view name);
// Whether a field has a column: not FullName, FullNameWithPrefix, CityStateZip (unless
// printingFields), MEMO, ISDEL, DATE, TAG.
bool browseFieldVisible(std::string_view name, bool printingFields);
// The initial column width in characters (fieldWidth: the stored field's width, 0 when unknown).
int browseColumnChars(std::string_view name, int fieldWidth);

// The field order after a FIELDS.LST: line i puts the named field at position i; unknown names are
// ignored. fields: the table's field names in their standing order.
std::vector<std::string> applyFieldOrder(std::vector<std::string> fields, const std::vector<std::string>& lines);
// FIELDS.LST: read its lines ("" file missing gives none), write names one per line (CR LF).
std::vector<std::string> readFieldList(const std::string& path);
void writeFieldList(const std::string& path, const std::vector<std::string>& names);

}  // namespace addrova::filters
