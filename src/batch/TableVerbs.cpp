#include "Batch.h"

#include "CodePage.h"
#include "Table.h"

#include <cstdio>
#include <iostream>
#include <sstream>
#include <unistd.h>

namespace addrova::batch {

using namespace addrova::store;

namespace {

// Progress on standard error, only for a person watching.
ProgressFn progressPrinter(const std::string& what) {
    if (!isatty(STDERR_FILENO)) return {};
    return [what](int pct) {
        std::fprintf(stderr, "\r%s %3d%%", what.c_str(), pct);
        if (pct >= 100) std::fprintf(stderr, "\n");
    };
}

std::string versionName(uint8_t v) {
    switch (v) {
        case 0x02: return "FoxBASE";
        case 0x03: return "dBASE III / FoxPro, no memo";
        case 0x04: return "dBASE IV, no memo";
        case 0x05: return "dBASE V, no memo";
        case 0x30: return "Visual FoxPro";
        case 0x31: return "Visual FoxPro, autoincrement";
        case 0x32: return "Visual FoxPro, varchar";
        case 0x83: return "dBASE III with memo";
        case 0x8B: return "dBASE IV with memo";
        case 0xF5: return "FoxPro 2.x with memo";
        case 0xFB: return "FoxBASE with memo";
        default: return "xBase";
    }
}

void warnIndex(const Table& t) {
    if (t.indexState() == IndexState::Stale || t.indexState() == IndexState::Missing)
        std::cerr << "warning: " << t.indexProblem() << "; run \"addrova-batch reindex\" to rebuild it\n";
}

void selectOrder(Table& t, const std::string& tag) {
    if (tag.empty()) return;
    if (t.tagArea(tag) == 0) {
        if (t.indexState() == IndexState::Stale || t.indexState() == IndexState::Missing)
            throw Error(t.path(), "Cannot use tag " + tag, t.indexProblem());
        throw Error(t.path(), "Cannot use tag " + tag, "the table has no such tag");
    }
    t.setOrder(tag);
}

// Keeps a record on one line: line ends become \n, tabs \t and backslashes \\.
std::string oneLine(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (c == '\r') {
            if (i + 1 < s.size() && s[i + 1] == '\n') ++i;
            out += "\\n";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\\') {
            out += "\\\\";
        } else {
            out += c;
        }
    }
    return out;
}

std::vector<int> chooseFields(const Table& t, const std::string& list) {
    std::vector<int> out;
    if (list.empty()) {
        for (size_t i = 0; i < t.fields().size(); ++i)
            if (t.fields()[i].type != '0') out.push_back(static_cast<int>(i));
        return out;
    }
    std::stringstream ss(list);
    std::string name;
    while (std::getline(ss, name, ',')) {
        // Names come in UTF-8; the table keeps them in its code page.
        int i = t.fieldIndex(fromUtf8(name, t.codePage()));
        if (i < 0) throw Error(t.path(), "Cannot dump", "no field named " + name);
        out.push_back(i);
    }
    return out;
}

int info(const Args& a) {
    Table t;
    t.open(a.positional[0], OpenMode::ReadOnly);
    std::cout << "File: " << t.path() << "\n";
    char ver[8];
    std::snprintf(ver, sizeof ver, "0x%02X", t.version());
    std::cout << "Version: " << ver << " (" << versionName(t.version()) << ")\n";
    std::cout << "Code page: " << t.codePage() << "\n";
    std::cout << "Records: " << t.recCount() << "\n";
    std::cout << "Fields:\n";
    for (const auto& f : t.fields()) {
        if (f.type == '0') continue;
        std::cout << "  " << toUtf8(f.name, t.codePage()) << " " << f.type << " " << f.width << " "
                  << static_cast<int>(f.decimals) << "\n";
    }
    std::cout << "Tags:\n";
    for (int i = 1; i <= t.orderCount(); ++i) {
        const TagInfo& ti = t.orderInfo(i);
        std::cout << "  " << ti.name << ": " << toUtf8(ti.keyExpr, t.codePage());
        if (!ti.forExpr.empty()) std::cout << " FOR " << toUtf8(ti.forExpr, t.codePage());
        if (ti.unique) std::cout << " UNIQUE";
        if (ti.descending) std::cout << " DESCENDING";
        std::cout << "\n";
    }
    warnIndex(t);
    return 0;
}

int dump(const Args& a) {
    Table t;
    t.open(a.positional[0], OpenMode::ReadOnly);
    int cp = t.codePage();
    if (a.has("deleted")) t.setDeleted(false);
    selectOrder(t, a.get("order"));
    if (a.has("filter")) t.setSelection(fromUtf8(a.get("filter"), cp));
    std::vector<int> cols = chooseFields(t, a.get("fields"));
    t.setTurboRead(t.order() == 0);
    std::string line;
    for (bool ok = t.goTop(); ok; ok = t.skip(1)) {
        line = std::to_string(t.recNo());
        for (int c : cols) {
            line += '\t';
            const Field& f = t.fields()[static_cast<size_t>(c)];
            if (t.isNull(c)) continue;
            if (f.isMemo()) {
                std::string m = t.getMemo(c);
                while (!m.empty() && (m.back() == ' ' || m.back() == '\0')) m.pop_back();
                line += oneLine(toUtf8(m, cp));
            } else {
                line += oneLine(toUtf8(t.getString(c), cp));
            }
        }
        line += '\n';
        std::fwrite(line.data(), 1, line.size(), stdout);
    }
    return 0;
}

int count(const Args& a) {
    Table t;
    t.open(a.positional[0], OpenMode::ReadOnly);
    if (a.has("filter")) t.setSelection(fromUtf8(a.get("filter"), t.codePage()));
    std::cout << t.countSelected() << "\n";
    return 0;
}

int index(const Args& a) {
    Table t;
    t.open(a.positional[0], OpenMode::Exclusive);
    int cp = t.codePage();
    TagOptions opts;
    opts.forExpr = fromUtf8(a.get("for"), cp);
    opts.unique = a.has("unique");
    opts.descending = a.has("descending");
    t.createTag(a.positional[1], fromUtf8(a.positional[2], cp), opts, progressPrinter("Indexing"));
    t.close();
    return 0;
}

int seek(const Args& a) {
    Table t;
    t.open(a.positional[0], OpenMode::ReadOnly);
    if (!a.has("order")) throw UsageError{"--order TAG is required"};
    selectOrder(t, a.get("order"));
    t.setSoftSeek(a.has("soft"));
    bool found = t.seek(fromUtf8(a.positional[1], t.codePage()));
    if (found || (a.has("soft") && !t.eof())) {
        std::cout << t.recNo() << "\n";
        return 0;
    }
    std::cout << "not found\n";
    return 0;
}

int pack(const Args& a) {
    Table t;
    t.open(a.positional[0], OpenMode::Exclusive);
    uint32_t before = t.recCount();
    t.pack(progressPrinter("Packing"));
    std::cout << "Packed: " << before - t.recCount() << " records removed, " << t.recCount() << " left\n";
    t.close();
    return 0;
}

int reindex(const Args& a) {
    Table t;
    t.open(a.positional[0], OpenMode::Exclusive);
    if (t.indexState() == IndexState::None) throw Error(t.path(), "Cannot reindex", "the table has no structural index");
    t.reindex(progressPrinter("Indexing"));
    std::cout << "Rebuilt " << t.orderCount() << " tags\n";
    t.close();
    return 0;
}

}  // namespace

