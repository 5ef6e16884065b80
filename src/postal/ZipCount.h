#pragma once

// The ZIP code count: records per first five characters of ZIP, and its listing.

#include "Presort.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace addrova::store {
class Table;
}

namespace addrova::postal {

// "#,##0": 1500 -> "1,500".
std::string FormatCount(uint64_t n);
// One listing line: the code left-justified in 10 characters, then its count.
std::string CountLine(std::string_view code, uint64_t count);

class ZipCounter {
public:
    // Counts one record's ZIP field (already right-trimmed): a valid ZIP, another code or a blank.
    void add(std::string_view zipField);
    uint64_t records() const { return records_; }
    uint64_t blanks() const { return blanks_; }
    // Valid ZIPs ascending; two empty lines; other codes ascending; "BLANK" when there were blanks.
    std::vector<std::string> listing() const;

private:
    ZipTally valid_;
    struct Other {
        std::string code;  // as first seen
        uint64_t count = 0;
    };
    std::map<std::string, Other> others_;  // by the upper-cased code
    uint64_t blanks_ = 0, records_ = 0;
};

// Status text while counting; return false to cancel.
using CountStatus = std::function<bool(const std::string& status)>;

enum class CountResult { Done, Cancelled };

// Counts the ZIPs of the table's current selection in natural order with turbo read on and fills
// `listing`. The table's order and record are restored afterwards. A cancelled count leaves the
// listing empty.
CountResult CountZipCodes(store::Table& table, std::vector<std::string>& listing, const CountStatus& status);

}  // namespace addrova::postal
