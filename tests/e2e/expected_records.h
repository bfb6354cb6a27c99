#pragma once
// What the recording file must hold, worked out from the bytes the simulated instruments sent:
// an API frame decoder and the record layouts of our own, written from the message formats
// rather than from the program's code, so that a fault in the program cannot hide in both.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

namespace e2e {

// The frame data (type byte on, unescaped) of every complete frame with a good checksum.
inline std::vector<std::string> decodeFrames(const std::string& bytes) {
    std::vector<std::string> frames;
    std::size_t i = 0;
    auto next = [&](std::uint8_t& b) {
        if (i >= bytes.size()) return false;
        b = static_cast<std::uint8_t>(bytes[i++]);
        if (b == 0x7D) {
            if (i >= bytes.size()) return false;
            b = static_cast<std::uint8_t>(bytes[i++]) ^ 0x20;
        }
        return true;
    };
    while (i < bytes.size()) {
        if (static_cast<std::uint8_t>(bytes[i++]) != 0x7E) continue;
        const std::size_t start = i;
        std::uint8_t hi = 0, lo = 0;
        if (!next(hi) || !next(lo)) break;
        const int length = hi << 8 | lo;
        std::string data;
        std::uint8_t sum = 0, b = 0;
        bool whole = true;
        for (int k = 0; k < length && (whole = next(b)); ++k) {
            data.push_back(static_cast<char>(b));
            sum = static_cast<std::uint8_t>(sum + b);
        }
        std::uint8_t check = 0;
        if (!whole || !next(check)) break;
        if (static_cast<std::uint8_t>(sum + check) == 0xFF) frames.push_back(data);
        else i = start;  // not a frame after all: look for the next delimiter
    }
    return frames;
}

// printf("%0<width>.<precision>f").
inline std::string fixed(double v, int width, int precision) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%0*.*f", width, precision, v);
    return buf;
}

// The text up to its line end, padded with blanks (or cut) to `width` characters.
inline std::string padded(const std::string& text, std::size_t width) {
    std::string s = text.substr(0, text.find_first_of("\r\n"));
    s.resize(width, ' ');
    return s;
}

inline double number(const std::string& text, std::size_t at, std::size_t count) {
    return std::strtod(text.substr(at, count).c_str(), nullptr);
}

// The record (without its CR LF) a radio unit's payload must give, or "" when it gives none.
// Payload: the frame data from offset 12.
inline std::string radioRecord(const std::string& payload) {
    if (payload.size() < 8) return "";
    if (payload[0] == 'C') {
        switch (payload[6]) {
            case '1': {
                const long mm = std::atol(payload.substr(12).c_str());
                std::string record = padded(payload, 11);
                record += ',';
                record += fixed(static_cast<float>(mm / 1000.0), 7, 4);
                return record;
            }
            case '4': return padded(payload, 13);
            case '7': return padded(payload, 19);
            case '8': return padded(payload, 18);
            case '9': return padded(payload, 16);
            default: return "";
        }
    }
    // Bursts: the 31-character head, then the samples from offset 33.
    std::string record = payload.substr(0, 31);
    if (payload[0] == 'A' && payload.size() >= 33 + 32 * 6) {
        for (int k = 0; k < 32; ++k) {
            record += ',';
            record += fixed(static_cast<float>(number(payload, 33 + 6 * k, 6) / 1000), 7, 4);
        }
        return record;
    }
    if (payload[0] == 'I' && payload.size() >= 33 + 64 * 2) {
        for (int k = 0; k < 64; ++k) {
            const auto lo = static_cast<std::uint8_t>(payload[33 + 2 * k]);
            const auto hi = static_cast<std::uint8_t>(payload[34 + 2 * k]);
            const auto raw = static_cast<std::int16_t>(hi << 8 | lo);
            record += ',';
            record += fixed(static_cast<float>(raw / 1000.0), 7, 4);
        }
        return record;
    }
    return "";
}

// The records of every unit payload among the frames (receive packets, type 0x90).
inline std::vector<std::string> radioRecords(const std::vector<std::string>& frames) {
    std::vector<std::string> records;
    for (const std::string& f : frames) {
        if (f.size() <= 12 || static_cast<std::uint8_t>(f[0]) != 0x90) continue;
        std::string r = radioRecord(f.substr(12));
        if (!r.empty()) records.push_back(r);
    }
    return records;
}

// A recording file's records without their CR LF. Whatever follows the last CR LF (a torn
// record) comes back in `rest`.
inline std::vector<std::string> splitRecords(const std::string& file, std::string* rest = nullptr) {
    std::vector<std::string> records;
    std::size_t from = 0;
    for (std::size_t end; (end = file.find("\r\n", from)) != std::string::npos; from = end + 2)
        records.push_back(file.substr(from, end - from));
    if (rest) *rest = file.substr(from);
    return records;
}

// Lengths (CR LF included) of the records of radio staffs: "C" samples and power states,
// temperatures, dates, times, then "A" and "I" bursts.
inline const std::set<std::size_t> kRadioRecordLengths{21, 15, 20, 18, 289, 545};

// The device number of a record ("C002,..." -> 2).
inline int deviceOf(const std::string& record) { return std::atoi(record.substr(1, 3).c_str()); }

inline std::vector<std::string> recordsOfDevice(const std::vector<std::string>& records, int device) {
    std::vector<std::string> mine;
    for (const std::string& r : records)
        if (deviceOf(r) == device) mine.push_back(r);
    return mine;
}

// The lines (without line ends) a wired unit sent after `marker`, up to the last complete one.
inline std::vector<std::string> linesAfter(const std::string& log, const std::string& marker) {
    std::vector<std::string> lines;
    const std::size_t at = log.find(marker);
    if (at == std::string::npos) return lines;
    std::string line;
    for (std::size_t i = at + marker.size(); i < log.size(); ++i) {
        const char c = log[i];
        if (c == '\r' || c == '\n') {
            if (!line.empty()) lines.push_back(line);
            line.clear();
        } else {
            line.push_back(c);
        }
    }
    return lines;
}

// `got` must be the start of `want` and lack no more than `missing` of it at the end (records
// the instrument sent while the program was closing).
inline ::testing::AssertionResult isNearlyAll(const std::vector<std::string>& got,
                                              const std::vector<std::string>& want,
                                              std::size_t missing) {
    for (std::size_t i = 0; i < got.size() && i < want.size(); ++i) {
        if (got[i] != want[i]) {
            return ::testing::AssertionFailure()
                   << "record " << i << " is \"" << got[i] << "\", expected \"" << want[i] << "\"";
        }
    }
    if (got.size() > want.size() || got.size() + missing < want.size()) {
        return ::testing::AssertionFailure() << got.size() << " records, expected " << want.size()
                                             << " (at most " << missing << " fewer)";
    }
    return ::testing::AssertionSuccess();
}

}  // namespace e2e
