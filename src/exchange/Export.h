#pragma once

#include "Exchange.h"

#include <array>
#include <string>

namespace addrova::exchange {

enum class ExportKind { Dbf, Text };

// The 20 values of a text line, in order.
const std::array<const char*, 20>& TextExportFields();

// "" or the refusal of a chosen target: "Must have a .DBF extension", "Cannot copy a file to itself!".
std::string CheckExportTarget(const std::string& path, ExportKind kind, const std::string& openPath);
// The overwrite question for an existing target.
std::string OverwriteQuestion(const std::string& path);

struct TextExportOptions {
    // RFC 4180: UTF-8 with a byte-order mark, a title line of field names, inner quotes doubled.
    bool rfc4180 = false;
};

// The current record as one line of the text format (without its line end), in the table's code page
// (UTF-8 for RFC 4180).
std::string TextExportLine(const store::Table& table, const TextExportOptions& options);

// Copies the selected records of the open address file, in the current order, into a new table with
// its structure (memos under the storage rule; ISDEL and TAG empty; no index file; a stale index of
// the target's name is deleted first).
LoopSummary CopyDBF(store::Table& table, const std::string& target, const LoopHooks& hooks);
// Copies them into a text file.
LoopSummary CopyASCII(store::Table& table, const std::string& target, const TextExportOptions& options,
                      const LoopHooks& hooks);

}  // namespace addrova::exchange
