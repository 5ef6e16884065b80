#pragma once

#include "Table.h"

#include <array>
#include <ctime>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace addrova::store {

// One stored field of an address file.
struct AddressField {
    const char* name;
    char type;
    uint16_t width;        // the default width
    bool widthFromSettings;
    const char* label;     // display label
};

// The 23 fields in the order a new file gets them.
const std::array<AddressField, 23>& addressFields();

struct AddressTag {
    const char* name;
    const char* key;
};

// The 26 tags in the order a new file gets them.
const std::array<AddressTag, 26>& addressTags();

// Widths of the fields taken from the settings, by field name.
using FieldWidths = std::map<std::string, int>;

FieldWidths defaultWidths();
// The widths offered by the field-length dialog's reset: the defaults, except FAX 30.
FieldWidths resetWidths();
// Every width below 5 or above 80 (or missing) becomes its field's default.
FieldWidths clampWidths(const FieldWidths& widths);

std::vector<FieldSpec> addressSchema(const FieldWidths& widths);

// Display label of a stored or composed field ("" when there is none).
std::string displayLabel(std::string_view fieldName);

// Creates an address file with the 23 fields and its 26 tags. Returns "" on success, else the
// message for the user ("Create failed", or "File creation failed", preceded by "Unable to create
// index files" when building a tag failed).
std::string createAddressFile(const std::string& path, const FieldWidths& widths, const ProgressFn& progress = {});

// Deletes the structural index of an open address table and builds the 26 tags again.
void buildAddressTags(Table& table, const ProgressFn& progress = {});

// Opens an address file exclusively. Returns "" on success, else the message for the user.
std::string openAddressFile(const std::string& path, Table& table);
// The message shown when an address file cannot be opened.
std::string unableToOpenMessage(const std::string& path);
// The question asked when an address file's tags are incomplete.
std::string rebuildQuestion(const std::string& path);

// True when each of the 26 tags is present.
bool checkTags(const Table& table);

// The rebuild of the maintenance tools: pack (records with the engine's mark go for good), then the
// 26 tags again. Progress: 0..100 for the pack, then 0..100 over all tags.
void rebuildAddressIndexes(Table& table, const ProgressFn& packProgress = {}, const ProgressFn& tagProgress = {});

// ---------------------------------------------------------------------------------------------
// Dates. Stored dates are yyyymmdd; the short date format uses the Windows pattern letters
// d, dd, M, MM, yy, yyyy with any separators.

bool validDate(std::string_view yyyymmdd);
std::string formatDate(std::string_view yyyymmdd, const std::string& shortDateFormat);  // "" when invalid
// A date from outside: valid yyyymmdd unchanged, else a valid date in the short format rewritten, else "".
std::string normaliseDate(std::string_view text, const std::string& shortDateFormat);
std::string dateToday(std::time_t now);  // yyyymmdd, local time

// ---------------------------------------------------------------------------------------------
// The tag mark

// The tag id for a moment: base 36 of (year - 1995), then base 36 of the number mmddhhnnss.
std::string makeTagId(std::time_t now);
std::string base36(unsigned long long value);  // no leading zeros; 0 gives ""

// ---------------------------------------------------------------------------------------------
// Composed fields

struct ComposedFields {
    bool tagged = false;
    std::string displayDate;
    std::string fullName;
    std::string fullNameWithPrefix;
    std::string cityStateZip;
};

// The five composed fields of the current record. The three name and place fields are computed only
// when printingFields is on (the main window switches them on around printing windows).
ComposedFields composeFields(const Table& table, const std::string& tagId, const std::string& shortDateFormat,
                             bool printingFields);

// Pure forms of the composition, on right-trimmed field values.
std::string composeFullName(std::string_view first, std::string_view middle, std::string_view last);
std::string composeFullNameWithPrefix(std::string_view prefix, std::string_view first, std::string_view middle,
                                      std::string_view last);
std::string composeCityStateZip(std::string_view city, std::string_view state, std::string_view zip);

}  // namespace addrova::store
