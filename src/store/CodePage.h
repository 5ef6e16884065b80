#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace addrova::store {

// Windows code page of a DBF code-page (language driver) byte; 1252 for 0 and unknown bytes.
int codePageFromByte(uint8_t mark);
// The DBF code-page byte of a Windows code page; 0x03 (1252) for pages without one.
uint8_t byteFromCodePage(int codePage);

// Conversions at the edges of the program. Characters that have no equivalent become '?'.
std::string toUtf8(std::string_view text, int codePage);
std::string fromUtf8(std::string_view text, int codePage);

}  // namespace addrova::store
