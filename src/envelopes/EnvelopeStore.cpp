#include "EnvelopeStore.h"

#include "Table.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <system_error>

namespace addrova::envelopes {

namespace fs = std::filesystem;

// The metric sizes are the millimetres of the list times 0.04, and C4 is 12.96 both ways, as the
// stored layouts were designed with them.
const std::vector<EnvelopeSize> kEnvelopeSizes = {
    {"Envelope #9 3 7/8 x 8 7/8 inches", 19, 8.875, 3.875},
    {"Envelope #10 4 1/8 x 9 1/2 inches", 20, 9.5, 4.125},
    {"Envelope #11 4 1/2 x 10 3/8 inches", 21, 10.375, 4.5},
    {"Envelope #12 4 3/4 x 11 inches", 22, 11.0, 4.75},
    {"Envelope #14 5 x 11 1/2 inches", 23, 11.5, 5.0},
    {"Envelope DL 110 x 220 mm", 27, 8.8, 4.4},
    {"Envelope C5 162 x 229 mm ", 28, 9.16, 6.48},
    {"Envelope C4  229 x 324 mm", 30, 12.96, 12.96},
    {"Envelope C6  114 x 162 mm", 31, 6.48, 4.56},
    {"Envelope C65 114 x 229 mm", 32, 9.16, 4.56},
    {"Envelope B4  250 x 353 mm", 33, 14.12, 10.0},
    {"Envelope B5  176 x 250 mm", 34, 10.0, 7.04},
    {"Envelope B6  176 x 125 mm", 35, 5.0, 7.04},
    {"Envelope 110 x 230 mm", 36, 9.2, 4.4},
    {"Envelope Monarch 3 7/8 x 7 1/2 inches", 37, 7.5, 3.875},
    {"6 3/4 Envelope 3 5/8 x 6 1/2 inches", 38, 6.5, 3.625},
};

int EnvelopeSizeIndex(int code)
{
    for (size_t i = 0; i < kEnvelopeSizes.size(); ++i)
        if (kEnvelopeSizes[i].code == code)
            return static_cast<int>(i);
    return -1;
}

double EnvelopeWidth(int code)
{
    const int i = EnvelopeSizeIndex(code);
    return i < 0 ? -1.0 : kEnvelopeSizes[static_cast<size_t>(i)].width;
}

double EnvelopeHeight(int code)
{
    const int i = EnvelopeSizeIndex(code);
    return i < 0 ? -1.0 : kEnvelopeSizes[static_cast<size_t>(i)].height;
}

int EnvelopeZoomStep(int percent, int direction)
{
    if (direction > 0 && percent < 140)
        return std::min(140, percent + 10);
    if (direction < 0 && percent > 60)
        return std::max(60, percent - 10);
    return percent;
}

int PanelPixels(double inches, int ppi)
{
    return inches <= 0 ? 0 : static_cast<int>(std::lround(inches * ppi));
}

void EnvelopeSetup::setNumber(int code)
{
    number = code;
    width = EnvelopeWidth(code);
    height = EnvelopeHeight(code);
}

EnvelopeSetup ReadEnvelopeSetup(const store::Table& layouts)
{
    EnvelopeSetup s;
    if (!layouts.isOpen() || layouts.eof())
        return s;
    s.descript = layouts.getString("DESCRIPT");
    const double n = layouts.getNumber("NUMBER");
    // A code beyond int stays unknown rather than overflowing.
    s.setNumber(n > -100000 && n < 100000 ? static_cast<int>(n) : -1);
    s.binary = layouts.getString("BINARY");
    return s;
}

void WriteEnvelopeSetup(store::Table& layouts, const EnvelopeSetup& s)
{
    layouts.setString("DESCRIPT", s.descript);
    layouts.setNumber("NUMBER", s.number);
    layouts.setString("BINARY", s.binary);
}

bool PlainFileName(const std::string& name)
{
    if (name.empty() || name == "." || name == "..")
        return false;
    for (const char c : name)
        if (c == '/' || c == '\\' || c == ':' || c == '\0')
            return false;
    return true;
}

std::string NextEnvelopeBinaryName(const std::string& sysdataDir)
{
    std::error_code ec;
    for (int n = 100001; n <= 199999; ++n) {
        char name[16];
        std::snprintf(name, sizeof name, "BIN%05d.E", n % 100000);
        if (!fs::exists(fs::path(sysdataDir) / name, ec))
            return name;
    }
    return {};
}

bool CopyLayoutFile(const std::string& from, const std::string& to)
{
    std::ifstream in(from, std::ios::binary);
    if (!in)
        return false;
    const std::string part = to + ".part";
    {
        std::ofstream out(part, std::ios::binary | std::ios::trunc);
        if (!out)
            return false;
        std::array<char, 2048> block{};
        while (in) {
            in.read(block.data(), block.size());
            const std::streamsize got = in.gcount();
            if (got > 0)
                out.write(block.data(), got);
        }
        if (in.bad() || !out.flush()) {
            out.close();
            std::error_code ec;
            fs::remove(part, ec);
            return false;
        }
    }
    std::error_code ec;
    fs::rename(part, to, ec);
    if (ec) {
        fs::remove(part, ec);
        return false;
    }
    return true;
}

void DeleteEnvelope(store::Table& layouts, const std::string& sysdataDir)
{
    if (layouts.eof())
        return;
    const std::string binary = layouts.getString("BINARY");
    layouts.deleteRecord();
    if (PlainFileName(binary)) {
        std::error_code ec;
        fs::remove(fs::path(sysdataDir) / binary, ec);
    }
}

EnvelopeSetup CloneEnvelope(store::Table& layouts, const std::string& sysdataDir)
{
    if (layouts.eof())
        throw std::logic_error("no envelope layout to clone");
    const EnvelopeSetup old = ReadEnvelopeSetup(layouts);
    const std::string name = NextEnvelopeBinaryName(sysdataDir);
    if (name.empty())
        throw std::runtime_error("There is no free layout file name left in the sysdata directory");
    if (PlainFileName(old.binary))
        CopyLayoutFile(sysdataDir + old.binary, sysdataDir + name);
    EnvelopeSetup s = old;
    s.descript = "Clone of " + old.descript;
    s.binary = name;
    layouts.appendBlank();
    WriteEnvelopeSetup(layouts, s);
    layouts.post();
    return s;
}

}  // namespace addrova::envelopes
