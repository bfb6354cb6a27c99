#include "link/api_frame_codec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

using namespace links;

namespace {

std::vector<std::uint8_t> bytes(std::initializer_list<int> list) {
    std::vector<std::uint8_t> v;
    for (int b : list) v.push_back(static_cast<std::uint8_t>(b));
    return v;
}

std::vector<std::uint8_t> wire(const EncodedFrame& f) { return {f.span().begin(), f.span().end()}; }

std::span<const std::uint8_t> text(const std::string& s) {
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

// Feeds the bytes; returns every frame completed, as frame data plus checksum.
std::vector<std::vector<std::uint8_t>> decodeAll(FrameDecoder& d,
                                                 std::span<const std::uint8_t> in) {
    std::vector<std::vector<std::uint8_t>> out;
    for (std::uint8_t b : in) {
        if (d.feed(b)) {
            const RxFrame& f = d.frame();
            out.emplace_back(f.data.begin(), f.data.begin() + f.length + 1);
        }
    }
    return out;
}

TEST(ApiFrameEncode, BroadcastTransmitRequestByteForByte) {
    EXPECT_EQ(wire(transmitRequest(kBroadcastAddress, text("RS\r\n"))),
              bytes({0x7E, 0x00, 0x12, 0x10, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                     0xFF, 0xFF, 0xFF, 0xFE, 0x00, 0x00, 0x52, 0x53, 0x0D, 0x0A, 0x37}));
}

TEST(ApiFrameEncode, EscapesFlowControlAndFramingBytesButSumsThemPlain) {
    const std::vector<std::uint8_t> payload = bytes({0x11, 0x13, 0x7E, 0x7D});
    auto f = wire(atCommand(payload));
    // 7E, length 00 06, 08 01, then the four escaped bytes, checksum FF - (08+01+11+13+7E+7D)
    const int sum = (0x08 + 0x01 + 0x11 + 0x13 + 0x7E + 0x7D) & 0xFF;
    EXPECT_EQ(f, bytes({0x7E, 0x00, 0x06, 0x08, 0x01, 0x7D, 0x31, 0x7D, 0x33, 0x7D, 0x5E, 0x7D,
                        0x5D, 0xFF - sum}));
}

TEST(ApiFrameEncode, RemoteCommandCarriesAddressAndApplyOption) {
    auto f = wire(remoteAtCommand(0x0013A20040A1B2C3ull, text("WR")));
    ASSERT_GE(f.size(), 18u);
    EXPECT_EQ(f[2], 15);  // 13 header bytes + 2
    EXPECT_EQ(f[3], kRemoteAtCommand);
    EXPECT_EQ(std::vector<std::uint8_t>(f.begin() + 5, f.begin() + 7), bytes({0x00, 0x7D}));
    EXPECT_EQ(f[7], 0x33);  // 0x13 of the address, escaped
}

TEST(ApiFrameDecode, RoundTripsEveryFrameKindIncludingAnEscapedChecksum) {
    // Find a one-byte AT parameter whose checksum itself needs escaping.
    int escapedChecksum = -1;
    for (int p = 0; p < 256 && escapedChecksum < 0; ++p) {
        const auto f = wire(atCommand(bytes({'I', 'D', p})));
        if (f[f.size() - 2] == 0x7D) escapedChecksum = p;
    }
    ASSERT_GE(escapedChecksum, 0);
    std::vector<std::uint8_t> stream;
    for (const EncodedFrame& f :
         {transmitRequest(0x0013A20040A1B2C3ull, text("$DN,012\r\n")),
          atCommand(bytes({'I', 'D', escapedChecksum})),
          remoteAtCommand(kBroadcastAddress, bytes({'I', 'D', 0x11, 0x13}))}) {
        stream.insert(stream.end(), f.span().begin(), f.span().end());
    }
    FrameDecoder d;
    auto frames = decodeAll(d, stream);
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0][0], kTransmitRequest);
    EXPECT_EQ(std::string(frames[0].begin() + 14, frames[0].end() - 1), "$DN,012\r\n");
    EXPECT_EQ(frames[1], bytes({0x08, 0x01, 'I', 'D', escapedChecksum,
                                (0xFF - ((0x09 + 'I' + 'D' + escapedChecksum) & 0xFF)) & 0xFF}));
    EXPECT_EQ(frames[2][13], 'I');
    EXPECT_EQ(frames[2][15], 0x11);
    EXPECT_EQ(frames[2][16], 0x13);
}

