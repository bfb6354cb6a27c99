#include <gtest/gtest.h>

#include <sstream>

#include "sim/synchronizer.h"
#include "sim/variant.h"

namespace {

const platform::AbsTime kStart = platform::toAbsTime({2026, 12, 8, 12, 0, 0, 0});

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) out.push_back(l.substr(0, l.find('\r')));
    return out;
}

// The host's connect sequence: CR, LF, "g", "st"; then "r"; then "g".
TEST(Synchronizer, ListsItsStatusInTheLinesTheHostRecognises) {
    sim::Synchronizer sync(kStart, 8);
    sync.receive("\r\ng");
    sync.advance(500);
    sync.takeText();
    sync.receive("st");
    const auto status = lines(sync.takeText());
    ASSERT_GE(status.size(), 6u);
    bool id = false, code = false, rate = false, mode = false, tag = false;
    for (const std::string& l : status) {
        if (l[0] == 'S' && l.size() > 7 && l[7] == 'N') id = l.substr(15, 18) == "WSS-8CH-2016-00042";
        if (l[0] == 'C' && l.size() > 5 && l[5] == 'R') code = l.substr(10, 5) == "03.01";
        if (l[0] == 'F' && l.size() > 8 && l[8] == 'F') rate = l.substr(19, 2) == "04";
        if (l[0] == 'S' && l.size() > 7 && l[7] == 'M') mode = l[13] == 'f';
        if (l[0] == 'T' && l.size() > 5 && l[5] == 'T') tag = l[10] == 'n';
    }
    EXPECT_TRUE(id && code && rate && mode && tag);
    const std::string& last = status.back();
    EXPECT_EQ(last[0], 'S');
    EXPECT_EQ(last[8], 't') << "the listing ends with the line the host stops at";
    sync.advance(1000);
    EXPECT_EQ(sync.takeText(), "") << "stopped while listing";
    sync.receive("r");
    const std::string clock = sync.takeText();
    EXPECT_TRUE(clock[0] == '0' || clock[0] == '1');
    EXPECT_EQ(clock[2], '-');
    EXPECT_EQ(clock.substr(0, 9), "12-08-26 ");
}

TEST(Synchronizer, StreamsSixOrEightChannelsOfCounts) {
    for (int channels : {6, 8}) {
        sim::Synchronizer sync(kStart, channels);
        sync.receive("g");
        sync.advance(1000);
        const auto data = lines(sync.takeText());
        ASSERT_EQ(data.size(), 4u);
        for (const std::string& l : data) {
            // Six channels stay under 33 characters, eight reach it; channel c at 5c.
            EXPECT_EQ(l.size() < 33, channels == 6) << l;
            for (int c = 0; c < channels; ++c) {
                const int counts = std::stoi(l.substr(static_cast<std::size_t>(5 * c), 4));
                EXPECT_GT(counts, 1000);
                EXPECT_LT(counts, 3500);
            }
        }
    }
}

// A slow adapter holds every byte 0.4 s on its way, to the device as well as from it: the
// clock line asked for comes 0.8 s after the request.
TEST(Synchronizer, ASlowAdapterHoldsBytesBothWays) {
    sim::Synchronizer sync(kStart, 8);
    sync.setVariant(*sim::variantNamed("slow-adapter"));
    const auto clockLineIn = [&](double seconds) {
        bool seen = false;
        for (int i = 0; i < static_cast<int>(seconds * 20 + 0.5); ++i) {
            sync.advance(50);
            for (const std::string& l : lines(sync.takeText()))
                seen = seen || (l.size() == 17 && l[2] == '-' && l[11] == ':');
        }
        return seen;
    };
    const std::uint8_t r = 'r';
    sync.fromComputer(std::span(&r, 1));
    EXPECT_FALSE(clockLineIn(0.75));
    EXPECT_TRUE(clockLineIn(0.2));
}

TEST(Synchronizer, TakesItsMenuSettings) {
    sim::Synchronizer sync(kStart, 8);
    sync.receive("f");
    sync.receive("8\n\r");
    sync.receive("m");
    sync.receive("command\n\r");
    sync.receive("t");
    sync.receive("min\n\r");
    sync.receive("s");
    sync.receive("03-01-16 07:05:09\n\r");
    EXPECT_EQ(sync.sampleRate(), 8);
    EXPECT_TRUE(sync.commandMode());
    EXPECT_EQ(sync.timeTag(), "min");
    EXPECT_EQ(platform::toCalendar(sync.clock().read(sync.now())),
              (platform::CalendarTime{2016, 3, 1, 7, 5, 9, 0}));
    sync.takeText();
    sync.receive("g");
    sync.advance(60000);
    const auto out = lines(sync.takeText());
    EXPECT_EQ(out.size(), 8u * 60 + 1);
    int tags = 0;
    for (const std::string& l : out)
        if (l[0] == 'T') {
            ++tags;
            EXPECT_EQ(l, "T 03-01-16 07:06:00");
        }
    EXPECT_EQ(tags, 1);
    sync.receive("t");
    sync.receive("weekly\n\r");
    EXPECT_EQ(sync.timeTag(), "none");
}

}  // namespace
