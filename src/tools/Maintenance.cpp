#include "Maintenance.h"

#include "Error.h"
#include "ProgramDir.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <utility>

namespace addrova::tools {

namespace fs = std::filesystem;

namespace {

char upperByte(unsigned char c)
{
    if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7))
        c = static_cast<unsigned char>(c - 0x20);
    return static_cast<char>(c);
}

char lowerByte(unsigned char c)
{
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
        c = static_cast<unsigned char>(c + 0x20);
    return static_cast<char>(c);
}

// Puts back the order, selection, hiding of deleted records and record of a table when a loop ends,
// also by an error.
class KeepPlace {
public:
    explicit KeepPlace(store::Table& t)
        : t_(t), order_(t.order()), selection_(t.selection()), hide_(t.hideDeleted()), recno_(t.recNo())
    {
    }
    ~KeepPlace()
    {
        try {
            restore();
        } catch (const std::exception&) {
            // The loop's own error is the one to report.
        }
    }
    void restore()
    {
        if (done_)
            return;
        done_ = true;
        if (t_.modified())
            t_.post();
        t_.setDeleted(hide_);
        t_.setOrder(std::min(order_, t_.orderCount()));
        t_.setSelection(selection_);
        if (goBack_)
            t_.go(recno_);
    }
    void noReturn() { goBack_ = false; }

private:
    store::Table& t_;
    int order_;
    std::string selection_;
    bool hide_;
    uint32_t recno_;
    bool done_ = false;
    bool goBack_ = true;
};

std::string trimmed(const store::Table& t, int field) { return field < 0 ? std::string() : t.getString(field); }

}  // namespace

std::string upperText(std::string_view text)
{
    std::string s(text);
    for (char& c : s)
        c = upperByte(static_cast<unsigned char>(c));
    return s;
}

std::string lowerText(std::string_view text)
{
    std::string s(text);
    for (char& c : s)
        c = lowerByte(static_cast<unsigned char>(c));
    return s;
}

// ---------------------------------------------------------------------------------------------
// Duplicates

std::string dupKeyExpression(DupKind kind)
{
    switch (kind) {
        case DupKind::Street:
            return "upper(STREET)";
        case DupKind::Soundex:
            return "SOUNDEX(LNAME)+upper(LEFT(FNAME,1))+LEFT(ZIP,5)";
        default:
            return "upper(LNAME-FNAME)";
    }
}

std::string dupCountText(uint32_t pairs) { return "Found " + std::to_string(pairs) + " possible duplicates"; }

std::string dupValue(const store::Table& t, DupKind kind, int streetLength)
{
    if (kind == DupKind::Street) {
        std::string street = trimmed(t, t.fieldIndex("STREET"));
        street = street.substr(0, static_cast<size_t>(std::clamp(streetLength, 1, kMaxStreetLength)));
        return upperText(street);
    }
    const std::string last = trimmed(t, t.fieldIndex("LNAME"));
    if (last.empty())
        return {};
    std::string first = trimmed(t, t.fieldIndex("FNAME"));
    if (kind == DupKind::Soundex) {
        std::string zip = trimmed(t, t.fieldIndex("ZIP")).substr(0, 5);
        return store::soundex(last) + upperText(first.substr(0, 1)) + "|" + zip;
    }
    if (kind == DupKind::Initial)
        first = first.substr(0, 1);
    return upperText(last + first);
}

