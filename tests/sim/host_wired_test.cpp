// Simulated wired units through the program's own handshake and receive paths: the texts the
// program makes of their records and the device entries hold the values the units sent.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/rgb.h"
#include "sim/synchronizer.h"
#include "sim/wired_unit.h"
#include "sim_host.h"

namespace {

using platform::Ctl;
using simtest::SimHost;

const platform::AbsTime kStart = platform::toAbsTime({2026, 12, 8, 12, 0, 0, 0});

std::vector<std::unique_ptr<sim::SimDevice>> devices(std::unique_ptr<sim::SimDevice> a,
                                                     std::unique_ptr<sim::SimDevice> b = {}) {
    std::vector<std::unique_ptr<sim::SimDevice>> d;
    d.push_back(std::move(a));
    if (b) d.push_back(std::move(b));
    return d;
}

// A staff's value is its counter's reading rounded to a count of 4095 over the staff, then
// cut to whole millimetres; a gauge's is its seven characters of bar.
double resolution(const sim::WiredUnit& unit) {
    if (unit.unitType() == 9) return 0.000005 + 1e-6;
    return unit.staffLengthMm() / 1000.0 / 8190.0 + 0.001 + 1e-6;
}

void expectLastRecord(const live::OutputLine* e, const sim::WiredUnit& unit) {
    ASSERT_NE(e, nullptr);
    const platform::AbsTime t = unit.lastRecordTime();
    EXPECT_EQ(e->SampleRate, 4);
    EXPECT_EQ(e->PowerOn, 1);
    EXPECT_NEAR(e->Value, unit.reading(t), resolution(unit));
    // Sixteenths of a degree, shown to a tenth.
    EXPECT_NEAR(e->Temperature, unit.temperature(t), 0.0625 / 2 + 0.05 + 1e-6);
}

// Each port's unit shows its temperature in the port's own indicator.
void expectOwnTemperatures(const platform::Panel& panel, const sim::WiredUnit& a,
                           const sim::WiredUnit& b) {
    ASSERT_GT(std::abs(a.temperature(a.lastRecordTime()) - b.temperature(b.lastRecordTime())), 1);
    for (auto [indicator, unit] : {std::pair{Ctl::TempPortA, &a}, std::pair{Ctl::TempPortB, &b}}) {
        EXPECT_FALSE(panel.dimmed(indicator));
        EXPECT_NEAR(panel.value(indicator), unit->temperature(unit->lastRecordTime()),
                    0.0625 / 2 + 0.05 + 1e-6);
    }
}

struct WiredThroughTheProgram : SimHost, ::testing::WithParamInterface<int> {};

TEST_P(WiredThroughTheProgram, ConnectsThroughTheHandshakeAndStreamsWhatItMeasures) {
    const int type = GetParam();
    start(devices(sim::makeScenario(sim::scenarioForType(type), kStart)));
    chooseUnitType(type);
    open(Ctl::PortARing, 0);
    run(6);
    const auto& unit = device<sim::WiredUnit>(0);
    EXPECT_EQ(panel.text(Ctl::PortAStatus), "Connected");
    EXPECT_EQ(panel.textColor(Ctl::PortAStatus), platform::kGreenConnected);
    EXPECT_EQ(panel.text(Ctl::PortAIdent), unit.identification());
    if (type != 9) {
        EXPECT_GT(unit.staffLengthMm(), 0);
        EXPECT_DOUBLE_EQ(panel.value(Ctl::PortAStaffLength), unit.staffLengthMm() / 1000.0);
    }

    // Four records a second become four sample texts a second: none lost, none doubled by
    // the CR LF line ends, each with its temperature.
    const int before = log.count("C001,D1,S04,");
    run(20);
    EXPECT_NEAR(log.count("C001,D1,S04,") - before, 80, 1);
    EXPECT_EQ(log.count("C001,D4,"), log.count("C001,D1,"));
    EXPECT_FALSE(panel.dimmed(Ctl::TempPortA));
    // Every sixtieth sample brings the computer's date and time.
    EXPECT_EQ(log.count("C001,D8,2026-12-08"), log.count("C001,D1,") / 60);
    EXPECT_EQ(log.count("C001,D9,"), log.count("C001,D1,") / 60);
    expectLastRecord(entry(1, 1), unit);
    EXPECT_EQ(panel.text(Ctl::PortAStatus), "Connected");
}

INSTANTIATE_TEST_SUITE_P(Types, WiredThroughTheProgram, ::testing::Values(3, 4, 5, 6, 9));

TEST_F(SimHost, TwoStaffsOnPortsAAndBAreDevicesOneAndTwo) {
    start(devices(sim::makeScenario("staff3", kStart, 1), sim::makeScenario("staff3", kStart, 2)));
    chooseUnitType(3);
    open(Ctl::PortARing, 0);
    open(Ctl::PortBRing, 1);
    run(10);
    EXPECT_EQ(panel.text(Ctl::PortAStatus), "Connected");
    EXPECT_EQ(panel.text(Ctl::PortBStatus), "Connected");
    expectLastRecord(entry(1, 1), device<sim::WiredUnit>(0));
    expectLastRecord(entry(2, 2), device<sim::WiredUnit>(1));
    expectOwnTemperatures(panel, device<sim::WiredUnit>(0), device<sim::WiredUnit>(1));
}

TEST_F(SimHost, TwoGaugesAlsoGiveTheirDifferenceAsDeviceThree) {
    start(devices(sim::makeScenario("gauge9", kStart, 1), sim::makeScenario("gauge9", kStart, 2)));
    chooseUnitType(9);
    open(Ctl::PortARing, 0);
    open(Ctl::PortBRing, 1);
    run(10);
    EXPECT_EQ(panel.text(Ctl::PortBStatus), "Connected");
    const auto& a = device<sim::WiredUnit>(0);
    const auto& b = device<sim::WiredUnit>(1);
    expectLastRecord(entry(1, 1), a);
    expectLastRecord(entry(2, 2), b);
    expectOwnTemperatures(panel, a, b);
    const live::OutputLine* difference = entry(3, 3);
    ASSERT_NE(difference, nullptr);
    EXPECT_NEAR(difference->Value,
                a.reading(a.lastRecordTime()) - b.reading(b.lastRecordTime()), 2 * resolution(a));
    EXPECT_EQ(log.count("C003,D1,"), log.count("C002,D1,"));
}

struct BoardThroughTheProgram : SimHost, ::testing::WithParamInterface<int> {};

TEST_P(BoardThroughTheProgram, SynchronizerConnectsAndEveryChannelBecomesADevice) {
    const int channels = GetParam();
    start(devices(std::make_unique<sim::Synchronizer>(kStart, channels, 5)));
    const auto& board = device<sim::Synchronizer>(0);
    // The operator enters each channel's staff length in metres.
    for (int c = 0; c < channels; ++c)
        panel.setCell(Ctl::SyncLengthTable, c, 0, std::to_string(board.staffLength(c)));
    chooseUnitType(7);
    open(Ctl::PortARing, 0);
    run(12);
    EXPECT_EQ(panel.text(Ctl::PortAStatus), "Connected");
    EXPECT_EQ(panel.text(Ctl::PortAIdent),
              "WSS-" + std::to_string(channels) + "CH-2016-00042");
    const platform::AbsTime t = board.lastLineTime();
    for (int c = 0; c < 8; ++c) {
        SCOPED_TRACE(c);
        const live::OutputLine* e = entry(static_cast<std::uint64_t>(c + 1), c + 1);
        if (c >= channels) {
            EXPECT_EQ(e, nullptr);
            continue;
        }
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->SampleRate, board.sampleRate());
        EXPECT_NEAR(e->Value, board.level(c, t), board.staffLength(c) / 8190.0 + 0.001 + 1e-6);
    }
}

INSTANTIATE_TEST_SUITE_P(Channels, BoardThroughTheProgram, ::testing::Values(6, 8));

}  // namespace
