#pragma once

#include "Table.h"

#include <functional>
#include <string>

namespace addrova::store {

// The program's own tables in the sysdata directory.
enum class SystemTable { Letter, Report, Envelope, Label, LabelStock, StateRanges };

// The table's stem ("LETTER", "LBLTPL", ...).
std::string systemTableStem(SystemTable which);
// The fields a created table gets (empty for the two supplied tables, which are never created).
std::vector<FieldSpec> systemTableSchema(SystemTable which);

// Opens a system table from sysdataDir (with a trailing '/'), creating the four tables that may be
// created when they cannot be opened, and the tag when the index file is missing (or unusable).
// Returns "" on success, else the message for the user.
std::string openSystemTable(SystemTable which, Table& table, const std::string& sysdataDir);

// Rebuilds the indexes of all six tables: deletes each index file, packs the table and creates its
// tag. `status` receives the text for each table as it starts, `progress` the engine's percentages.
// Errors in one table are skipped; the result lists them (empty when all went well).
std::vector<std::string> rebuildSystemIndexes(const std::string& sysdataDir,
                                              const std::function<void(const std::string&)>& status = {},
                                              const ProgressFn& progress = {});

}  // namespace addrova::store
