#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <map>

#include "radio_network.h"
#include "sim/data_logger.h"

using namespace simtest;

namespace {

std::vector<std::uint8_t> bytes(std::initializer_list<int> v) {
    return std::vector<std::uint8_t>(v.begin(), v.end());
}

TEST(XBeeAdapter, TakesTheHostsBroadcastFrameAndReportsDelivery) {
    Network net({0, 1});
    // "RS\r\n" to the broadcast address, exactly as the host sends it.
    const Bytes frame = transmitRequest(0xFFFF, "RS\r\n");
    EXPECT_EQ(frame, bytes({0x7E, 0x00, 0x12, 0x10, 0x01, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFE,
                            0x00, 0x00, 0x52, 0x53, 0x0D, 0x0A, 0x37}));
    auto frames = net.exchange(frame);
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0][0], 0x8B);
    EXPECT_EQ(frames[0][1], 0x01);
    EXPECT_EQ(frames[0][5], sim::XBeeAdapter::kDelivered);
    for (std::size_t i = 1; i < 3; ++i) {
        EXPECT_EQ(frames[i][0], 0x90);
        EXPECT_EQ(address(frames[i], 1), net.address(i - 1));
        EXPECT_EQ(std::string(frames[i].begin() + 12, frames[i].end()), i == 1 ? "$RS,8\r\n" : "$RS,4\r\n");
    }
    // A frame with a wrong checksum is dropped by the adapter.
    Bytes broken = transmitRequest(net.address(0), "RS\r\n");
    broken.back() ^= 0x01;
    EXPECT_TRUE(net.exchange(broken).empty());
}

TEST(XBeeAdapter, ReadsWritesAndSavesItsOwnPanId) {
    Network net({0});
    auto frames = net.exchange(localAt("ID"));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], bytes({0x88, 0x01, 'I', 'D', 0, 0, 0, 0, 0, 0, 0, 0x12, 0x34}));
    frames = net.exchange(localAt(std::string_view("ID\0\0\0\0\0\0\x56\x78", 10)));
    EXPECT_EQ(frames[0], bytes({0x88, 0x01, 'I', 'D', 0}));
    EXPECT_EQ(net.adapter->panId(), 0x5678u);
    EXPECT_EQ(net.adapter->savedPanId(), 0x1234u);
    // The unit is on the old network now: not found, and its samples are not heard.
    frames = net.exchange(transmitRequest(net.address(0), "RS\r\n"));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0][5], sim::XBeeAdapter::kAddressNotFound);
    EXPECT_TRUE(net.run(5000).empty());
    EXPECT_EQ(net.exchange(localAt("WR"))[0], bytes({0x88, 0x01, 'W', 'R', 0}));
    EXPECT_EQ(net.adapter->savedPanId(), 0x5678u);
    EXPECT_EQ(net.exchange(localAt("XX"))[0][4], sim::XBeeAdapter::kInvalidCommand);
}

TEST(XBeeAdapter, PassesRemoteAtCommandsToTheUnitsRadio) {
    Network net({0, 0});
    auto frames = net.exchange(remoteAt(net.address(1), "ID"));
    ASSERT_EQ(frames.size(), 1u);
    const Bytes& r = frames[0];
    ASSERT_EQ(r.size(), 23u);
    EXPECT_EQ(r[0], 0x97);
    EXPECT_EQ(address(r, 2), net.address(1));
    EXPECT_EQ(std::string(r.begin() + 12, r.begin() + 14), "ID");
    EXPECT_EQ(r[14], 0);
    EXPECT_EQ(address(r, 15), 0x1234u);
    // A new PAN ID takes effect at once; the unit leaves the adapter's network.
    frames = net.exchange(remoteAt(net.address(1), std::string_view("ID\0\0\0\0\0\0\x99\x99", 10)));
    EXPECT_EQ(frames[0][14], 0);
    EXPECT_EQ(net.unit(1).panId(), 0x9999u);
    EXPECT_EQ(net.exchange(remoteAt(net.address(1), "WR"))[0][14], sim::XBeeAdapter::kTransmissionFailed);
    // Follow it, save it there, and it keeps the new value.
    net.exchange(localAt(std::string_view("ID\0\0\0\0\0\0\x99\x99", 10)));
    EXPECT_EQ(net.exchange(remoteAt(net.address(1), "WR"))[0][14], 0);
    EXPECT_EQ(net.unit(1).savedPanId(), 0x9999u);
    EXPECT_EQ(net.exchange(remoteAt(0x0013A200DEADBEEFull, "ID"))[0][14],
              sim::XBeeAdapter::kTransmissionFailed);
}