void addTableVerbs(std::vector<Verb>& verbs) {
    verbs.push_back({"info", "FILE", "fields, record count and tags of a table", {}, {}, 1, 1, info});
    verbs.push_back({"dump", "FILE [--order TAG] [--filter EXPR] [--fields F1,F2,...] [--deleted]",
                     "one line per selected record: record number, then the fields separated by tabs",
                     {"order", "filter", "fields"}, {"deleted"}, 1, 1, dump});
    verbs.push_back({"count", "FILE [--filter EXPR]", "the number of selected records that are not deleted",
                     {"filter"}, {}, 1, 1, count});
    verbs.push_back({"index", "FILE TAG EXPR [--for EXPR] [--unique] [--descending]",
                     "add (or replace) a tag in the structural index", {"for"}, {"unique", "descending"}, 3, 3, index});
    verbs.push_back({"seek", "FILE --order TAG KEY [--soft]",
                     "the record number found, or \"not found\"", {"order"}, {"soft"}, 2, 2, seek});
    verbs.push_back({"pack", "FILE", "remove deleted records, compact the memo file, rebuild the tags", {}, {}, 1, 1, pack});
    verbs.push_back({"reindex", "FILE", "rebuild every tag of the structural index", {}, {}, 1, 1, reindex});
}

}  // namespace addrova::batch
