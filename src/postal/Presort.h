#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace addrova::store {
class Table;
}

namespace addrova::postal {

// One area distribution centre: its heading name and its 3-digit prefixes, blank-separated.
struct AdcRow {
    std::string name;
    std::string prefixes;
};
using AdcTable = std::vector<AdcRow>;

// Reads the ADC table (CSV with the header "adc,prefixes"). Throws std::runtime_error naming the
// file and line for a missing file, a bad header, an empty name, a prefix that is not three digits
// or a prefix that stands in two rows.
AdcTable LoadAdcTable(const std::string& path);

// Listing file name, written to the program directory.
inline constexpr const char* kListingName = "PRESORT.PSL";

// Pieces per 5-character ZIP key, spread over ten lists by the key's first digit.
class ZipTally {
public:
    // Counts one record's ZIP field; false when the ZIP is not countable (empty, not starting with a
    // digit, or outside "00000".."99999-999").
    bool add(std::string_view zipField);
    uint64_t pieces() const { return pieces_; }
    size_t distinct() const;

    struct Entry {
        std::string zip;
        uint64_t count = 0;
    };
    // The entries of one first digit, sorted ascending without regard to case.
    std::vector<Entry> sorted(int digit) const;

private:
    struct List {
        std::vector<Entry> entries;
        std::vector<std::string> keys;  // the entries' ZIPs upper-cased, for the look-up
        std::vector<size_t> index;      // open-addressed slots into entries, by upper-cased key
    };
    static std::string fold(std::string_view s);
    size_t slot(const List& l, const std::string& key) const;
    void grow(List& l);

    List lists_[10];
    uint64_t pieces_ = 0;
};

// The presort listing: 5-digit groups, 3-digit groups, ADC groups in table order, then "** Unknown".
std::vector<std::string> BuildListing(const ZipTally& tally, const AdcTable& adc);

// Writes the lines, each ended by CR LF, replacing the file only once the new one is complete.
void WriteListing(const std::string& path, const std::vector<std::string>& lines);

// Reads a listing back: lines without their line ends. Throws std::runtime_error naming the file.
std::vector<std::string> ReadListing(const std::string& path);
inline bool IsHeading(std::string_view line) { return line.find("**") != std::string_view::npos; }

// Status text for the window and the Cancel test: return false to cancel.
using PresortStatus = std::function<bool(const std::string& status)>;

enum class PresortResult { Done, Cancelled };

// Tallies the ZIPs of the table's current selection in natural order with turbo read on, builds the
// listing and writes it to listingPath. A cancelled run writes nothing.
PresortResult DoTheSort(store::Table& table, const AdcTable& adc, const std::string& listingPath,
                        const PresortStatus& status);

}  // namespace addrova::postal
