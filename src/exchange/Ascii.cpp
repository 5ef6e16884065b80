#include "Ascii.h"

#include "CodePage.h"
#include "Error.h"
#include "File.h"

#include <algorithm>

namespace addrova::exchange {

using namespace addrova::store;

std::vector<std::string> SplitMarked(std::string_view line)
{
    std::string s(line);
    const size_t first = s.find('"');
    if (first != std::string::npos) {
        bool inside = false;
        char prev = 0;
        bool havePrev = false;
        for (size_t i = first; i < s.size(); ++i) {
            const char c = s[i];
            if (c == '"') {
                if (!havePrev || prev != '"')
                    inside = !inside;
                else if (inside && (i + 1 == s.size() || s[i + 1] == ','))
                    inside = !inside;
            } else if (c == ',' && inside) {
                s[i] = '\x7F';
            }
            prev = c;
            havePrev = true;
        }
    }
    std::vector<std::string> values;
    size_t start = 0;
    for (;;) {
        const size_t comma = s.find(',', start);
        if (comma == std::string::npos) {
            values.push_back(s.substr(start));
            return values;
        }
        values.push_back(s.substr(start, comma - start));
        start = comma + 1;
    }
}

std::string CleanValue(std::string_view marked)
{
    std::string v(marked);
    std::replace(v.begin(), v.end(), '\x7F', ',');
    if (!v.empty() && v.front() == '"' && v.back() == '"')
        v = v.size() == 1 ? std::string() : v.substr(1, v.size() - 2);
    return v;
}

std::vector<std::string> ParseAsciiLine(std::string_view line)
{
    std::vector<std::string> values = SplitMarked(line);
    for (auto& v : values)
        v = CleanValue(v);
    return values;
}

const char* EncodingName(Encoding e)
{
    switch (e) {
    case Encoding::Auto: return "auto";
    case Encoding::Utf8: return "UTF-8";
    case Encoding::Cp1252: return "Windows-1252";
    }
    return "";
}

// ---------------------------------------------------------------------------------------------

TextReader::TextReader(const std::string& path) : file_(std::fopen(path.c_str(), "rb")), buf_(1 << 16) {}

TextReader::~TextReader()
{
    if (file_)
        std::fclose(file_);
}

bool TextReader::fill()
{
    if (!file_)
        return false;
    len_ = std::fread(buf_.data(), 1, buf_.size(), file_);
    pos_ = 0;
    if (len_ == 0 && std::ferror(file_))
        failed_ = true;
    return len_ > 0;
}

int TextReader::get()
{
    if (pos_ >= len_ && !fill())
        return EOF;
    return static_cast<unsigned char>(buf_[pos_++]);
}

int TextReader::peek()
{
    if (pos_ >= len_ && !fill())
        return EOF;
    return static_cast<unsigned char>(buf_[pos_]);
}

void TextReader::endOfLine(int c)
{
    if (c == '\r' && peek() == '\n')
        get();
    ++line_;
}

void TextReader::skipBom()
{
    if (peek() != 0xEF)
        return;
    // Only at the very start: the buffer holds the file's first bytes.
    if (len_ >= 3 && pos_ == 0 && buf_[1] == '\xBB' && buf_[2] == '\xBF')
        pos_ = 3;
}

bool TextReader::readLine(std::string& line, size_t maxLength)
{
    line.clear();
    int c = get();
    if (c == EOF)
        return false;
    for (; c != EOF; c = get()) {
        if (c == '\r' || c == '\n') {
            endOfLine(c);
            return true;
        }
        if (line.size() < maxLength)
            line += static_cast<char>(c);
    }
    ++line_;
    return true;
}

bool TextReader::readRecord(std::vector<std::string>& values, size_t maxValue, size_t maxColumns)
{
    values.clear();
    if (peek() == EOF)
        return false;
    std::string v;
    auto add = [&](int ch) {
        if (v.size() < maxValue)
            v += static_cast<char>(ch);
    };
    for (;;) {
        v.clear();
        int c;
        if (peek() == '"') {
            get();
            for (;;) {
                c = get();
                if (c == EOF)
                    break;
                if (c == '"') {
                    if (peek() != '"')
                        break;
                    get();
                }
                if (c == '\n' || (c == '\r' && peek() != '\n'))
                    ++line_;
                add(c);
            }
        }
        // Unquoted text, or what follows a closing quote, up to the separator.
        for (c = peek(); c != EOF && c != ',' && c != '\r' && c != '\n'; c = peek())
            add(get());
        if (values.size() < maxColumns)
            values.push_back(v);
        c = get();
        if (c == ',')
            continue;
        if (c == EOF)
            ++line_;
        else
            endOfLine(c);
        return true;
    }
}

TextProbe ProbeTextFile(const std::string& path)
{
    TextProbe p;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return p;
    std::vector<unsigned char> buf(1 << 16);
    int need = 0;
    unsigned char lo = 0x80, hi = 0xBF;
    bool prevCr = false, lineOpen = false, start = true;
    uint32_t line = 1;
    size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), f)) > 0) {
        size_t i = 0;
        if (start) {
            start = false;
            if (n >= 3 && buf[0] == 0xEF && buf[1] == 0xBB && buf[2] == 0xBF) {
                p.bom = true;
                i = 3;
            }
        }
        p.bytes += n;
        for (; i < n; ++i) {
            const unsigned char b = buf[i];
            if (b == '\n') {
                if (!prevCr)
                    ++p.lines, ++line;
                prevCr = false;
                lineOpen = false;
            } else if (b == '\r') {
                ++p.lines, ++line;
                prevCr = true;
                lineOpen = false;
            } else {
                prevCr = false;
                lineOpen = true;
                if (b == 0 && !p.nulLine)
                    p.nulLine = line;
            }
            if (b >= 0x80)
                p.nonAscii = true;
            if (!p.validUtf8)
                continue;
            bool bad = false;
            if (need == 0) {
                if (b < 0x80) {
                } else if (b >= 0xC2 && b <= 0xDF) {
                    need = 1, lo = 0x80, hi = 0xBF;
                } else if (b >= 0xE0 && b <= 0xEF) {
                    need = 2, lo = b == 0xE0 ? 0xA0 : 0x80, hi = b == 0xED ? 0x9F : 0xBF;
                } else if (b >= 0xF0 && b <= 0xF4) {
                    need = 3, lo = b == 0xF0 ? 0x90 : 0x80, hi = b == 0xF4 ? 0x8F : 0xBF;
                } else {
                    bad = true;
                }
            } else if (b >= lo && b <= hi) {
                --need;
                lo = 0x80, hi = 0xBF;
            } else {
                bad = true;
            }
            if (bad) {
                p.validUtf8 = false;
                p.badUtf8Line = line;
            }
        }
    }
    p.readable = !std::ferror(f);
    std::fclose(f);
    if (need != 0 && p.validUtf8) {
        p.validUtf8 = false;
        p.badUtf8Line = line;
    }
    if (lineOpen)
        ++p.lines;
    return p;
}

