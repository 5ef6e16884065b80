#include "FilterCore.h"

#include "Error.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace addrova::filters {

namespace {

// The letters the engine's UPPER() changes: ASCII and the Windows-1252 small letters with accents.
char upperByte(char c)
{
    auto u = static_cast<unsigned char>(c);
    if ((u >= 'a' && u <= 'z') || (u >= 0xE0 && u <= 0xFE && u != 0xF7))
        u = static_cast<unsigned char>(u - 0x20);
    return static_cast<char>(u);
}

bool blank(std::string_view s)
{
    return std::all_of(s.begin(), s.end(), [](char c) { return c == ' ' || c == '\t'; });
}

// A character literal for the engine: double quotes, or single quotes or brackets when the value
// holds a double quote (an xBase literal cannot hold its own delimiter).
std::string literal(std::string_view v)
{
    if (v.find('"') == std::string_view::npos)
        return "\"" + std::string(v) + "\"";
    if (v.find('\'') == std::string_view::npos)
        return "'" + std::string(v) + "'";
    if (v.find(']') == std::string_view::npos)
        return "[" + std::string(v) + "]";
    return "\"" + std::string(v) + "\"";  // the engine rejects it; the filter is then dropped
}

std::string lowerCopy(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::string upperAscii(std::string s)
{
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return s;
}

// The name part after the last path separator.
std::string_view baseName(std::string_view path)
{
    size_t slash = path.find_last_of("/\\");
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// ".EXT" of the name part, upper-cased ("" when it has no dot).
std::string extensionUpper(std::string_view path)
{
    std::string_view base = baseName(path);
    size_t dot = base.find_last_of('.');
    return dot == std::string_view::npos ? std::string() : upperAscii(std::string(base.substr(dot)));
}

std::vector<std::string> readLines(const std::string& path, bool& opened)
{
    std::ifstream in(path, std::ios::binary);
    opened = static_cast<bool>(in);
    std::vector<std::string> lines;
    if (!in)
        return lines;
    std::ostringstream all;
    all << in.rdbuf();
    if (in.bad())
        throw std::runtime_error("Cannot read " + path);
    const std::string text = all.str();
    size_t start = 0;
    while (start < text.size()) {
        size_t nl = text.find('\n', start);
        std::string line = text.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
        if (nl == std::string::npos)
            break;
        start = nl + 1;
    }
    return lines;
}

// Writes through a sibling file renamed over the target, so a failed write leaves the old file.
void writeLines(const std::string& path, const std::vector<std::string>& lines)
{
    const std::string tmp = path + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out)
            throw std::runtime_error("Cannot write " + path);
        for (const std::string& l : lines)
            out << l << "\r\n";
        out.flush();
        if (!out) {
            out.close();
            std::remove(tmp.c_str());
            throw std::runtime_error("Cannot write " + path);
        }
    }
    if (std::rename(tmp.c_str(), path.c_str()) != 0) {
        std::remove(tmp.c_str());
        throw std::runtime_error("Cannot write " + path);
    }
}

}  // namespace

const std::array<Criterion, kCriteriaCount>& criteria()
{
    static const std::array<Criterion, kCriteriaCount> list{{
        {"Last", "LNAME"},
        {"First", "FNAME"},
        {"Title", "TITLE"},
        {"Org", "ORG"},
        {"Address 1", "STREET"},
        {"Address 2", "STREET2"},
        {"Zip or Postal", "ZIP"},
        {"City", "CITY+STATE"},
        {"State or Prov", "STATE"},
        {"Country", "COUNTRY"},
        {"Phone 1", "PHONE"},
        {"Phone 2", "PHONE2"},
        {"Fax", "FAX"},
        {"E-mail", "EMAIL"},
        {"Date", "DATE"},
        {"Codes", "CODES"},
        {"Comment 1", "USER1"},
        {"Comment 2", "USER2"},
    }};
    return list;
}

const std::array<int, kCriteriaCount>& criteriaBuildOrder()
{
    static const std::array<int, kCriteriaCount> order{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 16, 17, 14, 15};
    return order;
}

void FilterState::clear()
{
    for (std::string& c : criteria)
        c.clear();
    taggedOnly = false;
    expression.clear();
}

std::string upperText(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = upperByte(c);
    return out;
}

