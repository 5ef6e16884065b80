#pragma once

// The state and ZIP check: records whose ZIP lies in none of the ranges that the state-range table
// (CSZ.DBF) lists for their state.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace addrova::store {
class Table;
}

namespace addrova::postal {

// The scratch index of the result, in the address file's directory.
inline constexpr const char* kCheckIndexName = "_chksz.idx";
inline constexpr const char* kCheckIndexKey = "upper(LNAME)+upper(FNAME)";
std::string CheckIndexPath(const std::string& addressFilePath);

// The ranges of CSZ.DBF by abbreviation. A state may own several rows; a ZIP fits when it lies in
// any of them.
class StateRanges {
public:
    struct Range {
        std::string low, high;
    };
    // Reads every visible row of the open table (fields STATE, LOW_ZIP and HIGH_ZIP).
    static StateRanges Load(store::Table& csz);
    void add(std::string_view state, std::string low, std::string high);

    // The record's STATE is looked up as written against the rows' abbreviations in capitals (the
    // table's tag is UPPER(STATE)); ZIP and range ends compare as whole texts.
    bool fits(std::string_view state, std::string_view zip) const;
    bool known(std::string_view state) const;
    size_t rows() const { return rows_; }

private:
    std::unordered_map<std::string, std::vector<Range>> byState_;
    size_t rows_ = 0;
};

// Progress after each record: records checked so far, the total, questionable so far. Return false
// to cancel (the records checked so far make up the result).
using CheckProgress = std::function<bool(uint32_t checked, uint32_t total, uint32_t questionable)>;

struct CheckResult {
    uint32_t checked = 0;
    uint32_t questionable = 0;
    bool cancelled = false;
};

// The status line of the window: "Found N records with questionable state or zipcodes".
std::string FoundText(uint32_t questionable);

// One check over an open address table. It owns the scratch index: created by run(), and closed
// and deleted by close() or the destructor, also after an error.
class StateZipCheck {
public:
    explicit StateZipCheck(store::Table& table);
    ~StateZipCheck();
    StateZipCheck(const StateZipCheck&) = delete;
    StateZipCheck& operator=(const StateZipCheck&) = delete;

    // Checks every visible record in natural order. Records with an empty STATE or ZIP are skipped
    // unless includeBlank. Afterwards the scratch index is the table's order and the table stands
    // on its first record: the table then shows the questionable records by last and first name.
    CheckResult run(const StateRanges& ranges, bool includeBlank, const CheckProgress& progress = {});

    bool hasIndex() const { return open_; }
    int order() const { return order_; }
    const std::string& indexPath() const { return path_; }
    // The record numbers of the result in name order.
    std::vector<uint32_t> records();
    void close();

private:
    store::Table& table_;
    std::string path_;
    int order_ = 0;
    bool open_ = false;
};

// Tags each record of the result (TAG = tagId); returns how many.
uint32_t TagResult(store::Table& table, StateZipCheck& check, const std::string& tagId);
// Toggles the current record's tag; returns whether it is tagged now.
bool ToggleTag(store::Table& table, const std::string& tagId);

}  // namespace addrova::postal
