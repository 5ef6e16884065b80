#include "Batch.h"

#include "AddressFile.h"
#include "CodePage.h"
#include "DemoData.h"
#include "File.h"
#include "ProgramDir.h"
#include "SystemTables.h"

#include <chrono>
#include <cstdio>
#include <iostream>
#include <unistd.h>

namespace addrova::batch {

using namespace addrova::store;

namespace {

// A whole number from the command line, or a usage error naming what it is.
ProgressFn tagProgress() {
    if (!isatty(STDERR_FILENO)) return {};
    return [](int pct) { std::fprintf(stderr, "\rIndexing %3d%%", pct); };
}

int create(const Args& a) {
    const std::string& path = a.positional[0];
    std::string problem = createAddressFile(path, app::NewFileWidths(), tagProgress());
    if (isatty(STDERR_FILENO)) std::fprintf(stderr, "\n");
    if (!problem.empty()) throw Error(path, "Cannot create address file", problem);
    std::cout << "Created " << path << " with " << addressFields().size() << " fields and " << addressTags().size()
              << " tags\n";
    return 0;
}

// The window's open and tag check, with the causes the window's messages leave out, and every tag
// walked completely before the file is called sound.
int check(const Args& a) {
    const std::string& path = a.positional[0];
    if (!File::exists(path)) throw Error(path, "Cannot check", "no such file");
    Table t;
    t.open(path, OpenMode::Exclusive);
    for (const auto& f : addressFields())
        if (t.fieldIndex(f.name) < 0) throw Error(path, "Not an address file", std::string("it has no field ") + f.name);
    auto problem = [&]() -> std::string {
        if (!t.verifyIndex()) return t.indexProblem();
        std::string missing;
        for (const auto& tag : addressTags())
            if (t.tagArea(tag.name) == 0) missing += std::string(missing.empty() ? "" : ", ") + tag.name;
        return missing.empty() ? std::string() : "the index has no tag " + missing;
    };
    std::string why = problem();
    if (!why.empty()) {
        std::cerr << "The index of " << path << " is missing or invalid: " << why << "\n";
        if (!a.has("rebuild")) {
            std::cerr << "Run \"addrova-batch check " << path << " --rebuild\" to rebuild it.\n";
            return 1;
        }
        rebuildAddressIndexes(t);
        why = problem();
        if (!why.empty()) {
            std::cerr << "The index is still incomplete: " << why << "\n";
            return 1;
        }
        std::cout << "Rebuilt the indexes\n";
    }
    std::cout << "OK: " << t.recCount() << " records, " << t.orderCount() << " tags\n";
    return 0;
}

int compose(const Args& a) {
    Table t;
    t.open(a.positional[0], OpenMode::ReadOnly);
    long long recno = wholeNumber(a.positional[1], "RECNO");
    if (recno < 1 || recno > 0xFFFFFFFFLL || !t.go(static_cast<uint32_t>(recno)))
        throw Error(t.path(), "Cannot compose", "there is no record " + a.positional[1]);
    // Reading the id must not make one: without an id no record is tagged.
    std::string tagId = app::Settings().readString("Misc", "GlobalTagId").substr(0, 8);
    ComposedFields c = composeFields(t, tagId.empty() ? std::string("\x01") : tagId, app::ShortDateFormat(), true);
    int cp = t.codePage();
    std::cout << "Tagged: " << (c.tagged ? "Yes" : "No") << "\n"
              << "FullName: " << toUtf8(c.fullName, cp) << "\n"
              << "FullNameWithPrefix: " << toUtf8(c.fullNameWithPrefix, cp) << "\n"
              << "CityStateZip: " << toUtf8(c.cityStateZip, cp) << "\n"
              << "DisplayDate: " << c.displayDate << "\n";
    return 0;
}

const SystemTable kAll[] = {SystemTable::Letter,   SystemTable::Report,     SystemTable::Envelope,
                            SystemTable::Label,    SystemTable::LabelStock, SystemTable::StateRanges};

int sysdata(const Args&) {
    app::PrepareProgramDir();
    int failures = 0;
    std::cout << "System tables in " << app::SysdataDir() << "\n";
    for (SystemTable which : kAll) {
        Table t;
        std::string problem = openSystemTable(which, t, app::SysdataDir());
        if (!problem.empty()) {
            std::cerr << problem << "\n";
            ++failures;
            continue;
        }
        std::cout << "  " << systemTableStem(which) << ".DBF: " << t.recCount() << " records\n";
    }
    return failures ? 1 : 0;
}

int rebuildSystem(const Args&) {
    app::PrepareProgramDir();
    std::vector<std::string> problems = rebuildSystemIndexes(
        app::SysdataDir(), [](const std::string& text) { std::cout << text << "\n"; });
    for (const auto& p : problems) std::cerr << p << "\n";
    return problems.empty() ? 0 : 1;
}

int demo(const Args& a) {
    const std::string& path = a.positional[0];
    long long n = wholeNumber(a.positional[1], "N");
    if (n < 0 || n > 100000000) throw UsageError{"N must be between 0 and 100000000"};
    uint64_t seed = a.has("seed") ? static_cast<uint64_t>(wholeNumber(a.get("seed"), "--seed")) : 1997;
    auto start = std::chrono::steady_clock::now();
    // The records go in first and the 26 tags are built after them: much faster than keeping
    // every tag up to date on each append.
    Table::create(path, addressSchema(app::NewFileWidths()));
    Table t;
    t.open(path, OpenMode::Exclusive);
    bool tty = isatty(STDERR_FILENO);
    demo::AppendDemoRecords(t, n, seed, [&](long long i) {
        if (tty) std::fprintf(stderr, "\rRecords %lld of %lld", i, n);
    });
    if (tty) std::fprintf(stderr, "\r");
    buildAddressTags(t, tagProgress());
    if (tty) std::fprintf(stderr, "\n");
    t.close();
    double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::cout << "Created " << path << " with " << n << " demonstration records in " << secs << " s\n";
    return 0;
}

}  // namespace

void addAddressVerbs(std::vector<Verb>& verbs) {
    verbs.push_back({"create", "FILE", "a new address file with its 23 fields and 26 tags", {}, {}, 1, 1, create});
    verbs.push_back({"check", "FILE [--rebuild]",
                     "open an address file as the window does and walk every tag; --rebuild mends the index", {},
                     {"rebuild"}, 1, 1, check});
    verbs.push_back({"compose", "FILE RECNO", "the five composed fields of a record", {}, {}, 2, 2, compose});
    verbs.push_back({"sysdata", "", "open or create the system tables and list them", {}, {}, 0, 0, sysdata});
    verbs.push_back({"rebuild-system-indexes", "", "pack the system tables and rebuild their indexes", {}, {}, 0, 0,
                     rebuildSystem});
    verbs.push_back({"demo", "FILE N [--seed S]", "a new address file of N realistic, reproducible records",
                     {"seed"}, {}, 2, 2, demo});
}

}  // namespace addrova::batch
