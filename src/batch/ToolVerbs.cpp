#include "Batch.h"

#include "AddressFile.h"
#include "CodePage.h"
#include "Maintenance.h"
#include "ProgramDir.h"
#include "Table.h"

#include <ctime>
#include <filesystem>
#include <iostream>
#include <sstream>

namespace addrova::batch {

namespace {

using store::Table;

// Opens an address file for the tools: every field and every tag must be there.
void openForTools(const std::string& path, Table& t)
{
    const std::string problem = store::openAddressFile(path, t);
    if (!problem.empty())
        throw store::Error(path, "Cannot open", problem);
    if (!store::checkTags(t))
        throw store::Error(path, "Cannot open", store::rebuildQuestion(path) + " (addrova-batch check --rebuild)");
}

std::string in(const Table& t, const std::string& utf8) { return store::fromUtf8(utf8, t.codePage()); }
std::string out(const Table& t, const std::string& text) { return store::toUtf8(text, t.codePage()); }

// The safety copy before records change, when the settings (or --no-safety-copy) allow it.
std::string safetyCopy(const Args& a, Table& t)
{
    if (a.has("no-safety-copy") || !tools::keepSafetyCopy())
        return {};
    return tools::makeSafetyCopy(t, std::time(nullptr));
}

void tellCopy(const std::string& copy)
{
    if (!copy.empty())
        std::cout << tools::safetyCopyText(copy) << "\n";
}

std::string selectionFor(const Table& t, const std::string& filter)
{
    return filter.empty() ? "!ISDEL" : "(" + in(t, filter) + ") .and. !ISDEL";
}

int duplicates(const Args& a)
{
    const std::string kindText = a.get("kind", "name");
    tools::DupKind kind = tools::DupKind::Name;
    int length = tools::kMaxStreetLength;
    if (kindText == "name") {
        kind = tools::DupKind::Name;
    } else if (kindText == "initial") {
        kind = tools::DupKind::Initial;
    } else if (kindText == "soundex") {
        kind = tools::DupKind::Soundex;
    } else if (kindText.rfind("street", 0) == 0) {
        kind = tools::DupKind::Street;
        if (kindText.size() > 6) {
            if (kindText[6] != ':')
                throw UsageError{"unknown kind \"" + kindText + "\""};
            size_t used = 0;
            try {
                length = std::stoi(kindText.substr(7), &used);
            } catch (const std::exception&) {
                used = 0;
            }
            if (used == 0 || used != kindText.size() - 7 || length < 1 || length > tools::kMaxStreetLength)
                throw UsageError{"the street length must be a number from 1 to 30"};
        }
    } else {
        throw UsageError{"unknown kind \"" + kindText + "\" (name, initial, street[:LEN] or soundex)"};
    }
    Table t;
    openForTools(a.positional[0], t);
    t.setDeleted(true);
    t.setSelection("!ISDEL");
    std::filesystem::create_directories(app::ProgramDir());
    tools::DupScratch scratch(t, app::ProgramDir() + tools::kDupIndexName);
    const auto r = tools::findDuplicates(t, kind, length, scratch.path());
    if (r.count > 0)
        for (uint32_t recno : tools::scratchRecords(t)) {
            t.go(recno);
            std::string name = t.getString("LNAME");
            if (!t.getString("FNAME").empty())
                name += ", " + t.getString("FNAME");
            std::cout << recno << "\t" << out(t, name) << "\t" << out(t, t.getString("STREET")) << "\t"
                      << out(t, t.getString("ZIP")) << "\n";
        }
    std::cout << tools::dupCountText(r.count) << "\n";
    return 0;
}

int convertCase(const Args& a)
{
    const std::string to = a.get("to");
    tools::CaseMode mode;
    if (to == "upper")
        mode = tools::CaseMode::Upper;
    else if (to == "lower")
        mode = tools::CaseMode::Lower;
    else if (to == "capitalized")
        mode = tools::CaseMode::Capitalized;
    else
        throw UsageError{"--to must be upper, lower or capitalized"};
    std::vector<std::string> fields;
    std::stringstream list(a.get("fields"));
    for (std::string f; std::getline(list, f, ',');) {
        bool known = false;
        for (const auto& c : tools::caseFields())
            known = known || store::sameName(f, c.name);
        if (!known)
            throw UsageError{"\"" + f + "\" is not one of the fields that can be converted"};
        fields.push_back(f);
    }
    if (fields.empty()) {
        std::cerr << "No fields checked for conversion\n";
        return 1;
    }
    Table t;
    openForTools(a.positional[0], t);
    t.setDeleted(true);
    t.setSelection(selectionFor(t, a.get("filter")));
    const std::string copy = safetyCopy(a, t);
    const auto r = tools::convertRecords(t, fields, mode, tools::RecordScope::Filter);
    t.close();
    std::cout << "Converted " << r.count << " records\n";
    tellCopy(copy);
    return 0;
}

int replace(const Args& a)
{
    if (a.has("equals") == a.has("contains"))
        throw UsageError{"give one of --equals TEXT and --contains TEXT"};
    if (a.has("set") == a.has("replace-match"))
        throw UsageError{"give one of --set TEXT and --replace-match TEXT"};
    Table t;
    openForTools(a.positional[0], t);
    tools::ReplaceSpec s;
    for (const auto& f : tools::searchFields())
        if (store::sameName(a.get("field"), f.name)) {
            s.field = f.name;
            s.caption = f.caption;
        }
    if (s.field.empty())
        throw UsageError{"\"" + a.get("field") + "\" is not one of the fields that can be searched"};
    s.contains = a.has("contains");
    s.find = in(t, a.get(s.contains ? "contains" : "equals"));
    s.caseSensitive = !a.has("ignore-case");
    s.wholeField = a.has("set");
    s.replacement = in(t, a.get(s.wholeField ? "set" : "replace-match"));
    if (a.has("filter"))
        s.filter = in(t, a.get("filter"));
    std::string expr;
    try {
        expr = tools::searchExpression(s);
    } catch (const std::invalid_argument& e) {
        throw UsageError{e.what()};
    }
    t.setDeleted(true);
    const std::string copy = safetyCopy(a, t);
    std::cerr << out(t, tools::replaceQuestion(s)) << "\n";
    const auto r = tools::replaceRecords(t, s);
    t.close();
    std::cout << "Replaced " << r.count << " records\nReplacement done\n";
    tellCopy(copy);
    return 0;
}

int deleteVerb(const Args& a)
{
    const int given = int(a.has("all")) + int(a.has("filter")) + int(a.has("not-filter"));
    if (given != 1)
        throw UsageError{"give one of --all, --filter EXPR and --not-filter EXPR"};
    Table t;
    openForTools(a.positional[0], t);
    t.setDeleted(true);
    const std::string filter = a.has("all") ? "" : in(t, a.get(a.has("filter") ? "filter" : "not-filter"));
    if (!filter.empty())
        t.compile(filter);  // a wrong expression fails before anything changes
    const std::string copy = safetyCopy(a, t);
    const auto choice = a.has("all") ? tools::DeleteChoice::All
                        : a.has("filter") ? tools::DeleteChoice::Matching
                                          : tools::DeleteChoice::NotMatching;
    const auto r = tools::deleteRecords(t, choice, filter);
    t.close();
    std::cout << tools::deletedText(r.count) << "\n" << tools::kRebuildAdvice << "\n";
    tellCopy(copy);
    return 0;
}

}  // namespace

void addToolVerbs(std::vector<Verb>& verbs)
{
    verbs.push_back({"duplicates", "FILE [--kind name|initial|street[:LEN]|soundex]",
                     "possible duplicates: the records of each pair, then their count", {"kind"}, {}, 1, 1,
                     duplicates});
    verbs.push_back({"convert-case", "FILE --fields LNAME,FNAME,... --to upper|lower|capitalized [--filter EXPR]",
                     "convert the letter case of fields (safety copy first)", {"fields", "to", "filter"},
                     {"no-safety-copy"}, 1, 1, convertCase});
    verbs.push_back({"replace",
                     "FILE --field NAME (--equals TEXT|--contains TEXT) [--ignore-case] (--set TEXT|--replace-match "
                     "TEXT) [--filter EXPR]",
                     "search and replace field values (safety copy first)",
                     {"field", "equals", "contains", "set", "replace-match", "filter"},
                     {"ignore-case", "no-safety-copy"}, 1, 1, replace});
    verbs.push_back({"delete", "FILE (--all|--filter EXPR|--not-filter EXPR)",
                     "delete records: all at once, or those matching (or not matching) a filter (safety copy first)",
                     {"filter", "not-filter"}, {"all", "no-safety-copy"}, 1, 1, deleteVerb});
}

}  // namespace addrova::batch
