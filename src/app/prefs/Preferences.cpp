#include "Preferences.h"

#include "ProgramDir.h"

#include <algorithm>

namespace addrova::prefs {

const std::vector<BoolOption>& GeneralOptions()
{
    static const std::vector<BoolOption> options = {
        {"PlugDate", "Enter today's date in the date field", "", &AddPreferences::PlugDate},
        {"PlugCityState", "Automatically insert city and state/province", "", &AddPreferences::PlugCityState},
        {"AutoDupCheck", "Automatically check for duplicate names", "", &AddPreferences::AutoDupCheck},
    };
    return options;
}

const std::vector<BoolOption>& CarryOptions()
{
    static const std::vector<BoolOption> options = {
        {"CarryOrg", "Organization", "ORG", &AddPreferences::CarryOrg},
        {"CarrySA1", "Address 1", "STREET", &AddPreferences::CarrySA1},
        {"CarrySA2", "Address 2", "STREET2", &AddPreferences::CarrySA2},
        {"CarryCity", "City", "CITY", &AddPreferences::CarryCity},
        {"CarryState", "State/Province", "STATE", &AddPreferences::CarryState},
        {"CarryZip", "Zip/Postal Code", "ZIP", &AddPreferences::CarryZip},
        {"CarryCountry", "Country", "COUNTRY", &AddPreferences::CarryCountry},
    };
    return options;
}

const std::vector<BoolOption>& SkipOptions()
{
    static const std::vector<BoolOption> options = {
        {"SkipOrganization", "Organization", "ORG", &AddPreferences::SkipOrganization},
        {"SkipPhone1", "Phone #1", "PHONE", &AddPreferences::SkipPhone1},
        {"SkipEmail", "E-Mail", "EMAIL", &AddPreferences::SkipEmail},
        {"SkipState", "State/Province", "STATE", &AddPreferences::SkipState},
        {"SkipZip", "Zip/Postal Code", "ZIP", &AddPreferences::SkipZip},
        {"SkipCountry", "Country", "COUNTRY", &AddPreferences::SkipCountry},
        {"SkipAddress2", "Address 2", "STREET2", &AddPreferences::SkipAddress2},
        {"SkipLastName", "Last Name", "LNAME", &AddPreferences::SkipLastName},
        {"SkipMiddleInitial", "Middle Initial", "MIDDLE", &AddPreferences::SkipMiddleInitial},
        {"SkipfirstName", "First Name", "FNAME", &AddPreferences::SkipfirstName},
        {"Skiptitle", "Title", "TITLE", &AddPreferences::Skiptitle},
        {"SkipPhone2", "Phone #2", "PHONE2", &AddPreferences::SkipPhone2},
        {"SkipFax", "Fax", "FAX", &AddPreferences::SkipFax},
        {"SkipCodes", "Codes", "CODES", &AddPreferences::SkipCodes},
        {"SkipPrefix", "Prefix", "PREFIX", &AddPreferences::SkipPrefix},
        {"SkipComments1", "Comments #1", "USER1", &AddPreferences::SkipComments1},
        {"SkipDate", "Date", "DATE", &AddPreferences::SkipDate},
        {"Skipcomments2", "Comments #2", "USER2", &AddPreferences::Skipcomments2},
    };
    return options;
}

namespace {

template <typename F>
void forEachOption(F&& f)
{
    for (const auto* list : {&GeneralOptions(), &CarryOptions(), &SkipOptions()})
        for (const auto& option : *list)
            f(option);
}

}  // namespace

AddPreferences LoadPreferences(const app::ProfileFile& ini)
{
    AddPreferences p;
    forEachOption([&](const BoolOption& o) { p.*o.member = ini.readBool(kSection, o.key, false); });
    p.DefaultCountry = ini.readString(kSection, kDefaultCountryKey, "");
    return p;
}

AddPreferences LoadPreferences() { return LoadPreferences(app::Settings()); }

void SavePreferences(app::ProfileFile& ini, const AddPreferences& p)
{
    forEachOption([&](const BoolOption& o) { ini.writeBool(kSection, o.key, p.*o.member); });
    ini.writeString(kSection, kDefaultCountryKey, p.DefaultCountry);
}

LoadedPreferences LoadPreferencesAndTagId()
{
    LoadedPreferences loaded;
    loaded.adding = LoadPreferences();
    loaded.tagId = app::GlobalTagId();
    return loaded;
}

bool SkipsField(const AddPreferences& prefs, std::string_view field)
{
    const auto& skips = SkipOptions();
    auto it = std::find_if(skips.begin(), skips.end(), [&](const BoolOption& o) { return field == o.field; });
    return it != skips.end() && prefs.*(it->member);
}

std::string AddFocusField(const AddPreferences& prefs, bool lastNameEmpty, bool firstNameEmpty)
{
    if (!prefs.SkipLastName && lastNameEmpty)
        return "LNAME";
    if (!prefs.SkipfirstName && firstNameEmpty)
        return "FNAME";
    for (const char* field : {"MIDDLE", "PREFIX", "TITLE", "ORG"})
        if (!SkipsField(prefs, field))
            return field;
    return "STREET";
}

}  // namespace addrova::prefs