Encoding ResolveEncoding(Encoding asked, const TextProbe& probe, std::string& problem)
{
    problem.clear();
    if (!probe.readable) {
        problem = "The file cannot be read.";
        return Encoding::Cp1252;
    }
    if (probe.nulLine) {
        problem = "Line " + std::to_string(probe.nulLine) + " holds a NUL byte: this is not a text file.";
        return Encoding::Cp1252;
    }
    Encoding e = asked;
    if (e == Encoding::Auto)
        e = probe.bom || (probe.nonAscii && probe.validUtf8) ? Encoding::Utf8 : Encoding::Cp1252;
    if (e == Encoding::Utf8 && !probe.validUtf8)
        problem = "Line " + std::to_string(probe.badUtf8Line) + " is not valid UTF-8.";
    return e;
}

std::string ValueDecoder::toTable(std::string_view value, bool* lost) const
{
    if (source_ == Encoding::Utf8)
        return Utf8ToCodePage(value, codePage_, lost);
    return CodePageToCodePage(value, 1252, codePage_, lost);
}

std::string ValueDecoder::toUtf8(std::string_view value) const
{
    if (source_ == Encoding::Utf8 || IsAscii(value))
        return std::string(value);
    return store::toUtf8(value, 1252);
}

// ---------------------------------------------------------------------------------------------

namespace {

const std::string kUnable = "Unable to import from this file";

// Reads the next line or record into marked values (RFC 4180 values need no marks).
bool nextValues(TextReader& r, bool rfc, std::string& line, std::vector<std::string>& values)
{
    if (rfc)
        return r.readRecord(values);
    if (!r.readLine(line))
        return false;
    values = SplitMarked(line);
    return true;
}

}  // namespace

AsciiScan ScanAsciiFile(const std::string& path, const AsciiOptions& options)
{
    AsciiScan scan;
    const TextProbe probe = ProbeTextFile(path);
    std::string why;
    scan.encoding = ResolveEncoding(options.encoding, probe, why);
    if (!why.empty()) {
        scan.problem = kUnable + "\n\n" + why;
        return scan;
    }
    TextReader r(path);
    if (!r.isOpen()) {
        scan.problem = kUnable;
        return scan;
    }
    if (scan.encoding == Encoding::Utf8)
        r.skipBom();
    const ValueDecoder dec(scan.encoding, 65001);
    std::string line;
    std::vector<std::string> values;
    int read = 0;
    while (read < kSampleLines && nextValues(r, options.rfc4180, line, values)) {
        if (values.size() > kMaxColumns)
            values.resize(kMaxColumns);
        if (read == 0)
            for (size_t i = 0; i < values.size(); ++i)
                scan.columns.push_back({"Field " + std::to_string(i + 1), 0, {}});
        std::vector<std::string> row;
        for (size_t i = 0; i < values.size(); ++i) {
            std::string v = options.rfc4180 ? values[i] : CleanValue(values[i]);
            if (v.size() > kMaxValueLength)
                v.resize(kMaxValueLength);
            if (i < scan.columns.size())
                scan.columns[i].longest = std::max(scan.columns[i].longest, values[i].size());
            row.push_back(dec.toUtf8(v));
        }
        if (read == 0 && options.rfc4180)
            scan.titles = row;
        scan.sample.push_back(std::move(row));
        ++read;
    }
    if (r.failed() || read < 2) {
        scan.problem = kUnable;
        scan.columns.clear();
        return scan;
    }
    scan.ok = true;
    return scan;
}