// The payload fields the host reads, by their offsets in the receive packet.
struct Burst {
    std::string text;
    char type() const { return text[0]; }
    int device() const { return std::atoi(text.c_str() + 1); }
    int rate() const { return std::atoi(text.c_str() + 18 - 12); }
    char battery() const { return text[22 - 12]; }
    std::string tag() const { return text.substr(24 - 12, 19); }
    const char* data() const { return text.c_str() + 45 - 12; }
};

TEST(RadioUnit, SendsEachDataFormatWithTimeTagsAtItsRate) {
    Network net({0, 0, 1, 2});  // A at 8 Hz, C at 4 Hz, I at 16 Hz, F at 8 Hz
    std::map<char, std::vector<Burst>> bursts;
    std::vector<std::string> texts;
    for (auto& t : net.run(8000)) {
        if (t[0] == 'C') texts.push_back(t);
        else bursts[t[0]].push_back({t});
    }
    // 8 s: two 32-sample bursts at 8 Hz, two 64-sample bursts at 16 Hz.
    ASSERT_EQ(bursts['A'].size(), 2u);
    ASSERT_EQ(bursts['F'].size(), 2u);
    ASSERT_EQ(bursts['I'].size(), 2u);
    for (auto& [type, list] : bursts) {
        const std::size_t samples = type == 'I' ? 64 : 32;
        const std::size_t width = type == 'A' ? 6 : type == 'F' ? 4 : 2;
        for (const Burst& b : list) {
            EXPECT_EQ(b.text.size(), 33 + samples * width) << type;
            EXPECT_EQ(b.text.substr(4, 2), ",S");
            EXPECT_EQ(b.battery(), '0');
            EXPECT_EQ(b.tag().size(), 19u);
            EXPECT_EQ(b.tag()[10], 'T');
        }
        // Consecutive bursts are one burst duration apart on the unit's clock.
        const int seconds = static_cast<int>(samples) / list[0].rate();
        EXPECT_EQ(std::atoi(list[1].tag().c_str() + 17) - std::atoi(list[0].tag().c_str() + 17), seconds);
    }
    EXPECT_EQ(bursts['A'][0].device(), 1);
    EXPECT_EQ(bursts['I'][0].device(), 3);
    EXPECT_EQ(bursts['F'][0].device(), 4);
    // Samples decode to water levels on the staff, varying with the waves.
    const Burst& a = bursts['A'][0];
    double low = 99, high = -99;
    for (int i = 0; i < 32; ++i) {
        const double v = std::atof(std::string(a.data() + 6 * i, 6).c_str()) / 1000.0;
        low = std::min(low, v);
        high = std::max(high, v);
    }
    EXPECT_GT(low, 0.3);
    EXPECT_LT(high, 2.0);
    EXPECT_GT(high - low, 0.01);
    float f = 0;
    std::memcpy(&f, bursts['F'][0].data(), 4);
    EXPECT_GT(f, 0.3f);
    EXPECT_LT(f, 2.0f);
    const auto* i16 = reinterpret_cast<const unsigned char*>(bursts['I'][0].data());
    const int mm = static_cast<std::int16_t>(i16[0] | i16[1] << 8);
    EXPECT_GT(mm, 300);
    EXPECT_LT(mm, 2000);
    // One text per sample, every 32 samples led by date, time, temperature and battery state.
    ASSERT_EQ(texts.size(), 4u + 32);
    EXPECT_EQ(texts[0].substr(0, 8), "C002,D8,");
    EXPECT_EQ(texts[0].size(), 20u);
    EXPECT_EQ(texts[1].substr(0, 8), "C002,D9,");
    EXPECT_EQ(texts[1][10], ':');
    EXPECT_EQ(texts[2].substr(0, 8), "C002,D4,");
    EXPECT_EQ(texts[3], "C002,D7,G\r\n");
    EXPECT_EQ(texts[4].substr(0, 12), "C002,D1,S04,");
    EXPECT_EQ(texts[4].size(), 19u);
}