std::string buildCondition(std::string_view fieldExpr, std::string_view text)
{
    char sep = 0;
    const char* joiner = nullptr;
    if (text.find(';') != std::string_view::npos) {
        sep = ';';
        joiner = ".or.";
    } else if (text.find('+') != std::string_view::npos) {
        sep = '+';
        joiner = ".and.";
    } else if (text.find('^') != std::string_view::npos) {
        sep = '^';
        joiner = ".and..not.";
    }
    if (sep) {
        std::string out = "(";
        size_t start = 0;
        bool first = true;
        for (;;) {
            size_t at = text.find(sep, start);
            std::string_view part = text.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start);
            if (!first)
                out += joiner;
            first = false;
            out += "(" + buildCondition(fieldExpr, part) + ")";
            if (at == std::string_view::npos)
                break;
            start = at + 1;
        }
        return out + ")";
    }

    static const char* const ops[] = {">=", ">", "<=", "<", "$"};
    std::string op = "=";
    std::string_view rest = text;
    for (const char* o : ops) {
        std::string_view ov(o);
        if (text.substr(0, ov.size()) == ov) {
            op = o;
            rest = text.substr(ov.size(), 99);
            break;
        }
    }
    const std::string value = literal(upperText(rest));
    const std::string field = "UPPER(" + std::string(fieldExpr) + ")";
    if (op == "$")
        return value + "$" + field;
    return field + op + value;
}

std::string taggedCondition(std::string_view tagId) { return "(UPPER(TAG)=\"" + std::string(tagId) + "\")"; }

std::string buildFilterExpression(const Criteria& crit, bool taggedOnly, std::string_view tagId)
{
    std::string out;
    for (int i : criteriaBuildOrder()) {
        const std::string& text = crit[static_cast<size_t>(i)];
        if (blank(text))
            continue;
        if (!out.empty())
            out += " and ";
        out += buildCondition(criteria()[static_cast<size_t>(i)].fieldExpr, text);
    }
    if (taggedOnly) {
        if (!out.empty())
            out += " and ";
        out += taggedCondition(tagId);
    }
    return out;
}

FilterResult applyFilterTo(store::Table& table, FilterState& state, std::string_view tagId)
{
    FilterResult r;
    state.expression = buildFilterExpression(state.criteria, state.taggedOnly, tagId);
    auto drop = [&](FilterOutcome why) {
        state.clear();
        table.setSelection(kNotDeleted);
        r.outcome = why;
        r.count = 0;
        return r;
    };
    if (state.expression.empty()) {
        table.setSelection(kNotDeleted);
        r.outcome = FilterOutcome::NoFilter;
        return r;
    }
    if (state.expression.size() + kAndNotDeleted.size() > kMaxSelectionLength)
        return drop(FilterOutcome::TooComplex);
    const std::string selection = state.expression + std::string(kAndNotDeleted);
    try {
        store::Expression test = table.compile(selection);
        if (test.type() != store::ValueType::Logical)
            throw store::Error(table.path(), "Cannot select records", "the filter is not a condition");
        table.setSelection(selection);
    } catch (const store::Error& e) {
        r.problem = e.what();
        FilterResult bad = drop(FilterOutcome::Invalid);
        bad.problem = r.problem;
        return bad;
    }
    r.count = table.countSelected();
    if (r.count == 0)
        return drop(FilterOutcome::Empty);
    r.outcome = FilterOutcome::Set;
    return r;
}

// ---------------------------------------------------------------------------------------------

void writeFilterFile(const std::string& path, const Criteria& crit)
{
    writeLines(path, std::vector<std::string>(crit.begin(), crit.end()));
}

Criteria readFilterFile(const std::string& path)
{
    bool opened = false;
    std::vector<std::string> lines = readLines(path, opened);
    if (!opened)
        throw std::runtime_error("Cannot open " + path);
    Criteria c;
    for (size_t i = 0; i < c.size() && i < lines.size(); ++i)
        c[i] = lines[i];
    return c;
}

FilterFileName filterSaveName(const std::string& chosen)
{
    if (extensionUpper(chosen) == ".FLT")
        return {chosen, ""};
    if (baseName(chosen).find('.') != std::string_view::npos)
        return {"", "Must have a .FLT extension"};
    return {chosen + ".FLT", ""};
}

std::string filterRestoreRefusal(const std::string& chosen)
{
    return extensionUpper(chosen) == ".FLT" ? std::string() : std::string("Must be a Filter (.FLT) file");
}

// ---------------------------------------------------------------------------------------------

bool isTagged(const store::Table& table, std::string_view tagId)
{
    int f = table.fieldIndex("TAG");
    return f >= 0 && !table.eof() && table.getString(f) == tagId;
}

bool toggleTag(store::Table& table, std::string_view tagId, bool editing)
{
    const int f = table.fieldIndex("TAG");
    if (f < 0)
        throw store::Error(table.path(), "Cannot tag", "the table has no TAG field");
    const bool tagged = table.getString(f) != tagId;
    table.setString(f, tagged ? tagId : std::string_view());
    if (!editing)
        table.post();
    return tagged;
}

