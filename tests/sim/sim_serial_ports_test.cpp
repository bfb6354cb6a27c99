#include "sim/sim_serial_ports.h"

#include <gtest/gtest.h>

#include "sim/sim_network.h"
#include "support/fake_serial_ports.h"

namespace {

const platform::AbsTime kStart = platform::toAbsTime({2026, 12, 8, 12, 0, 0, 0});

TEST(SimSerialPorts, ListsSimulatedPortsAfterTheRealOnes) {
    testing_support::FakeSerialPorts real;
    real.available = {{"ttyUSB0 (FT232R USB UART)", 1, "/dev/ttyUSB0"}};
    sim::SimSerialPorts ports(&real);
    const int radio = ports.add(sim::makeScenario("radio", kStart));
    const int staff = ports.add(sim::makeScenario("staff3", kStart));
    ports.add(sim::makeScenario("logger", kStart));
    std::vector<platform::PortInfo> list;
    ASSERT_TRUE(ports.list(list).ok());
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[0].number, 1);
    EXPECT_EQ(list[1].label, "SIM1 (simulated radio network)");
    EXPECT_EQ(list[1].number, radio);
    EXPECT_EQ(list[2].label, "SIM2 (simulated wired staff)");
    // The data logger is a radio network too, but is not named like the staffs' one.
    EXPECT_EQ(list[3].label, "SIM3 (simulated data logger)");
    EXPECT_EQ(ports.numberForPath("SIM2"), staff);
    // Real ports are the real implementation's business.
    ASSERT_TRUE(ports.open(1, {}).ok());
    ports.writeByte(1, 'x');
    EXPECT_EQ(real.writtenText(1), "x");
    // Without a working real port service the simulated ports are still offered.
    real.listFails = true;
    ASSERT_TRUE(ports.list(list).ok());
    EXPECT_EQ(list.size(), 3u);
}

TEST(SimSerialPorts, CarriesBytesOnlyAtTheDevicesSpeedAndRunsTheCallback) {
    sim::SimSerialPorts ports;
    const int staff = ports.add(sim::makeScenario("staff3", kStart));
    int calls = 0;
    ASSERT_TRUE(ports.open(staff, {115200}).ok());
    ports.onReceive(staff, [&](int) { ++calls; });
    ports.advance(2000);
    EXPECT_EQ(ports.inputLength(staff), 0) << "9600-baud records are noise at 115200";
    ports.close(staff);
    ASSERT_TRUE(ports.open(staff, {9600}).ok());
    EXPECT_FALSE(ports.open(staff, {9600}).ok());
    std::string got;
    ports.onReceive(staff, [&](int n) {
        ++calls;
        for (int b; (b = ports.readByte(n)) >= 0;) got += static_cast<char>(b);
    });
    ports.advance(1000);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(got.size(), 4u * 11);  // "dddd,tttt" CR LF
    const std::uint8_t stop[] = {'s', 't'};
    ports.write(staff, stop);
    got.clear();
    ports.advance(10);
    EXPECT_EQ(got, "STOK,");
}

}  // namespace
