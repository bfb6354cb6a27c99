#include <gtest/gtest.h>

#include "link_fixture.h"

using namespace link_test;
using platform::Ctl;

namespace {

using PortRings = LinkFixture;

TEST_F(PortRings, StartUpFillsAllThreeRings) {
    for (Ctl ring : {Ctl::PortARing, Ctl::PortBRing, Ctl::OutputPortRing}) {
        const auto& items = panel.items(ring);
        ASSERT_EQ(items.size(), 4u);
        EXPECT_EQ(items[0].label, "Select a serial port");
        EXPECT_EQ(items[0].value, 0);
        EXPECT_EQ(items[1].label, "ttyUSB0 (FT232R USB UART)");
        EXPECT_EQ(items[1].value, kPortA);
    }
}

TEST_F(PortRings, AFailedListingLeavesTheRingAsItWas) {
    ports.listFails = true;
    EXPECT_EQ(host->portManager().GetComPortList(), -1);
    EXPECT_EQ(panel.itemCount(Ctl::PortARing), 4);
}

TEST_F(PortRings, ChoosingSelectComPortClearsTheRowsAndOpensNothing) {
    int clears = 0;
    host->linkHooks().ClearAllDisplayLines = [&] { ++clears; };
    open(Ctl::PortARing, 0);
    EXPECT_EQ(clears, 1);
    EXPECT_TRUE(ports.ports.empty());
    EXPECT_FALSE(panel.dimmed(Ctl::PortARing));
}

TEST_F(PortRings, AnOpenFailureIsToldAndLeavesThePortClosed) {
    ports.failOpen.insert(kPortA);
    open(Ctl::PortARing, kPortA);
    EXPECT_EQ(links().OpenComPortNum_A, 0);
    EXPECT_EQ(panel.intValue(Ctl::PortARing), 0);
    EXPECT_FALSE(panel.dimmed(Ctl::PortARing));
    ASSERT_EQ(dialogs.count("SERIAL PORT NOT OPENED"), 1);
    EXPECT_NE(dialogs.shown.back().text.find("ttyUSB0 (FT232R USB UART)"), std::string::npos);
    // The same port cannot be port A and port B at once.
    ports.failOpen.clear();
    open(Ctl::PortARing, kPortA);
    open(Ctl::PortBRing, kPortA);
    EXPECT_EQ(links().OpenComPortNum_B, 0);
    EXPECT_EQ(dialogs.count("SERIAL PORT NOT OPENED"), 2);
}

TEST_F(PortRings, ReleasingPortAWaitsAndForgetsItsNumber) {
    open(Ctl::PortARing, kPortA);
    const double before = clock.totalDelay;
    panel.raise(Ctl::ChangePortA, platform::Event::Commit);
    EXPECT_FALSE(ports.isOpen(kPortA));
    EXPECT_DOUBLE_EQ(clock.totalDelay - before, 0.5);
    EXPECT_EQ(links().OpenComPortNum_A, 0);
    EXPECT_EQ(links().OpenComPortNum, 0);
    EXPECT_FALSE(panel.dimmed(Ctl::PortARing));
    EXPECT_TRUE(panel.dimmed(Ctl::AdapterPanId));
    EXPECT_FALSE(panel.visible(Ctl::ChangePortA));
}

TEST_F(PortRings, AUnitTypeChangeClosesEveryPortAndLeavesTheRingsUsable) {
    int tables = 0;
    host->linkHooks().clearDeviceTable = [&] { ++tables; };
    open(Ctl::PortARing, kPortA);
    open(Ctl::PortBRing, kPortB);
    open(Ctl::OutputPortRing, kPortOut);
    panel.setText(Ctl::PortAIdent, "FATHOMROD-0042");
    chooseUnitType(4);
    EXPECT_EQ(host->session().UnitType, 4);
    EXPECT_EQ(tables, 1);
    EXPECT_EQ(ports.closed, (std::vector<int>{kPortA, kPortB, kPortOut}));
    EXPECT_EQ(links().OpenComPortNum + links().OpenComPortNum_A + links().OpenComPortNum_B +
                  links().OpenComPortNumOutput,
              0);
    for (Ctl ring : {Ctl::PortARing, Ctl::PortBRing, Ctl::OutputPortRing}) {
        EXPECT_FALSE(panel.dimmed(ring));
        EXPECT_EQ(panel.itemCount(ring), 4);
    }
    for (Ctl t : {Ctl::FRTCDeviceConnectTimer, Ctl::TCFRConfigTimer, Ctl::DeviceDisplayTimer,
                  Ctl::ConfigTimer}) {
        EXPECT_FALSE(panel.timerEnabled(t));
    }
    EXPECT_EQ(panel.text(Ctl::PortAStatus), "Not Connected");
    EXPECT_EQ(panel.text(Ctl::PortBStatus), "Not Connected");
    EXPECT_EQ(panel.text(Ctl::PortAIdent), "");
    EXPECT_TRUE(panel.visible(Ctl::PortBRing));  // wired types show port B
}

TEST_F(PortRings, ALostPortIsClosedShownAndToldByName) {
    chooseUnitType(3);
    open(Ctl::PortARing, kPortA);
    ports.loseport(kPortA, "the device was removed");
    EXPECT_EQ(links().OpenComPortNum_A, 0);
    EXPECT_EQ(links().OpenComPortNum, 0);
    EXPECT_EQ(panel.text(Ctl::PortAStatus), "Not Connected");
    EXPECT_EQ(panel.textColor(Ctl::PortAStatus), platform::kRed);
    EXPECT_FALSE(panel.dimmed(Ctl::PortARing));
    ASSERT_EQ(dialogs.count("SERIAL PORT LOST"), 1);
    EXPECT_NE(dialogs.shown.back().text.find("ttyUSB0"), std::string::npos);
    EXPECT_NE(dialogs.shown.back().text.find("the device was removed"), std::string::npos);
    tick(5);  // the handshake does not write to a lost port
    EXPECT_TRUE(ports.ports[kPortA].written.empty() || !ports.isOpen(kPortA));
}

// A released port A may come back as the output port: radio frames (broadcast power, the
// adapter's PAN ID) and the exit "g" must not land in the middle of its record stream.
TEST_F(PortRings, AReleasedPortGetsNothingButWhatItsNewRoleSends) {
    for (int type : {0, 3}) {
        SCOPED_TRACE(type);
        chooseUnitType(type);
        open(Ctl::PortARing, kPortA);
        panel.setValue(Ctl::BroadcastPower, 1);
        panel.raise(Ctl::BroadcastPower, platform::Event::Commit);
        panel.raise(Ctl::ChangePortA, platform::Event::Commit);
        open(Ctl::OutputPortRing, kPortA);
        ASSERT_EQ(links().OpenComPortNumOutput, kPortA);
        sent(kPortA);
        for (int t = 0; t < 15 * 3; ++t) {
            panel.raise(Ctl::DeviceDisplayTimer, platform::Event::TimerTick);
            tick();
        }
        auto& tx = host->apiFrames();
        tx.ComWrtATCommand(std::snprintf(tx.TxStr.data(), tx.TxStr.size(), "ID"));
        host->outputPort().sendRecord("C001,D1,S04,01.00000\r\n");
        host->exitStep();
        EXPECT_EQ(sent(kPortA), "C001,D1,S04,01.00000\r\n");
    }
}

TEST_F(PortRings, OutputPortStreamsRecordsAndDropsWhatItReceives) {
    auto& out = host->outputPort();
    out.sendRecord("nothing open\r\n");
    open(Ctl::OutputPortRing, kPortOut);
    EXPECT_EQ(ports.ports[kPortOut].settings.baud, 115200);
    EXPECT_TRUE(panel.dimmed(Ctl::OutputPortRing));
    EXPECT_FALSE(panel.dimmed(Ctl::PortARing));
    out.sendRecord("001,2026-12-08T12:00:00,1.234\r\n");
    EXPECT_EQ(sent(kPortOut), "001,2026-12-08T12:00:00,1.234\r\n");
    ports.receive(kPortOut, "chatter from the other end");
    EXPECT_EQ(ports.inputLength(kPortOut), 0);

    open(Ctl::PortARing, kPortA);
    panel.raise(Ctl::ChangeOutputPort, platform::Event::Commit);
    EXPECT_EQ(links().OpenComPortNumOutput, 0);
    EXPECT_FALSE(panel.dimmed(Ctl::OutputPortRing));
    EXPECT_TRUE(panel.dimmed(Ctl::PortARing));  // only its own ring changes
    out.sendRecord("after close\r\n");
    EXPECT_EQ(sent(kPortOut), "");
}

// A reader that stops taking records: what waits for it stays within its bounds, the oldest
// records are dropped and counted, the operator is told once, and again when it takes records
// again. The port gets whole records only.
TEST_F(PortRings, AnOutputPortThatStopsTakingRecordsIsBoundedAndDropsTheOldest) {
    auto& out = host->outputPort();
    open(Ctl::OutputPortRing, kPortOut);
    auto& port = ports.ports[kPortOut];
    port.stalled = true;
    const std::string record = "A001,S32,B0,2014-02-10T16:00:40" + std::string(256, '5') + "\r\n";
    const std::size_t fits = (links::OutputPort::kInFlightBytes + links::OutputPort::kQueueBytes) / record.size();
    for (std::size_t i = 0; i < 3 * fits; ++i) out.sendRecord(record);
    EXPECT_LE(port.pending, links::OutputPort::kInFlightBytes + record.size());
    EXPECT_GE(out.droppedRecords(), fits);
    ASSERT_EQ(dialogs.count("OUTPUT PORT NOT KEEPING UP"), 1);
    // Every byte the port got belongs to a whole record.
    EXPECT_EQ(port.written.size() % record.size(), 0u);

    // The reader reads again: the queue drains, whole records, and the end is said.
    port.stalled = false;
    port.pending = 0;
    for (int i = 0; i < 40; ++i) {
        port.pending = 0;
        out.tick();
    }
    EXPECT_EQ(port.written.size() % record.size(), 0u);
    ASSERT_EQ(dialogs.count("OUTPUT PORT KEEPING UP AGAIN"), 1);
    EXPECT_NE(dialogs.shown.back().text.find(std::to_string(out.droppedRecords()) + " record(s)"),
              std::string::npos);
}

TEST_F(PortRings, OutputHelpIsTheStreamingText) {
    panel.raise(Ctl::ChangeOutputPort, platform::Event::RightClick);
    ASSERT_EQ(dialogs.count("OUTPUT TO A SERIAL PORT"), 1);
    EXPECT_EQ(dialogs.shown.back().text.substr(0, 40), "Select a serial port to begin streaming ");
}

}  // namespace
