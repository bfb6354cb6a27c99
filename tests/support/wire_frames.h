#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/api_frame.h"

namespace testing_support {

// The bytes a radio adapter sends for one frame: 0x7E, the length, the frame data and its
// checksum, everything after the delimiter escaped.
inline std::string wireFrame(std::span<const std::uint8_t> data) {
    std::uint8_t sum = 0;
    for (auto b : data) sum = static_cast<std::uint8_t>(sum + b);
    std::vector<std::uint8_t> body = {static_cast<std::uint8_t>(data.size() >> 8),
                                      static_cast<std::uint8_t>(data.size())};
    body.insert(body.end(), data.begin(), data.end());
    body.push_back(static_cast<std::uint8_t>(0xFF - sum));
    std::string wire = "\x7E";
    for (auto b : body) {
        if (b == 0x7E || b == 0x7D || b == 0x11 || b == 0x13) {
            wire += '\x7D';
            wire += static_cast<char>(b ^ 0x20);
        } else {
            wire += static_cast<char>(b);
        }
    }
    return wire;
}

inline std::string wireFrame(const links::RxFrame& f) {
    return wireFrame(std::span(f.data.data(), static_cast<std::size_t>(f.length)));
}

// What a radio unit at `address` sends through the adapter: a receive packet (0x90) carrying
// `text`, escaped.
inline std::string receivePacket(std::uint64_t address, std::string_view text) {
    std::vector<std::uint8_t> data{0x90};
    for (int i = 0; i < 8; ++i) data.push_back(static_cast<std::uint8_t>(address >> (56 - 8 * i)));
    data.insert(data.end(), {0xFF, 0xFE, 0x01});
    data.insert(data.end(), text.begin(), text.end());
    return wireFrame(data);
}

}  // namespace testing_support
