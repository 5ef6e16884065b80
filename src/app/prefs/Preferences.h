#pragma once

#include "Settings.h"

#include <string>
#include <string_view>
#include <vector>

class QWidget;

namespace addrova::prefs {

// How new records are begun: section Adding of the settings file. Every flag defaults to false,
// the country to empty. Member names are the key names.
struct AddPreferences {
    bool PlugDate = false;       // today's date into DATE
    bool PlugCityState = false;  // ask for the ZIP, look up city and state
    bool AutoDupCheck = false;   // ask for first and last name, report possible duplicates
    std::string DefaultCountry;  // UTF-8; into COUNTRY when no country is carried

    // Carried from the record that was current when adding began.
    bool CarryOrg = false;
    bool CarrySA1 = false;  // STREET
    bool CarrySA2 = false;  // STREET2
    bool CarryCity = false;
    bool CarryState = false;
    bool CarryZip = false;
    bool CarryCountry = false;

    // Field edits out of the Tab order while a new record is typed.
    bool SkipOrganization = false;
    bool SkipPhone1 = false;
    bool SkipEmail = false;
    bool SkipState = false;
    bool SkipZip = false;
    bool SkipCountry = false;
    bool SkipAddress2 = false;
    bool SkipLastName = false;
    bool SkipMiddleInitial = false;
    bool SkipfirstName = false;
    bool Skiptitle = false;
    bool SkipPhone2 = false;
    bool SkipFax = false;
    bool SkipCodes = false;
    bool SkipPrefix = false;
    bool SkipComments1 = false;
    bool SkipDate = false;
    bool Skipcomments2 = false;

    bool operator==(const AddPreferences&) const = default;
};

// One Boolean option: its key in section Adding, the caption of its check box, and the address
// field it concerns ("" for PlugDate, PlugCityState and AutoDupCheck; "DATE" for SkipDate).
struct BoolOption {
    const char* key;
    const char* caption;
    const char* field;
    bool AddPreferences::*member;
};

inline constexpr const char* kSection = "Adding";
inline constexpr const char* kDefaultCountryKey = "DefaultCountry";

// The options in the order the window shows them.
const std::vector<BoolOption>& GeneralOptions();  // PlugDate, PlugCityState, AutoDupCheck
const std::vector<BoolOption>& CarryOptions();    // CarryOrg .. CarryCountry
const std::vector<BoolOption>& SkipOptions();     // SkipOrganization .. Skipcomments2

// Reads section Adding; missing keys give their defaults. A file that cannot be read gives all defaults.
AddPreferences LoadPreferences(const app::ProfileFile& ini);
AddPreferences LoadPreferences();  // from app::Settings()
// Writes every key (Booleans as 1 or 0, the country as typed). Throws std::runtime_error naming
// the file when it cannot be written.
void SavePreferences(app::ProfileFile& ini, const AddPreferences& prefs);

// What the main window reads at start and after the Preferences window: the add preferences and
// the tag id of section Misc (a new one is made and saved when none is stored).
struct LoadedPreferences {
    AddPreferences adding;
    std::string tagId;
};
LoadedPreferences LoadPreferencesAndTagId();  // from app::Settings()

// True when the edit of the given address field ("LNAME", "FNAME", "MIDDLE", "ORG", "PHONE", "EMAIL",
// "STATE", "ZIP", "COUNTRY", "STREET2", "TITLE", "PHONE2", "FAX", "CODES", "PREFIX", "USER1", "DATE",
// "USER2") is out of the Tab order while adding. STREET and CITY are never skipped.
bool SkipsField(const AddPreferences& prefs, std::string_view field);

// The field whose edit takes the focus after a new record is begun and filled: LNAME when it is not
// skipped and empty; else FNAME when not skipped and empty; else the first of MIDDLE, PREFIX, TITLE
// and ORG that is not skipped; else STREET.
std::string AddFocusField(const AddPreferences& prefs, bool lastNameEmpty, bool firstNameEmpty);

// The "Preferences" window, modal. Reads every key into its control; "Ok" writes every key to
// the given settings file and returns true; "Cancel" writes nothing and returns false. The
// caller reads the section again afterwards, whichever button was used.
bool EditPreferences(QWidget* parent, app::ProfileFile ini);
bool EditPreferences(QWidget* parent);  // on app::Settings()

}  // namespace addrova::prefs
