#include "Batch.h"

#include "CodePage.h"
#include "ProgramDir.h"
#include "Presort.h"
#include "Table.h"

#include <iostream>

namespace addrova::batch {

namespace {

using store::OpenMode;
using store::Table;

// The address-book selection: the filter's matches that are not marked deleted.
std::string selectionFor(const std::string& filter)
{
    return filter.empty() ? "!ISDEL" : "(" + filter + ") .and. !ISDEL";
}

int presort(const Args& a)
{
    app::PrepareProgramDir();
    const postal::AdcTable adc = postal::LoadAdcTable(app::SysdataDir() + "ADC.CSV");
    Table t;
    t.open(a.positional[0], OpenMode::ReadOnly);
    t.setDeleted(true);
    t.setSelection(selectionFor(store::fromUtf8(a.get("filter"), t.codePage())));
    const std::string path = app::ProgramDir() + postal::kListingName;
    postal::DoTheSort(t, adc, path, {});
    std::cerr << "Wrote " << path << "\n";
    for (const auto& line : postal::ReadListing(path))
        std::cout << line << "\n";
    return 0;
}

}  // namespace

void addPostalVerbs(std::vector<Verb>& verbs)
{
    verbs.push_back({"presort", "FILE [--filter EXPR]",
                     "bulk-mail presort of the selected records: writes PRESORT.PSL and prints it", {"filter"}, {}, 1,
                     1, presort});
}

}  // namespace addrova::batch
