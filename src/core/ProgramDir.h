#pragma once

#include "AddressFile.h"
#include "Settings.h"

#include <string>

namespace addrova::app {

// The folder that holds ADDROV.ini, DATA/, sysdata/ and the scratch files: $ADDROVA_HOME when set,
// else ~/.local/share/addrova. Always with a trailing '/'.
std::string ProgramDir();
std::string SettingsPath();
std::string DataDir();     // ProgramDir() + "DATA/"
std::string SysdataDir();  // ProgramDir() + "sysdata/"
inline ProfileFile Settings() { return ProfileFile(SettingsPath()); }

// Creates the program directory and its DATA and sysdata folders when missing, and copies the files
// installed with the program (catalogue, state table, ready layouts, help pages) into sysdata where
// sysdata lacks them, never over a user's copy. Returns the folder the files came from ("" if none).
std::string PrepareProgramDir();
// The folder of files installed with the program (holding sysdata/), or "" when none is found.
std::string ResourceDir();

// The short date format: INTL/sShortDate of the settings, else the locale's.
std::string ShortDateFormat();
// A strftime date format as a Windows short date pattern ("%m/%d/%y" -> "MM/dd/yy").
std::string PatternFromStrftime(const std::string& format);

// Widths for a new address file, from NewFileFieldLengths, checked.
store::FieldWidths NewFileWidths();
void SaveNewFileWidths(const store::FieldWidths& widths);

// Misc/GlobalTagId; a new one is made and saved when there is none.
std::string GlobalTagId();
// Clearing all tags: a new id for now, saved.
std::string NewGlobalTagId();

// The first start: DATA/ADD0001.DBF, created with the settings' widths when it does not exist.
// Returns its path; throws std::runtime_error with the creation message when it cannot be made.
std::string FirstAddressFile();

}  // namespace addrova::app