TEST(ApiFrameDecode, BlockFeedingFindsTheSameFramesAsByteByByte) {
    std::vector<std::uint8_t> stream =
        wire(transmitRequest(0x0013A2007E7D1113ull, text("C001,D1")));
    const auto at = wire(atCommand(bytes({'I', 'D', 0x7D, 0x7D})));
    stream.insert(stream.end(), {0x7D, 0x7D, 0x00});  // escapes outside a frame
    stream.insert(stream.end(), at.begin(), at.end());
    stream.insert(stream.end(), at.begin(), at.end() - 1);  // cut short
    FrameDecoder one, block;
    auto expected = decodeAll(one, stream);
    std::vector<std::vector<std::uint8_t>> got;
    std::span<const std::uint8_t> rest(stream);
    bool complete = false;
    while (!rest.empty()) {
        rest = rest.subspan(block.feed(rest, complete));
        if (complete)
            got.emplace_back(block.frame().data.begin(),
                             block.frame().data.begin() + block.frame().length + 1);
    }
    ASSERT_EQ(expected.size(), 2u);
    EXPECT_EQ(got, expected);
    EXPECT_EQ(block.insideFrame(), one.insideFrame());
}

// A frame of the given length field whose data bytes are all 0x01.
std::vector<std::uint8_t> plainFrame(int length) {
    std::vector<std::uint8_t> f = bytes({0x7E, length >> 8, length & 0xFF});
    for (int i = 0; i < length; ++i) f.push_back(0x01);
    f.push_back(static_cast<std::uint8_t>(0xFF - (length & 0xFF)));
    return f;
}

TEST(ApiFrameDecode, TakesLengthsFiveToNineHundredNinetyNine) {
    for (int length : {4, 5, 999, 1000, 0}) {
        FrameDecoder d;
        auto frames = decodeAll(d, plainFrame(length));
        const bool expected = length >= 5 && length <= 999;
        EXPECT_EQ(frames.size(), expected ? 1u : 0u) << "length " << length;
        if (expected) {
            EXPECT_EQ(static_cast<int>(frames[0].size()), length + 1);
        }
    }
}

TEST(ApiFrameDecode, UnescapesInsideTheFrame) {
    // 7D 5E is 0x7E; a 7D 5D is 0x7D.
    const std::uint8_t sum = static_cast<std::uint8_t>(0x88 + 0x7E + 0x7D + 1 + 2);
    FrameDecoder d;
    auto frames = decodeAll(
        d, bytes({0x7E, 0x00, 0x05, 0x88, 0x7D, 0x5E, 0x7D, 0x5D, 0x01, 0x02, 0xFF - sum}));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], bytes({0x88, 0x7E, 0x7D, 0x01, 0x02, 0xFF - sum}));
}

TEST(ApiFrameDecode, BadChecksumAndStrayDelimiterLoseNoFrameBehindThem) {
    auto good = wire(atCommand(bytes({'I', 'D', 0x22})));
    ASSERT_EQ(good.size(), 9u);
    auto bad = good;
    bad[8] = static_cast<std::uint8_t>(good[8] ^ 0x01);
    std::vector<std::uint8_t> stream = bad;
    stream.insert(stream.end(), {0x00, 0x42, 0x7E});  // noise between frames, a stray delimiter
    stream.insert(stream.end(), good.begin(), good.end());
    FrameDecoder d;
    // The stray 7E starts a frame, and the real frame's own 7E starts it again: the real
    // frame right behind the noise is decoded, not lost.
    auto frames = decodeAll(d, stream);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0][0], 0x08);
    frames = decodeAll(d, good);
    EXPECT_EQ(frames.size(), 1u);
}

}  // namespace

