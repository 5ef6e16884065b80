#include "AddressFile.h"

#include "KeyCodec.h"

#include <algorithm>
#include <cstring>

namespace addrova::store {

namespace {

constexpr int kMinWidth = 5;
constexpr int kMaxWidth = 80;
constexpr size_t kComposedSize = 35;

// The order in which the tag check asks for the tags.
constexpr const char* kCheckOrder[] = {"NAME",  "LNAME", "FNAME",   "TITLE",  "ORG",    "STREET",   "STREET2",
                                       "CITY",  "STATE", "ZIP",     "COUNTRY", "PHONE", "PHONE2",   "EMAIL",
                                       "FAX",   "DATE",  "CODES",   "PREFIX", "MIDDLE", "USER1",    "USER2",
                                       "DELETED", "STATEZIP", "ISDEL", "NOTISDEL", "TAG"};

std::string trimLeft(std::string_view s) {
    size_t b = 0;
    while (b < s.size() && s[b] == ' ') ++b;
    return std::string(s.substr(b));
}

std::string trimRight(std::string_view s) {
    size_t e = s.size();
    while (e > 0 && s[e - 1] == ' ') --e;
    return std::string(s.substr(0, e));
}

std::string cut(std::string s) {
    if (s.size() > kComposedSize) s.resize(kComposedSize);
    return s;
}

bool digits(std::string_view s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int number(std::string_view s) {
    int v = 0;
    for (char c : s) v = v * 10 + (c - '0');
    return v;
}

std::string pad(int v, int width) {
    std::string s = std::to_string(v);
    while (static_cast<int>(s.size()) < width) s.insert(s.begin(), '0');
    return s;
}

// One element of a short date pattern: a field (d, M, y with its repeat count) or literal text.
struct DatePart {
    char letter;  // 'd', 'M', 'y', or 0 for a literal
    int count;
    std::string literal;
};

std::vector<DatePart> parsePattern(const std::string& format) {
    std::vector<DatePart> parts;
    for (size_t i = 0; i < format.size();) {
        char c = format[i];
        if (c == 'd' || c == 'M' || c == 'y') {
            size_t j = i;
            while (j < format.size() && format[j] == c) ++j;
            parts.push_back({c, static_cast<int>(j - i), {}});
            i = j;
        } else if (c == '\'') {  // quoted literal text
            size_t j = format.find('\'', i + 1);
            std::string lit = format.substr(i + 1, j == std::string::npos ? std::string::npos : j - i - 1);
            parts.push_back({0, 0, lit});
            i = j == std::string::npos ? format.size() : j + 1;
        } else {
            if (parts.empty() || parts.back().letter != 0) parts.push_back({0, 0, {}});
            parts.back().literal += c;
            ++i;
        }
    }
    return parts;
}

}  // namespace

const std::array<AddressField, 23>& addressFields() {
    static const std::array<AddressField, 23> fields = {{
        {"LNAME", 'C', 30, true, "Last Name"},         {"FNAME", 'C', 30, true, "First Name"},
        {"MIDDLE", 'C', 1, false, "Middle"},           {"PREFIX", 'C', 12, true, "Prefix"},
        {"TITLE", 'C', 30, true, "Title"},             {"ORG", 'C', 30, true, "Organization"},
        {"STREET", 'C', 40, true, "Address 1"},        {"STREET2", 'C', 40, true, "Address 2"},
        {"CITY", 'C', 30, true, "City"},               {"STATE", 'C', 20, true, "State"},
        {"ZIP", 'C', 10, true, "Zip/Postal Code"},     {"COUNTRY", 'C', 30, true, "Country"},
        {"DATE", 'C', 15, false, "Actual Date"},       {"PHONE", 'C', 30, true, "Phone 1"},
        {"PHONE2", 'C', 30, true, "Phone 2"},          {"FAX", 'C', 40, true, "Fax"},
        {"EMAIL", 'C', 40, true, "Email"},             {"CODES", 'C', 30, true, "Codes"},
        {"USER1", 'C', 40, true, "Comment 1"},         {"USER2", 'C', 40, true, "Comment 2"},
        {"ISDEL", 'L', 1, false, "Deleted"},           {"TAG", 'C', 8, false, "TAG"},
        {"MEMO", 'M', 10, false, "MEMO"},
    }};
    return fields;
}

const std::array<AddressTag, 26>& addressTags() {
    static const std::array<AddressTag, 26> tags = {{
        {"NAME", "UPPER(LNAME-FNAME)"},   {"LNAME", "UPPER(LNAME)+UPPER(FNAME)"},
        {"FNAME", "UPPER(FNAME)"},        {"TITLE", "UPPER(TITLE)"},
        {"ORG", "UPPER(ORG)"},            {"STREET", "UPPER(STREET)"},
        {"STREET2", "UPPER(STREET2)"},    {"CITY", "UPPER(CITY+STATE)"},
        {"STATE", "UPPER(STATE)"},        {"ZIP", "UPPER(ZIP)"},
        {"COUNTRY", "UPPER(COUNTRY)"},    {"PHONE", "UPPER(PHONE)"},
        {"PHONE2", "UPPER(PHONE2)"},      {"EMAIL", "UPPER(EMAIL)"},
        {"FAX", "UPPER(FAX)"},            {"USER1", "UPPER(USER1)"},
        {"USER2", "UPPER(USER2)"},        {"DATE", "UPPER(DATE)"},
        {"TAG", "UPPER(TAG)"},            {"CODES", "UPPER(CODES)"},
        {"PREFIX", "UPPER(PREFIX)"},      {"MIDDLE", "UPPER(MIDDLE)"},
        {"DELETED", "DELETED()"},         {"STATEZIP", "UPPER(STATE-ZIP)"},
        {"ISDEL", "ISDEL"},               {"NOTISDEL", "!ISDEL"},
    }};
    return tags;
}

FieldWidths defaultWidths() {
    FieldWidths w;
    for (const auto& f : addressFields())
        if (f.widthFromSettings) w[f.name] = f.width;
    return w;
}

FieldWidths resetWidths() {
    FieldWidths w = defaultWidths();
    w["FAX"] = 30;
    return w;
}

FieldWidths clampWidths(const FieldWidths& widths) {
    FieldWidths out;
    for (const auto& f : addressFields()) {
        if (!f.widthFromSettings) continue;
        auto it = widths.find(f.name);
        int w = it == widths.end() ? f.width : it->second;
        out[f.name] = (w < kMinWidth || w > kMaxWidth) ? f.width : w;
    }
    return out;
}

std::vector<FieldSpec> addressSchema(const FieldWidths& widths) {
    FieldWidths w = clampWidths(widths);
    std::vector<FieldSpec> specs;
    for (const auto& f : addressFields())
        specs.push_back({f.name, f.type, static_cast<uint16_t>(f.widthFromSettings ? w[f.name] : f.width), 0});
    return specs;
}

std::string displayLabel(std::string_view fieldName) {
    for (const auto& f : addressFields())
        if (sameName(f.name, fieldName)) return f.label;
    static const std::pair<const char*, const char*> composed[] = {{"Tagged", "Tagged"},
                                                                   {"FullName", "Full Name"},
                                                                   {"FullNameWithPrefix", "Full Name & Prefix"},
                                                                   {"CityStateZip", "City, State & Zip"},
                                                                   {"DisplayDate", "Date"}};
    for (const auto& [name, label] : composed)
        if (sameName(name, fieldName)) return label;
    return {};
}

std::string createAddressFile(const std::string& path, const FieldWidths& widths, const ProgressFn& progress) {
    try {
        Table::create(path, addressSchema(widths));
    } catch (const Error&) {
        return "Create failed";
    }
    if (!File::exists(path)) return "Create failed";
    Table scratch;
    try {
        scratch.open(path, OpenMode::Exclusive);
        for (const auto& f : addressFields())
            if (scratch.fieldIndex(f.name) < 0) return "File creation failed";
    } catch (const Error&) {
        return "File creation failed";
    }
    try {
        buildAddressTags(scratch, progress);
        scratch.close();
    } catch (const Error&) {
        return "Unable to create index files\nFile creation failed";
    }
    return {};
}

void buildAddressTags(Table& table, const ProgressFn& progress) {
    if (File::exists(table.indexPath()) || table.indexState() != IndexState::None) table.deleteIndex();
    for (const auto& tag : addressTags()) table.createTag(tag.name, tag.key, {}, progress);
    table.setOrder(0);
}

std::string unableToOpenMessage(const std::string& path) {
    return "Unable to open " + path + "\n\n * May not be a Addrova file.\n * May be in use by another program or user";
}

std::string rebuildQuestion(const std::string& path) {
    return "The index file for " + path + "\nis missing or invalid. Rebuild now?";
}

std::string openAddressFile(const std::string& path, Table& table) {
    table.close();
    if (!File::exists(path)) return "File " + path + " not found";
    try {
        table.open(path, OpenMode::Exclusive);
        for (const auto& f : addressFields())
            if (table.fieldIndex(f.name) < 0) {
                table.close();
                return unableToOpenMessage(path);
            }
    } catch (const Error&) {
        table.close();
        return unableToOpenMessage(path);
    }
    return {};
}

bool checkTags(const Table& table) {
    for (const char* name : kCheckOrder)
        if (table.tagArea(name) == 0) return false;
    return true;
}

void rebuildAddressIndexes(Table& table, const ProgressFn& packProgress, const ProgressFn& tagProgress) {
    table.deleteIndex();
    table.pack(packProgress);
    // One running figure over all tags: every rise of a tag's report adds to it.
    int total = 0, last = 0;
    const int span = static_cast<int>(addressTags().size()) * 100;
    ProgressFn each = [&](int pct) {
        if (pct > last) total += pct - last;
        last = pct;
        if (tagProgress) tagProgress(std::min(100, total * 100 / span));
    };
    for (const auto& tag : addressTags()) {
        last = 0;
        table.createTag(tag.name, tag.key, {}, each);
    }
    table.setOrder(0);
}

// ---------------------------------------------------------------------------------------------
// Dates

bool validDate(std::string_view s) {
    if (s.size() != 8 || !digits(s)) return false;
    return julianDay(number(s.substr(0, 4)), number(s.substr(4, 2)), number(s.substr(6, 2))) != 0;
}

std::string formatDate(std::string_view yyyymmdd, const std::string& format) {
    std::string_view d = yyyymmdd.substr(0, std::min<size_t>(8, yyyymmdd.size()));
    if (yyyymmdd.size() > 8 && yyyymmdd.find_first_not_of(' ', 8) != std::string_view::npos) return {};
    if (!validDate(d)) return {};
    int y = number(d.substr(0, 4)), m = number(d.substr(4, 2)), day = number(d.substr(6, 2));
    std::string out;
    for (const auto& p : parsePattern(format)) {
        switch (p.letter) {
            case 'd': out += pad(day, p.count >= 2 ? 2 : 1); break;
            case 'M': out += pad(m, p.count >= 2 ? 2 : 1); break;
            case 'y': out += p.count <= 2 ? pad(y % 100, 2) : pad(y, 4); break;
            default: out += p.literal;
        }
    }
    return out;
}

std::string normaliseDate(std::string_view text, const std::string& format) {
    std::string t = trimRight(trimLeft(text));
    if (validDate(t)) return t;
    // Read the fields in the order the pattern gives them; separators are any non-digits.
    std::vector<DatePart> parts = parsePattern(format);
    int y = -1, m = -1, d = -1, yearDigits = 4;
    size_t pos = 0;
    for (const auto& p : parts) {
        if (p.letter == 0) {
            while (pos < t.size() && !(t[pos] >= '0' && t[pos] <= '9')) ++pos;
            continue;
        }
        size_t start = pos;
        size_t maxLen = p.letter == 'y' ? (p.count <= 2 ? 2 : 4) : 2;
        while (pos < t.size() && pos - start < maxLen && t[pos] >= '0' && t[pos] <= '9') ++pos;
        if (pos == start) return {};
        int v = number(std::string_view(t).substr(start, pos - start));
        if (p.letter == 'd') d = v;
        if (p.letter == 'M') m = v;
        if (p.letter == 'y') {
            y = v;
            yearDigits = static_cast<int>(pos - start);
        }
    }
    if (pos != t.size() || y < 0 || m < 0 || d < 0) return {};
    if (yearDigits <= 2) y += y < 50 ? 2000 : 1900;  // a two-digit year: 1950 to 2049
    std::string out = pad(y, 4) + pad(m, 2) + pad(d, 2);
    return validDate(out) ? out : std::string();
}

std::string dateToday(std::time_t now) {
    std::tm tm{};
    localtime_r(&now, &tm);
    return pad(tm.tm_year + 1900, 4) + pad(tm.tm_mon + 1, 2) + pad(tm.tm_mday, 2);
}

// ---------------------------------------------------------------------------------------------
// Tag ids

std::string base36(unsigned long long value) {
    static const char digits36[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    std::string out;
    while (value > 0) {
        out.insert(out.begin(), digits36[value % 36]);
        value /= 36;
    }
    return out;
}

std::string makeTagId(std::time_t now) {
    std::tm tm{};
    localtime_r(&now, &tm);
    int year = tm.tm_year + 1900;
    unsigned long long stamp = (((static_cast<unsigned long long>(tm.tm_mon + 1) * 100 + tm.tm_mday) * 100 + tm.tm_hour) *
                                    100 + tm.tm_min) * 100 + tm.tm_sec;
    return base36(year > 1995 ? static_cast<unsigned long long>(year - 1995) : 0) + base36(stamp);
}

// ---------------------------------------------------------------------------------------------
// Composed fields

std::string composeFullName(std::string_view first, std::string_view middle, std::string_view last) {
    return cut(trimRight(std::string(first) + " " + std::string(middle)) + " " + std::string(last));
}

std::string composeFullNameWithPrefix(std::string_view prefix, std::string_view first, std::string_view middle,
                                      std::string_view last) {
    std::string head = trimLeft(trimRight(std::string(prefix) + " " + std::string(first) + " " + std::string(middle)));
    return cut(head + " " + std::string(last));
}

std::string composeCityStateZip(std::string_view city, std::string_view state, std::string_view zip) {
    return cut(trimLeft(std::string(city) + " ") + trimLeft(std::string(state) + " ") + std::string(zip));
}

ComposedFields composeFields(const Table& table, const std::string& tagId, const std::string& shortDateFormat,
                             bool printingFields) {
    auto get = [&](const char* name) {
        int i = table.fieldIndex(name);
        return i < 0 ? std::string() : table.getString(i);
    };
    ComposedFields c;
    c.tagged = get("TAG") == tagId;
    c.displayDate = formatDate(get("DATE"), shortDateFormat);
    if (c.displayDate.size() > 12) c.displayDate.resize(12);
    if (printingFields) {
        c.fullName = composeFullName(get("FNAME"), get("MIDDLE"), get("LNAME"));
        c.fullNameWithPrefix = composeFullNameWithPrefix(get("PREFIX"), get("FNAME"), get("MIDDLE"), get("LNAME"));
        c.cityStateZip = composeCityStateZip(get("CITY"), get("STATE"), get("ZIP"));
    }
    return c;
}

}  // namespace addrova::store
