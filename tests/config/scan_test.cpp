// Full read-outs of radio units through the adapter port: every command sent, in order, and
// the configuration tab afterwards.
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>

#include "scan_rig.h"

namespace {

using configtest::ScanRig;
using platform::Ctl;
using Commands = std::vector<std::string>;

const Commands kCommon = {"WZ,2", "RX", "RH", "RK", "RD", "RS", "RL", "RI",
                          "RF",   "RO", "RR", "RQ", "RT", "RC", "RP", "RV"};

Commands with(Commands a, const Commands& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST_F(ScanRig, XbStaffWithTwelvePointTableReadsItAndStops) {
    answers = configtest::staffAnswers("2.10");
    start(0);
    report(5);
    select(5);
    scan();
    EXPECT_EQ(commands, with(kCommon, {"RW", "TT", "TS", "TA"}));
    EXPECT_EQ(panReads, 1);

    EXPECT_EQ(panel.text(Ctl::ConfigConnectionStatus), "Connected");
    EXPECT_EQ(panel.textColor(Ctl::ConfigConnectionStatus), platform::kGreenConnected);
    EXPECT_TRUE(panel.visible(Ctl::ConnectedIndicator));
    struct Shown {
        Ctl c;
        double v;
    };
    for (Shown s : {Shown{Ctl::NewDeviceNum, 5},
                    {Ctl::SelSampleRate, 8},
                    {Ctl::SelBurstLength, 3},
                    {Ctl::SelBurstInterval, 15},
                    {Ctl::AntiAliasFilter, 1},
                    {Ctl::SelDataFormat, 2},
                    {Ctl::EnableStartTime, 1},
                    {Ctl::RtcCal, -12},
                    {Ctl::EnablePower, 1},
                    {Ctl::SelCurrentMode, 2},
                    {Ctl::SelStaffType, 2},
                    {Ctl::SetYear, 2016},
                    {Ctl::SetMonth, 2},
                    {Ctl::SetDay, 28},
                    {Ctl::SetSecond, 30}}) {
        SCOPED_TRACE(platform::ctlName(s.c));
        EXPECT_EQ(panel.value(s.c), s.v);
        EXPECT_FALSE(panel.dimmed(s.c));
    }
    EXPECT_NEAR(panel.value(Ctl::SelStaffLength), 3.5, 1e-6);
    EXPECT_EQ(panel.text(Ctl::SerialNumber), "XB21005");
    EXPECT_EQ(panel.text(Ctl::FirmwareVersion), "2.10");
    EXPECT_EQ(panel.cell(Ctl::CalTable, 2, 0), "1.5000");
    EXPECT_TRUE(panel.visible(Ctl::CalTable));
    EXPECT_FALSE(panel.visible(Ctl::SelCalGain));
    EXPECT_EQ(panel.u64(Ctl::RemotePanID), unitPan);
    // The start time shown is one minute after the unit's, across the year's end.
    EXPECT_EQ(panel.value(Ctl::SelStartYear), 2016);
    EXPECT_EQ(panel.value(Ctl::SelStartMonth), 1);
    EXPECT_EQ(panel.value(Ctl::SelStartDay), 1);
    EXPECT_EQ(panel.value(Ctl::SelStartHour), 0);
    EXPECT_EQ(panel.value(Ctl::SelStartMinute), 0);
    // A reply took no device entry of its own: the unit keeps the one its sample gave it.
    int entries = 0;
    for (int i = 0; i < live::kOutputLineCount; ++i)
        entries += host->deviceTable()[i].NetAddress != 0 ? 1 : 0;
    EXPECT_EQ(entries, 1);
}

TEST_F(ScanRig, XbStaffWithTwoPointCalibrationReadsGainOffsetAndPoints) {
    answers = configtest::staffAnswers("1.42");
    start(0);
    report(5);
    select(5);
    scan();
    EXPECT_EQ(commands, with(kCommon, {"RW", "TT", "TS", "TG", "TO", "TL", "TH"}));
    EXPECT_NEAR(panel.value(Ctl::SelCalGain), 1.015, 1e-6);
    EXPECT_NEAR(panel.value(Ctl::SelCalOffset), -0.02, 1e-6);
    EXPECT_NEAR(panel.value(Ctl::SelLowCalPt), 0.3, 1e-6);
    EXPECT_NEAR(panel.value(Ctl::SetHighCalPt), 1.7, 1e-6);
    EXPECT_TRUE(panel.visible(Ctl::SelCalGain));
    EXPECT_FALSE(panel.visible(Ctl::CalTable));
    EXPECT_EQ(state().Version12CalPts, 0);
}

TEST_F(ScanRig, SonicUnitsAreToldApartByTheirPartNumber) {
    for (auto [part, type] : {std::pair{"ER-XB-02-035", 1}, std::pair{"ER-XB-02-036", 2}}) {
        SCOPED_TRACE(part);
        answers = configtest::staffAnswers("1.30", part);
        panReads = 0;
        start(0);
        report(9);
        select(9);
        scan();
        // From step 17 on the sonic table applies; firmware 1.x still has the 12-point table.
        EXPECT_EQ(commands, with(kCommon, {"RG", "RU", "RY", "GT", "GS", "GA"}));
        EXPECT_EQ(host->session().UnitType, type);
        EXPECT_EQ(panel.value(Ctl::HighTrip_mV), 1200);
        EXPECT_EQ(panel.value(Ctl::SelStaffType), 3);
        EXPECT_TRUE(panel.visible(Ctl::CalTable));
        // Type 2 has no PAN ID to read.
        EXPECT_EQ(panReads, type == 1 ? 1 : 0);
        EXPECT_EQ(panel.visible(Ctl::EnablePower), type == 1);
    }
}

TEST_F(ScanRig, SilentUnitIsAskedSevenTimesThenLetGo) {
    answers = {};
    start(0);
    report(5);
    select(5);
    tick(200);
    EXPECT_EQ(commands, Commands(7, "WZ,2"));
    EXPECT_EQ(state().ConfigStatus, 0);
    EXPECT_EQ(state().ConfigDeviceAddr, 0u);
    EXPECT_EQ(panel.text(Ctl::ConfigConnectionStatus), "Not Connected");
    EXPECT_EQ(panel.textColor(Ctl::ConfigConnectionStatus), platform::kRed);
    EXPECT_EQ(panel.value(Ctl::SelectDeviceNum), 0);
    EXPECT_TRUE(panel.dimmed(Ctl::SelSampleRate));
    EXPECT_EQ(host->configScan().gaveUpStep(), 1);
    EXPECT_EQ(host->configScan().gaveUpCommand(), "WZ,2\r\n");
}

TEST_F(ScanRig, ADeviceNumberNoUnitCarriesStartsNoScan) {
    start(0);
    select(44);
    tick(3);
    EXPECT_TRUE(commands.empty());
    EXPECT_EQ(state().ConfigStatus, 0);
}

__attribute__((format(printf, 1, 2))) std::string fmt(const char* f, ...) {
    char text[64];
    va_list args;
    va_start(args, f);
    std::vsnprintf(text, sizeof text, f, args);
    va_end(args);
    return text;
}

std::map<std::string, std::string> loggerAnswers(int radioPower) {
    std::map<std::string, std::string> a = {
        {"RX", "RX,255"},
        {"RH", "RH,DL-XB-01-008"},
        {"RK", "RK,1.05"},
        {"RD", "RD,DL0042"},
        {"RL", "RL,10"},
        {"RI", "RI,30"},
        {"RN", "RN,7"},
        {"RR", "RR,0"},
        {"RQ", "RQ,2016-02-28T23:59"},
        {"RT", "RT,2016-03-01T00:00:01"},
        {"RV", "RV,2.70"},
        {"RJ", "RJ,0"},
        {"RB", "RB,5"},
        {"RM", "RM,22"},
        {"RE", "RE,0.050"},
        {"#3P0RX", fmt("3P0RX,%d", radioPower)},
        {"#3P0RE", "3P0RE,00000000ABCD0001"},
    };
    for (int g = 1; g <= 4; ++g) a[fmt("#%dP0RS", g)] = fmt("%dP0RS,%d", g, 1 << g);
    for (int i = 0; i < 8; ++i) {
        const int g = 1 + i / 4, p = i % 4;
        a[fmt("#%dP%dRD", g, p)] = fmt("%dP%dRD,%d", g, p, i == 2 ? 3 : i == 6 ? 6 : 1);
        a[fmt("#%dP%dRB", g, p)] = fmt("%dP%dRB,%d", g, p, i);
        a[fmt("#%dP%dRL", g, p)] = fmt("%dP%dRL,10,20,03,04,05,06", g, p);
    }
    for (int p = 0; p < 4; ++p) a[fmt("#4P%dRR", p)] = fmt("4P%dRR,%d", p, p == 3 ? 5 : p);
    return a;
}

Commands loggerCommands(bool radioOn) {
    Commands c = {"RX", "RH", "RK", "RD",     "RL",     "RI",     "RN",    "RR",
                  "RQ", "RT", "RV", "#1P0RS", "#2P0RS", "#3P0RS", "#4P0RS"};
    for (const char* m : {"RD", "RB", "RL"})
        for (int i = 0; i < 8; ++i) c.push_back(fmt("#%dP%d%s", 1 + i / 4, i % 4, m));
    c.insert(c.end(), {"#3P0RX", "#4P0RR", "#4P1RR", "#4P2RR", "#4P3RR", "RJ", "RB", "RM", "RE",
                       radioOn ? "#3P0RE" : "#3P0RX"});
    return c;
}

TEST_F(ScanRig, DataLoggerAtTheBroadcastAddressReadsEveryGroupAndPort) {
    unit = links::kBroadcastAddress;
    answers = loggerAnswers(1);
    start(8);
    select(255);
    scan();
    EXPECT_EQ(commands, loggerCommands(true));
    EXPECT_EQ(panReads, 1);
    EXPECT_EQ(panel.text(Ctl::ConfigConnectionStatus), "Connected");
    EXPECT_EQ(panel.value(Ctl::DLSampleRateG3), 8);
    EXPECT_EQ(panel.value(Ctl::SelFileInterval), 7);
    // Port 3 is a staff with its length table, port 7 a serial sensor with its baud.
    EXPECT_TRUE(panel.visible(Ctl::DLDeviceLength3));
    EXPECT_FALSE(panel.visible(Ctl::UnitPortBaud3));
    EXPECT_TRUE(panel.visible(Ctl::UnitPortBaud7));
    EXPECT_FALSE(panel.visible(Ctl::DLDeviceLength7));
    EXPECT_FALSE(panel.visible(Ctl::DLDeviceLength1));
    const std::vector<std::string> metres = {"5", "10", "1.5", "2", "2.5", "3"};
    for (int r = 0; r < 6; ++r) EXPECT_EQ(panel.cell(Ctl::DLDeviceLength3, r, 0), metres[r]);
    EXPECT_EQ(panel.value(Ctl::AdcRangeCh4), 5);
    EXPECT_EQ(panel.u64(Ctl::DataLogPanId), 0xABCD0001u);
    EXPECT_EQ(state().LastDLPANID, 0xABCD0001u);
    // Streaming bits 0 and 2; com power bits 1, 2 and 4.
    const double streaming[] = {1, 2, 1, 2, 2, 2};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(panel.value(platform::ctlAt(Ctl::StreamingData1, i)), streaming[i]);
    const double com[] = {1, 1, 2, 1, 2};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(panel.value(platform::ctlAt(Ctl::ComPower1, i)), com[i]);
    // The logger's supply: the same 2.70 V that is fine for a staff's cells is far too low.
    EXPECT_EQ(config::rampColor(panel.colorRamp(Ctl::BatteryVoltage), 2.70), 0xCC0000u);
    EXPECT_EQ(panel.label(Ctl::BatteryVoltage), " Supply Voltage");
    EXPECT_NEAR(panel.value(Ctl::SupplyVoltage), 2.70, 1e-6);
    EXPECT_NEAR(panel.value(Ctl::BatteryWatts), 0.135, 1e-6);
    EXPECT_NEAR(panel.value(Ctl::BatteryDays), 280 / 0.135 / 24, 1e-3);
    // The start time across a leap day; the clock in the unit's own words.
    EXPECT_EQ(panel.value(Ctl::SelStartDay), 29);
    EXPECT_EQ(panel.value(Ctl::SelStartMonth), 2);
    EXPECT_EQ(panel.value(Ctl::SetDay), 1);
    EXPECT_FALSE(panel.dimmed(Ctl::ReadActiveFile));
    EXPECT_TRUE(panel.visible(Ctl::RemotePanID)) << "the adapter has a PAN ID";
}

TEST_F(ScanRig, DataLoggerWithItsRadioOffReadsTheRadioPowerAgain) {
    unit = links::kBroadcastAddress;
    answers = loggerAnswers(2);
    start(8);
    select(255);
    scan();
    EXPECT_EQ(commands, loggerCommands(false));
    EXPECT_EQ(panel.value(Ctl::XBeePower), 2);
}

TEST_F(ScanRig, UnitTypeChangeDimsAndClearsThePage) {
    answers = configtest::staffAnswers("2.10");
    start(0);
    report(5);
    select(5);
    scan();
    host->chooseUnitType(1);
    EXPECT_TRUE(panel.dimmed(Ctl::SelSampleRate));
    EXPECT_EQ(panel.value(Ctl::SelectDeviceNum), 0);
    EXPECT_EQ(panel.text(Ctl::ConfigConnectionStatus), "Not Connected");
    EXPECT_FALSE(panel.visible(Ctl::ConnectedIndicator));
}

}  // namespace
