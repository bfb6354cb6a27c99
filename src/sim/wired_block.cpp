#include "sim/wired_block.h"

#include <cstdio>

#include "app/conversions.h"

namespace sim {

namespace {
bool hexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }
// A field's two characters by the program's own digit rule, which the unit's checksum shares.
int hexPair(std::string_view text, int k) {
    return app::HexStr2Byte(text.data() + 3 * k);
}
}  // namespace

void WiredBlock::setWord(int high, int value) {
    field[static_cast<std::size_t>(high)] = (value >> 8) & 0xFF;
    field[static_cast<std::size_t>(high + 1)] = value & 0xFF;
}

int WiredBlock::checksumOf(std::string_view text) {
    int sum = 0;
    for (int k = 0; k < kChecksum; ++k) sum += hexPair(text, k);
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
    if (checksumOf(text) != hexPair(text, kChecksum)) return false;
    for (int k = 0; k < kChecksum; ++k)
        field[static_cast<std::size_t>(k)] =
            decimal(k) ? app::DecStr2Byte(text.data() + 3 * k) : hexPair(text, k);
    field[kChecksum] = checksumOf(text);
    return true;
}

}  // namespace sim
