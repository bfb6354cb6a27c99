#include "link/wired_record.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "link/api_frame_codec.h"

namespace links {

namespace {

// Staff variants of unit types 3 and 5.
constexpr StaffRow kStaffA[] = {
    {0, 148, 3000}, {0, 178, 2500}, {0, 223, 2000}, {1, 148, 1500}, {1, 223, 1000}, {2, -1, 500},
    {3, -1, 250},   {8, 34, 20000}, {8, 36, 19000}, {8, 38, 18000}, {8, 40, 17000}, {8, 43, 16000},
    {8, 45, 15000}, {8, 49, 14000}, {8, 52, 13000}, {8, 57, 12000}, {8, 62, 11000}, {8, 65, 10500},
    {8, 68, 10000}, {8, 72, 9500},  {8, 76, 9000},  {8, 80, 8500},  {8, 85, 8000},  {8, 91, 7500},
    {8, 97, 7000},  {8, 105, 6500}, {8, 113, 6000}, {8, 124, 5500}, {8, 178, 5000}, {8, 198, 4500},
    {8, 223, 4000}, {8, 254, 3500},
};

// Staff variants of unit types 4 and 6.
constexpr StaffRow kStaffB[] = {
    {0, 133, 1500}, {0, 199, 1000}, {1, -1, 500},   {2, -1, 250},   {8, 27, 15000}, {8, 28, 14500},
    {8, 29, 14000}, {8, 30, 13500}, {8, 31, 13000}, {8, 32, 12500}, {8, 33, 12000}, {8, 35, 11500},
    {8, 36, 11000}, {8, 38, 10500}, {8, 40, 10000}, {8, 42, 9500},  {8, 44, 9000},  {8, 47, 8500},
    {8, 50, 8000},  {8, 53, 7500},  {8, 57, 7000},  {8, 61, 6500},  {8, 66, 6000},  {8, 72, 5500},
    {8, 80, 5000},  {8, 88, 4500},  {8, 100, 4000}, {8, 114, 3500}, {8, 133, 3000}, {8, 159, 2500},
    {8, 199, 2000},
};

// The formatted length, kept inside the buffer snprintf wrote to.
MessageText& finish(MessageText& t, int n) {
    t.size = std::clamp(n, 0, static_cast<int>(t.chars.size()) - 1);
    return t;
}

// Characters up to the first NUL, at most the span.
std::span<const std::uint8_t> untilNul(std::span<const std::uint8_t> chars) {
    auto end = std::find(chars.begin(), chars.end(), std::uint8_t{0});
    return chars.first(static_cast<std::size_t>(end - chars.begin()));
}

}  // namespace

std::span<const StaffRow> staffLengthTable(int unitType) {
    switch (unitType) {
        case 3:
        case 5:
            return kStaffA;
        case 4:
        case 6:
            return kStaffB;
        default:
            return {};
    }
}

float staffLengthFor(int unitType, std::uint8_t range, std::uint8_t code) {
    for (const StaffRow& row : staffLengthTable(unitType)) {
        if (row.range == range && (row.code < 0 || row.code == code)) return row.mm;
    }
    return 0;
}

long readNumber(std::span<const std::uint8_t> chars) {
    std::size_t i = 0;
    while (i < chars.size() && (chars[i] == ' ' || chars[i] == '\t')) ++i;
    bool negative = false;
    if (i < chars.size() && (chars[i] == '-' || chars[i] == '+')) negative = chars[i++] == '-';
    long v = 0;
    for (; i < chars.size() && chars[i] >= '0' && chars[i] <= '9'; ++i) {
        if (v < 100000000L) v = v * 10 + (chars[i] - '0');
    }
    return negative ? -v : v;
}

double readDecimal(std::span<const std::uint8_t> chars) {
    std::array<char, 40> buf{};
    chars = untilNul(chars).first(std::min(untilNul(chars).size(), buf.size() - 1));
    std::copy(chars.begin(), chars.end(), buf.begin());
    return std::strtod(buf.data(), nullptr);
}

StaffValue staffValue(long reading, double staffLengthMm) {
    double v = static_cast<double>(reading) / 4095.0 * staffLengthMm;
    StaffValue out;
    if (staffLengthMm > 10000) {
        v *= 10;
        out.scale = 1;
    }
    out.value = static_cast<long long>(v);
    return out;
}

PressureValue pressureValue(std::span<const std::uint8_t> reading7, bool decimalShift,
                            bool barToMetres) {
    std::array<std::uint8_t, 8> chars{};
    std::size_t n = std::min<std::size_t>(reading7.size(), 7);
    std::copy_n(reading7.begin(), n, chars.begin());
    if (decimalShift && n >= 1) {
        // positions 1..6 move one place right and "0" goes in at position 1
        std::copy_backward(chars.begin() + 1, chars.begin() + static_cast<long>(n),
                           chars.begin() + static_cast<long>(n) + 1);
        chars[1] = '0';
        ++n;
    }
    PressureValue p;
    p.value = readDecimal(std::span(chars).first(n));
    if (barToMetres) {
        p.value *= kBarToMetres;
        std::array<char, 48> full{};
        std::snprintf(full.data(), full.size(), "%.5f", p.value);
        // eight characters of it are sent
        n = std::min<std::size_t>(std::char_traits<char>::length(full.data()), 8);
        std::copy_n(full.begin(), n, p.text.begin());
    } else {
        n = untilNul(std::span(chars).first(n)).size();
        std::copy_n(chars.begin(), n, p.text.begin());
    }
    p.size = static_cast<int>(n);
    return p;
}

MessageText staffSampleText(int device, int rate, long long value) {
    // At least five digits; a staff over 10 m reading 10 m or more needs six, and gets them.
    MessageText t;
    return finish(t, std::snprintf(t.chars.data(), t.chars.size(), "C%03d,D1,S%02d,%05lld\r\n",
                                   device, rate, value));
}

MessageText pressureSampleText(int device, int rate, std::string_view field) {
    MessageText t;
    return finish(t, std::snprintf(t.chars.data(), t.chars.size(), "C%03d,D1,S%02d,%.*s\r\n",
                                   device, rate, static_cast<int>(field.size()), field.data()));
}

MessageText temperatureText(int device, double degrees) {
    MessageText t;
    return finish(
        t, std::snprintf(t.chars.data(), t.chars.size(), "C%03d,D4,%04.1f", device, degrees));
}

MessageText dateText(int device, const platform::CalendarTime& t) {
    MessageText m;
    return finish(m, std::snprintf(m.chars.data(), m.chars.size(), "C%03d,D8,%04i-%02i-%02i",
                                   device, t.year, t.month, t.day));
}

MessageText timeText(int device, const platform::CalendarTime& t) {
    MessageText m;
    return finish(m, std::snprintf(m.chars.data(), m.chars.size(), "C%03d,D9,%02i:%02i:%02i",
                                   device, t.hour, t.minute, t.second));
}

bool isNumberText(std::span<const std::uint8_t> text, bool leadingBlanks) {
    std::size_t i = 0;
    if (leadingBlanks) {
        while (i < text.size() && text[i] == ' ') ++i;
    }
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    int digits = 0, points = 0;
    for (; i < text.size(); ++i) {
        if (text[i] >= '0' && text[i] <= '9') {
            ++digits;
        } else if (text[i] != '.' || ++points > 1) {
            return false;
        }
    }
    return digits > 0;
}

double syncStaffLengthMm(const std::string& metresText) {
    constexpr double kLongestStaff = 100.0;  // metres
    char* end = nullptr;
    const double metres = std::strtod(metresText.c_str(), &end);
    if (end == metresText.c_str() || !std::isfinite(metres) || metres <= 0 || metres > kLongestStaff) {
        return 0;
    }
    return static_cast<double>(static_cast<long long>(metres * 1000));
}

int syncReadingCount(std::span<const std::uint8_t> line) {
    // Each reading is the four characters at 5c; the character between two of them is the
    // board's own choice (a blank, a comma, a tab), as long as it is no digit, which would make
    // two readings one number, and ends no line.
    const auto isDigit = [](std::uint8_t c) { return c >= '0' && c <= '9'; };
    const auto readings = [&](int channels) {
        const std::size_t end = static_cast<std::size_t>(5 * channels - 1);
        if (line.size() < end) return false;
        for (int c = 0; c < channels; ++c) {
            const std::size_t at = static_cast<std::size_t>(5 * c);
            if (!isNumberText(line.subspan(at, 4), true)) return false;
            if (c + 1 == channels) break;
            const std::uint8_t between = line[at + 4];
            if (isDigit(between) || between == '\r' || between == '\n') return false;
        }
        return true;
    };
    // Eight readings from 33 characters on (the line end included), six on shorter lines; a
    // six-channel board that pads its line past that with blanks is still six readings, as
    // long as no digit follows them.
    if (line.size() < 33) return readings(6) && (line.size() == 29 || !isDigit(line[29])) ? 6 : 0;
    if (readings(8)) return line.size() == 39 || !isDigit(line[39]) ? 8 : 0;
    const auto rest = line.subspan(29);
    return readings(6) && std::none_of(rest.begin(), rest.end(), isDigit) ? 6 : 0;
}

namespace {

bool isDigit(std::uint8_t c) { return c >= '0' && c <= '9'; }

// Reads one to four digits at `at` (moved past them); -1 when there are none or more.
long bareNumber(std::span<const std::uint8_t> line, std::size_t& at) {
    long v = 0;
    std::size_t n = 0;
    for (; at < line.size() && isDigit(line[at]); ++at, ++n)
        if (n < 4) v = v * 10 + (line[at] - '0');
    return n >= 1 && n <= 4 ? v : -1;
}

void skipBlanks(std::span<const std::uint8_t> line, std::size_t& at) {
    while (at < line.size() && line[at] == ' ') ++at;
}

bool endsLine(std::span<const std::uint8_t> line, std::size_t at) {
    return at >= line.size() || line[at] == '\r' || line[at] == '\n' || line[at] == 0;
}

}  // namespace

SyncReadings syncReadings(std::span<const std::uint8_t> line) {
    SyncReadings r;
    if (const int fixed = syncReadingCount(line); fixed > 0) {
        r.count = fixed;
        for (int c = 0; c < fixed; ++c)
            r.value[static_cast<std::size_t>(c)] =
                readNumber(line.subspan(static_cast<std::size_t>(5 * c), 4));
        return r;
    }
    std::size_t at = 0;
    skipBlanks(line, at);
    int separator = -1;  // the board's character between readings; ' ' for blanks alone
    int n = 0;
    while (true) {
        // A reading with a leading zero comes from a board that writes four digits: one
        // shorter on such a line lost a digit on the way.
        if (n == 8 || (at + 1 < line.size() && line[at] == '0' && isDigit(line[at + 1])))
            return {};
        const long v = bareNumber(line, at);
        if (v < 0) return {};
        r.value[static_cast<std::size_t>(n++)] = v;
        skipBlanks(line, at);
        if (endsLine(line, at)) break;
        int between = ' ';
        if (!isDigit(line[at])) {
            between = line[at++];
            skipBlanks(line, at);
        }
        if (separator >= 0 && between != separator) return {};
        separator = between;
        if (endsLine(line, at)) break;  // one separator after the last reading
    }
    if (n != 6 && n != 8) return {};
    r.count = n;
    return r;
}

StaffRecord staffRecord(std::span<const std::uint8_t> line) {
    StaffRecord r;
    std::size_t at = 0;
    skipBlanks(line, at);
    r.reading = bareNumber(line, at);
    if (r.reading < 0) return {};
    const std::size_t afterReading = at;
    skipBlanks(line, at);
    if (endsLine(line, at)) {
        r.ok = true;
        return r;
    }
    // One character of the unit's choosing before the temperature (a blank, already passed,
    // or another, blanks around it allowed).
    if (at == afterReading || (line[at] != '-' && line[at] != '+' && !isDigit(line[at]))) ++at;
    skipBlanks(line, at);
    bool negative = false;
    if (at < line.size() && (line[at] == '-' || line[at] == '+')) negative = line[at++] == '-';
    const long t = bareNumber(line, at);
    skipBlanks(line, at);
    if (t < 0 || !endsLine(line, at)) return {};
    r.ok = r.hasTemperature = true;
    r.temperature = negative ? -t : t;
    return r;
}

void makeReceivePacket(RxFrame& frame, std::uint64_t address, int device, std::string_view text) {
    auto& d = frame.data;
    d[0] = kReceivePacket;
    putAddress(&d[1], address);
    d[9] = static_cast<std::uint8_t>(device);
    d[10] = 0;
    d[11] = 'A';
    const std::size_t n = std::min(text.size(), d.size() - 13);
    std::copy_n(text.begin(), n, d.begin() + 12);
    d[12 + n] = 0;
    frame.length = static_cast<int>(12 + n);
}

}  // namespace links
