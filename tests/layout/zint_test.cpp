// POSTNET and FIM patterns against libzint, an independent encoder.
#include "GBarcode.h"

#include <gtest/gtest.h>
#include <zint.h>

using namespace addrova::layout;

namespace {

bool moduleSet(const zint_symbol* s, int row, int col) { return (s->encoded_data[row][col / 8] >> (col % 8)) & 1; }

// Zint's bars as "1" (full) and "0" (half), from its two rows: the top row holds only full bars.
std::string zintPostnet(const std::string& digits) {
    zint_symbol* s = ZBarcode_Create();
    s->symbology = BARCODE_POSTNET;
    int rc = ZBarcode_Encode(s, reinterpret_cast<const unsigned char*>(digits.data()), static_cast<int>(digits.size()));
    std::string out;
    if (rc < ZINT_ERROR) {
        EXPECT_EQ(s->rows, 2);
        for (int col = 0; col < s->width; ++col)
            if (moduleSet(s, s->rows - 1, col)) out += moduleSet(s, 0, col) ? '1' : '0';
    }
    ZBarcode_Delete(s);
    return out;
}

std::string zintFim(char type) {
    zint_symbol* s = ZBarcode_Create();
    s->symbology = BARCODE_FIM;
    unsigned char c = static_cast<unsigned char>(type);
    EXPECT_LT(ZBarcode_Encode(s, &c, 1), ZINT_ERROR);
    std::string out;
    for (int col = 0; col < s->width; ++col) out += moduleSet(s, 0, col) ? '1' : '0';
    ZBarcode_Delete(s);
    return out;
}

}  // namespace

TEST(Zint, PostnetPatterns) {
    struct Case {
        const char* zip;
        const char* address;
        BarCodeType type;
    } cases[] = {
        {"12345", "", BarCodeType::pnbc5Digit},
        {"12345-6789", "", BarCodeType::pnbc9Digit},
        {"12345-6789", "123 MAIN ST APT 4B", BarCodeType::pnbc11Digit},
        {"98765-4321", "1234 1/2 ELM ST", BarCodeType::pnbc11Digit},
        {"00000-0000", "PO BOX 7", BarCodeType::pnbc11Digit},
        {"55555", "", BarCodeType::pnbc9Digit},
    };
    for (const auto& c : cases) {
        std::string digits = postnet::codeDigits(c.zip, c.address, c.type);
        std::string printed = postnet::printedString(c.zip, c.address, c.type);
        ASSERT_EQ(printed.size(), digits.size() + 1);
        // Zint adds the check digit itself.
        EXPECT_EQ(postnet::barPattern(printed), zintPostnet(digits)) << c.zip << " " << c.address;
    }
}

TEST(Zint, FimPatterns) {
    const std::pair<FIMType, char> types[] = {{FIMType::fimTypeA, 'A'}, {FIMType::fimTypeB, 'B'}, {FIMType::fimTypeC, 'C'}};
    for (const auto& [type, letter] : types) {
        std::string ours(17, '0');
        for (int k : fim::barSlots(type)) ours[static_cast<size_t>(k - 1)] = '1';
        std::string theirs = zintFim(letter);
        EXPECT_EQ(ours, theirs) << letter;
    }
}