LoopResult tagAllRecords(store::Table& table, std::string_view tagId, const std::function<bool(uint32_t)>& afterEach)
{
    const int f = table.fieldIndex("TAG");
    if (f < 0)
        throw store::Error(table.path(), "Cannot tag", "the table has no TAG field");
    LoopResult r;
    for (bool ok = table.goTop(); ok && !table.eof(); ok = table.skip(1)) {
        table.setString(f, tagId);
        table.post();
        ++r.done;
        if (afterEach && !afterEach(r.done)) {
            r.cancelled = true;
            break;
        }
    }
    table.goTop();
    return r;
}

// ---------------------------------------------------------------------------------------------

bool searchByOrder(store::Table& table, std::string_view text)
{
    if (text.empty())
        return false;
    const uint32_t before = table.recNo();
    table.setExact(false);
    table.setSoftSeek(true);
    bool found = false;
    try {
        found = table.seek(upperText(text));
    } catch (...) {
        table.setSoftSeek(false);
        table.go(before);
        throw;
    }
    if (!found)
        table.go(before);
    table.setSoftSeek(false);
    return found;
}

bool memoContains(std::string_view memo, std::string_view text)
{
    const std::string m = upperText(memo.substr(0, kMemoSearchLimit));
    return m.find(upperText(text.substr(0, kMemoSearchTextLimit))) != std::string::npos;
}

MemoSearchResult searchMemos(store::Table& table, std::string_view text, bool fromNext,
                             const std::function<bool()>& keepGoing)
{
    MemoSearchResult r;
    const int memo = table.fieldIndex("MEMO");
    const uint32_t before = table.recNo();
    bool ok = fromNext ? (!table.eof() && table.skip(1)) : table.goTop();
    for (; ok && !table.eof(); ok = table.skip(1)) {
        ++r.visited;
        if (memo >= 0 && !table.memoEmpty(memo) && memoContains(table.getMemo(memo), text)) {
            r.found = true;
            return r;
        }
        if (keepGoing && !keepGoing()) {
            r.cancelled = true;
            break;
        }
    }
    table.go(before);
    return r;
}

// ---------------------------------------------------------------------------------------------

const std::vector<std::string>& browseFieldOrder()
{
    static const std::vector<std::string> order{
        "Tagged", "FullName", "FullNameWithPrefix", "CityStateZip", "LNAME", "FNAME",  "MIDDLE",
        "PREFIX", "TITLE",    "ORG",                "STREET",       "STREET2", "CITY", "STATE",
        "ZIP",    "COUNTRY",  "PHONE",              "PHONE2",       "FAX",   "EMAIL",  "CODES",
        "USER1",  "USER2",    "MEMO",               "ISDEL",        "DATE",  "DisplayDate", "TAG"};
    return order;
}

bool isComposedField(std::string_view name)
{
    return name == "Tagged" || name == "FullName" || name == "FullNameWithPrefix" || name == "CityStateZip" ||
           name == "DisplayDate";
}

bool browseFieldVisible(std::string_view name, bool printingFields)
{
    if (name == "FullName" || name == "FullNameWithPrefix" || name == "CityStateZip")
        return printingFields;
    return name != "MEMO" && name != "ISDEL" && name != "DATE" && name != "TAG";
}

int browseColumnChars(std::string_view name, int fieldWidth)
{
    struct Width {
        const char* name;
        int chars;
    };
    static const Width widths[] = {
        {"LNAME", 20},   {"FNAME", 15},  {"PREFIX", 4}, {"TITLE", 20},   {"ORG", 20},     {"STREET2", 20},
        {"CITY", 15},    {"STATE", 5},   {"ZIP", 10},   {"COUNTRY", 15}, {"PHONE", 15},   {"PHONE2", 15},
        {"USER1", 15},   {"USER2", 15},  {"Tagged", 5}, {"FullName", 35}, {"FullNameWithPrefix", 35},
        {"CityStateZip", 35}, {"DisplayDate", 12},
    };
    for (const Width& w : widths)
        if (name == w.name)
            return w.chars;
    return fieldWidth > 0 ? fieldWidth : 10;
}

std::vector<std::string> applyFieldOrder(std::vector<std::string> fields, const std::vector<std::string>& lines)
{
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string name = lines[i];
        while (!name.empty() && (name.back() == ' ' || name.back() == '\t'))
            name.pop_back();
        auto it = std::find_if(fields.begin(), fields.end(),
                               [&](const std::string& f) { return lowerCopy(f) == lowerCopy(name); });
        if (name.empty() || it == fields.end())
            continue;
        std::string moved = *it;
        fields.erase(it);
        fields.insert(fields.begin() + static_cast<long>(std::min(i, fields.size())), moved);
    }
    return fields;
}

std::vector<std::string> readFieldList(const std::string& path)
{
    bool opened = false;
    return readLines(path, opened);
}

void writeFieldList(const std::string& path, const std::vector<std::string>& names) { writeLines(path, names); }

}  // namespace addrova::filters