LoopResult findDuplicates(store::Table& t, DupKind kind, int streetLength, const std::string& indexPath,
                          const DupStepFn& step)
{
    LoopResult r;
    t.createScratchIndex(indexPath, dupKeyExpression(kind));
    const int scratchOrder = t.order();

    // Both records of an equal pair go into the scratch index, each once.
    uint32_t previousRecno = 0, lastAdded = 0;
    auto addPair = [&](uint32_t recno) {
        if (previousRecno != lastAdded) {
            t.go(previousRecno);
            t.keyAdd();
        }
        t.go(recno);
        t.keyAdd();
        lastAdded = recno;
        ++r.count;
    };

    if (kind == DupKind::Soundex) {
        // No tag has this order: the keys of the selection, 16 bytes a record, sorted in memory;
        // the walk compares the keys and reads records only to add a pair.
        struct Key {
            std::array<char, 12> code;  // Soundex, initial, '|', ZIP5; empty when the last name is
            uint32_t recno;
        };
        std::vector<Key> keys;
        keys.reserve(t.recCount());
        t.setOrder(0);
        for (bool ok = t.goTop(); ok && !t.eof(); ok = t.skip()) {
            Key k{};
            const std::string v = dupValue(t, kind, streetLength);
            std::copy_n(v.begin(), std::min(v.size(), k.code.size()), k.code.begin());
            k.recno = t.recNo();
            keys.push_back(k);
        }
        std::sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
            return a.code != b.code ? a.code < b.code : a.recno < b.recno;
        });
        const uint32_t n = static_cast<uint32_t>(keys.size());
        for (uint32_t i = 0; i < n; ++i) {
            if (keys[i].code[0] != 0 && i > 0 && keys[i].code == keys[i - 1].code) {
                previousRecno = keys[i - 1].recno;
                addPair(keys[i].recno);
            }
            if (step && !step(i + 1, n, r.count)) {
                r.cancelled = true;
                break;
            }
        }
    } else {
        t.setOrder(kind == DupKind::Street ? "STREET" : "NAME");
        const uint32_t n = t.countSelected();
        std::string previous = "-";
        bool ok = t.goTop();
        for (uint32_t visited = 0; visited < n && ok && !t.eof();) {
            const uint32_t recno = t.recNo();
            ++visited;
            if (!t.deleted()) {
                std::string value = dupValue(t, kind, streetLength);
                if (!value.empty() && value == previous)
                    addPair(recno);
                previous = std::move(value);
                previousRecno = recno;
            }
            if (step && !step(visited, n, r.count)) {
                r.cancelled = true;
                break;
            }
            ok = t.skip();
        }
    }
    t.setOrder(scratchOrder);
    t.goTop();
    return r;
}

std::vector<uint32_t> scratchRecords(store::Table& t)
{
    std::vector<uint32_t> out;
    for (bool ok = t.goTop(); ok && !t.eof(); ok = t.skip())
        out.push_back(t.recNo());
    if (!out.empty())
        t.go(out.front());
    return out;
}

DupScratch::DupScratch(store::Table& table, std::string path) : table_(table), path_(std::move(path))
{
    std::error_code ec;
    fs::remove(path_, ec);  // left by a crash
}

DupScratch::~DupScratch()
{
    try {
        release();
    } catch (const std::exception&) {
    }
}

void DupScratch::release()
{
    if (table_.isOpen()) {
        for (int o = 1; o <= table_.orderCount(); ++o)
            if (table_.orderFile(o) == path_) {
                if (table_.order() == o)
                    table_.setOrder(0);
                table_.closeScratchIndex(false);
                break;
            }
    }
    std::error_code ec;
    fs::remove(path_, ec);
}

// ---------------------------------------------------------------------------------------------
// Case conversion

const std::array<CaseField, 15>& caseFields()
{
    static const std::array<CaseField, 15> f{{{"LNAME", "Last"},
                                              {"FNAME", "First"},
                                              {"MIDDLE", "Middle"},
                                              {"TITLE", "Title"},
                                              {"ORG", "Organization"},
                                              {"STREET", "Address 1"},
                                              {"STREET2", "Address 2"},
                                              {"CITY", "City"},
                                              {"STATE", "State/Province"},
                                              {"ZIP", "Zip/Postal Code"},
                                              {"COUNTRY", "Country"},
                                              {"PREFIX", "Prefix"},
                                              {"USER1", "Comment 1"},
                                              {"USER2", "Comment 2"},
                                              {"CODES", "Codes"}}};
    return f;
}

std::string convertCase(std::string_view value, CaseMode mode)
{
    if (mode == CaseMode::Upper)
        return upperText(value);
    std::string s = lowerText(value);
    if (mode == CaseMode::Capitalized)
        for (size_t i = 0; i < s.size(); ++i)
            if ((i == 0 || s[i - 1] == ' ') && s[i] >= 'a' && s[i] <= 'z')
                s[i] = static_cast<char>(s[i] - 32);
    return s;
}

LoopResult convertRecords(store::Table& t, const std::vector<std::string>& fields, CaseMode mode, RecordScope scope,
                          const StepFn& step)
{
    LoopResult r;
    std::vector<int> ids;
    for (const auto& name : fields)
        if (int i = t.fieldIndex(name); i >= 0)
            ids.push_back(i);
    auto convertOne = [&] {
        for (int i : ids) {
            const std::string old = t.getString(i);
            std::string now = convertCase(old, mode);
            if (now != old)
                t.setString(i, now);
        }
        t.post();
        ++r.count;
    };
    if (scope == RecordScope::Current) {
        if (t.eof())
            return r;
        convertOne();
        if (step)
            step(1, 1);
        return r;
    }
    KeepPlace keep(t);
    if (scope == RecordScope::All)
        t.setSelection("!ISDEL");
    t.setOrder(0);
    const uint32_t n = t.countSelected();
    for (bool ok = t.goTop(); ok && !t.eof(); ok = t.skip()) {
        convertOne();
        if (step && !step(r.count, n)) {
            r.cancelled = true;
            break;
        }
    }
    keep.restore();
    return r;
}