AsciiImportResult ImportAscii(Table& dest, const AsciiImportSpec& spec, const LoopHooks& hooks)
{
    AsciiImportResult result;
    LoopSummary& s = result.summary;
    if (hooks.status)
        hooks.status("Counting total lines");
    const TextProbe probe = ProbeTextFile(spec.path);
    std::string why;
    const Encoding enc = ResolveEncoding(spec.options.encoding, probe, why);
    TextReader r(spec.path);
    if (why.empty() && !r.isOpen())
        why = "The file cannot be read.";
    if (!why.empty()) {
        s.end = LoopEnd::ReadFailure;
        s.detail = kUnable + "\n\n" + why;
        return result;
    }
    if (enc == Encoding::Utf8)
        r.skipBom();
    const uint32_t total = std::max<uint32_t>(probe.lines, 1);
    const int n = spec.columns;
    const ValueDecoder dec(enc, dest.codePage());

    result.started = true;
    DropIndex(dest);
    if (hooks.status)
        hooks.status("Importing records");
    dest.beginBatch();
    std::string line;
    std::vector<std::string> values;
    bool title = spec.options.rfc4180;
    try {
        for (;;) {
            bool more;
            try {
                more = nextValues(r, spec.options.rfc4180, line, values);
            } catch (const std::exception& e) {
                s.end = LoopEnd::ReadFailure;
                s.detail = e.what();
                break;
            }
            if (r.failed()) {
                s.end = LoopEnd::ReadFailure;
                break;
            }
            if (!more)
                break;
            ++s.read;
            if (title) {
                title = false;
                continue;
            }
            if (static_cast<int>(values.size()) < n)
                values.resize(static_cast<size_t>(n));
            try {
                dest.appendBlank();
                for (int c = 0; c < n; ++c) {
                    const int fi = c < static_cast<int>(spec.fieldOfColumn.size()) ? spec.fieldOfColumn[size_t(c)] : -1;
                    if (fi < 0)
                        continue;
                    std::string v = spec.options.rfc4180 ? std::move(values[size_t(c)]) : CleanValue(values[size_t(c)]);
                    if (v.empty())
                        continue;
                    if (v.size() > kMaxValueLength)
                        v.resize(kMaxValueLength);
                    bool lost = false;
                    std::string t = dec.toTable(v, &lost);
                    if (lost) {
                        ++s.unrepresentable;
                        if (s.notes.size() < 10)
                            s.notes.push_back("line " + std::to_string(r.line()) + ", Field " + std::to_string(c + 1) +
                                              ": " + dec.toUtf8(v));
                    }
                    if (SetFromText(dest, fi, t))
                        ++s.cut;
                }
                dest.post();
            } catch (const std::exception& e) {
                s.end = LoopEnd::WriteFailure;
                s.detail = e.what();
                try {
                    dest.cancel();
                } catch (const std::exception&) {
                }
                break;
            }
            ++s.written;
            if (hooks.gauge)
                hooks.gauge(static_cast<int>(std::min<uint64_t>(100, uint64_t(s.read) * 100 / total)));
            if (hooks.stopRequested && hooks.stopRequested()) {
                s.end = LoopEnd::Cancelled;
                break;
            }
        }
        dest.endBatch();
    } catch (const std::exception& e) {
        s.end = LoopEnd::WriteFailure;
        s.detail = e.what();
    }
    if (hooks.status)
        hooks.status("");
    return result;
}

std::string AsciiImportMessage(const LoopSummary& s)
{
    const std::string n = std::to_string(s.written);
    switch (s.end) {
    case LoopEnd::ReadFailure: return "Unknown error reading ASCII file after importing " + n + " records.";
    case LoopEnd::WriteFailure:
    case LoopEnd::Error: return "Unknown error writing to data file after importing " + n + " records.";
    case LoopEnd::Cancelled: return "Import cancelled after importing " + n + " records.";
    case LoopEnd::Complete: break;
    }
    return "Import complete. Imported " + n + " records.";
}

int ColumnByKey(const AsciiScan& scan, std::string_view key)
{
    const int n = static_cast<int>(scan.columns.size());
    std::string k(key);
    if (Upper(k).rfind("FIELD ", 0) == 0)
        k = k.substr(6);
    if (!k.empty() && std::all_of(k.begin(), k.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        const long v = k.size() > 4 ? 0 : std::stol(k);
        return v >= 1 && v <= n ? static_cast<int>(v - 1) : -1;
    }
    for (size_t i = 0; i < scan.titles.size() && static_cast<int>(i) < n; ++i)
        if (Upper(scan.titles[i]) == Upper(key))
            return static_cast<int>(i);
    return -1;
}

}  // namespace addrova::exchange
