#include "live/message_text.h"

#include <charconv>
#include <cmath>

namespace live {

namespace {
bool isBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
}  // namespace

int MessageText::atoiAt(int i, int maxChars) const {
    int end = i + maxChars < length_ ? i + maxChars : length_;
    if (i < 0) return 0;
    while (i < end && isBlank(at(i))) ++i;
    bool negative = false;
    if (i < end && (at(i) == '+' || at(i) == '-')) {
        negative = at(i) == '-';
        ++i;
    }
    long long v = 0;
    for (; i < end && isDigit(at(i)); ++i) {
        // Saturate rather than overflow; a real field never has more than a few digits.
        if (v < 100000000000LL) v = v * 10 + (at(i) - '0');
    }
    if (negative) v = -v;
    if (v > 2147483647LL) return 2147483647;
    if (v < -2147483648LL) return -2147483647 - 1;
    return static_cast<int>(v);
}

double MessageText::atofAt(int i, int maxChars) const {
    if (i < 0 || i >= length_) return 0;
    int end = i + maxChars < length_ ? i + maxChars : length_;
    while (i < end && isBlank(at(i))) ++i;
    if (i < end && at(i) == '+') ++i;
    int start = i;
    // Only a decimal number may follow (from_chars would also take "inf" and "nan").
    int j = i;
    if (j < end && at(j) == '-') ++j;
    if (j >= end || !(isDigit(at(j)) || (at(j) == '.' && isDigit(at(j + 1)) && j + 1 < end))) return 0;
    const char* first = reinterpret_cast<const char*>(data_) + start;
    const char* last = reinterpret_cast<const char*>(data_) + end;
    double v = 0;
    auto r = std::from_chars(first, last, v, std::chars_format::general);
    if (r.ec != std::errc() || !std::isfinite(v)) return 0;
    return v;
}

}  // namespace live
