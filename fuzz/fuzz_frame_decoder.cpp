// Arbitrary bytes from a radio adapter into the frame decoder. Every frame it completes must
// have a length the receiver accepts and a correct checksum, and must encode back to bytes
// the decoder reads as the same frame.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "link/api_frame_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    links::FrameDecoder decoder, block;
    std::size_t blockAt = 0;
    for (std::size_t i = 0; i < size; ++i) {
        if (!decoder.feed(data[i])) continue;
        // Block feeding must stop at the same byte with the same frame.
        bool complete = false;
        while (!complete && blockAt < size) {
            blockAt += block.feed({data + blockAt, size - blockAt}, complete);
        }
        if (!complete || blockAt != i + 1) std::abort();
        const links::RxFrame& f = decoder.frame();
        if (block.frame().length != f.length ||
            std::memcmp(block.frame().data.data(), f.data.data(),
                        static_cast<std::size_t>(f.length) + 1) != 0) {
            std::abort();
        }
        if (f.length < links::kMinFrameLength || f.length > links::kMaxFrameLength) std::abort();
        std::uint8_t sum = 0;
        for (int k = 0; k <= f.length; ++k)
            sum = static_cast<std::uint8_t>(sum + f.data[static_cast<std::size_t>(k)]);
        if (sum != 0xFF) std::abort();
    }
    // Whatever the bytes, an AT command made of them (cut to the transmit buffer) round-trips.
    const links::EncodedFrame e = links::atCommand({data, size});
    links::FrameDecoder again;
    int frames = 0;
    for (std::uint8_t b : e.span()) frames += again.feed(b) ? 1 : 0;
    const std::size_t n = size < links::kMaxTxPayload ? size : links::kMaxTxPayload;
    if (n + 2 >= static_cast<std::size_t>(links::kMinFrameLength)) {
        if (frames != 1 || std::memcmp(again.frame().data.data() + 2, data, n) != 0) std::abort();
    }
    return 0;
}
