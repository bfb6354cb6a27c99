// A simulated radio network behind the program's port: its units appear in the device table
// with the rates, message types and values they sent.
#include <gtest/gtest.h>

#include <set>

#include "sim/data_logger.h"
#include "sim/radio_settings.h"
#include "sim_host.h"

namespace {

using platform::Ctl;
using simtest::SimHost;

const platform::AbsTime kStart = platform::toAbsTime({2026, 12, 8, 12, 0, 0, 0});
// Burst and sample values are whole millimetres.
constexpr double kMillimetre = 0.0005 + 1e-6;

std::vector<std::unique_ptr<sim::SimDevice>> network(std::vector<int> types) {
    std::vector<std::unique_ptr<sim::SimDevice>> d;
    d.push_back(sim::makeRadioNetwork(kStart, types));
    return d;
}

TEST_F(SimHost, RadioStaffsInEveryFormatFillTheirEntries) {
    start(network({0, 0, 0, 0}));
    chooseUnitType(0);
    open(Ctl::PortARing, 0);
    run(10);
    auto& adapter = device<sim::XBeeAdapter>(0);
    std::set<char> types;
    for (const auto& unit : adapter.units()) {
        const sim::RadioSettings& s = unit->settings();
        SCOPED_TRACE(s.deviceNumber);
        const live::OutputLine* e = entry(unit->address(), s.deviceNumber);
        ASSERT_NE(e, nullptr);
        const sim::DataFormat* format = sim::findDataFormat(s.dataFormat);
        ASSERT_NE(format, nullptr);
        types.insert(format->message);
        EXPECT_EQ(e->MsgType, format->message);
        EXPECT_EQ(e->SampleRate, s.sampleRate);
        EXPECT_EQ(e->PowerState, unit->batteryDigit());
        EXPECT_NEAR(e->Value, unit->reading(unit->lastReported()), kMillimetre);
    }
    EXPECT_EQ(types.size(), 4u) << "one unit in each data format";
}

TEST_F(SimHost, DataLoggerSensorsAppearWithTheirBursts) {
    start(network({8}));
    chooseUnitType(8);
    open(Ctl::PortARing, 0);
    run(70);  // a minute of samples at 1 Hz fills an "i" burst
    auto& logger = dynamic_cast<sim::DataLogger&>(*device<sim::XBeeAdapter>(0).units()[0]);
    for (int port = 0; port < sim::DataLogger::kPorts; ++port) {
        SCOPED_TRACE(port);
        const live::OutputLine* e =
            entry(logger.address(), sim::DataLogger::kFirstSensorDevice + port);
        const int type = logger.portType[static_cast<std::size_t>(port)];
        if (type == 0) {
            EXPECT_EQ(e, nullptr) << "an empty port sends nothing";
            continue;
        }
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->SampleRate, logger.groupRate[static_cast<std::size_t>(port / 4)]);
        if (type == sim::DataLogger::kSerialSensor) {
            EXPECT_EQ(e->MsgType, 'G');
            continue;
        }
        EXPECT_EQ(e->MsgType, 'i');
        EXPECT_NEAR(e->Value, logger.portLevel(port, logger.lastBurstSample(port)), kMillimetre);
    }
}

}  // namespace
