#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace addrova::exchange {

// A fault in CSV input; the message names the line.
class CsvError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// RFC 4180: fields separated by commas, records by LF or CRLF; a quoted field may hold commas,
// line breaks and doubled quotes. A leading UTF-8 byte-order mark is skipped.
class CsvReader {
public:
    explicit CsvReader(std::string text);

    // The next record, skipping empty lines; false at the end. firstLine is where the record starts.
    bool next(std::vector<std::string>& fields, int& firstLine);

private:
    bool atLineEnd() const;

    std::string text_;
    size_t pos_ = 0;
    int line_ = 1;
};

// The whole of a file; throws CsvError naming the file when it cannot be read.
std::string ReadTextFile(const std::string& path);

}  // namespace addrova::exchange
