#include "DbfImport.h"

#include "AddressFile.h"
#include "Error.h"

#include <algorithm>
#include <fstream>

namespace addrova::exchange {

using namespace addrova::store;

TypeClass ClassOf(const Field& f)
{
    switch (f.type) {
    case 'C':
    case 'V': return TypeClass::Character;
    case 'L': return TypeClass::Logical;
    case 'N':
    case 'F':
    case 'I':
    case 'B':
    case 'Y': return TypeClass::Numeric;
    case 'D':
    case 'T': return TypeClass::Date;
    case 'M': return TypeClass::Memo;
    default: return TypeClass::Other;
    }
}

namespace {

// The record count the header claims (the engine uses the complete records of a shorter file).
long headerCount(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    unsigned char h[8];
    if (!in.read(reinterpret_cast<char*>(h), 8))
        return -1;
    return long(h[4]) | long(h[5]) << 8 | long(h[6]) << 16 | long(h[7]) << 24;
}

bool isMemoField(const Field& f) { return f.type == 'M'; }

}  // namespace

std::string OpenSource(Table& source, const std::string& path)
{
    const std::string unable = "Unable to open the file " + path;
    try {
        source.open(path, OpenMode::ReadOnly);
    } catch (const std::exception& e) {
        source.close();
        return unable + "\n\n" + e.what();
    }
    source.setDeleted(true);
    const long claimed = headerCount(path);
    if (claimed >= 0 && claimed > long(source.recCount())) {
        const uint32_t held = source.recCount();
        source.close();
        return unable + "\n\nThe file is damaged: its header names " + std::to_string(claimed) + " records, it holds " +
               std::to_string(held) + ".";
    }
    if (source.recCount() == 0) {
        source.close();
        return "There are no records in " + path;
    }
    return {};
}

std::string CheckSourceReadable(Table& source, const std::string& path, const std::vector<int>& fieldsInUse)
{
    try {
        for (bool ok = source.goTop(); ok && !source.eof(); ok = source.skip(1)) {
            for (int f : fieldsInUse) {
                if (isMemoField(source.fields()[size_t(f)]))
                    (void)source.getMemo(f);
                else
                    (void)source.getString(f);
            }
        }
        source.goTop();
    } catch (const std::exception& e) {
        return "Unable to open the file " + path + "\n\n" + e.what();
    }
    return {};
}

std::vector<int> ProposeMatch(const Table& source, const Table& dest)
{
    const auto& src = source.fields();
    const auto& dst = dest.fields();
    std::vector<int> map(src.size(), -1);
    auto held = [&](int d) { return std::find(map.begin(), map.end(), d) != map.end(); };
    for (size_t i = 0; i < src.size(); ++i) {
        const TypeClass c = ClassOf(src[i]);
        if (c == TypeClass::Other || src[i].type == '0')
            continue;
        const std::string name = Upper(src[i].name);
        if (c == TypeClass::Memo) {
            const int d = dest.fieldIndex("MEMO");
            if (d >= 0 && !held(d))
                map[i] = d;
            continue;
        }
        for (size_t d = 0; d < dst.size(); ++d) {
            if ((Upper(FieldLabel(dst[d].name)) == name || Upper(dst[d].name) == name) && !held(int(d))) {
                map[i] = static_cast<int>(d);
                break;
            }
        }
    }
    return map;
}

std::vector<int> AllowedSources(const Table& source, const DestField& row)
{
    std::vector<int> out;
    const auto& src = source.fields();
    // The address file keeps its date as text; the field named DATE is the date row.
    const bool dateRow = row.type == 'D';
    for (size_t i = 0; i < src.size(); ++i) {
        const TypeClass c = ClassOf(src[i]);
        if (c == TypeClass::Other || src[i].type == '0')
            continue;
        if (row.type == 'M' ? c == TypeClass::Memo : dateRow ? c == TypeClass::Date : c != TypeClass::Memo)
            out.push_back(static_cast<int>(i));
    }
    return out;
}

namespace {

struct Copier {
    Table& dest;
    Table& source;
    const std::string& shortDate;
    LoopSummary& s;

    void note(const std::string& what)
    {
        ++s.unrepresentable;
        if (s.notes.size() < 10)
            s.notes.push_back("record " + std::to_string(source.recNo()) + ", " + what);
    }

    // The source value as text in the destination's code page.
    std::string text(int sf, bool intoDate)
    {
        const Field& f = source.fields()[size_t(sf)];
        std::string v = source.getString(sf);
        if (f.type == 'D' && !v.empty()) {
            if (!intoDate && !shortDate.empty())
                v = formatDate(v, shortDate);
            return v;
        }
        if (ClassOf(f) != TypeClass::Character)
            return v;
        bool lost = false;
        std::string t = CodePageToCodePage(v, source.codePage(), dest.codePage(), &lost);
        if (lost)
            note(f.name);
        return t;
    }

    std::string memo(int sf)
    {
        bool lost = false;
        std::string t = CodePageToCodePage(source.getMemo(sf), source.codePage(), dest.codePage(), &lost);
        if (lost)
            note(source.fields()[size_t(sf)].name);
        return t;
    }

