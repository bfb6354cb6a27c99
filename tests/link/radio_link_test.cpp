#include <gtest/gtest.h>

#include "link/api_frame_codec.h"
#include "link_fixture.h"
#include "support/wire_frames.h"

using namespace link_test;
using platform::Ctl;

namespace {

std::string wire(const links::EncodedFrame& f) {
    return {reinterpret_cast<const char*>(f.span().data()), f.size};
}

// What a unit at `address` sends: a receive packet carrying `text`, escaped.
std::string unitFrame(std::uint64_t address, const std::string& text) {
    return testing_support::receivePacket(address, text);
}

struct RadioLink : LinkFixture {
    RadioLink() { chooseUnitType(0); }
};

TEST_F(RadioLink, OpeningAskForThePanIdAndRunsTheRadioTimers) {
    int panRequests = 0, panVisible = -1;
    host->linkHooks().GetLocalPANID = [&] { ++panRequests; };
    host->linkHooks().ConfigXBPANVisible = [&](int v) { panVisible = v; };
    open(Ctl::PortARing, kPortA);
    EXPECT_EQ(ports.ports[kPortA].settings.baud, 115200);
    EXPECT_EQ(links().OpenComPortNum, kPortA);
    EXPECT_EQ(links().OpenComPortNum_A, kPortA);
    EXPECT_EQ(ports.ports[kPortA].flushes, 1);
    EXPECT_TRUE(panel.timerEnabled(Ctl::DeviceDisplayTimer));
    EXPECT_TRUE(panel.timerEnabled(Ctl::ConfigTimer));
    EXPECT_FALSE(panel.timerEnabled(Ctl::FRTCDeviceConnectTimer));
    EXPECT_TRUE(panel.dimmed(Ctl::PortARing));
    EXPECT_TRUE(panel.visible(Ctl::ChangePortA));
    EXPECT_EQ(panRequests, 1);
    EXPECT_EQ(panVisible, 0);
    tick(5);  // the connect handshake is for wired units only
    EXPECT_EQ(sent(kPortA), "");
}

TEST_F(RadioLink, CommandsGoToPortAAsFrames) {
    auto& tx = host->apiFrames();
    std::snprintf(tx.TxStr.data(), tx.TxStr.size(), "RS\r\n");
    tx.ComWrtAPIFrame(0xFFFF, 0, 4);  // no port: nothing, no failure
    open(Ctl::PortARing, kPortA);
    EXPECT_EQ(sent(kPortA), std::string("\x7E\x00\x04\x08\x01ID\x69", 8));  // the adapter's PAN ID
    std::snprintf(tx.TxStr.data(), tx.TxStr.size(), "RS\r\n");
    tx.ComWrtAPIFrame(0xFFFF, 0, 4);
    EXPECT_EQ(sent(kPortA), wire(links::transmitRequest(
                                links::kBroadcastAddress,
                                std::span(reinterpret_cast<const std::uint8_t*>("RS\r\n"), 4))));
    std::snprintf(tx.TxStr.data(), tx.TxStr.size(), "ID");
    tx.ComWrtATCommand(2);
    EXPECT_EQ(sent(kPortA), std::string("\x7E\x00\x04\x08\x01ID\x69", 8));
    tx.ComWrtRemoteATCommand(0x40A1B2C3, 0x0013A200, 2);
    EXPECT_EQ(sent(kPortA).size(), 20u);  // 7E, length, 15 bytes of data, checksum, escaped 13
}

TEST_F(RadioLink, AFrameSplitAtEveryByteBoundaryDecodesTheSame) {
    open(Ctl::PortARing, kPortA);
    const std::string frame = unitFrame(0x0013A20040A1B2C3ull, "C012,D1,S04,01234\r\n");
    for (std::size_t cut = 0; cut <= frame.size(); ++cut) {
        sink.frames.clear();
        ports.receive(kPortA, frame.substr(0, cut));
        ports.receive(kPortA, frame.substr(cut));
        ASSERT_EQ(sink.frames.size(), 1u) << "cut at " << cut;
        EXPECT_EQ(sink.frames[0].text, "C012,D1,S04,01234\r\n");
        EXPECT_EQ(sink.frames[0].address, 0x0013A20040A1B2C3ull);
    }
}

TEST_F(RadioLink, ALongBacklogArrivingAtOnceIsDecodedWhole) {
    // After a long wait (a blocking handshake, a busy window) many kilobytes arrive together;
    // they are taken a block at a time with frames across the block edges.
    open(Ctl::PortARing, kPortA);
    capture.open = true;
    std::string backlog;
    for (int i = 0; i < 700; ++i) {
        backlog += unitFrame(
            0x0013A20040A10000ull + static_cast<unsigned>(i % 7),
            "C00" + std::to_string(1 + i % 7) + ",D1,S32,0" + std::to_string(1000 + i) + "\r\n");
    }
    ASSERT_GT(backlog.size(), 3 * 4096u);
    ports.receive(kPortA, backlog);
    ASSERT_EQ(sink.frames.size(), 700u);
    EXPECT_EQ(sink.frames[699].text, "C007,D1,S32,01699\r\n");
    EXPECT_EQ(std::string(capture.bytes.begin(), capture.bytes.end()), backlog);
    EXPECT_EQ(ports.inputLength(kPortA), 0);
}

TEST_F(RadioLink, InterleavedFramesOnPortAAndPortBBothDecode) {
    open(Ctl::PortARing, kPortA);
    open(Ctl::PortBRing, kPortB);
    const std::string a = unitFrame(0x0013A20000000001ull, "C001,D1,S04,01000\r\n");
    const std::string b = unitFrame(0x0013A20000000002ull, "C002,D1,S04,02000\r\n");
    for (std::size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
        if (i < a.size()) ports.receive(kPortA, a.substr(i, 1));
        if (i < b.size()) ports.receive(kPortB, b.substr(i, 1));
    }
    ASSERT_EQ(sink.frames.size(), 2u);
    EXPECT_EQ(sink.frames[0].text, "C001,D1,S04,01000\r\n");
    EXPECT_EQ(sink.frames[0].source, links::FrameSource::PortA);
    EXPECT_EQ(sink.frames[1].text, "C002,D1,S04,02000\r\n");
    EXPECT_EQ(sink.frames[1].source, links::FrameSource::PortB);
}

// While a file plays, the live frames still go on to the data service: it records them.
TEST_F(RadioLink, CaptureTakesEveryByteAndFramesFlowOnWhileAFilePlays) {
    open(Ctl::PortARing, kPortA);
    capture.open = true;
    std::string broken = unitFrame(1, "C001,D1,S04,01000\r\n");
    broken.back() = static_cast<char>(broken.back() ^ 0x55);
    const std::string good = unitFrame(0x7E7D1113, "C001,D1,S04,01000\r\n");  // escapes
    ports.receive(kPortA, broken + good);
    EXPECT_EQ(std::string(capture.bytes.begin(), capture.bytes.end()), broken + good);
    EXPECT_EQ(sink.frames.size(), 1u);

    host->chartCtr().PlotSource = 1;
    ports.receive(kPortA, good);
    EXPECT_EQ(capture.bytes.size(), broken.size() + 2 * good.size());
    EXPECT_EQ(sink.frames.size(), 2u);
}

TEST_F(RadioLink, UnknownUnitTypeLeavesBytesWaiting) {
    open(Ctl::PortARing, kPortA);
    host->session().UnitType = 12;
    ports.receive(kPortA, "abc");
    EXPECT_EQ(ports.inputLength(kPortA), 3);
}

}  // namespace

namespace {

// A backlog of megabytes is taken a slice at a time, the rest in later turns of the event
// loop, so that timers and a stop request are not held off until it is all worked through.
TEST_F(RadioLink, ABacklogIsTakenInSlicesAndNothingOfItIsLost) {
    open(Ctl::PortARing, kPortA);
    capture.open = true;
    int calls = 0;
    auto inner = ports.ports[kPortA].callback;
    ports.ports[kPortA].callback = [&](int n) {
        ++calls;
        inner(n);
    };
    const std::string frame =
        testing_support::receivePacket(0x0013A20040A10004ull, "C004,D1,S32,01500\r\n");
    std::string backlog;
    while (backlog.size() < 1'000'000) backlog += frame;
    ports.receive(kPortA, backlog);
    EXPECT_GE(calls, 1'000'000 / links::ReceivePaths::kBytesPerCall);
    EXPECT_EQ(capture.bytes.size(), backlog.size());
    EXPECT_EQ(sink.frames.size(), backlog.size() / frame.size());
}

}  // namespace