// ---------------------------------------------------------------------------------------------
// Search and replace

const std::array<SearchField, 18>& searchFields()
{
    static const std::array<SearchField, 18> f{{{"Last Name", "LNAME"},
                                                {"First Name", "FNAME"},
                                                {"Middle Initial", "MIDDLE"},
                                                {"Title", "TITLE"},
                                                {"Organization", "ORG"},
                                                {"Address 1", "STREET"},
                                                {"Address 2", "STREET2"},
                                                {"City", "CITY"},
                                                {"State", "STATE"},
                                                {"Zip", "ZIP"},
                                                {"Country", "COUNTRY"},
                                                {"Phone 1", "PHONE"},
                                                {"Phone 2", "PHONE2"},
                                                {"Email", "EMAIL"},
                                                {"Fax", "FAX"},
                                                {"Codes", "CODES"},
                                                {"Comment 1", "USER1"},
                                                {"Comment 2", "USER2"}}};
    return f;
}

std::string replaceQuestion(const ReplaceSpec& s)
{
    std::string condition;
    if (s.find.empty()) {
        condition = "is empty ";
    } else {
        condition = (s.contains ? "contains: \"" : "exactly matches: \"") + s.find + "\"";
        condition += s.caseSensitive ? "  (case sensitive)" : " (not case sensitive)";
    }
    std::string action;
    if (s.replacement.empty())
        action = s.wholeField ? "and delete the entire field " : "and delete the matching text ";
    else
        action = (s.wholeField ? "and replace the entire field with \"" : "and replace only the matching text with \"") +
                 s.replacement + "\"";
    return "Find records where field " + s.caption + "\n" + condition + "\n" + action;
}

namespace {

// A text literal for F: in double quotes, or in the other delimiters when F holds a double quote.
std::string literal(const std::string& text)
{
    if (text.find('"') == std::string::npos)
        return "\"" + text + "\"";
    if (text.find('\'') == std::string::npos)
        return "'" + text + "'";
    if (text.find(']') == std::string::npos)
        return "[" + text + "]";
    throw std::invalid_argument("The search text cannot hold \", ' and ] together");
}

}  // namespace

std::string searchExpression(const ReplaceSpec& s)
{
    const std::string& n = s.field;
    if (s.find.empty())
        return "EMPTY(" + n + ")";
    const std::string f = s.caseSensitive ? s.find : upperText(s.find);
    const std::string lit = literal(f);
    if (s.contains)
        return s.caseSensitive ? lit + "$" + n : "upper(" + lit + ")$upper(" + n + ")";
    const std::string len = std::to_string(f.size());
    return s.caseSensitive ? "LEFT(" + n + "," + len + ")==" + lit
                           : "LEFT(upper(" + n + ")," + len + ")==upper(" + lit + ")";
}

std::string replaceMatches(std::string_view value, std::string_view find, std::string_view replacement,
                           bool caseSensitive)
{
    if (find.empty())
        return std::string(value);
    const std::string hay = caseSensitive ? std::string(value) : upperText(value);
    const std::string needle = caseSensitive ? std::string(find) : upperText(find);
    std::string out;
    size_t pos = 0;
    for (size_t done = 0; done < kMaxReplacements; ++done) {
        const size_t at = hay.find(needle, pos);
        if (at == std::string::npos)
            break;
        out.append(value.substr(pos, at - pos));
        out.append(replacement);
        pos = at + needle.size();
    }
    out.append(value.substr(pos));
    return out;
}