TEST(RadioUnit, SleepsBetweenBurstsAndWakesOnBroadcastPower) {
    Network net({0});
    net.askOne(0, "WO,4\r\n");
    net.askOne(0, "WS,1\r\n");
    net.askOne(0, "WT,26-12-08T12:00:00\r\n");
    net.askOne(0, "WL,1\r\n");
    net.askOne(0, "WI,3\r\n");
    // Four minutes: sampling in the first and fourth, asleep in the two between.
    std::vector<int> perMinute;
    for (int m = 0; m < 4; ++m) {
        int samples = 0;
        for (auto& t : net.run(60000, 250))
            if (t.substr(4, 3) == ",D1") ++samples;
        perMinute.push_back(samples);
    }
    EXPECT_GE(perMinute[0], 59);
    EXPECT_EQ(perMinute[1], 0);
    EXPECT_LE(perMinute[2], 1);  // the unit's clock runs a little ahead of the host's
    EXPECT_GE(perMinute[3], 59);
    net.run(60000, 1000);
    // Asleep: commands are not acknowledged by the unit's radio.
    auto frames = net.exchange(transmitRequest(net.address(0), "RS\r\n"));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0][5], sim::XBeeAdapter::kNoAck);
    // Broadcast power on: awake, continuous.
    net.exchange(transmitRequest(0xFFFF, "BP,1\r\n"));
    EXPECT_EQ(net.askOne(0, "RL\r\n"), "$RL,0\r\n");
    EXPECT_FALSE(net.run(3000).empty());
    // Broadcast power off: silent, and deaf to all but the next broadcast.
    net.exchange(transmitRequest(0xFFFF, "BP,2\r\n"));
    EXPECT_TRUE(net.run(3000).empty());
    EXPECT_TRUE(net.ask(0, "RS\r\n").empty());
}

TEST(RadioUnit, PowersDownSomeMinutesAfterBeingSwitchedOff) {
    Network net({0});
    EXPECT_EQ(net.askOne(0, "WP,0\r\n"), "$WP,0\r\n");
    EXPECT_FALSE(net.run(60000, 500).empty());
    net.run(61000, 500);
    EXPECT_TRUE(net.run(5000).empty());
}

TEST(DataLogger, ForwardsItsSensorsInIntegerAndTextBursts) {
    Network net({8});
    int iBursts = 0, gBursts = 0;
    for (auto& t : net.run(65000, 500)) {
        if (t[0] == 'i') {
            ++iBursts;
            EXPECT_EQ(t.size(), 33u + 60 * 2);
            EXPECT_EQ(std::atoi(t.c_str() + 1), sim::DataLogger::kFirstSensorDevice + (iBursts == 1 ? 0 : 1));
        } else if (t[0] == 'G') {
            ++gBursts;
            EXPECT_EQ(t.size(), 33u + 128);
            EXPECT_EQ(std::atoi(t.c_str() + 1), sim::DataLogger::kFirstSensorDevice + 4);
            EXPECT_NE(t.find("WS="), std::string::npos);
        }
    }
    EXPECT_EQ(iBursts, 2);  // ports 1 (staff) and 2 (analogue), 60 samples at 1 Hz
    EXPECT_GE(gBursts, 10);
}

}  // namespace