namespace {

// Noise that holds a start byte and then breaks off: the good frame that follows is still
// decoded, whether the bytes come one by one or in blocks.
TEST(ApiFrameDecode, AStartByteInsideAFrameStartsTheNextOne) {
    std::vector<std::uint8_t> stream = bytes({0x7E, 0x00, 0x40, 0x90, 0x01, 0x02});  // cut short
    const std::vector<std::uint8_t> good = plainFrame(8);
    stream.insert(stream.end(), good.begin(), good.end());
    stream.insert(stream.end(), {0x7E, 0x7D});  // an escape, then a start byte
    stream.insert(stream.end(), good.begin(), good.end());
    FrameDecoder one, block;
    EXPECT_EQ(decodeAll(one, stream).size(), 2u);
    bool complete = false;
    int frames = 0;
    for (std::span<const std::uint8_t> rest(stream); !rest.empty();) {
        rest = rest.subspan(block.feed(rest, complete));
        frames += complete ? 1 : 0;
    }
    EXPECT_EQ(frames, 2);
}

}  // namespace

namespace {

// The block path copies eight bytes at a time until a delimiter or an escape comes. These
// streams put delimiters, escapes and the bytes that must be escaped at every offset within
// those eight, cut frames short, spoil checksums and lengths, and are fed in blocks of every
// size: the frames found, the frames thrown away and the state at the end must be those of
// feeding byte by byte.
TEST(ApiFrameDecode, BlocksOfAnySizeFindWhatByteByByteFinds) {
    std::mt19937 random(23);
    auto below = [&random](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const std::uint8_t special[] = {0x7E, 0x7D, 0x11, 0x13, 0x5E, 0x5D, 0x00, 0xFF};
    for (int round = 0; round < 300; ++round) {
        std::vector<std::uint8_t> stream;
        for (int f = 0; f < 12; ++f) {
            std::vector<std::uint8_t> data(
                static_cast<std::size_t>(4 + below(round % 3 ? 60 : 400)));
            for (std::uint8_t& b : data) {
                b = below(5) == 0 ? special[below(8)] : static_cast<std::uint8_t>(random());
            }
            std::vector<std::uint8_t> frame;
            writeFrame(std::span(data).first(1), std::span(data).subspan(1),
                       [&frame](std::uint8_t b) { frame.push_back(b); });
            switch (below(6)) {
                case 0:  // cut short
                    frame.resize(
                        static_cast<std::size_t>(1 + below(static_cast<int>(frame.size()))));
                    break;
                case 1:  // a byte spoilt: checksum, length or a plain delimiter inside
                    frame[static_cast<std::size_t>(1 + below(static_cast<int>(frame.size()) - 1))] =
                        special[below(2)] ^ static_cast<std::uint8_t>(below(2));
                    break;
                case 2:  // noise before it
                    for (int k = below(20); k > 0; --k)
                        frame.insert(frame.begin(), special[below(8)]);
                    break;
                default:
                    break;
            }
            stream.insert(stream.end(), frame.begin(), frame.end());
        }
        FrameDecoder one;
        const auto expected = decodeAll(one, stream);
        for (const std::size_t blockSize : {1, 5, 8, 9, 16, 61, 4096}) {
            FrameDecoder block;
            std::vector<std::vector<std::uint8_t>> got;
            std::span<const std::uint8_t> all(stream);
            for (std::size_t at = 0; at < all.size(); at += blockSize) {
                std::span<const std::uint8_t> rest =
                    all.subspan(at, std::min(blockSize, all.size() - at));
                bool complete = false;
                while (!rest.empty()) {
                    rest = rest.subspan(block.feed(rest, complete));
                    if (complete) {
                        const RxFrame& f = block.frame();
                        got.emplace_back(f.data.begin(), f.data.begin() + f.length + 1);
                    }
                }
            }
            ASSERT_EQ(got, expected) << "round " << round << ", blocks of " << blockSize;
            EXPECT_EQ(block.badChecksums(), one.badChecksums());
            EXPECT_EQ(block.badLengths(), one.badLengths());
            EXPECT_EQ(block.insideFrame(), one.insideFrame());
        }
    }
}

}  // namespace
