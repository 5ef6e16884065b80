#pragma once

#include "Exchange.h"

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace addrova::exchange {

constexpr size_t kMaxLineLength = 2048;  // the rest of a longer line is dropped
constexpr size_t kMaxValueLength = 255;
constexpr size_t kMaxColumns = 255;
constexpr int kSampleLines = 10;

// ---------------------------------------------------------------------------------------------
// The comma-delimited line of the classic format.

// Splits a line at its commas; commas inside double quotes are kept as character 127.
std::vector<std::string> SplitMarked(std::string_view line);
// Character 127 back to a comma; a value that begins and ends with a double quote loses both.
std::string CleanValue(std::string_view marked);
// Both steps: the line's values as the import takes them.
std::vector<std::string> ParseAsciiLine(std::string_view line);

// ---------------------------------------------------------------------------------------------
// Reading a text file

enum class Encoding { Auto, Utf8, Cp1252 };
const char* EncodingName(Encoding e);

// A buffered reader of a file's bytes, by lines or by RFC 4180 records.
class TextReader {
public:
    explicit TextReader(const std::string& path);
    ~TextReader();
    TextReader(const TextReader&) = delete;
    TextReader& operator=(const TextReader&) = delete;

    bool isOpen() const { return file_ != nullptr; }
    bool failed() const { return failed_; }
    void skipBom();
    // The next line without its end (CR LF, LF or CR), cut to maxLength; false at the end of the file.
    bool readLine(std::string& line, size_t maxLength = kMaxLineLength);
    // The next RFC 4180 record: quoted values may hold commas, line breaks and doubled quotes.
    // Values are cut to maxValue, records to maxColumns values. False at the end of the file.
    bool readRecord(std::vector<std::string>& values, size_t maxValue = kMaxValueLength,
                    size_t maxColumns = kMaxColumns);
    uint32_t line() const { return line_; }  // lines read so far

private:
    int get();
    int peek();
    bool fill();
    void endOfLine(int c);

    std::FILE* file_ = nullptr;
    std::vector<char> buf_;
    size_t pos_ = 0, len_ = 0;
    bool failed_ = false;
    uint32_t line_ = 0;
};

// What a pass over the whole file found.
struct TextProbe {
    bool readable = false;
    uint64_t bytes = 0;
    uint32_t lines = 0;
    bool bom = false;
    bool nonAscii = false;
    bool validUtf8 = true;
    uint32_t badUtf8Line = 0;  // 1-based, 0 when valid
    uint32_t nulLine = 0;      // the first line with a NUL byte, 0 when none
};
TextProbe ProbeTextFile(const std::string& path);

// The encoding to read with: a byte-order mark or valid UTF-8 with non-ASCII bytes means UTF-8 when
// asked for Auto. Sets problem when the file cannot be read as text in that encoding.
Encoding ResolveEncoding(Encoding asked, const TextProbe& probe, std::string& problem);

// Converts values read from the file into a table's code page (or UTF-8 for showing them).
class ValueDecoder {
public:
    ValueDecoder(Encoding source, int codePage) : source_(source), codePage_(codePage) {}
    std::string toTable(std::string_view value, bool* lost) const;
    std::string toUtf8(std::string_view value) const;

private:
    Encoding source_;
    int codePage_;
};

// ---------------------------------------------------------------------------------------------
// Scan and import

struct AsciiOptions {
    Encoding encoding = Encoding::Auto;
    // RFC 4180: doubled quotes inside quoted values, line breaks inside them, and a title line
    // first (not imported).
    bool rfc4180 = false;
};

struct AsciiColumn {
    std::string name;        // "Field 1"
    size_t longest = 0;      // greatest value length in the sample
    std::string matched;     // display label of the field it feeds, or ""
};

struct AsciiScan {
    bool ok = false;
    std::string problem;  // the message for the user when !ok
    Encoding encoding = Encoding::Cp1252;
    std::vector<AsciiColumn> columns;  // n = the values on the first line
    std::vector<std::vector<std::string>> sample;  // the first lines, cleaned, as UTF-8
    std::vector<std::string> titles;  // RFC 4180: the title line's values (UTF-8)
};

AsciiScan ScanAsciiFile(const std::string& path, const AsciiOptions& options);

struct AsciiImportSpec {
    std::string path;
    AsciiOptions options;
    int columns = 0;                 // n
    std::vector<int> fieldOfColumn;  // per column, the destination field index, or -1
};

// Appends one record per line of the file (the index file is deleted first; the caller rebuilds the
// tags afterwards when started is true). A file that cannot be read as text is refused before
// anything is written (started false, detail the message).
struct AsciiImportResult {
    bool started = false;
    LoopSummary summary;
};
AsciiImportResult ImportAscii(store::Table& dest, const AsciiImportSpec& spec, const LoopHooks& hooks);

// The message after an ASCII import.
std::string AsciiImportMessage(const LoopSummary& s);

// The column a --map key names: "3" (1-based) or "Field 3", or (RFC 4180) a title; -1 when none.
int ColumnByKey(const AsciiScan& scan, std::string_view key);

}  // namespace addrova::exchange
