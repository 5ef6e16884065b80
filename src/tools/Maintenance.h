#pragma once

// The record loops of the maintenance tools, without windows: duplicates check, case conversion,
// search and replace, record deletion, and the safety copy taken before records change. Texts are
// in the table's code page; windows and the batch tool convert at their edges.

#include "Table.h"

#include <array>
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace addrova::tools {

// Progress hook of a loop: records done (or visited) and the total; returning false stops the loop
// after the current record.
using StepFn = std::function<bool(uint32_t done, uint32_t total)>;

struct LoopResult {
    uint32_t count = 0;  // records found, changed or deleted
    bool cancelled = false;
};

// Upper and lower case of the engine (ASCII and the Windows-1252 letters).
std::string upperText(std::string_view text);
std::string lowerText(std::string_view text);

// ---------------------------------------------------------------------------------------------
// Duplicates

enum class DupKind { Name, Initial, Street, Soundex };

inline constexpr const char* kDupIndexName = "_chkdup.idx";
constexpr int kMaxStreetLength = 30;

// The scratch index key of a kind ("upper(LNAME-FNAME)", "upper(STREET)", or the Soundex key).
std::string dupKeyExpression(DupKind kind);
// The text of the count: "Found " + count + " possible duplicates".
std::string dupCountText(uint32_t pairs);

// The comparison value of the current record, "" when the record takes no part (empty last name
// or street).
std::string dupValue(const store::Table& table, DupKind kind, int streetLength);

// Walks the selection in name order (street order for the street kind, Soundex order for the
// Soundex kind), compares each record with the one before and adds both records of an equal pair
// to a new scratch index at indexPath (a record is added once even when it is in two pairs). The
// scratch index stays open as the current order when pairs were found; the caller closes and
// deletes it (DupScratch does). step(visited, n, pairs) runs after each record; false stops the walk.
using DupStepFn = std::function<bool(uint32_t visited, uint32_t total, uint32_t pairs)>;
LoopResult findDuplicates(store::Table& table, DupKind kind, int streetLength, const std::string& indexPath,
                          const DupStepFn& step = {});

// The records of the open scratch index in its order.
std::vector<uint32_t> scratchRecords(store::Table& table);

// Owns the scratch index file: closes the table's scratch index and deletes the file when it goes,
// also when the check ends by an error.
class DupScratch {
public:
    DupScratch(store::Table& table, std::string path);
    ~DupScratch();
    DupScratch(const DupScratch&) = delete;
    DupScratch& operator=(const DupScratch&) = delete;
    const std::string& path() const { return path_; }
    void release();  // closes and deletes now

private:
    store::Table& table_;
    std::string path_;
};

// ---------------------------------------------------------------------------------------------
// Case conversion

enum class CaseMode { Upper, Lower, Capitalized };
enum class RecordScope { Current, All, Filter };

struct CaseField {
    const char* name;
    const char* caption;
};
// The fifteen fields in the order they are converted.
const std::array<CaseField, 15>& caseFields();

// "First letter capitalized": all lower case, then a to z made upper case at the start and after a blank.
std::string convertCase(std::string_view value, CaseMode mode);

// Converts the fields of the current record, all records ("!ISDEL") or the records of the current
// selection (the filter). The selection and the current record are as before afterwards. The loop
// walks in record number order, so records whose keys change are neither missed nor met twice.
LoopResult convertRecords(store::Table& table, const std::vector<std::string>& fields, CaseMode mode,
                          RecordScope scope, const StepFn& step = {});

// ---------------------------------------------------------------------------------------------
// Search and replace

struct SearchField {
    const char* caption;
    const char* name;
};
// The eighteen fields of "Search for field:".
const std::array<SearchField, 18>& searchFields();

struct ReplaceSpec {
    std::string field;         // field name N
    std::string caption;       // display name
    std::string find;          // F
    bool contains = false;     // "Contains", else "Is exactly equal to"
    bool caseSensitive = true;
    bool wholeField = true;    // "Replace the whole field with", else only the matching text
    std::string replacement;   // R
    std::string filter;        // the record condition, "" for none
};

inline constexpr size_t kMaxReplacements = 50;

// The question asked before replacing.
std::string replaceQuestion(const ReplaceSpec& spec);
// The search expression built from N and F. Throws std::invalid_argument when F holds every kind of
// quote, so that no literal can enclose it.
std::string searchExpression(const ReplaceSpec& spec);
// F replaced by R in a value, left to right, at most kMaxReplacements times (the rest stays as it is).
std::string replaceMatches(std::string_view value, std::string_view find, std::string_view replacement,
                           bool caseSensitive);

// Replaces in every record not marked deleted that meets the filter and the search expression, in
// record number order; the selection is cleared, the order restored afterwards.
LoopResult replaceRecords(store::Table& table, const ReplaceSpec& spec, const StepFn& step = {});

// ---------------------------------------------------------------------------------------------
// Record deletion

enum class DeleteChoice { All, Matching, NotMatching };

// Deletes the records of the choice: with All every record goes at once (zap); otherwise each record
// of the filter (or outside it) gets ISDEL and the deletion mark. filter: the main window's filter
// expression alone, "" when none is set (then every choice deletes all records).
LoopResult deleteRecords(store::Table& table, DeleteChoice choice, const std::string& filter,
                         const StepFn& step = {});

// "Deleted " + count + " records" and the advice to rebuild, two messages.
std::string deletedText(uint32_t count);
inline constexpr const char* kRebuildAdvice = "For optimum space usage, please select\n[Rebuild Indexes] from the File menu";

// ---------------------------------------------------------------------------------------------
// Safety copy

// Copies the table's DBF and, where they exist, its FPT and CDX beside it as NAME_yyyymmdd_hhmmss
// (a counter added when that name is taken). Each file is written under a temporary name and
// renamed when whole; the DBF comes last, so a copy that has its DBF is complete. The table is
// flushed first. Returns the copy's DBF path. Throws store::Error when a file cannot be copied.
std::string makeSafetyCopy(store::Table& table, std::time_t now);

// The setting "Keep a safety copy" (on unless turned off), in the settings file.
bool keepSafetyCopy();
void setKeepSafetyCopy(bool on);
// The line of a final message that tells where the copy is.
std::string safetyCopyText(const std::string& copyPath);

}  // namespace addrova::tools
