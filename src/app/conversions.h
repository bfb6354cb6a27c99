#pragma once
#include <cstdint>

namespace app {

// Two ASCII characters to a byte. Upper-case hexadecimal digits are meant; nothing is
// validated (other characters give what the digit rule gives, kept to 8 bits).
std::uint8_t HexStr2Byte(const char* text);
// Two decimal digits to a byte ("12" -> 12).
std::uint8_t DecStr2Byte(const char* text);
// Writes value (0-99) as two digits into out[0], out[1]; no terminator.
void Int2ASCII2Char(int value, char* out);

}  // namespace app
