#include "app/conversions.h"

namespace app {

namespace {
int digit(char c) {
    auto u = static_cast<unsigned char>(c);
    return u <= '9' ? u - 0x30 : u - 0x37;
}
}  // namespace

std::uint8_t HexStr2Byte(const char* text) {
    return static_cast<std::uint8_t>(digit(text[0]) * 16 + digit(text[1]));
}

std::uint8_t DecStr2Byte(const char* text) {
    return static_cast<std::uint8_t>(digit(text[0]) * 10 + digit(text[1]));
}

void Int2ASCII2Char(int value, char* out) {
    out[0] = static_cast<char>('0' + value / 10);
    out[1] = static_cast<char>('0' + value % 10);
}

}  // namespace app
