#include "Exchange.h"

#include "AddressFile.h"
#include "CodePage.h"
#include "File.h"

#include <cstdlib>

namespace addrova::exchange {

using namespace addrova::store;

std::string LoopSummary::line() const
{
    std::string s = "read " + std::to_string(read) + ", written " + std::to_string(written) + ", cut " +
                    std::to_string(cut) + ", unrepresentable " + std::to_string(unrepresentable);
    switch (end) {
    case LoopEnd::Complete: break;
    case LoopEnd::Cancelled: s += " (cancelled)"; break;
    case LoopEnd::ReadFailure: s += " (stopped: read failure)"; break;
    case LoopEnd::WriteFailure: s += " (stopped: write failure)"; break;
    case LoopEnd::Error: s += " (stopped: error)"; break;
    }
    return s;
}

std::string FieldLabel(std::string_view fieldName)
{
    std::string l = displayLabel(fieldName);
    return l.empty() ? std::string(fieldName) : l;
}

std::vector<DestField> DestinationFields(const Table& table, bool characterOnly)
{
    std::vector<DestField> out;
    const auto& fs = table.fields();
    for (size_t i = 0; i < fs.size(); ++i) {
        const Field& f = fs[i];
        if (f.type == '0' || sameName(f.name, "ISDEL") || sameName(f.name, "TAG"))
            continue;
        if (characterOnly && f.type != 'C')
            continue;
        out.push_back({static_cast<int>(i), f.name, FieldLabel(f.name), f.type, f.width});
    }
    return out;
}

void MatchRows::choose(size_t row, const std::string& name)
{
    if (!name.empty())
        for (auto& n : names_)
            if (n == name)
                n.clear();
    names_[row] = name;
}

void MatchRows::clearAll()
{
    for (auto& n : names_)
        n.clear();
}

int MatchRows::rowOf(const std::string& name) const
{
    for (size_t i = 0; i < names_.size(); ++i)
        if (!name.empty() && names_[i] == name)
            return static_cast<int>(i);
    return -1;
}

bool MatchRows::any() const
{
    for (const auto& n : names_)
        if (!n.empty())
            return true;
    return false;
}

std::string MemoForStorage(std::string_view text)
{
    std::vector<std::string_view> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.push_back(text.substr(start));
    size_t length = 0;
    for (auto l : lines)
        length += l.size();
    if (!lines.empty())
        length += 2 * (lines.size() - 1);
    std::string out;
    out.reserve(text.size() + 3);
    for (size_t i = 0; i < lines.size(); ++i) {
        out += lines[i];
        if (i + 1 == lines.size() && length > 0 && length % 4 == 0)
            out += ' ';
        out += "\r\n";
    }
    return out;
}

int RebuildGauge::event(int percent)
{
    if (percent > last_)
        sum_ += percent - last_;
    last_ = percent;
    const int g = (sum_ * 100 + 900) / 1800;
    return g > 100 ? 100 : g;
}

void DropIndex(Table& table)
{
    if (File::exists(table.indexPath()) || table.indexState() != IndexState::None)
        table.deleteIndex();
}

void RebuildAddressTags(Table& table, const LoopHooks& hooks)
{
    if (hooks.status)
        hooks.status("Rebuilding Indexes ");
    RebuildGauge g;
    table.deleteIndex();
    buildAddressTags(table, [&](int pct) {
        if (hooks.gauge)
            hooks.gauge(g.event(pct));
    });
    if (hooks.gauge)
        hooks.gauge(0);
}

std::string Upper(std::string_view s)
{
    std::string u(s);
    for (char& c : u)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
    return u;
}

bool SamePath(const std::string& a, const std::string& b) { return Upper(a) == Upper(b); }

bool IsAscii(std::string_view s)
{
    for (unsigned char c : s)
        if (c >= 0x80)
            return false;
    return true;
}

namespace {

// Windows-1252 0x80..0x9F; 0 where the page has no character.
constexpr char16_t kHigh1252[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

int to1252(char32_t cp)
{
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF))
        return static_cast<int>(cp);
    for (int i = 0; i < 32; ++i)
        if (kHigh1252[i] && kHigh1252[i] == cp)
            return 0x80 + i;
    return -1;
}

// The next code point of UTF-8 text; -1 (and one byte consumed) for a broken sequence.
long nextCodePoint(std::string_view s, size_t& i)
{
    const auto b = static_cast<unsigned char>(s[i]);
    int n = 0;
    long cp = 0;
    if (b < 0x80) {
        ++i;
        return b;
    } else if ((b & 0xE0) == 0xC0) {
        n = 1, cp = b & 0x1F;
    } else if ((b & 0xF0) == 0xE0) {
        n = 2, cp = b & 0x0F;
    } else if ((b & 0xF8) == 0xF0) {
        n = 3, cp = b & 0x07;
    } else {
        ++i;
        return -1;
    }
    for (int k = 1; k <= n; ++k) {
        if (i + k >= s.size() || (static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) {
            ++i;
            return -1;
        }
        cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    }
    static constexpr long kMin[4] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMin[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return -1;
    }
    i += n + 1;
    return cp;
}

}  // namespace

std::string Utf8ToCodePage(std::string_view utf8, int codePage, bool* lost)
{
    if (IsAscii(utf8))
        return std::string(utf8);
    if (codePage == 1252) {
        std::string out;
        out.reserve(utf8.size());
        for (size_t i = 0; i < utf8.size();) {
            const long cp = nextCodePoint(utf8, i);
            const int b = cp < 0 ? -1 : to1252(static_cast<char32_t>(cp));
            if (b < 0) {
                out += '?';
                if (lost)
                    *lost = true;
            } else {
                out += static_cast<char>(b);
            }
        }
        return out;
    }
    std::string out = fromUtf8(utf8, codePage);
    if (lost && toUtf8(out, codePage) != utf8)
        *lost = true;
    return out;
}

std::string CodePageToCodePage(std::string_view text, int from, int to, bool* lost)
{
    if (from == to || IsAscii(text))
        return std::string(text);
    return Utf8ToCodePage(toUtf8(text, from), to, lost);
}

bool SetFromText(Table& table, int field, std::string_view text)
{
    const Field& f = table.fields()[static_cast<size_t>(field)];
    switch (f.type) {
    case 'L':
        table.setLogical(field, !text.empty() && (text[0] == 'T' || text[0] == 't' || text[0] == 'Y' || text[0] == 'y'));
        return false;
    case 'N':
    case 'F': {
        std::string s(text);
        char* end = nullptr;
        const double v = std::strtod(s.c_str(), &end);
        if (end != s.c_str()) {
            try {
                table.setNumber(field, v);
            } catch (const Error&) {
                return true;
            }
        }
        return false;
    }
    case 'M':
        table.setMemo(field, text);
        return false;
    default:
        table.setString(field, text);
        return text.size() > f.width;
    }
}

}  // namespace addrova::exchange
