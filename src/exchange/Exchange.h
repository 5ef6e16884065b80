#pragma once

#include "Table.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace addrova::exchange {

// What a long copy loop reports and asks while it runs. Every member may be empty.
struct LoopHooks {
    std::function<void(const std::string&)> status;  // the status line
    std::function<void(int percent)> gauge;          // 0..100
    std::function<bool()> stopRequested;             // asked after each record (pending input runs here)
};

// How an import or export loop ended.
enum class LoopEnd { Complete, Cancelled, ReadFailure, WriteFailure, Error };

struct LoopSummary {
    LoopEnd end = LoopEnd::Complete;
    uint32_t read = 0;             // lines or records read from the source
    uint32_t written = 0;          // records imported or exported
    uint32_t cut = 0;              // values cut to a field's width
    uint32_t unrepresentable = 0;  // values holding characters the target's code page lacks
    std::vector<std::string> notes;  // the first few values behind the counts, for the user
    std::string detail;              // the cause of a failure
    // The one-line account for the batch tool.
    std::string line() const;
};

// One field of the destination that a column or source field may feed.
struct DestField {
    int index = -1;     // in the destination table
    std::string name;   // LNAME
    std::string label;  // "Last Name"
    char type = 'C';
    int width = 0;
};

// The fields a user may import into: every field but the program's marks (ISDEL, TAG), in field
// order; characterOnly keeps the character fields alone (the text import).
std::vector<DestField> DestinationFields(const store::Table& table, bool characterOnly);
// The label a field is shown by: its display label, else its name.
std::string FieldLabel(std::string_view fieldName);

// The "Field Match" grid: one row per destination field (its label), each naming at most one column
// or source field; a name stands in at most one row.
class MatchRows {
public:
    explicit MatchRows(std::vector<std::string> labels) : labels_(std::move(labels)), names_(labels_.size()) {}
    size_t size() const { return labels_.size(); }
    const std::string& label(size_t row) const { return labels_[row]; }
    const std::string& name(size_t row) const { return names_[row]; }
    // Puts a name in a row, taking it out of every other row; "" empties the row.
    void choose(size_t row, const std::string& name);
    void clear(size_t row) { names_[row].clear(); }
    void clearAll();
    int rowOf(const std::string& name) const;  // -1 when no row names it
    bool any() const;

private:
    std::vector<std::string> labels_, names_;
};

// A memo text as it is stored: split into lines (CR LF, LF or CR; a final line end makes no empty
// line); when the length (line ends counting two) is a positive multiple of 4, one blank goes at the
// end of the last line; every line then ends with CR LF.
std::string MemoForStorage(std::string_view text);

// The gauge during the 26-tag rebuild: the sum of the per-tag increases, out of 1800.
class RebuildGauge {
public:
    int event(int percent);  // the gauge for a progress event
    void reset() { last_ = sum_ = 0; }

private:
    int last_ = 0, sum_ = 0;
};

// Deletes the structural index before a fill (appends then update no index).
void DropIndex(store::Table& table);
// Deletes the address file's structural index and builds the 26 tags, the gauge as above.
void RebuildAddressTags(store::Table& table, const LoopHooks& hooks);

// Upper case of ASCII letters.
std::string Upper(std::string_view s);
// Same file, compared without regard to letter case.
bool SamePath(const std::string& a, const std::string& b);

// Text conversions between code pages. Windows-1252 is converted here; other pages through the store.
// A character the target lacks becomes '?' and sets *lost.
std::string Utf8ToCodePage(std::string_view utf8, int codePage, bool* lost);
std::string CodePageToCodePage(std::string_view text, int from, int to, bool* lost);
bool IsAscii(std::string_view s);

// Sets a field from text: character fields take it (cut to the width), logicals T/Y/t/y as true,
// numbers parsed (unparseable text leaves the field empty), memos the text. Returns true when the
// value was cut.
bool SetFromText(store::Table& table, int field, std::string_view text);

}  // namespace addrova::exchange
