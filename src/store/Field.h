#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace addrova::store {

// One field of a table as the DBF header describes it.
struct Field {
    std::string name;       // as stored, upper case for files we write
    char type = 'C';        // C N F L D M I B Y T G W V Q P 0
    uint16_t width = 0;     // bytes in the record (long C fields: up to 65535)
    uint8_t decimals = 0;
    uint32_t offset = 0;    // offset in the record; byte 0 is the deletion flag
    uint8_t flags = 0;      // Visual FoxPro descriptor flags (0x01 system, 0x02 nullable, 0x04 binary)
    int nullBit = -1;       // bit in _NullFlags telling that the value is null, or -1
    int varBit = -1;        // bit in _NullFlags telling that a V/Q value is shorter (length in last byte)

    bool isMemo() const { return type == 'M' || type == 'G' || type == 'W' || type == 'P'; }
};

// What the caller asks for when it creates a table.
struct FieldSpec {
    std::string name;
    char type = 'C';
    uint16_t width = 0;
    uint8_t decimals = 0;
};

// Case-insensitive ASCII comparison of names.
inline bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
        if (x != y) return false;
    }
    return true;
}

}  // namespace addrova::store