LoopResult replaceRecords(store::Table& t, const ReplaceSpec& spec, const StepFn& step)
{
    LoopResult r;
    const int field = t.fieldIndex(spec.field);
    if (field < 0)
        throw store::Error(t.path(), "Replace", "there is no field " + spec.field);
    store::Expression search = t.compile(searchExpression(spec));
    store::Expression filter;
    if (!spec.filter.empty())
        filter = t.compile(spec.filter);
    if (search.type() != store::ValueType::Logical || (filter.valid() && filter.type() != store::ValueType::Logical))
        throw store::Error(t.path(), "Replace", "the condition is not a logical expression");
    KeepPlace keep(t);
    t.setSelection("");
    t.setOrder(0);
    t.setDeleted(false);
    const uint32_t n = t.recCount();
    uint32_t visited = 0;
    for (bool ok = t.goTop(); ok && !t.eof(); ok = t.skip()) {
        ++visited;
        if (!t.deleted()) {
            const store::RecordContext ctx = t.context();
            if ((!filter.valid() || filter.evalLogical(ctx)) && search.evalLogical(ctx)) {
                ++r.count;
                const std::string old = t.getString(field);
                const std::string now = spec.wholeField
                                            ? spec.replacement
                                            : replaceMatches(old, spec.find, spec.replacement, spec.caseSensitive);
                if (now != old) {
                    t.setString(field, now);
                    t.post();
                }
            }
        }
        if (step && !step(visited, n)) {
            r.cancelled = true;
            break;
        }
    }
    keep.restore();
    return r;
}

// ---------------------------------------------------------------------------------------------
// Deletion

LoopResult deleteRecords(store::Table& t, DeleteChoice choice, const std::string& filter, const StepFn& step)
{
    LoopResult r;
    KeepPlace keep(t);
    keep.noReturn();
    const bool all = choice == DeleteChoice::All || filter.empty();
    t.setSelection(all ? std::string() : choice == DeleteChoice::Matching ? filter : ".not.(" + filter + ")");
    t.setDeleted(true);
    t.setOrder(0);
    const uint32_t n = t.countSelected();  // records not yet marked
    t.setDeleted(false);
    if (all) {
        t.zap();
        r.count = n;
        if (step)
            step(n, n);
    } else {
        const int isdel = t.fieldIndex("ISDEL");
        for (bool ok = t.goTop(); ok && !t.eof(); ok = t.skip()) {
            if (t.deleted())
                continue;
            if (isdel >= 0)
                t.setLogical(isdel, true);
            t.deleteRecord();
            ++r.count;
            if (step && !step(r.count, n)) {
                r.cancelled = true;
                break;
            }
        }
    }
    keep.restore();
    t.goTop();
    return r;
}

std::string deletedText(uint32_t count) { return "Deleted " + std::to_string(count) + " records"; }

// ---------------------------------------------------------------------------------------------
// Safety copy

namespace {

// The file beside path with the given extension, in whatever case it is stored; "" when none.
fs::path sibling(const fs::path& path, const std::string& ext)
{
    std::error_code ec;
    const std::string stem = path.stem().string();
    for (const auto& e : fs::directory_iterator(path.parent_path().empty() ? fs::path(".") : path.parent_path(), ec)) {
        const fs::path p = e.path();
        if (store::sameName(p.stem().string(), stem) && store::sameName(p.extension().string(), ext))
            return p;
    }
    return {};
}

void copyWhole(const fs::path& from, const fs::path& to)
{
    const fs::path part = fs::path(to.string() + ".part");
    std::error_code ec;
    fs::copy_file(from, part, fs::copy_options::overwrite_existing, ec);
    if (!ec)
        fs::rename(part, to, ec);
    if (ec) {
        std::error_code ignore;
        fs::remove(part, ignore);
        throw store::Error(to.string(), "Cannot make the safety copy", ec.message());
    }
}

}  // namespace

std::string makeSafetyCopy(store::Table& t, std::time_t now)
{
    t.flush();
    const fs::path dbf(t.path());
    std::tm tm{};
    localtime_r(&now, &tm);
    char stamp[96];
    std::snprintf(stamp, sizeof stamp, "_%04d%02d%02d_%02d%02d%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                  tm.tm_hour, tm.tm_min, tm.tm_sec);
    const fs::path dir = dbf.parent_path();
    std::string stem = dbf.stem().string() + stamp;
    for (int k = 2; fs::exists(dir / (stem + dbf.extension().string())); ++k)
        stem = dbf.stem().string() + stamp + "_" + std::to_string(k);
    for (const char* ext : {".fpt", ".cdx"}) {
        const fs::path from = sibling(dbf, ext);
        if (!from.empty())
            copyWhole(from, dir / (stem + from.extension().string()));
    }
    const fs::path to = dir / (stem + dbf.extension().string());
    copyWhole(dbf, to);
    return to.string();
}

bool keepSafetyCopy() { return app::Settings().readBool("Tools", "KeepSafetyCopy", true); }

void setKeepSafetyCopy(bool on) { app::Settings().writeBool("Tools", "KeepSafetyCopy", on); }

std::string safetyCopyText(const std::string& copyPath) { return "A safety copy was saved as " + copyPath; }

}  // namespace addrova::tools