    void put(int df, const std::string& v)
    {
        if (v.empty())
            return;
        if (dest.fields()[size_t(df)].type == 'M') {
            dest.setMemo(df, MemoForStorage(v));
            return;
        }
        if (SetFromText(dest, df, v))
            ++s.cut;
    }
};

template <typename Fill>
LoopSummary copyLoop(Table& dest, Table& source, const LoopHooks& hooks, Fill fill)
{
    LoopSummary s;
    DropIndex(dest);
    const uint32_t total = std::max<uint32_t>(source.recCount(), 1);
    if (hooks.status)
        hooks.status("Importing records");
    dest.beginBatch();
    try {
        for (bool ok = source.goTop(); ok && !source.eof();) {
            ++s.read;
            dest.appendBlank();
            fill(s);
            dest.post();
            ++s.written;
            if (hooks.gauge)
                hooks.gauge(static_cast<int>(std::min<uint64_t>(100, uint64_t(source.recNo()) * 100 / total)));
            if (hooks.stopRequested && hooks.stopRequested()) {
                s.end = LoopEnd::Cancelled;
                break;
            }
            ok = source.skip(1);
        }
    } catch (const std::exception& e) {
        s.end = LoopEnd::Error;
        s.detail = e.what();
        try {
            dest.cancel();
        } catch (const std::exception&) {
        }
    }
    try {
        dest.endBatch();
    } catch (const std::exception& e) {
        s.end = LoopEnd::Error;
        s.detail = e.what();
    }
    if (hooks.status)
        hooks.status("");
    return s;
}

}  // namespace

LoopSummary ImportDbf(Table& dest, Table& source, const std::vector<int>& mapping, const std::string& shortDateFormat,
                      const LoopHooks& hooks)
{
    const int dateField = dest.fieldIndex("DATE");
    return copyLoop(dest, source, hooks, [&](LoopSummary& s) {
        Copier c{dest, source, shortDateFormat, s};
        for (size_t sf = 0; sf < mapping.size(); ++sf) {
            const int df = mapping[sf];
            if (df < 0)
                continue;
            if (isMemoField(source.fields()[sf]))
                c.put(df, c.memo(int(sf)));
            else
                c.put(df, c.text(int(sf), df == dateField));
        }
    });
}

std::string DbfImportMessage(const LoopSummary& s)
{
    const std::string n = std::to_string(s.written);
    std::string m = s.end == LoopEnd::Cancelled ? "Import cancelled after importing " + n + " records."
                                                : "Import complete. Imported " + n + " records.";
    if (s.end == LoopEnd::Error || s.end == LoopEnd::ReadFailure || s.end == LoopEnd::WriteFailure)
        m = "Unknown error while importing.\n\n" + m;
    return m;
}

// ---------------------------------------------------------------------------------------------

std::string OlderCaption(Generation g)
{
    return g == Generation::First ? "Import Addrova 1.x DBF" : "Import Addrova 2.x DBF";
}

const std::vector<std::string>& OlderFields(Generation g)
{
    static const std::vector<std::string> first = {"LNAME", "FNAME", "MIDDLE", "TITLE",  "ORG",   "STREET",
                                                   "CITY",  "STATE", "ZIP",    "COUNTRY", "PHONE", "EMAIL",
                                                   "FAX",   "NOTES", "PREFIX", "CARRIER", "DATE",  "MEMO"};
    static const std::vector<std::string> second = {"LNAME", "FNAME",   "MIDDLE", "TITLE", "ORG",   "STREET",
                                                    "STREET2", "CITY",  "STATE",  "ZIP",   "COUNTRY", "PHONE",
                                                    "PHONE2", "EMAIL",  "FAX",    "CODES", "PREFIX", "DATE",
                                                    "USER1", "USER2",   "ISDEL",  "MEMO",  "TAG"};
    return g == Generation::First ? first : second;
}

std::string OpenOlderSource(Table& source, const std::string& path, const std::string& openPath, Generation g)
{
    if (!openPath.empty() && Upper(path) == Upper(openPath))
        return "Cannot import a file to itself";
    std::string problem = OpenSource(source, path);
    if (!problem.empty())
        return problem;
    for (const auto& name : OlderFields(g))
        if (source.fieldIndex(name) < 0) {
            source.close();
            return path + " does not appear to be a Addrova " + (g == Generation::First ? "1.x" : "2.x") + " DBF";
        }
    std::vector<int> used;
    for (const auto& name : OlderFields(g))
        used.push_back(source.fieldIndex(name));
    problem = CheckSourceReadable(source, path, used);
    if (!problem.empty())
        source.close();
    return problem;
}

LoopSummary ImportOlder(Table& dest, Table& source, Generation g, const std::string& shortDateFormat,
                        const LoopHooks& hooks)
{
    static const char* const common[] = {"LNAME", "FNAME", "PREFIX", "MIDDLE", "TITLE", "ORG", "STREET",
                                         "CITY",  "STATE", "ZIP",    "COUNTRY", "PHONE", "FAX", "EMAIL"};
    static const char* const later[] = {"CODES", "STREET2", "PHONE2", "USER1", "USER2", "ISDEL", "DATE"};
    return copyLoop(dest, source, hooks, [&](LoopSummary& s) {
        Copier c{dest, source, shortDateFormat, s};
        auto copy = [&](const char* from, const char* to) {
            const int sf = source.fieldIndex(from), df = dest.fieldIndex(to);
            if (sf >= 0 && df >= 0)
                c.put(df, c.text(sf, true));
        };
        for (const char* f : common)
            copy(f, f);
        if (g == Generation::Second) {
            for (const char* f : later)
                copy(f, f);
        } else {
            copy("NOTES", "CODES");
            const int sf = source.fieldIndex("DATE"), df = dest.fieldIndex("DATE");
            try {
                const std::string d = normaliseDate(c.text(sf, true), shortDateFormat);
                if (!d.empty())
                    dest.setString(df, d);
            } catch (const Error&) {
            }
        }
        const int sm = source.fieldIndex("MEMO"), dm = dest.fieldIndex("MEMO");
        if (sm >= 0 && dm >= 0 && isMemoField(source.fields()[size_t(sm)]))
            c.put(dm, c.memo(sm));
    });
}

}  // namespace addrova::exchange
