#include "live/message_check.h"

#include <cmath>
#include <cstring>
#include <string_view>

#include "link/wired_record.h"
#include "live/burst_decoder.h"

namespace live {

namespace {

using links::isNumberText;

// Largest water level or pressure (m) a float sample can plausibly carry; junk floats are
// mostly far outside it or not numbers at all.
constexpr float kLargestFloatSample = 1.0e6f;
constexpr int kTextStart = 20;  // the field of a "C" text

bool digit(char c) { return c >= '0' && c <= '9'; }

// Characters of frame from `at` matching a pattern: '9' a digit, '*' anything, others literal.
bool matches(const MessageText& f, int at, std::string_view pattern) {
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = f.at(at + static_cast<int>(i));
        if (pattern[i] == '9' ? !digit(c) : pattern[i] != '*' && c != pattern[i]) return false;
    }
    return true;
}

bool printable(std::uint8_t c) { return (c >= 0x20 && c < 0x7F) || c == '\t'; }

// The field of a text from `from` up to its line end (CR, LF or NUL) or the message's end;
// what follows a line end is not the unit's field.
std::span<const std::uint8_t> fieldTo(const MessageText& f, int from, const std::uint8_t* base) {
    int end = from;
    while (end < f.length() && f.at(end) != '\r' && f.at(end) != '\n' && f.at(end) != '\0') ++end;
    if (end <= from) return {};
    return {base + from, static_cast<std::size_t>(end - from)};
}

// An "A" sample: six characters read as a number, which may be padded with blanks in front
// and end in a separator.
bool asciiSample(std::span<const std::uint8_t> six) {
    std::size_t n = six.size();
    while (n > 0 && (six[n - 1] == ',' || six[n - 1] == ' ')) --n;
    return isNumberText(six.first(n), true);
}

bool textMessage(const MessageText& f, const std::uint8_t* base) {
    if (!matches(f, 13, "999,D*,")) return false;
    const auto field = fieldTo(f, kTextStart, base);
    auto is = [&](std::string_view pattern) {
        return field.size() == pattern.size() && matches(f, kTextStart, pattern);
    };
    switch (f.at(18)) {
        case '1':
            return field.size() > 4 && matches(f, kTextStart, "S99,") && field.size() <= 4 + 12 &&
                   isNumberText(field.subspan(4));
        case '4':
            return field.size() <= 8 && isNumberText(field);
        case '7':
            return field.size() == 1 && field[0] >= 'A' && field[0] <= 'Z';
        case '8':
            return is("9999-99-99");
        case '9':
            return is("99:99:99");
        default:
            for (std::uint8_t c : field) {
                if (!printable(c)) return false;
            }
            return digit(f.at(18));
    }
}

bool burstMessage(const MessageText& f, const std::uint8_t* base) {
    const BurstLayout* l = burstLayout(f.at(kPayloadStart));
    if (l == nullptr || f.length() < kBurstData + l->samples * l->bytesPerSample) return false;
    if (!matches(f, 13, "999,S99,B*,9999-99-99T99:99:99")) return false;
    const char power = f.at(kBurstPower);
    if (!digit(power) && !(power >= 'A' && power <= 'Z') && !(power >= 'a' && power <= 'z')) {
        return false;
    }
    const std::uint8_t* data = base + kBurstData;
    switch (l->type) {
        case 'A':
            for (int s = 0; s < l->samples; ++s) {
                if (!asciiSample({data + 6 * s, 6})) return false;
            }
            return true;
        case 'F':
            for (int s = 0; s < l->samples; ++s) {
                std::uint8_t le[4];
                std::memcpy(le, data + 4 * s, 4);
                const std::uint32_t bits = static_cast<std::uint32_t>(le[0]) |
                                           static_cast<std::uint32_t>(le[1]) << 8 |
                                           static_cast<std::uint32_t>(le[2]) << 16 |
                                           static_cast<std::uint32_t>(le[3]) << 24;
                float v;
                std::memcpy(&v, &bits, sizeof v);
                if (!std::isfinite(v) || std::fabs(v) > kLargestFloatSample) return false;
            }
            return true;
        default:  // "I", "i": every 16-bit value is a level; "G" data are raw bytes
            return true;
    }
}

}  // namespace

bool wellFormedUnitMessage(const MessageText& f) {
    const std::uint8_t* base = f.data();
    switch (f.at(kPayloadStart)) {
        case 'C':
            return textMessage(f, base);
        case '$':
            return true;
        default:
            return burstMessage(f, base);
    }
}

}  // namespace live
