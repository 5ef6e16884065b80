#include "Batch.h"

#include "AddressFile.h"
#include "Ascii.h"
#include "CodePage.h"
#include "DbfImport.h"
#include "Export.h"
#include "ProgramDir.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <iostream>
#include <sstream>
#include <unistd.h>

namespace addrova::batch {

using namespace addrova::store;
using namespace addrova::exchange;

namespace {

LoopHooks terminalHooks()
{
    LoopHooks h;
    if (!isatty(STDERR_FILENO))
        return h;
    auto last = std::make_shared<int>(-1);
    auto what = std::make_shared<std::string>();
    h.status = [what, last](const std::string& s) {
        if (*last >= 0)
            std::fprintf(stderr, "\n");
        *what = s;
        *last = -1;
    };
    h.gauge = [what, last](int pct) {
        if (pct == *last)
            return;
        *last = pct;
        std::fprintf(stderr, "\r%s %3d%%", what->c_str(), pct);
    };
    return h;
}

void endProgress()
{
    if (isatty(STDERR_FILENO))
        std::fprintf(stderr, "\n");
}

std::vector<std::pair<std::string, std::string>> parseMap(const std::string& text)
{
    std::vector<std::pair<std::string, std::string>> out;
    std::stringstream ss(text);
    std::string item;
    while (std::getline(ss, item, ',')) {
        const auto eq = item.find('=');
        if (eq == std::string::npos || eq == 0 || eq + 1 == item.size())
            throw UsageError{"--map takes KEY=FIELD pairs, not \"" + item + "\""};
        out.emplace_back(item.substr(0, eq), item.substr(eq + 1));
    }
    return out;
}

// A destination field by name or display label.
int destField(const std::vector<DestField>& rows, const std::string& key)
{
    for (const auto& r : rows)
        if (Upper(r.name) == Upper(key) || Upper(r.label) == Upper(key))
            return r.index;
    throw UsageError{"the address file has no field \"" + key + "\" to import into"};
}

void openDestination(const std::string& path, Table& t)
{
    const std::string problem = openAddressFile(path, t);
    if (!problem.empty())
        throw Error(path, "Cannot import", problem);
}

void printNotes(const LoopSummary& s)
{
    for (const auto& n : s.notes)
        std::cerr << "unrepresentable: " << n << "\n";
    if (!s.detail.empty() && s.end != LoopEnd::Complete)
        std::cerr << s.detail << "\n";
}

int finishImport(Table& dest, const LoopSummary& s, const std::string& message)
{
    RebuildAddressTags(dest, terminalHooks());
    endProgress();
    dest.close();
    printNotes(s);
    std::cout << message << "\n" << "Summary: " << s.line() << "\n";
    return s.end == LoopEnd::Complete ? 0 : 1;
}

Encoding encodingOption(const Args& a)
{
    const std::string e = a.get("encoding", "auto");
    if (e == "auto")
        return Encoding::Auto;
    if (e == "utf-8" || e == "utf8")
        return Encoding::Utf8;
    if (e == "cp1252" || e == "windows-1252")
        return Encoding::Cp1252;
    throw UsageError{"--encoding takes auto, utf-8 or cp1252"};
}

int importCsv(const Args& a)
{
    const std::string& path = a.positional[0];
    const std::string& file = a.positional[1];
    AsciiOptions opts;
    opts.encoding = encodingOption(a);
    opts.rfc4180 = a.has("rfc4180");
    Table dest;
    openDestination(path, dest);
    const AsciiScan scan = ScanAsciiFile(file, opts);
    if (!scan.ok) {
        std::cerr << scan.problem << "\n";
        return 1;
    }
    AsciiImportSpec spec;
    spec.path = file;
    spec.options = opts;
    spec.columns = static_cast<int>(scan.columns.size());
    spec.fieldOfColumn.assign(scan.columns.size(), -1);
    const auto rows = DestinationFields(dest, true);
    for (const auto& [key, field] : parseMap(a.get("map"))) {
        const int c = ColumnByKey(scan, key);
        if (c < 0)
            throw UsageError{"the file has no column \"" + key + "\" (it has " + std::to_string(scan.columns.size()) + ")"};
        spec.fieldOfColumn[size_t(c)] = destField(rows, field);
    }
    std::cerr << "Reading " << file << " as " << EncodingName(scan.encoding) << ", " << scan.columns.size()
              << " columns\n";
    const AsciiImportResult r = ImportAscii(dest, spec, terminalHooks());
    endProgress();
    if (!r.started) {
        std::cerr << r.summary.detail << "\n";
        return 1;
    }
    return finishImport(dest, r.summary, AsciiImportMessage(r.summary));
}

int importDbf(const Args& a)
{
    const std::string& path = a.positional[0];
    const std::string& file = a.positional[1];
    if (SamePath(path, file))
        throw Error(file, "Cannot import", "Cannot import a file to itself");
    Table dest, source;
    openDestination(path, dest);
    std::string problem = OpenSource(source, file);
    if (!problem.empty()) {
        std::cerr << problem << "\n";
        return 1;
    }
    std::vector<int> mapping;
    const int cp = source.codePage();
    if (!a.has("map")) {
        mapping = ProposeMatch(source, dest);
        // Only the fields the window would show; the others are dropped on confirmation.
        const auto rows = DestinationFields(dest, false);
        for (auto& m : mapping)
            if (m >= 0 && std::none_of(rows.begin(), rows.end(), [&](const DestField& r) { return r.index == m; }))
                m = -1;
        std::cout << "Proposed match:\n";
        for (size_t i = 0; i < mapping.size(); ++i)
            if (mapping[i] >= 0)
                std::cout << "  " << toUtf8(source.fields()[i].name, cp) << " -> " << dest.fields()[size_t(mapping[i])].name
                          << " (" << FieldLabel(dest.fields()[size_t(mapping[i])].name) << ")\n";
    } else {
        mapping.assign(source.fields().size(), -1);
        const auto rows = DestinationFields(dest, false);
        for (const auto& [key, field] : parseMap(a.get("map"))) {
            const int sf = source.fieldIndex(fromUtf8(key, cp));
            if (sf < 0)
                throw UsageError{"the source has no field \"" + key + "\""};
            const int df = destField(rows, field);
            const DestField& row = *std::find_if(rows.begin(), rows.end(), [&](const DestField& r) { return r.index == df; });
            const auto allowed = AllowedSources(source, row);
            if (std::find(allowed.begin(), allowed.end(), sf) == allowed.end())
                throw UsageError{"the source field " + key + " cannot feed " + row.name};
            for (auto& m : mapping)
                if (m == df)
                    m = -1;
            mapping[size_t(sf)] = df;
        }
    }
    if (std::all_of(mapping.begin(), mapping.end(), [](int m) { return m < 0; })) {
        std::cerr << "No field of " << file << " matches a field of the address file\n";
        return 1;
    }
    std::vector<int> used;
    for (size_t i = 0; i < mapping.size(); ++i)
        if (mapping[i] >= 0)
            used.push_back(int(i));
    problem = CheckSourceReadable(source, file, used);
    if (!problem.empty()) {
        std::cerr << problem << "\n";
        return 1;
    }
    const LoopSummary s = ImportDbf(dest, source, mapping, app::ShortDateFormat(), terminalHooks());
    endProgress();
    source.close();
    return finishImport(dest, s, DbfImportMessage(s));
}

int importOlder(const Args& a)
{
    const std::string& path = a.positional[0];
    const std::string& file = a.positional[1];
    const std::string gen = a.get("generation");
    if (gen != "1" && gen != "2")
        throw UsageError{"--generation takes 1 or 2"};
    const Generation g = gen == "1" ? Generation::First : Generation::Second;
    if (SamePath(path, file)) {
        std::cerr << "Cannot import a file to itself\n";
        return 1;
    }
    Table dest, source;
    openDestination(path, dest);
    const std::string problem = OpenOlderSource(source, file, dest.path(), g);
    if (!problem.empty()) {
        std::cerr << problem << "\n";
        return 1;
    }
    const LoopSummary s = ImportOlder(dest, source, g, app::ShortDateFormat(), terminalHooks());
    endProgress();
    source.close();
    return finishImport(dest, s, DbfImportMessage(s));
}

int exportVerb(const Args& a)
{
    const std::string& path = a.positional[0];
    if (a.has("dbf") == a.has("text"))
        throw UsageError{"give one of --dbf OUT.DBF and --text OUT.TXT"};
    if (a.has("rfc4180") && !a.has("text"))
        throw UsageError{"--rfc4180 goes with --text"};
    const ExportKind kind = a.has("dbf") ? ExportKind::Dbf : ExportKind::Text;
    const std::string target = kind == ExportKind::Dbf ? a.get("dbf") : a.get("text");
    const std::string refusal = CheckExportTarget(target, kind, path);
    if (!refusal.empty()) {
        std::cerr << refusal << "\n";
        return 1;
    }
    Table t;
    const std::string problem = openAddressFile(path, t);
    if (!problem.empty())
        throw Error(path, "Cannot export", problem);
    if (a.has("order")) {
        if (t.tagArea(a.get("order")) == 0)
            throw Error(path, "Cannot export", "the file has no tag " + a.get("order"));
        t.setOrder(a.get("order"));
    }
    const std::string filter = a.get("filter");
    t.setSelection(filter.empty() ? "!ISDEL" : "(" + fromUtf8(filter, t.codePage()) + ") .and. !ISDEL");
    if (t.countSelected() == 0) {
        std::cerr << "No active records for current filter. Nothing to copy\n";
        return 1;
    }
    TextExportOptions opts;
    opts.rfc4180 = a.has("rfc4180");
    const LoopSummary s = kind == ExportKind::Dbf ? CopyDBF(t, target, terminalHooks())
                                                  : CopyASCII(t, target, opts, terminalHooks());
    endProgress();
    if (s.end != LoopEnd::Complete) {
        std::cerr << "There was an error copying\n" << s.detail << "\n";
    }
    std::cout << "Copied " << s.written << " records to " << target << "\nSummary: " << s.line() << "\n";
    return s.end == LoopEnd::Complete ? 0 : 1;
}

}  // namespace

void addExchangeVerbs(std::vector<Verb>& verbs)
{
    verbs.push_back({"import-csv", "ADDRESSFILE FILE --map COL=FIELD,... [--encoding auto|utf-8|cp1252] [--rfc4180]",
                     "append the lines of a comma-delimited file (COL: column number or RFC 4180 title; FIELD: "
                     "name or label), then rebuild the tags",
                     {"map", "encoding"}, {"rfc4180"}, 2, 2, importCsv});
    verbs.push_back({"import-dbf", "ADDRESSFILE SOURCE [--map SRCFIELD=FIELD,...]",
                     "append the records of another xBase table (without --map: the proposal by name, printed first)",
                     {"map"}, {}, 2, 2, importDbf});
    verbs.push_back({"import-older", "ADDRESSFILE SOURCE --generation 1|2",
                     "append an address file of the program's 1.x or 2.x generation", {"generation"}, {}, 2, 2,
                     importOlder});
    verbs.push_back({"export", "ADDRESSFILE (--dbf OUT.DBF | --text OUT.TXT [--rfc4180]) [--filter EXPR] [--order TAG]",
                     "copy the records (not deleted, matching the filter, in the order) to a new table or a text file",
                     {"dbf", "text", "filter", "order"}, {"rfc4180"}, 1, 1, exportVerb});
}

}  // namespace addrova::batch
