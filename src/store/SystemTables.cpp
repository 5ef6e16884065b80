#include "SystemTables.h"

#include <filesystem>

namespace addrova::store {

namespace {

struct Def {
    SystemTable which;
    const char* stem;
    const char* tag;
    const char* key;          // the key when the tag is created on open
    const char* rebuildKey;   // the key the rebuild writes
    const char* rebuildText;  // shown while the rebuild works on the table
    bool creatable;
};

// In the order of the rebuild.
const Def kDefs[] = {
    {SystemTable::Letter, "LETTER", "DESCRIPT", "UPPER(descript)", "UPPER(DESCRIPT)", "Rebuilding Letters File indexes", true},
    {SystemTable::Label, "LABEL", "DESCRIPT", "UPPER(descript)", "UPPER(DESCRIPT)", "Rebuilding Label File indexes", true},
    {SystemTable::StateRanges, "CSZ", "STATE", "UPPER(state)", "UPPER(STATE)", "Rebuilding State/Province File indexes",
     false},
    {SystemTable::LabelStock, "LBLTPL", "DESCRIPT", "UPPER(descript)", "UPPER(descript)",
     "Rebuilding Label Setup File indexes", false},
    {SystemTable::Envelope, "ENVELOPE", "DESCRIPT", "UPPER(descript)", "UPPER(descript)",
     "Rebuilding Envelope File indexes", true},
    {SystemTable::Report, "REPORT", "DESCRIPT", "UPPER(descript)", "UPPER(descript)", "Rebuilding Report File indexes",
     true},
};

const Def& def(SystemTable which) {
    for (const auto& d : kDefs)
        if (d.which == which) return d;
    return kDefs[0];
}

}  // namespace

std::string systemTableStem(SystemTable which) { return def(which).stem; }

std::vector<FieldSpec> systemTableSchema(SystemTable which) {
    switch (which) {
        case SystemTable::Letter: return {{"DESCRIPT", 'C', 50, 0}, {"RTF", 'M', 10, 0}};
        case SystemTable::Report: return {{"DESCRIPT", 'C', 60, 0}, {"LAYOUT", 'C', 60, 0}, {"BINARY", 'C', 12, 0}};
        case SystemTable::Envelope: return {{"DESCRIPT", 'C', 60, 0}, {"NUMBER", 'N', 5, 0}, {"BINARY", 'C', 12, 0}};
        case SystemTable::Label:
            return {{"DESCRIPT", 'C', 60, 0},  {"PRINTER", 'C', 2, 0},    {"LBLHEIGHT", 'N', 6, 3},
                    {"LBLWIDTH", 'N', 6, 3},   {"NBRACROSS", 'N', 2, 0},  {"NBRDOWN", 'N', 2, 0},
                    {"TOPMARG", 'N', 6, 3},    {"LEFTMARG", 'N', 6, 3},   {"HORIZPITCH", 'N', 6, 3},
                    {"VERTPITCH", 'N', 6, 3},  {"SHEETWIDTH", 'N', 6, 3}, {"SHEETDEPTH", 'N', 6, 3},
                    {"PAPERSIZE", 'C', 5, 0},  {"LBLSHAPE", 'C', 2, 0},   {"TPLDESCRIP", 'C', 60, 0},
                    {"MANUFAC", 'C', 10, 0},   {"PRODTYPE", 'C', 25, 0},  {"MIDEXTRAX", 'N', 6, 3},
                    {"MIDEXTRAY", 'N', 6, 3},  {"ART", 'C', 12, 0},       {"DELETED", 'L', 1, 0},
                    {"BINARY", 'C', 12, 0}};
        case SystemTable::LabelStock:
        case SystemTable::StateRanges: return {};
    }
    return {};
}

std::string openSystemTable(SystemTable which, Table& table, const std::string& sysdataDir) {
    const Def& d = def(which);
    std::string path = sysdataDir + d.stem + ".DBF";
    table.close();
    try {
        table.open(path, OpenMode::Exclusive);
    } catch (const Error&) {
        table.close();
        if (!d.creatable) {
            if (which == SystemTable::LabelStock) return "Unable to Open LBLTPL.DBF";
            return "Unable to Open or Create CSZ.DBF";
        }
        try {
            Table::create(path, systemTableSchema(which));
            table.open(path, OpenMode::Exclusive);
        } catch (const Error&) {
            table.close();
            return std::string("Unable to Open or Create ") + d.stem + ".DBF";
        }
    }
    // A missing index file is made again without a word; so is one that no longer matches.
    if (table.tagArea(d.tag) == 0) {
        try {
            if (table.indexState() == IndexState::Stale) table.deleteIndex();
            table.createTag(d.tag, d.key);
        } catch (const Error&) {
        }
    }
    if (table.tagArea(d.tag) != 0) table.setOrder(d.tag);
    table.goTop();
    return {};
}

std::vector<std::string> rebuildSystemIndexes(const std::string& sysdataDir,
                                              const std::function<void(const std::string&)>& status,
                                              const ProgressFn& progress) {
    std::vector<std::string> problems;
    for (const auto& d : kDefs) {
        if (status) status(d.rebuildText);
        // A table of the program's own that was never opened has nothing to rebuild; it is made
        // when its window first opens it.
        if (d.creatable && !std::filesystem::exists(sysdataDir + d.stem + ".DBF")) continue;
        Table t;
        try {
            t.open(sysdataDir + d.stem + ".DBF", OpenMode::Exclusive);
            t.deleteIndex();
            t.pack(progress);
            t.createTag(d.tag, d.rebuildKey, {}, progress);
            t.close();
        } catch (const Error& e) {
            problems.push_back(e.what());
            try {
                t.close();
            } catch (const Error&) {
            }
        }
    }
    return problems;
}

}  // namespace addrova::store
