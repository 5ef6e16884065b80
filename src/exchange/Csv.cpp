#include "Csv.h"

#include <fstream>
#include <sstream>

namespace addrova::exchange {

namespace {
std::string at(int line) { return "line " + std::to_string(line); }
}  // namespace

CsvReader::CsvReader(std::string text) : text_(std::move(text))
{
    if (text_.compare(0, 3, "\xEF\xBB\xBF") == 0)
        pos_ = 3;
}

bool CsvReader::atLineEnd() const
{
    return pos_ < text_.size() && (text_[pos_] == '\n' || text_.compare(pos_, 2, "\r\n") == 0);
}

bool CsvReader::next(std::vector<std::string>& fields, int& firstLine)
{
    fields.clear();
    while (atLineEnd()) {
        pos_ += text_[pos_] == '\n' ? 1 : 2;
        ++line_;
    }
    if (pos_ >= text_.size())
        return false;
    firstLine = line_;
    std::string field;
    for (;;) {
        if (pos_ < text_.size() && text_[pos_] == '"') {
            ++pos_;
            for (;;) {
                if (pos_ >= text_.size())
                    throw CsvError(at(firstLine) + ": a quoted field is not closed");
                const char c = text_[pos_++];
                if (c == '"') {
                    if (pos_ < text_.size() && text_[pos_] == '"') {
                        field += '"';
                        ++pos_;
                        continue;
                    }
                    break;
                }
                if (c == '\n')
                    ++line_;
                field += c;
            }
            if (pos_ < text_.size() && text_[pos_] != ',' && !atLineEnd())
                throw CsvError(at(line_) + ": text after the closing quote of a field");
        } else {
            while (pos_ < text_.size() && text_[pos_] != ',' && !atLineEnd()) {
                if (text_[pos_] == '"')
                    throw CsvError(at(line_) + ": a quote inside an unquoted field");
                field += text_[pos_++];
            }
        }
        fields.push_back(std::move(field));
        field.clear();
        if (pos_ < text_.size() && text_[pos_] == ',') {
            ++pos_;
            continue;
        }
        if (pos_ < text_.size()) {
            pos_ += text_[pos_] == '\n' ? 1 : 2;
            ++line_;
        }
        return true;
    }
}

std::string ReadTextFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw CsvError("cannot read " + path);
    std::ostringstream s;
    s << in.rdbuf();
    if (in.bad())
        throw CsvError("cannot read " + path);
    return s.str();
}

}  // namespace addrova::exchange
