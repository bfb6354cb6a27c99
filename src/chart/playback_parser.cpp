#include "chart/playback_parser.h"

#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>

namespace chart {

namespace {

constexpr std::size_t kHeaderMax = 250;

// Positions in a sample-file line.
constexpr std::size_t kDevice = 1;
constexpr std::size_t kSubType = 6;
constexpr std::size_t kTextField = 8;
constexpr std::size_t kSampleRate = 9;
constexpr std::size_t kSampleValue = 12;
constexpr std::size_t kBlockRate = 6;
constexpr std::size_t kBlockMode = 10;
constexpr std::size_t kBlockTime = 12;
constexpr std::size_t kBlockTimeLength = 19;
constexpr std::size_t kBlockValues = 31;  // the comma before the first value

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Digits from `at`, at most `maxDigits` of them; -1 when there is none.
int digitsAt(std::string_view s, std::size_t at, std::size_t maxDigits) {
    int v = -1;
    for (std::size_t i = at; i < s.size() && i < at + maxDigits && isDigit(s[i]); ++i) {
        v = (v < 0 ? 0 : v * 10) + (s[i] - '0');
    }
    return v;
}

// A number filling the field, blanks allowed around it (the recorder pads what it cannot
// print as digits with blanks).
bool numberField(std::string_view field, double& v) {
    std::size_t b = 0;
    std::size_t e = field.size();
    while (b < e && field[b] == ' ') ++b;
    while (e > b && field[e - 1] == ' ') --e;
    if (b == e) return false;
    const char* first = field.data() + b;
    const char* last = field.data() + e;
    auto r = std::from_chars(first, last, v);
    return r.ec == std::errc() && r.ptr == last;
}

// The common field at once: blanks, an optional minus, at most 15 digits with at most one
// decimal point, blanks, then the comma or the line's end. Such a number is exact as an
// integer and a power of ten, so one division rounds it as from_chars does. False (and
// nothing taken) for anything else, which numberField then reads.
bool plainNumber(std::string_view line, std::size_t from, std::size_t& end, double& v,
                 bool& point) {
    static constexpr double kPow10[] = {1,   1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const char* p = line.data() + from;
    const char* const last = line.data() + line.size();
    while (p < last && *p == ' ') ++p;
    const bool negative = p < last && *p == '-';
    if (negative) ++p;
    const char* const first = p;
    const char* dot = nullptr;
    std::uint64_t digits = 0;  // wraps past 19 digits, which are refused below anyway
    for (; p < last; ++p) {
        const auto d = static_cast<unsigned>(*p - '0');
        if (d <= 9) {
            digits = digits * 10 + d;
            continue;
        }
        if (*p != '.' || dot != nullptr) break;
        dot = p;
    }
    const auto count = (p - first) - (dot != nullptr ? 1 : 0);
    const auto decimals = dot != nullptr ? p - dot - 1 : 0;
    while (p < last && *p == ' ') ++p;
    if (count == 0 || count > 15 || (p < last && *p != ',')) return false;
    point = dot != nullptr;
    v = static_cast<double>(digits) / kPow10[decimals];
    if (negative) v = -v;
    end = static_cast<std::size_t>(p - line.data());
    return true;
}

// A number filling the line from `from` on, as numberField reads it: the common form at
// once, anything else (an exponent, a plus, many digits) by the library.
bool wholeNumber(std::string_view line, std::size_t from, double& v) {
    std::size_t end = 0;
    bool point = false;
    if (plainNumber(line, from, end, v, point) && end == line.size()) return true;
    return numberField(line.substr(from), v);
}

// A number at the start of the field, the rest ignored.
bool leadingNumber(std::string_view field, double& v) {
    std::size_t b = 0;
    while (b < field.size() && field[b] == ' ') ++b;
    auto r = std::from_chars(field.data() + b, field.data() + field.size(), v);
    return r.ec == std::errc();
}

int expectedCount(char kind, int count) {
    switch (kind) {
        case 'A':
        case 'F':
            return count == 32 ? count : -1;
        case 'I':
            return count == 32 || count == 64 ? count : -1;
        case 'i':
        case 'f':
            return count == 60 ? count : -1;
        default:
            return -1;
    }
}

bool recordedField(std::string_view line, std::size_t at, double& v);

bool textLine(std::string_view line, CsvRecord& r) {
    if (line.size() <= kSubType || line[5] != 'D') return false;
    r.subType = line[kSubType];
    double v = 0;
    switch (r.subType) {
        case '1':
            if (line.size() <= kSampleValue) return false;
            r.rate = digitsAt(line, kSampleRate, 3);
            if (r.rate < 0) return false;
            // The recorder's own ",dd.dddd" ending the line is read as one word; anything
            // else the general way.
            if (!(line.size() == kSampleValue + 7 && recordedField(line, kSampleValue - 1, v)) &&
                !wholeNumber(line, kSampleValue, v)) {
                return false;
            }
            r.value = static_cast<float>(v);
            return true;
        case '8':
            if (line.size() < kTextField + 10) return false;
            r.text = line.substr(kTextField, 10);
            return true;
        case '9':
            if (line.size() < kTextField + 8) return false;
            r.text = line.substr(kTextField, 8);
            return true;
        case '7':
            if (line.size() <= kTextField) return false;
            r.sensor = line[kTextField];
            return true;
        case '4':
            if (line.size() <= kTextField || !leadingNumber(line.substr(kTextField, 5), v)) {
                return false;
            }
            r.value = static_cast<float>(v);
            return true;
        default:
            return false;
    }
}

// Rate, battery state and time stamp of a block or raw line, up to the comma that ends them.
bool blockHead(std::string_view line, CsvRecord& r) {
    if (line.size() <= kBlockValues || line[kBlockValues] != ',') return false;
    r.rate = digitsAt(line, kBlockRate, 3);
    if (r.rate < 0) return false;
    r.mode = line[kBlockMode];
    r.text = line.substr(kBlockTime, kBlockTimeLength);
    return true;
}

// ",dd.dddd" (a comma and a field of two digits, a point and four), the field the recorder
// writes, checked and read as one word of eight bytes: false for anything else. The value is
// the six digits over 10^4, as plainNumber makes it.
bool recordedField(std::string_view line, std::size_t at, double& v) {
    std::uint64_t w = 0;
    std::memcpy(&w, line.data() + at, sizeof w);
    if constexpr (std::endian::native == std::endian::big) w = __builtin_bswap64(w);
    // Bytes from the first: ',' d d '.' d d d d. Each byte less its expected character:
    // zero for the comma and the point, 0 to 9 for a digit.
    const std::uint64_t x = w ^ 0x30303030'2E30302CULL;
    constexpr std::uint64_t kDigits = 0xFFFFFFFF'00FFFF00ULL;
    if ((x & (0xF0F0F0F0'FFF0F0FFULL)) != 0) return false;
    if (((x + (0x06060606'06060606ULL & kDigits)) & (0xF0F0F0F0'F0F0F0F0ULL & kDigits)) != 0) {
        return false;  // a "digit" from ':' to '?'
    }
    // The six digits into the top bytes (two leading zeros), then pairs, fours and all eight
    // combined, the first digit being the most significant.
    std::uint64_t d = (((x >> 8) & 0xFFFF) | ((x >> 32) << 16)) << 16;
    d = d * 10 + (d >> 8);
    d = (((d & 0x000000FF000000FFULL) * (100 + (1000000ULL << 32))) +
         (((d >> 16) & 0x000000FF000000FFULL) * (1 + (10000ULL << 32)))) >>
        32;
    v = static_cast<double>(d) / 1e4;
    return true;
}

// Values after the time stamp, one per comma. Fields with a decimal point are metres as
// written; older files carry whole millimetres. The recorder's own fields are taken a word
// at a time while they last; the first other field and those after it are read one by one.
bool blockLine(std::string_view line, CsvRecord& r) {
    if (!blockHead(line, r)) return false;
    int count = 0;
    std::size_t at = kBlockValues;
    double v = 0;
    while (at + 8 <= line.size() && count < live::kMaxBurstValues &&
           (at + 8 == line.size() || line[at + 8] == ',') && recordedField(line, at, v)) {
        r.values[static_cast<std::size_t>(count++)] = static_cast<float>(v);
        at += 8;
    }
    while (at < line.size()) {
        if (count == live::kMaxBurstValues) return false;
        const std::size_t from = at + 1;
        std::size_t to = 0;
        bool point = false;
        if (!plainNumber(line, from, to, v, point)) {
            to = line.find(',', from);
            if (to == std::string_view::npos) to = line.size();
            const std::string_view field = line.substr(from, to - from);
            if (!numberField(field, v)) return false;
            point = field.find('.') != std::string_view::npos;
        }
        if (!point) v /= 1000.0;
        r.values[static_cast<std::size_t>(count++)] = static_cast<float>(v);
        at = to;
    }
    r.count = expectedCount(r.kind, count);
    return r.count > 0;
}

// A "G" record: the head of a block line, then the raw bytes in place of values.
bool rawLine(std::string_view line, CsvRecord& r) {
    if (line.size() != kRawRecordLength || !blockHead(line, r)) return false;
    r.raw = line.substr(kRawRecordHead);
    r.count = live::kRawBurstBytes;
    return true;
}

}  // namespace

PlaybackType playbackFileType(std::string_view path) {
    if (path.size() < 3) return PlaybackType::NotAllowed;
    const std::string_view ext = path.substr(path.size() - 3);
    if (ext == "csv" || ext == "CSV") return PlaybackType::Csv;
    if (ext == "dat" || ext == "DAT") return PlaybackType::Dat;
    return PlaybackType::NotAllowed;
}

std::string headerLine(std::span<const char> firstBytes) {
    std::string header;
    if (firstBytes.empty() || firstBytes[0] != ' ') return header;
    for (char c : firstBytes) {
        if (c == '\n' || c == '\0' || header.size() == kHeaderMax) break;
        if (c != '\r') header.push_back(c);
    }
    return header;
}

bool parseCsvLine(std::string_view line, CsvRecord& r) {
    if (line.size() < 5 || line[4] != ',') return false;
    r.kind = line[0];
    if (!isDigit(line[1]) || !isDigit(line[2]) || !isDigit(line[3])) return false;
    r.device = digitsAt(line, kDevice, 3);
    if (r.device < 1 || r.device > 255) return false;
    switch (r.kind) {
        case 'C':
            return textLine(line, r);
        case 'A':
        case 'F':
        case 'I':
        case 'i':
        case 'f':
            return blockLine(line, r);
        case 'G':
            return rawLine(line, r);
        default:
            return false;
    }
}

}  // namespace chart
