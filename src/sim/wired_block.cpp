#include "sim/wired_block.h"

#include <cstdio>

namespace sim {

namespace {
int digit(char c) { return c <= '9' ? c - 0x30 : c - 0x37; }
bool hexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }
}  // namespace

void WiredBlock::setWord(int high, int value) {
    field[static_cast<std::size_t>(high)] = (value >> 8) & 0xFF;
    field[static_cast<std::size_t>(high + 1)] = value & 0xFF;
}

int WiredBlock::checksumOf(std::string_view text) {
    int sum = 0;
    for (int k = 0; k < kChecksum; ++k)
        sum += digit(text[static_cast<std::size_t>(3 * k)]) * 16 +
               digit(text[static_cast<std::size_t>(3 * k + 1)]);
    return sum & 0xFF;
}

std::string WiredBlock::encode() const {
    std::string text;
    text.reserve(kChars);
    for (int k = 0; k < kChecksum; ++k) {
        char two[8];
        std::snprintf(two, sizeof two, decimal(k) ? "%02d," : "%02X,",
                      field[static_cast<std::size_t>(k)] & (decimal(k) ? 0x7F : 0xFF));
        text += two;
    }
    char two[8];
    std::snprintf(two, sizeof two, "%02X,", checksumOf(text));
    return text + two;
}

bool WiredBlock::decode(std::string_view text) {
    if (text.size() < kChars) return false;
    for (int k = 0; k < kFields; ++k) {
        const char hi = text[static_cast<std::size_t>(3 * k)];
        const char lo = text[static_cast<std::size_t>(3 * k + 1)];
        if (text[static_cast<std::size_t>(3 * k + 2)] != ',' || !hexDigit(hi) ||
            !hexDigit(lo))
            return false;
    }
    if (checksumOf(text) != digit(text[129]) * 16 + digit(text[130])) return false;
    for (int k = 0; k < kChecksum; ++k) {
        const char hi = text[static_cast<std::size_t>(3 * k)];
        const char lo = text[static_cast<std::size_t>(3 * k + 1)];
        field[static_cast<std::size_t>(k)] = decimal(k) ? (hi - '0') * 10 + (lo - '0')
                                                        : digit(hi) * 16 + digit(lo);
    }
    field[kChecksum] = checksumOf(text);
    return true;
}

}  // namespace sim
