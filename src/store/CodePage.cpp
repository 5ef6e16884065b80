#include "CodePage.h"

#include <cerrno>
#include <iconv.h>
#include <mutex>
#include <unordered_map>

namespace addrova::store {

namespace {

struct Mark {
    uint8_t mark;
    int codePage;
};

// Visual FoxPro / dBASE code-page marks.
constexpr Mark kMarks[] = {
    {0x01, 437},  {0x02, 850},  {0x03, 1252}, {0x04, 10000}, {0x08, 865},  {0x0A, 850},  {0x0B, 437},
    {0x0D, 437},  {0x0E, 850},  {0x0F, 437},  {0x10, 850},  {0x11, 437},  {0x12, 850},   {0x13, 932},
    {0x14, 850},  {0x15, 437},  {0x16, 850},  {0x17, 865},  {0x18, 437},  {0x19, 437},   {0x1A, 850},
    {0x1B, 437},  {0x1C, 863},  {0x1D, 850},  {0x1F, 852},  {0x22, 852},  {0x23, 852},   {0x24, 860},
    {0x25, 850},  {0x26, 866},  {0x37, 850},  {0x40, 852},  {0x4D, 936},  {0x4E, 949},   {0x4F, 950},
    {0x50, 874},  {0x57, 1252}, {0x58, 1252}, {0x59, 1252}, {0x64, 852},  {0x65, 866},   {0x66, 865},
    {0x67, 861},  {0x68, 895},  {0x69, 620},  {0x6A, 737},  {0x6B, 857},  {0x6C, 863},   {0x78, 950},
    {0x79, 949},  {0x7A, 936},  {0x7B, 932},  {0x7C, 874},  {0x7D, 1255}, {0x7E, 1256},  {0x86, 737},
    {0x87, 852},  {0x88, 857},  {0x96, 10007}, {0x97, 10029}, {0x98, 10006}, {0xC8, 1250}, {0xC9, 1251},
    {0xCA, 1254}, {0xCB, 1253}, {0xCC, 1257},
};

// iconv's name for a code page; pages iconv lacks map to their closest relative.
std::string iconvName(int codePage) {
    switch (codePage) {
        case 620: return "CP437";   // Mazovia: Polish letters over the 437 layout
        case 895: return "CP437";   // Kamenicky
        case 10000: return "MACINTOSH";
        case 10006: return "MACGREEK";
        case 10007: return "MACCYRILLIC";
        case 10029: return "MACCENTRALEUROPE";
        case 936: return "GBK";
        case 949: return "CP949";
        case 950: return "BIG5";
        case 932: return "SHIFT_JIS";
        default: return "CP" + std::to_string(codePage);
    }
}

std::string convert(std::string_view text, const std::string& from, const std::string& to) {
    bool ascii = true;
    for (unsigned char c : text)
        if (c >= 0x80) {
            ascii = false;
            break;
        }
    if (ascii) return std::string(text);

    // One converter per pair of character sets, kept for the life of the process.
    struct Cache {
        std::mutex mu;
        std::unordered_map<std::string, iconv_t> open;
        ~Cache() {
            for (auto& [name, cd] : open)
                if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
        }
    };
    static Cache cache;
    std::lock_guard<std::mutex> lock(cache.mu);
    std::string key = from + ">" + to;
    auto it = cache.open.find(key);
    if (it == cache.open.end()) it = cache.open.emplace(key, iconv_open(to.c_str(), from.c_str())).first;
    iconv_t cd = it->second;
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        std::string out(text);
        for (char& c : out)
            if (static_cast<unsigned char>(c) >= 0x80) c = '?';
        return out;
    }
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    std::string out;
    out.resize(text.size() * 4 + 8);
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    char* dst = out.data();
    size_t outLeft = out.size();
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &dst, &outLeft) != static_cast<size_t>(-1)) break;
        if (errno == E2BIG) {
            size_t used = static_cast<size_t>(dst - out.data());
            out.resize(out.size() * 2);
            dst = out.data() + used;
            outLeft = out.size() - used;
            continue;
        }
        // An unmappable or broken sequence: emit '?' and go on with the next byte.
        if (outLeft == 0) continue;
        *dst++ = '?';
        --outLeft;
        ++in;
        --inLeft;
        if (from == "UTF-8")  // skip the rest of a broken multibyte sequence
            while (inLeft > 0 && (static_cast<unsigned char>(*in) & 0xC0) == 0x80) {
                ++in;
                --inLeft;
            }
    }
    out.resize(static_cast<size_t>(dst - out.data()));
    return out;
}

}  // namespace

int codePageFromByte(uint8_t mark) {
    for (const auto& m : kMarks)
        if (m.mark == mark) return m.codePage;
    return 1252;
}

uint8_t byteFromCodePage(int codePage) {
    // Prefer the Visual FoxPro marks for pages that several marks share.
    switch (codePage) {
        case 437: return 0x01;
        case 850: return 0x02;
        case 1252: return 0x03;
        case 852: return 0x64;
        case 866: return 0x65;
        default: break;
    }
    for (const auto& m : kMarks)
        if (m.codePage == codePage) return m.mark;
    return 0x03;
}

std::string toUtf8(std::string_view text, int codePage) { return convert(text, iconvName(codePage), "UTF-8"); }

std::string fromUtf8(std::string_view text, int codePage) { return convert(text, "UTF-8", iconvName(codePage)); }

}  // namespace addrova::store
