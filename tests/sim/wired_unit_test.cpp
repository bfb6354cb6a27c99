#include <gtest/gtest.h>

#include <cstdlib>

#include "sim/staff_lengths.h"
#include "sim/wired_block.h"
#include "sim/wired_unit.h"

namespace {

const platform::AbsTime kStart = platform::toAbsTime({2026, 12, 8, 12, 0, 0, 0});

// Runs the connect handshake with the bytes the host sends, checking each reply; returns the
// configuration block the unit sent.
std::string connect(sim::WiredUnit& unit) {
    const bool gauge = unit.unitType() == 9;
    unit.advance(1000);
    EXPECT_FALSE(unit.takeText().empty()) << "a unit streams from power-on";
    for (int i = 0; i < 4; ++i) unit.receive(gauge ? "s" : "st");
    const std::string stop = unit.takeText();
    EXPECT_EQ(stop.substr(0, gauge ? 4 : 5), gauge ? "SOK," : "STOK,");
    unit.advance(1000);
    EXPECT_EQ(unit.takeText(), "") << "stopped";
    unit.receive("i");
    const std::string id = unit.takeText();
    EXPECT_EQ(id.size(), 19u);
    EXPECT_EQ(id.substr(0, 4), "IOK,");
    EXPECT_EQ(id.back(), ',');
    EXPECT_EQ(id.find('I', 1), std::string::npos) << "an I inside would restart the reply";
    unit.receive("r");
    const std::string r = unit.takeText();
    EXPECT_EQ(r.substr(0, 4), "ROK,");
    EXPECT_EQ(r[135], ',') << "the block completes with the 136th character";
    EXPECT_EQ(r.find('R', 1), std::string::npos);
    unit.receive("g");
    EXPECT_EQ(unit.takeText(), "GOK,");
    return r.substr(4, 132);
}

class EachWiredType : public ::testing::TestWithParam<int> {};

TEST_P(EachWiredType, ConnectsAndStreamsRecordsWithTemperature) {
    sim::WiredUnit unit(GetParam(), kStart);
    const std::string block = connect(unit);
    sim::WiredBlock decoded;
    decoded.loggerLayout = GetParam() >= 5;
    ASSERT_TRUE(decoded.decode(block)) << block;
    EXPECT_EQ(decoded.field[sim::WiredBlock::SampleRate], 4);
    // The sample rate is readable where the host reads it: characters 25 and 26 of the reply.
    EXPECT_EQ(block.substr(25 - 4, 2), "04");
    unit.advance(2000);
    const std::string records = unit.takeText();
    int count = 0;
    const std::size_t width = GetParam() == 9 ? 7 : 4;
    for (std::size_t at = 0; at < records.size();) {
        const std::size_t end = records.find("\r\n", at);
        ASSERT_NE(end, std::string::npos);
        const std::string line = records.substr(at, end - at);
        ASSERT_EQ(line.size(), width + 5) << line;
        EXPECT_EQ(line[width], ',');
        const double celsius = std::atoi(line.c_str() + width + 1) * 0.0625;
        EXPECT_GT(celsius, 10.0);
        EXPECT_LT(celsius, 25.0);
        const double value = std::atof(line.substr(0, width).c_str());
        if (GetParam() == 9) {
            EXPECT_NEAR(value, 5.0 / 9.94846, 0.1) << "bar at five metres";
        } else {
            // Counts of 4095 over the staff: the water stands near the middle of it.
            EXPECT_NEAR(value / 4095.0, 0.5, 0.2);
        }
        ++count;
        at = end + 2;
    }
    EXPECT_EQ(count, 8);  // 2 s at 4 per second
}

INSTANTIATE_TEST_SUITE_P(Types, EachWiredType, ::testing::Values(3, 4, 5, 6, 9));

TEST(WiredUnit, AnswersBadToWhatItDoesNotKnow) {
    sim::WiredUnit unit(3, kStart);
    unit.receive("tx");
    EXPECT_EQ(unit.takeText(), "BAD,BAD,");
    unit.receive("s\r\ni");
    EXPECT_EQ(unit.takeText().substr(0, 4), "IOK,") << "a lone s stops without an answer";
}

TEST(WiredBlock, EncodesWithTheChecksumOfItsFields) {
    sim::WiredBlock b;
    b.field[0] = 3;
    const std::string text = b.encode();
    ASSERT_EQ(text.size(), 132u);
    EXPECT_EQ(text.substr(0, 9), "03,00,00,");
    EXPECT_EQ(text.substr(129), "03,");
    // Decimal clock fields count as if they were hex: "59" adds 0x59.
    sim::WiredBlock logger;
    logger.loggerLayout = true;
    logger.field[sim::WiredBlock::Second] = 59;
    const std::string t = logger.encode();
    EXPECT_EQ(t.substr(33, 3), "59,");
    EXPECT_EQ(t.substr(129), "59,");
    sim::WiredBlock back;
    back.loggerLayout = true;
    ASSERT_TRUE(back.decode(t));
    EXPECT_EQ(back.field[sim::WiredBlock::Second], 59);
    std::string broken = t;
    broken[0] = '1';
    EXPECT_FALSE(back.decode(broken));
}

TEST(WiredUnit, TakesAWrittenBlockAndAppliesIt) {
    sim::WiredUnit unit(3, kStart);
    sim::WiredBlock b;
    ASSERT_TRUE(b.decode(connect(unit)));
    EXPECT_EQ(unit.staffLengthMm(), 2000);
    sim::StaffCode code{};
    ASSERT_TRUE(sim::staffCodeFor(3, 5000, code));
    b.field[sim::WiredBlock::Count] = code.count;
    b.field[sim::WiredBlock::Range] = code.range;
    b.field[sim::WiredBlock::SampleRate] = 8;
    b.field[sim::WiredBlock::Mode] &= ~sim::WiredBlock::kAirTemperature;
    // A block with a wrong checksum is ignored.
    std::string bad = b.encode();
    bad[130] = bad[130] == '0' ? '1' : '0';
    unit.receive("w");
    unit.advance(400);
    unit.receive(bad);
    EXPECT_EQ(unit.staffLengthMm(), 2000);
    unit.receive("w");
    unit.advance(400);
    unit.receive(b.encode());
    EXPECT_EQ(unit.staffLengthMm(), 5000);
    unit.takeText();
    unit.advance(1000);
    const std::string records = unit.takeText();
    // Eight a second now, without temperature: "dddd" CR LF each.
    EXPECT_EQ(records.size() % 6, 0u);
    EXPECT_GE(records.size(), 7u * 6);
    EXPECT_EQ(records.find(','), std::string::npos);
}

TEST(WiredUnit, CalibrationCorrectsTheStaffsOwnError) {
    // Two-point calibration as the host computes it makes the counts match the water level.
    sim::WiredUnit unit(3, kStart, 4);  // a unit with gain and zero errors
    const double length = 2.0;
    auto reading = [&](double t) { return std::atoi(unit.record(t).c_str()) / 4095.0 * length; };
    auto truth = [&](double t) { return unit.measured(t); };
    const double ta = kStart + 1.0, tb = kStart + 4.3;
    const double a = truth(ta), b = truth(tb), c = reading(ta), d = reading(tb);
    ASSERT_GT(std::abs(c - a), 0.003) << "the uncalibrated unit is visibly off";
    sim::WiredBlock& blk = unit.block();
    double gain = blk.word(sim::WiredBlock::GainHigh);
    double offset = static_cast<std::int16_t>(blk.word(sim::WiredBlock::OffsetHigh));
    offset = offset + gain * (a * (d - c) / (b - a) - c) / length;
    gain = gain * (b - a) / (d - c);
    blk.setWord(sim::WiredBlock::GainHigh, static_cast<int>(gain));
    blk.setWord(sim::WiredBlock::OffsetHigh, static_cast<int>(offset) & 0xFFFF);
    for (double t : {ta, tb, kStart + 9.0}) EXPECT_NEAR(reading(t), truth(t), 0.004);
}

TEST(WiredUnit, LoggerTakesTheClockOnlyWhenTheBlockSaysSo) {
    sim::WiredUnit unit(5, kStart);
    sim::WiredBlock b;
    b.loggerLayout = true;
    ASSERT_TRUE(b.decode(connect(unit)));
    b.field[sim::WiredBlock::Hour] = 7;
    b.field[sim::WiredBlock::Minute] = 5;
    b.field[sim::WiredBlock::Second] = 9;
    b.field[sim::WiredBlock::Day] = 1;
    b.field[sim::WiredBlock::Month] = 3;
    b.field[sim::WiredBlock::Year] = 16;
    unit.receive("w");
    unit.receive(b.encode());
    EXPECT_NE(platform::toCalendar(unit.clock().read(unit.now())).year, 2016);
    b.field[sim::WiredBlock::Mode] |= sim::WiredBlock::kNewClock;
    unit.receive("w");
    unit.receive(b.encode());
    EXPECT_EQ(platform::toCalendar(unit.clock().read(unit.now())),
              (platform::CalendarTime{2016, 3, 1, 7, 5, 9, 0}));
    unit.takeText();
    unit.receive("r");
    sim::WiredBlock back;
    back.loggerLayout = true;
    ASSERT_TRUE(back.decode(unit.takeText().substr(4)));
    EXPECT_EQ(back.field[sim::WiredBlock::Mode] & sim::WiredBlock::kNewClock, 0);
    EXPECT_EQ(back.field[sim::WiredBlock::Hour], 7);
}

TEST(WiredUnit, LoggerWaitsForItsStartTime) {
    sim::WiredUnit unit(6, kStart);
    sim::WiredBlock b;
    b.loggerLayout = true;
    ASSERT_TRUE(b.decode(connect(unit)));
    b.field[sim::WiredBlock::Mode] |= sim::WiredBlock::kStartTime;  // start is tomorrow
    unit.receive("w");
    unit.receive(b.encode());
    unit.receive("g");
    unit.takeText();
    unit.advance(5000);
    EXPECT_EQ(unit.takeText(), "");
}

}  // namespace
