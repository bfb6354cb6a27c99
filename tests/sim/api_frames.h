#pragma once
// Frames as the host program builds and reads them, written out independently of the
// simulator's own codec so the two check each other.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace simtest {

using Bytes = std::vector<std::uint8_t>;

inline Bytes escapeFrame(const Bytes& data) {
    Bytes out{0x7E};
    auto put = [&](std::uint8_t b) {
        if (b == 0x7E || b == 0x7D || b == 0x11 || b == 0x13) {
            out.push_back(0x7D);
            out.push_back(static_cast<std::uint8_t>(b ^ 0x20));
        } else {
            out.push_back(b);
        }
    };
    put(static_cast<std::uint8_t>(data.size() >> 8));
    put(static_cast<std::uint8_t>(data.size() & 0xFF));
    std::uint8_t sum = 0;
    for (std::uint8_t b : data) {
        sum = static_cast<std::uint8_t>(sum + b);
        put(b);
    }
    put(static_cast<std::uint8_t>(0xFF - sum));
    return out;
}

inline void putAddress(Bytes& f, std::uint64_t a) {
    for (int i = 7; i >= 0; --i) f.push_back(static_cast<std::uint8_t>(a >> (8 * i)));
}

// Transmit request (0x10), frame ID 1, 16-bit address FF FE, radius 0, options 0.
inline Bytes transmitRequest(std::uint64_t dest, std::string_view payload) {
    Bytes f{0x10, 0x01};
    putAddress(f, dest);
    f.insert(f.end(), {0xFF, 0xFE, 0x00, 0x00});
    f.insert(f.end(), payload.begin(), payload.end());
    return escapeFrame(f);
}

inline Bytes localAt(std::string_view command) {
    Bytes f{0x08, 0x01};
    f.insert(f.end(), command.begin(), command.end());
    return escapeFrame(f);
}

// Remote AT command request (0x17), options 0x02 (apply changes).
inline Bytes remoteAt(std::uint64_t dest, std::string_view command) {
    Bytes f{0x17, 0x01};
    putAddress(f, dest);
    f.insert(f.end(), {0xFF, 0xFE, 0x02});
    f.insert(f.end(), command.begin(), command.end());
    return escapeFrame(f);
}

// Splits a byte stream into frame data (type byte on), checking every checksum.
inline std::vector<Bytes> decodeFrames(const Bytes& stream, int* bad = nullptr) {
    std::vector<Bytes> frames;
    Bytes raw;
    std::size_t i = 0;
    while (i < stream.size()) {
        if (stream[i++] != 0x7E) continue;
        raw.clear();
        while (i < stream.size() && stream[i] != 0x7E) {
            std::uint8_t b = stream[i++];
            if (b == 0x7D && i < stream.size()) b = static_cast<std::uint8_t>(stream[i++] ^ 0x20);
            raw.push_back(b);
        }
        if (raw.size() < 3) continue;
        const std::size_t length = static_cast<std::size_t>(raw[0] << 8 | raw[1]);
        std::uint8_t sum = 0;
        for (std::size_t k = 2; k < raw.size(); ++k) sum = static_cast<std::uint8_t>(sum + raw[k]);
        if (raw.size() != length + 3 || sum != 0xFF) {
            if (bad) ++*bad;
            continue;
        }
        frames.emplace_back(raw.begin() + 2, raw.end() - 1);
    }
    return frames;
}

inline std::uint64_t address(const Bytes& f, std::size_t at) {
    std::uint64_t a = 0;
    for (std::size_t k = 0; k < 8; ++k) a = a << 8 | f[at + k];
    return a;
}

// Payload texts of the receive packets (0x90) in a stream.
inline std::vector<std::string> packetTexts(const Bytes& stream) {
    std::vector<std::string> texts;
    for (const Bytes& f : decodeFrames(stream))
        if (f[0] == 0x90) texts.emplace_back(f.begin() + 12, f.end());
    return texts;
}

}  // namespace simtest
