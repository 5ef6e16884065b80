#pragma once

#include "Exchange.h"

#include <string>
#include <vector>

namespace addrova::exchange {

enum class TypeClass { Character, Logical, Numeric, Date, Memo, Other };
TypeClass ClassOf(const store::Field& field);

// Opens another program's table read-only for an import. Returns "" or the message for the user:
// "Unable to open the file " + path (also for a damaged or truncated file, with the cause),
// "There are no records in " + path.
std::string OpenSource(store::Table& source, const std::string& path);
// Reads every record (and the memos of the fields in use) once, so that a damaged file is refused
// before anything is written. Returns "" or the message.
std::string CheckSourceReadable(store::Table& source, const std::string& path, const std::vector<int>& fieldsInUse);

// The proposal: per source field, the destination field it feeds, or -1. A memo source feeds the
// field named MEMO; any other source of a known class the first destination field whose display
// label or name equals its name; each destination field at most once.
std::vector<int> ProposeMatch(const store::Table& source, const store::Table& dest);

// The source fields offered for a destination row: memo sources for a memo field, date sources for
// a date field, every source that is not a memo otherwise.
std::vector<int> AllowedSources(const store::Table& source, const DestField& row);

// Appends every source record; per mapped field the value as text (cut to the width), dates as
// yyyymmdd into the address file's DATE and in the short date format into other fields, memos under
// the storage rule. The index file is deleted first; the caller rebuilds the tags afterwards.
LoopSummary ImportDbf(store::Table& dest, store::Table& source, const std::vector<int>& mapping,
                      const std::string& shortDateFormat, const LoopHooks& hooks);
// The message after a DBF or older-version import ("Unknown error while importing." comes first
// after an error).
std::string DbfImportMessage(const LoopSummary& s);

// ---------------------------------------------------------------------------------------------
// Files of the program's earlier generations

enum class Generation { First = 1, Second = 2 };
std::string OlderCaption(Generation g);  // "Import Addrova 1.x DBF"
// The field names that identify a generation.
const std::vector<std::string>& OlderFields(Generation g);
// "" or the refusal: "Cannot import a file to itself", the open and empty-file messages, or
// path + " does not appear to be a Addrova 2.x DBF".
std::string OpenOlderSource(store::Table& source, const std::string& path, const std::string& openPath, Generation g);
// Copies field to field (first generation: NOTES into CODES, the date normalised; second: the
// later fields as well); the memo under the storage rule; TAG never.
LoopSummary ImportOlder(store::Table& dest, store::Table& source, Generation g, const std::string& shortDateFormat,
                        const LoopHooks& hooks);

}  // namespace addrova::exchange
