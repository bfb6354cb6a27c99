#include <gtest/gtest.h>

#include <string>

#include "link/sync_line_parser.h"
#include "link/wired_line_parser.h"
#include "link/wired_record.h"
#include "link_fixture.h"

using namespace links;
using link_test::block;

namespace {

std::span<const std::uint8_t> chars(const std::string& s) {
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

TEST(StaffLength, LooksUpBothTablesByRangeAndCode) {
    EXPECT_EQ(staffLengthFor(3, 0, 148), 3000);
    EXPECT_EQ(staffLengthFor(5, 8, 178), 5000);
    EXPECT_EQ(staffLengthFor(3, 8, 34), 20000);
    EXPECT_EQ(staffLengthFor(3, 2, 77), 500);  // any code
    EXPECT_EQ(staffLengthFor(4, 0, 133), 1500);
    EXPECT_EQ(staffLengthFor(6, 8, 27), 15000);
    EXPECT_EQ(staffLengthFor(4, 8, 178), 0);  // a code of the other table
    EXPECT_EQ(staffLengthFor(3, 8, 35), 0);
    EXPECT_EQ(staffLengthFor(7, 0, 148), 0);
    EXPECT_EQ(staffLengthFor(9, 2, 0), 0);
}

TEST(StaffSample, ScalesToTheStaffAndUsesTenthsAboveTenMetres) {
    StaffValue v = staffValue(2048, 5000);
    EXPECT_EQ(v.value, 2500);
    EXPECT_EQ(v.scale, 0);
    EXPECT_EQ(staffSampleText(1, 4, v.value).view(), "C001,D1,S04,02500\r\n");
    v = staffValue(2048, 12000);
    EXPECT_EQ(v.value, 60014);
    EXPECT_EQ(v.scale, 1);
    // 10 m and more on a 20 m staff: six digits, not a field cut to five.
    v = staffValue(4095, 20000);
    EXPECT_EQ(staffSampleText(2, 16, v.value).view(), "C002,D1,S16,200000\r\n");
}

TEST(SampleTexts, TemperatureDateAndTime) {
    EXPECT_EQ(temperatureText(1, 400 * kTemperatureStep).view(), "C001,D4,25.0");
    EXPECT_EQ(temperatureText(2, 3 * kTemperatureStep).view(), "C002,D4,00.2");
    platform::CalendarTime t{2026, 3, 7, 9, 5, 2};
    EXPECT_EQ(dateText(1, t).view(), "C001,D8,2026-03-07");
    EXPECT_EQ(timeText(21, t).view(), "C021,D9,09:05:02");
}

TEST(Pressure, DecimalShiftAndBarToMetres) {
    PressureValue p = pressureValue(chars("1.23456"), false, false);
    EXPECT_EQ(p.view(), "1.23456");
    EXPECT_DOUBLE_EQ(p.value, 1.23456);
    p = pressureValue(chars("1.23456"), true, false);
    EXPECT_EQ(p.view(), "10.23456");
    p = pressureValue(chars("1.00000"), false, true);
    EXPECT_EQ(p.view(), "9.94846");  // eight characters of "9.94846" (seven here)
    EXPECT_DOUBLE_EQ(p.value, kBarToMetres);
    p = pressureValue(chars("2.00000"), false, true);
    EXPECT_EQ(p.view(), "19.89692");
}

TEST(ReadNumber, StopsAtTheSpanAndAtTheFirstOtherCharacter) {
    EXPECT_EQ(readNumber(chars("20489")), 20489);
    EXPECT_EQ(readNumber(chars("20489").first(4)), 2048);
    EXPECT_EQ(readNumber(chars("12\r4")), 12);
    EXPECT_EQ(readNumber(chars("-07x")), -7);
    EXPECT_EQ(readNumber(chars("")), 0);
    EXPECT_EQ(readNumber(chars("99999999999999999999")), 999999999);  // no overflow
}

WiredEvent feedAll(WiredLineParser& p, const std::string& s, int state, int type) {
    WiredEvent last = WiredEvent::None;
    for (char c : s) {
        WiredEvent e = p.feed(static_cast<std::uint8_t>(c), state, type);
        if (e != WiredEvent::None) last = e;
    }
    return last;
}

TEST(WiredReplies, StartRepliesOfEachUnitKind) {
    struct Case {
        const char* text;
        int type;
        WiredEvent expected;
    };
    for (const Case& c :
         {Case{"xxSTOK,", 3, WiredEvent::StartOk}, Case{"BAD,", 3, WiredEvent::StartOk},
          Case{"SOK,", 3, WiredEvent::None}, Case{"SOK,", 9, WiredEvent::StartOk},
          Case{"STOK,", 9, WiredEvent::StartOk}, Case{"BAD,", 9, WiredEvent::StartOk},
          Case{"STO,K,", 3, WiredEvent::None}, Case{"SSTOK,", 5, WiredEvent::StartOk}}) {
        WiredLineParser p;
        EXPECT_EQ(feedAll(p, c.text, kWaitStart, c.type), c.expected)
            << c.text << " type " << c.type;
    }
}

TEST(WiredReplies, IdentificationMayContainTheLetterI) {
    WiredLineParser p;
    EXPECT_EQ(feedAll(p, "IOK,SERIAL-IN-0042,", kWaitIdent, 3), WiredEvent::IdentOk);
    auto ident = p.at(4, WiredLineParser::kIdentLength);
    EXPECT_EQ(std::string(ident.begin(), ident.end()), "SERIAL-IN-0042");
    EXPECT_EQ(feedAll(p, "IOK,SHORT,", kWaitIdent, 3), WiredEvent::None);
}

TEST(WiredReplies, BlockEndsAtItsLastComma) {
    WiredLineParser p;
    const std::string b = block(178, 8, 0x14);
    EXPECT_EQ(feedAll(p, "ROK," + b.substr(0, b.size() - 1), kWaitBlock, 3), WiredEvent::None);
    EXPECT_EQ(p.feed(',', kWaitBlock, 3), WiredEvent::BlockOk);
    EXPECT_EQ(p.at(4 + 21, 2)[0], '1');
    EXPECT_EQ(p.at(4 + 21, 2)[1], '4');
}

TEST(WiredRecords, SampleTemperatureAndLineEndPositions) {
    WiredLineParser p;
    std::vector<WiredEvent> events;
    for (char c : std::string("2048 0400\r\n1234\r\n")) {
        events.push_back(p.feed(static_cast<std::uint8_t>(c), kStreaming, 3));
    }
    using E = WiredEvent;
    EXPECT_EQ(events, (std::vector<E>{E::None, E::None, E::None, E::Sample, E::None, E::None,
                                      E::None, E::None, E::Temperature, E::LineEndTemp, E::None,
                                      E::None, E::None, E::None, E::Sample, E::LineEnd, E::None}));
}

TEST(WiredRecords, EndlessLineNeverOverrunsTheBuffer) {
    WiredLineParser p;
    for (int i = 0; i < 10000; ++i) p.feed(static_cast<std::uint8_t>('0' + i % 10), kStreaming, 9);
    for (int i = 0; i < 1000; ++i) p.feed('x', kWaitBlock, 3);
    EXPECT_EQ(p.at(130, 50).size(), 10u);
}

std::string feedSync(SyncLineParser& p, const std::string& s) {
    std::string last;
    for (char c : s) {
        if (p.feed(static_cast<std::uint8_t>(c))) last.assign(p.line().begin(), p.line().end());
    }
    return last;
}

TEST(SynchronizerLines, ListingFillsTheUnitInformation) {
    SyncLineParser p;
    SyncUnitInfo info;
    struct Case {
        const char* line;
        int state;
        SyncLine kind;
    };
    for (const Case& c : {Case{"**** menu ****\r\n", 1, SyncLine::Listing},
                          Case{"S/N    N       SYNC-BOARD-000123\r\n", 1, SyncLine::Ident},
                          Case{"CFG  R    V2.10\r\n", 1, SyncLine::Head},
                          Case{"Freq    F          16\r\n", 1, SyncLine::SampleRate},
                          Case{"Sync   Mode  c\r\n", 1, SyncLine::Mode},
                          Case{"Time Tag  h\r\n", 1, SyncLine::TimeUnit},
                          Case{"Select  t to start\r\n", 1, SyncLine::ListingEnd},
                          Case{"garbage\r\n", 1, SyncLine::Other},
                          Case{"03-15-26 12:30:45\r\n", 3, SyncLine::Clock},
                          Case{"03-15-26 12:30:45\r\n", 5, SyncLine::Data}}) {
        std::string line = feedSync(p, c.line);
        SyncLine kind = classifySyncLine(chars(line), c.state);
        EXPECT_EQ(kind, c.kind) << c.line;
        applySyncLine(kind, chars(line), info);
    }
    EXPECT_STREQ(info.identification.data(), "SYNC-BOARD-000123");
    EXPECT_STREQ(info.head.data(), "V2.10");
    EXPECT_EQ(info.sampleRate, 16);
    EXPECT_EQ(info.modeFlag, 1);
    EXPECT_EQ(info.timeTagUnit, 2);
    EXPECT_EQ(info.month, 3);
    EXPECT_EQ(info.year, 2026);
    EXPECT_EQ(info.second, 45);
}

TEST(SynchronizerLines, ChannelCountAndReadings) {
    const std::string six = "0100 0200 0300 0400 0500 4095\r\n";
    EXPECT_EQ(syncChannelCount(chars(six)), 6);
    EXPECT_EQ(syncReading(chars(six), 5), 4095);
    const std::string eight = "0100 0200 0300 0400 0500 0600 0700 0800\r\n";
    EXPECT_EQ(syncChannelCount(chars(eight)), 8);
    EXPECT_EQ(syncReading(chars(eight), 7), 800);
    EXPECT_EQ(syncReading(chars("12\n"), 7), 0);  // past the line: nothing read
    // The width: eight readings from 33 characters on, but a six-channel board's blanks before
    // the line end do not make it eight; digits where no reading stands do make it noise.
    EXPECT_EQ(syncReadingCount(chars(six)), 6);
    EXPECT_EQ(syncReadingCount(chars(eight)), 8);
    EXPECT_EQ(syncReadingCount(chars("0100 0200 0300 0400 0500 4095      \r\n")), 6);
    EXPECT_EQ(syncReadingCount(chars(" 100  200  300  400  500 4095;\n")), 6);
    EXPECT_EQ(syncReadingCount(chars("0100 0200 0300 0400 0500 0600 07x0 0800\r\n")), 0);
    EXPECT_EQ(syncReadingCount(chars("0100 0200 0300 0400 0500 0600 12\r\n")), 0);
}

}  // namespace
