#include "live/record_format.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "live/burst_decoder.h"

namespace live {

namespace {

// Characters of the payload copied at the head of each record kind.
constexpr int kSamplePrefix = 11;  // "C012,D1,S04"
constexpr int kBurstPrefix = 31;   // "A004,S32,B0,2014-02-10T16:00:40"
constexpr int kRawPrefix = 32;

int prefixOfText(char subType) {
    switch (subType) {
        case '1':
            return kSamplePrefix;
        case '4':
            return 13;
        case '7':
            return 19;
        case '8':
            return 18;
        case '9':
            return 16;
        default:
            return 0;
    }
}

// The fixed-width text part of a record. A message shorter than the width (a unit's "C012,D7,G"
// with its line end, say) is padded with blanks from its line end on, so every record keeps its
// length and a line end inside the message never splits the record in two.
int copyPayload(const MessageText& frame, int count, char* out) {
    bool ended = false;
    for (int i = 0; i < count; ++i) {
        char c = frame.at(kPayloadStart + i);
        ended = ended || kPayloadStart + i >= frame.length() || c == '\r' || c == '\n';
        out[i] = ended ? ' ' : c;
    }
    return count;
}

}  // namespace

int formatFixed(double v, int width, int precision, char* out, char* end) {
    char tmp[400];
    auto r = std::to_chars(tmp, tmp + sizeof tmp, v, std::chars_format::fixed, precision);
    if (r.ec != std::errc()) return 0;
    const int n = static_cast<int>(r.ptr - tmp);
    const int pad = width > n ? width - n : 0;
    if (out + n + pad > end) return 0;
    char* p = out;
    int from = 0;
    if (!std::isfinite(v)) {
        std::memset(p, ' ', static_cast<std::size_t>(pad));  // printf pads inf and nan with blanks
        p += pad;
    } else {
        if (tmp[0] == '-') {
            *p++ = '-';
            from = 1;
        }
        std::memset(p, '0', static_cast<std::size_t>(pad));
        p += pad;
    }
    std::memcpy(p, tmp + from, static_cast<std::size_t>(n - from));
    return static_cast<int>(p - out) + n - from;
}

int buildRecord(const MessageText& frame, const OutputLine& line, int unitType,
                std::span<const float> values, std::span<const std::uint8_t> raw,
                RecordBuffer& out) {
    char* p = out.data();
    char* const end = out.data() + out.size() - 2;  // room for CR LF
    const char type = frame.at(kPayloadStart);
    if (type == 'C') {
        const char subType = frame.at(kPayloadStart + 6);
        const int prefix = prefixOfText(subType);
        if (prefix == 0) return 0;
        p += copyPayload(frame, prefix, p);
        if (subType == '1') {
            *p++ = ',';
            // Swellmeter readings carry one more decimal than the staffs' millimetres.
            p += unitType == 9 ? formatFixed(line.Value, 8, 5, p, end)
                               : formatFixed(line.Value, 7, 4, p, end);
        }
    } else if (type == 'G') {
        if (frame.length() < kBurstData + kRawBurstBytes || raw.size() < kRawBurstBytes) return 0;
        p += copyPayload(frame, kRawPrefix, p);
        std::memcpy(p, raw.data(), kRawBurstBytes);
        p += kRawBurstBytes;
    } else {
        const BurstLayout* l = burstLayout(type);
        if (l == nullptr) return 0;
        if (frame.length() < kBurstData + l->samples * l->bytesPerSample) return 0;
        const auto n = static_cast<std::size_t>(l->samples);
        if (values.size() < n) return 0;
        p += copyPayload(frame, kBurstPrefix, p);
        for (std::size_t i = 0; i < n; ++i) {
            *p++ = ',';
            p += formatFixed(values[i], 7, 4, p, end);
        }
    }
    *p++ = '\r';
    *p++ = '\n';
    return static_cast<int>(p - out.data());
}

namespace {
bool endsWithNoCase(const std::string& s, std::string_view tail) {
    if (s.size() < tail.size()) return false;
    for (std::size_t i = 0; i < tail.size(); ++i) {
        const char a = s[s.size() - tail.size() + i];
        if (std::tolower(static_cast<unsigned char>(a)) !=
            std::tolower(static_cast<unsigned char>(tail[i]))) {
            return false;
        }
    }
    return true;
}

// A name that ends in a dot and three characters that are not a folder separator: the
// extension the chosen name's last four characters hold (".csv", ".txt").
bool hasFourCharacterExtension(const std::string& s) {
    if (s.size() < 5 || s[s.size() - 4] != '.') return false;
    for (std::size_t i = s.size() - 3; i < s.size(); ++i) {
        if (s[i] == '/' || s[i] == '\\' || s[i] == '.') return false;
    }
    const char before = s[s.size() - 5];
    return before != '/' && before != '\\';
}
}  // namespace

std::string recordingFileName(const std::string& chosen) {
    // A name with an extension has it replaced; any other name keeps every character it has,
    // so a name without an extension never loses part of itself or of its folder.
    if (hasFourCharacterExtension(chosen)) return chosen.substr(0, chosen.size() - 4) + "000.csv";
    return chosen + "000.csv";
}

std::string captureFileName(const std::string& chosen) {
    return endsWithNoCase(chosen, ".DAT") ? chosen : chosen + ".DAT";
}

std::string numberedCaptureName(const std::string& captureName, int n) {
    if (n <= 0) return captureName;
    char digits[8];
    std::snprintf(digits, sizeof digits, "%03i", n % 1000);
    std::string name = captureName;
    name.insert(name.size() - 4, digits);
    return name;
}

std::string numberedFileName(const std::string& recordingName, int n) {
    std::string name = recordingName;
    if (name.size() < 7) return name;
    char digits[8];
    std::snprintf(digits, sizeof digits, "%03i", n % 1000);
    name.replace(name.size() - 7, 3, digits, 3);
    return name;
}

}  // namespace live
