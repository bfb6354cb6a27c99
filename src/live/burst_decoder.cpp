#include "live/burst_decoder.h"

#include <cstring>

namespace live {

namespace {
constexpr std::array<BurstLayout, 5> kLayouts{{
    {'A', 32, 6, 32000},
    {'F', 32, 4, 32000},
    {'I', 64, 2, 64000},
    {'i', 60, 2, 60000},
    {'G', 128, 1, 0},
}};
}  // namespace

const BurstLayout* burstLayout(char type) {
    for (const BurstLayout& l : kLayouts) {
        if (l.type == type) return &l;
    }
    return nullptr;
}

int decodeBurst(const MessageText& frame, std::array<float, kMaxBurstValues>& values,
                std::array<std::uint8_t, kRawBurstBytes>& raw) {
    const BurstLayout* l = burstLayout(frame.at(kPayloadStart));
    if (l == nullptr) return -1;
    if (frame.length() < kBurstData + l->samples * l->bytesPerSample) return -1;
    for (int s = 0; s < l->samples; ++s) {
        const int at = kBurstData + s * l->bytesPerSample;
        const auto k = static_cast<std::size_t>(s);
        switch (l->type) {
            case 'A':
                values[k] = static_cast<float>(frame.atofAt(at, 6) / 1000.0);
                break;
            case 'F': {
                // The units send the float in little-endian byte order.
                std::uint32_t bits = static_cast<std::uint32_t>(frame.byteAt(at)) |
                                     static_cast<std::uint32_t>(frame.byteAt(at + 1)) << 8 |
                                     static_cast<std::uint32_t>(frame.byteAt(at + 2)) << 16 |
                                     static_cast<std::uint32_t>(frame.byteAt(at + 3)) << 24;
                float f;
                std::memcpy(&f, &bits, sizeof f);
                values[k] = f;
                break;
            }
            case 'I':
            case 'i': {
                auto v = static_cast<std::int16_t>(frame.byteAt(at) | frame.byteAt(at + 1) << 8);
                values[k] = static_cast<float>(v / 1000.0);
                break;
            }
            default:
                raw[k] = frame.byteAt(at);
                break;
        }
    }
    return l->samples;
}

}  // namespace live
