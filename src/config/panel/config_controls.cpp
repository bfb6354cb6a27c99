// Control table rows of the configuration, data-logger ports and upload tab pages.
//
// Settings whose write is not built yet are listed in kWriteToCome: their rows are made
// indicators (the operator sees the unit's value but cannot edit it) and their buttons stay
// hidden (ConfigDisplay). A control leaves the list when its callback lands.
#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "config/command_set.h"
#include "platform/control_table.h"

namespace platform::fragments {

namespace {

constexpr Ctl kWriteToCome[] = {
    Ctl::ComPower3,
    Ctl::ComPower4,
    Ctl::ComPower5,
};

constexpr std::array<RingItem, 2> kOffOn{{{"Off", 0}, {"On", 1}}};
// The data logger's switches report 1 for on and 2 for off.
constexpr std::array<RingItem, 2> kOnOff12{{{"On", 1}, {"Off", 2}}};
constexpr std::array<RingItem, 2> kFreeSync{{{"Free run", 0}, {"Sync", 1}}};
// The values "WO" writes and "RO" reports.
constexpr std::array<RingItem, 4> kDataFormats{{
    {"ASCII 32 Samples", 0},
    {"Float 32 Samples", 1},
    {"Integer 64 Samples", 2},
    {"ASCII 1 Sample", 4},
}};
constexpr std::array<RingItem, 6> kRates{
    {{"1", 1}, {"2", 2}, {"4", 4}, {"8", 8}, {"16", 16}, {"32", 32}}};
constexpr std::array<RingItem, 3> kStaffTypes{{{"Rod", 1}, {"Cable", 2}, {"Sonic", 3}}};
constexpr std::array<RingItem, 2> kCurrentModes{{{"Mode 1", 1}, {"Mode 2", 2}}};
constexpr std::array<RingItem, 4> kTimeTags{{{"None", 0}, {"Minute", 1}, {"Hour", 2}, {"Day", 3}}};
constexpr std::array<RingItem, 3> kConfigRun{
    {{"Run", 0}, {"Configure port A", 1}, {"Configure port B", 2}}};
// Sensor types of a logger port: 3 carries a staff-length table, 6 text at the port's baud.
constexpr std::array<RingItem, 7> kPortTypes{{
    {"Not used", 0},
    {"Sensor type 1", 1},
    {"Sensor type 2", 2},
    {"Staff (length table)", 3},
    {"Sensor type 4", 4},
    {"Sensor type 5", 5},
    {"Serial text (baud)", 6},
}};
constexpr std::array<RingItem, 8> kBauds{{{"1200", 0},
                                          {"2400", 1},
                                          {"4800", 2},
                                          {"9600", 3},
                                          {"19200", 4},
                                          {"38400", 5},
                                          {"57600", 6},
                                          {"115200", 7}}};
constexpr std::array<RingItem, 5> kAdcRanges{{{"+/-10.24 V", 0},
                                              {"+/-5.12 V", 1},
                                              {"+/-2.56 V", 2},
                                              {"0 to 10.24 V", 5},
                                              {"0 to 5.12 V", 6}}};

constexpr std::string_view kSamplingHelp =
    "The Sample Rate is in Hz. The maximum rate depends on the data format and the number of\n"
    "units in the network (right-click the data format for its limits).\n"
    "Filter off: a staff averages a 31.25 ms interval; a sonic unit takes a single\n"
    "time-of-travel measurement.\n"
    "Filter on: a staff averages the full sample period plus the previous sample; a sonic unit\n"
    "averages its 64 Hz readings over the last two sample periods.";
constexpr std::string_view kFormatHelp =
    "ASCII 32 Samples: 1.0 mm resolution; 3 units at 32 Hz, 6 at 16 Hz, 8 at 8 Hz or less.\n"
    "Float 32 Samples: 0.1 mm resolution; 4 units at 32 Hz, 8 at 16 Hz or less.\n"
    "Integer 64 Samples: 16-bit unsigned, 1.0 mm resolution; 8 units at 32 Hz or less.\n"
    "ASCII 1 Sample: 1.0 mm resolution; 1 unit at 8 Hz, 2 at 4 Hz, 4 at 2 Hz, 8 at 1 Hz.";
constexpr std::string_view kSelectHelp =
    "Enter a device number shown in the device status lines to read and show that unit's\n"
    "settings; set it back to zero when finished. Changed values are written to the unit.\n"
    "Radio units need several minutes to re-synchronise afterwards.\n"
    "For the data logger enter 255. Turn Broadcast Power on first when its burst mode or\n"
    "start time is on.";
constexpr std::string_view kDateTimeHelp =
    "The unit's clock: year, month, day, hour, minute and second. Set Clock writes these\n"
    "values, Read Clock reads the unit's clock, Sync to PC sets it to this computer's clock\n"
    "and Compare shows how many seconds the unit is ahead of the computer.";
constexpr std::string_view kStartTimeHelp =
    "With the start time on, the unit waits until the start date and time before it begins\n"
    "sampling. Enter the date and time and press Write Start Time.";
constexpr std::string_view kCalibrationHelp =
    "Multiple point calibration: put up to 12 tape marks on the staff, submerge it to each\n"
    "mark, enter the mark's height in Calibrate Meters and press Set. Clear removes one point,\n"
    "Clear All every point.\n"
    "Automatic two-point calibration: enter the low and high points measured from the bottom\n"
    "of the staff, then press Auto Low with the water at the low mark and Auto High at the\n"
    "high mark.";
constexpr std::string_view kWiredCalHelp =
    "Enter the staff length and press Set Default Values. Put two tape marks on the staff\n"
    "(typically at 20% and 80%). With the staff's ground stud wired to the water and the\n"
    "staff 6 to 12 inches from other objects, take the readings at the marks; enter the test\n"
    "points and the readings and press Calibrate.";
constexpr std::string_view kGroupRateHelp =
    "This is the Sample Rate in Hz that the Data Logger devices in\nGroup %d will take "
    "measurements. Additional features of the\nRV and XB devices should be pre-configured "
    "separately\n\n";
constexpr std::string_view kUnitTypeHelp =
    "Select the Sensor type connected to each RS232 port\nThe Device number will be "
    "automatically  assigned to\nthe data per the RS232 port";
constexpr std::string_view kAnalogHelp =
    "12-bit conversion by a Texas Instruments ADS8664. The inputs are single-ended and\n"
    "referenced to AGND, which must stay within +/-0.1 V of PGND.";
constexpr std::string_view kStreamingHelp =
    "This is the Streaming Out Data control\nTurn on communication Power first\nTurn off if "
    "not used.\n\n";
constexpr std::string_view kComPowerHelp =
    "This is the Com Power control\nTurn off if not used.\n\n";
constexpr std::string_view kUploadHelp =
    "Select the file number to up load from the, Up Load File Number, display.\nNote: To up "
    "load the active file a new file must be started";

struct Rows {
    std::vector<ControlSpec> t;
    Page page = Page::Config;
    std::string_view frame;

    ControlSpec& add(Ctl id, Kind kind, std::string_view caption) {
        t.push_back({.id = id,
                     .page = page,
                     .kind = kind,
                     .caption = caption,
                     .frame = frame,
                     .startDimmed = true});
        return t.back();
    }
    ControlSpec& num(Ctl id, std::string_view caption, double lo, double hi, int precision = 0) {
        ControlSpec& s = add(id, Kind::Numeric, caption);
        s.minValue = lo;
        s.maxValue = hi;
        s.precision = precision;
        return s;
    }
    ControlSpec& ring(Ctl id, std::string_view caption, std::span<const RingItem> items) {
        ControlSpec& s = add(id, Kind::Ring, caption);
        s.items = items;
        s.defValue = items.front().value;
        return s;
    }
    ControlSpec& display(Ctl id, std::string_view caption, int precision = 0) {
        ControlSpec& s = add(id, Kind::Numeric, caption);
        s.precision = precision;
        s.indicator = true;
        return s;
    }
};

ControlSpec& help(ControlSpec& s, std::string_view title, std::string_view text) {
    s.helpTitle = title;
    s.helpText = text;
    return s;
}

// Help texts with a number in them, kept for the life of the program.
std::string_view kept(std::string text) {
    static std::vector<std::unique_ptr<std::string>> store;
    store.push_back(std::make_unique<std::string>(std::move(text)));
    return *store.back();
}

std::string_view numbered(std::string_view format, int n) {
    const auto at = format.find("%d");
    if (at == std::string_view::npos) return format;
    std::string s(format.substr(0, at));
    s += std::to_string(n);
    s += format.substr(at + 2);
    return kept(std::move(s));
}

void unitPage(Rows& r) {
    r.frame = "Unit";
    help(r.add(Ctl::ConnectedIndicator, Kind::Led, "Unit answers"), "CONNECTED",
         "Lit while the selected unit answers.")
        .startVisible = false;
    r.t.back().startDimmed = false;
    auto& sel = help(r.num(Ctl::SelectDeviceNum, "Device to configure", 0, 255),
                     "SELECT DEVICE TO CONFIGURE", kSelectHelp);
    sel.startDimmed = false;
    auto& addr = help(r.add(Ctl::NetworkAddress, Kind::Hex64, "Network address"),
                      "SELECT NETWORK ADDRESS TO CONFIGURE",
                      "To configure a XB Unit enter the units Network\nAddress using hexadecimal "
                      "Characters (0..9 & A..F).  When \nfinished set the device number to zero");
    addr.startDimmed = false;
    help(r.add(Ctl::ReScanAll, Kind::Button, "Re-scan"), "RE-SCAN",
         "The Units configuration will be re-uploaded and displayed. This\nis needed only if an "
         "incomplete configuration upload occurred.\nThe computer may have been busy running "
         "other programs etc.")
        .startDimmed = false;
    auto& run = help(r.ring(Ctl::FRTCConfigRunSelect, "Configure / run", kConfigRun),
                     "CONFIGURE OR RUN",
                     "Run shows and records the units' data. Configure port A or port B reads "
                     "the wired unit on that port\nand shows its settings; the unit stops "
                     "sending data meanwhile.");
    run.startVisible = false;
    run.startDimmed = false;
    help(r.num(Ctl::NewDeviceNum, "Device number", 1, 255), "DEVICE NUMBER",
         "A radio unit's device number may be set from 1 to 255 and should not be duplicated\n"
         "(the network address tells duplicates apart). Other units' numbers are preset.");
    help(r.add(Ctl::PartNumber, Kind::TextMsg, "Part number"), "PART NUMBER",
         "The unit's part number as it reports it.");
    help(r.add(Ctl::FirmwareVersion, Kind::TextMsg, "Firmware version"), "FIRMWARE VERSION",
         "The version of the unit's firmware.");
    help(r.add(Ctl::SerialNumber, Kind::TextMsg, "Serial number"), "SERIAL NUMBER",
         "The unit's serial number.");
    ControlSpec& serial = help(r.add(Ctl::SaveSerialNumber, Kind::TextEntry, "New serial number"),
                               "SAVE SERIAL NUMBER",
                               "Save the Serial number of units to ship to customers.\nThis is for "
                               "factory uses only make invisible for customer.");
    serial.startVisible = false;
    serial.maxValue =
        config::kMaxSerialLength;  // a text entry's maximum is its length in characters
}

void samplingFrame(Rows& r) {
    r.frame = "Sampling";
    auto note = [&](Ctl id, std::string_view text) {
        ControlSpec& s = r.add(id, Kind::TextMsg, "");
        s.defText = text;
        s.startDimmed = false;
        s.startVisible = false;
        s.wraps = true;
    };
    note(Ctl::SamplingNoteRadio, "Right-click a setting for its limits.");
    note(Ctl::SamplingNoteLogger1, "A burst length of 0 records continuously.");
    note(Ctl::SamplingNoteLogger2, "A new file starts every file interval.");
    help(r.ring(Ctl::SelDataFormat, "Data format", kDataFormats), "DATA FORMAT", kFormatHelp);
    help(r.ring(Ctl::SelSampleRate, "Sample rate (Hz)", kRates), "SAMPLING SETTINGS",
         kSamplingHelp);
    help(r.ring(Ctl::AntiAliasFilter, "Anti-alias filter", kOffOn), "FILTER", kSamplingHelp).kind =
        Kind::Switch;
    help(r.ring(Ctl::FRTCBinFormat, "Binary format", kOffOn), "DATA FORMAT",
         "The Data Format must be ASCII to display and\nplot data with this Interface "
         "Program.\n\n")
        .kind = Kind::Switch;
    help(r.num(Ctl::FRTCRate, "Sample rate, wired (Hz)", 1, 110), "SAMPLE RATE",
         "Sample rate in Hz of staffs and loggers. Set it to 8 or more times the expected wave\n"
         "frequency. With newer staff firmware the analog output runs at 100 Hz while the\n"
         "serial output is off.");
    help(r.ring(Ctl::FRTCSerialOut, "Serial output", kOffOn), "SERIAL OUTPUT",
         "The Serial Output must be \"On\" to display and\nplot data with this Interface "
         "Program.\n\n")
        .kind = Kind::Switch;
    help(r.ring(Ctl::FRTCAirTempCtrl, "Air temperature", kOffOn), "AIR TEMPERATURE",
         "Select \"On\" to Sample and Output the units temperature.\n")
        .kind = Kind::Switch;
    help(r.ring(Ctl::FRTCRunMode, "Comm port run mode", kFreeSync), "COMM PORT RUN MODE",
         "Free run samples and outputs at the configured rate; it is needed to display and plot\n"
         "data. Sync samples only on a serial sample command.");
    r.ring(Ctl::FRAnalogOut, "Analog output", kOffOn).kind = Kind::Switch;
    help(r.ring(Ctl::FRTTLRunMode, "TTL run mode", kFreeSync), "TTL RUN MODE",
         "Sync samples on a rising edge of the TTL sync wire: at most 33 Hz with the serial\n"
         "output on, 110 Hz with it off.");
    r.ring(Ctl::FRSyncTimeTag, "Sync time tag", kTimeTags);
    help(r.num(Ctl::SelBurstLength, "Burst length (min)", 0, 1440), "BURST LENGTH",
         "The time in minutes that samples are collected before the unit sleeps; 0 samples\n"
         "continuously. It must be at least 1 minute less than the burst interval (2 minutes for\n"
         "the data logger). A broadcast power-on resets radio units to 0.");
    help(r.num(Ctl::SelBurstInterval, "Burst interval (min)", 0, 1440), "BURST INTERVAL",
         "The time in minutes from the start of one burst to the start of the next; 1 minute\n"
         "greater than the burst length (2 for the data logger).");
    help(r.num(Ctl::SelFileInterval, "File interval (days)", 1, 99), "FILE INTERVAL",
         "The File Interval is the time in days from the\nstart of one File to the start of the "
         "next File.\n");
    ControlSpec& plot = r.add(Ctl::PlotNoteConfig, Kind::TextMsg, "");
    plot.defText = "The logger's sensors report as devices 101 to 108 (ports 1 to 8).";
    plot.startDimmed = false;
    plot.startVisible = false;
    plot.wraps = true;
}

void powerAndStaff(Rows& r) {
    r.frame = "Power";
    help(r.ring(Ctl::EnablePower, "Power", kOffOn), "POWER",
         "Turn off this XB device number only.\nThe unit will power-down in a few minutes.")
        .kind = Kind::Switch;
    ControlSpec& v = help(r.add(Ctl::BatteryVoltage, Kind::Gauge, "Battery Voltage"),
                          "SUPPLY VOLTAGE", "Display the external Supply Voltage\n");
    v.minValue = 2.0;
    v.maxValue = 3.3;
    v.precision = 2;
    help(r.add(Ctl::ReadBattery, Kind::Button, "Read"), "READ",
         "Read and display the external supply Voltage");

    r.frame = "Alarms";
    r.ring(Ctl::Alarm1Enable, "Alarm 1", kOffOn).kind = Kind::Switch;
    r.num(Ctl::Alarm1On, "Alarm 1 on (m)", 0, 100, 3);
    r.num(Ctl::Alarm1Off, "Alarm 1 off (m)", 0, 100, 3);
    r.ring(Ctl::Alarm2Enable, "Alarm 2", kOffOn).kind = Kind::Switch;
    r.num(Ctl::Alarm2On, "Alarm 2 on (m)", 0, 100, 3);
    r.num(Ctl::Alarm2Off, "Alarm 2 off (m)", 0, 100, 3);

    r.frame = "Staff";
    help(r.num(Ctl::SelStaffLength, "Staff length (m)", 0, 100, 3), "STAFF LENGTH",
         "For XB units the Staff Length is for reference \nonly. It has no effect on the "
         "calibration\n\n");
    help(r.ring(Ctl::SelStaffType, "Staff type", kStaffTypes), "STAFF TYPE",
         "For the XB units; use this window to indicated the type of Sensor \nthat you are "
         "using, rod, cable or sonic.\n\nFor the Fathomrods and Tidecorders; the type is "
         "automatically set.");
}

void calibrationFrame(Rows& r) {
    r.frame = "Calibration";
    help(r.ring(Ctl::SelCurrentMode, "Current mode", kCurrentModes), "CURRENT MODE",
         "The staff sensor's current mode. Each mode keeps its own calibration.");
    help(r.num(Ctl::SelLowCalPt, "Low test point (m)", 0, 100, 3), "CALIBRATION", kCalibrationHelp);
    help(r.add(Ctl::SetAutoCalLow, Kind::Button, "Auto Low"), "CALIBRATION", kCalibrationHelp);
    help(r.num(Ctl::SetHighCalPt, "High test point (m)", 0, 100, 3), "CALIBRATION",
         kCalibrationHelp);
    help(r.add(Ctl::SetAutoCalHigh, Kind::Button, "Auto High"), "CALIBRATION", kCalibrationHelp);
    help(r.num(Ctl::SelCalGain, "Gain", -100, 100, 3), "CALIBRATION", kCalibrationHelp);
    help(r.num(Ctl::SelCalOffset, "Offset", -100, 100, 3), "CALIBRATION", kCalibrationHelp);
    help(r.num(Ctl::SetLowReading, "Low reading (m)", 0, 100, 3), "CALIBRATION", kWiredCalHelp);
    help(r.num(Ctl::SetHighReading, "High reading (m)", 0, 100, 3), "CALIBRATION", kWiredCalHelp);
    help(r.add(Ctl::SetDefaultValues, Kind::Button, "Set Default Values"), "CALIBRATION",
         kWiredCalHelp);
    help(r.add(Ctl::FRTCCalibrate, Kind::Button, "Calibrate"), "CALIBRATION", kWiredCalHelp);
    help(r.display(Ctl::FRTCGain, "Gain, wired"), "CALIBRATION", kWiredCalHelp);
    help(r.display(Ctl::FRTCOffset, "Offset, wired"), "CALIBRATION", kWiredCalHelp);
    help(r.num(Ctl::CalPointMeters, "Calibrate Meters", 0, 100, 4), "MULTIPLE POINT CALIBRATION",
         kCalibrationHelp);
    help(r.add(Ctl::CalSetMeters, Kind::Button, "Set"), "MULTIPLE POINT CALIBRATION",
         kCalibrationHelp);
    help(r.add(Ctl::CalClearPoint, Kind::Button, "Clear point"), "CLEAL POINT",
         "Clears the calibration point at the level entered in Calibrate Meters.");
    help(r.add(Ctl::CalClearAll, Kind::Button, "Clear all points"), "CLEAL ALL",
         "Clears every calibration point of the present current mode.");
    ControlSpec& table = help(r.add(Ctl::CalTable, Kind::Table, "Calibration Points (m)"),
                              "MULTIPLE POINT CALIBRATION", kCalibrationHelp);
    table.tableRows = 12;
    table.tableCols = 1;
    help(r.add(Ctl::SelCalFactory, Kind::Button, "Factory calibration"), "FACTORY CALIBRATE",
         "Restores the calibration the unit left the factory with.");
    help(r.add(Ctl::SaveFactoryValue, Kind::Button, "Save as factory values"), "SAVE PRESENT CAL",
         "Saves the present calibration as the factory values (factory use).")
        .startVisible = false;

    r.frame = "Sonic receiver";
    help(r.num(Ctl::HighTrip_mV, "High trip (mV)", 0, 5000), "HIGH TRIP POINT",
         "The high trip point of the sonic receiver in millivolts.")
        .startVisible = false;
    help(r.num(Ctl::LowTrip_mV, "Low trip (mV)", 0, 5000), "LOW TRIP POINT",
         "The low trip point of the sonic receiver in millivolts.")
        .startVisible = false;
    help(r.num(Ctl::DeadZone_mm, "Dead zone (mm)", 0, 3000), "DEAD ZONE ",
         "The distance in millimetres in front of the sonic sensor where echoes are ignored.")
        .startVisible = false;
}

void clockFrames(Rows& r) {
    // Date and time fields: caption, range.
    struct Field {
        Ctl id;
        std::string_view caption;
        int lo, hi;
    };
    auto fields = [&](std::initializer_list<Field> fs, std::string_view title,
                      std::string_view text) {
        for (const Field& f : fs) help(r.num(f.id, f.caption, f.lo, f.hi), title, text);
    };
    r.frame = "Start time";
    help(r.ring(Ctl::EnableStartTime, "Start time", kOffOn), "START TIME", kStartTimeHelp).kind =
        Kind::Switch;
    fields({{Ctl::SelStartYear, "Start year", 2000, 2099},
            {Ctl::SelStartMonth, "Start month", 1, 12},
            {Ctl::SelStartDay, "Start day", 1, 31},
            {Ctl::SelStartHour, "Start hour", 0, 23},
            {Ctl::SelStartMinute, "Start minute", 0, 59}},
           "START TIME", kStartTimeHelp);
    help(r.add(Ctl::WriteStartTime, Kind::Button, "Write Start Time"), "START TIME",
         kStartTimeHelp);

    r.frame = "Clock";
    fields({{Ctl::SetYear, "Year", 2000, 2099},
            {Ctl::SetMonth, "Month", 1, 12},
            {Ctl::SetDay, "Day", 1, 31},
            {Ctl::SetHour, "Hour", 0, 23},
            {Ctl::SetMinute, "Minute", 0, 59},
            {Ctl::SetSecond, "Second", 0, 59}},
           "DATE AND TIME", kDateTimeHelp);
    help(r.add(Ctl::ClockText, Kind::TextMsg, "Unit minus PC (s)"), "SYNCHRONIZE CLOCK TO PC",
         "How many seconds the unit's clock is ahead of this computer's clock.");
    help(r.add(Ctl::SetClock, Kind::Button, "Set Clock"), "MANUALLY SET CLOCK", kDateTimeHelp);
    help(r.add(Ctl::ReadClock, Kind::Button, "Read Clock"), "READ CLOCK", kDateTimeHelp);
    help(r.add(Ctl::SyncToPC, Kind::Button, "Sync to PC"), "SYNCHRONIZE CLOCK TO PC",
         kDateTimeHelp);
    help(r.add(Ctl::CompClock, Kind::Button, "Compare"), "SYNCHRONIZE CLOCK TO PC", kDateTimeHelp);
    help(r.num(Ctl::RtcCal, "Clock calibration", -512, 511), "REAL TIME CLOCK CALIBRATE",
         "Trims the rate of the unit's real-time clock; positive values speed it up.");
}

void loggerPage(Rows& r) {
    r.page = Page::LoggerPorts;
    for (int g = 0; g < 2; ++g) {
        r.frame = g == 0 ? "Group 1: ports 1 to 4" : "Group 2: ports 5 to 8";
        help(r.ring(ctlAt(Ctl::DLSampleRateG1, g),
                    g == 0 ? "Group 1 rate (Hz)" : "Group 2 rate (Hz)", kRates),
             "SAMPLING SETTINGS", numbered(kGroupRateHelp, g + 1));
        for (int p = g * 4; p < g * 4 + 4; ++p) {
            const std::string n = std::to_string(p + 1);
            help(r.ring(ctlAt(Ctl::UnitPortType1, p), kept("Port " + n + " type"), kPortTypes),
                 "UNIT TYPE", kUnitTypeHelp);
            r.ring(ctlAt(Ctl::UnitPortBaud1, p), kept("Port " + n + " baud"), kBauds).startVisible =
                false;
            ControlSpec& t = r.add(ctlAt(Ctl::DLDeviceLength1, p), Kind::Table,
                                   kept("Port " + n + " staff lengths (m)"));
            t.tableRows = 6;
            t.tableCols = 1;
            t.startVisible = false;
        }
    }
    r.frame = "Radio module";
    help(r.ring(Ctl::DLSampleRateG3, "Group 3 rate (Hz)", kRates), "SAMPLING SETTINGS",
         numbered(kGroupRateHelp, 3));
    r.ring(Ctl::XBeePower, "Radio power", kOnOff12);
    help(r.add(Ctl::DataLogPanId, Kind::Hex64, "Sensor PAN ID"),
         "CHANGE THE REMOTE XB Unit's PAN ID?",
         "The PAN ID of the data logger's coordinator radio, which links its XB sensors.\n"
         "Press Save sensor PAN ID to keep a new value through power cycles.");
    help(r.add(Ctl::SaveXBPanId, Kind::Button, "Save sensor PAN ID"),
         "SAVE THE XB PAN ID THROUGH POWER CYCLE ?",
         "Keeps the coordinator's new PAN ID through power cycles; without it a power cycle\n"
         "returns the previous value.");

    r.frame = "Analogue inputs";
    help(r.ring(Ctl::DLSampleRateG4, "Group 4 rate (Hz)", kRates), "SAMPLING SETTINGS",
         "This is the Sample Rate in Hz that the Data Logger devices in\nGroup 4 will take "
         "measurements.\n\n");
    for (int c = 0; c < 4; ++c) {
        help(r.ring(ctlAt(Ctl::AdcRangeCh1, c), kept("Channel " + std::to_string(c + 1) + " range"),
                    kAdcRanges),
             "ANALOG INPUTS", kAnalogHelp);
    }
    r.frame = "Streaming out";
    for (int s = 0; s < 6; ++s) {
        help(r.ring(ctlAt(Ctl::StreamingData1, s), kept("Output " + std::to_string(s + 1)),
                    kOnOff12),
             "STREAMING OUT DATA", kStreamingHelp);
    }
}

void uploadPage(Rows& r) {
    r.page = Page::Upload;
    r.frame = "Data logger";
    help(r.num(Ctl::SelectDeviceNum3, "Device to configure", 0, 255), "SELECT DEVICE TO CONFIGURE",
         kSelectHelp);
    help(r.ring(Ctl::EnableGPSTime, "GPS time", kOffOn), "GPS UTC TIME",
         "On: the logger time-tags its data with GPS UTC time. Off: with its own clock.")
        .kind = Kind::Switch;
    help(r.add(Ctl::Link2BlueTooth, Kind::Button, "Link to Bluetooth"), "Link to Bluetooth",
         "Links the logger's RS232 port straight to its Bluetooth module. Its settings can then\n"
         "be reached with a terminal program at 115k baud.");

    r.frame = "Battery";
    help(r.display(Ctl::SupplyVoltage, "Supply voltage (V)", 2), "SUPPLY VOLTAGE",
         "Display the external Supply Voltage\n");
    help(r.display(Ctl::BatteryCurrent, "Battery current (A)", 3), "READ BATTERY CURRENT",
         "Updates to the present battery in amps.");
    help(r.add(Ctl::ReadBatteryCurrent, Kind::Button, "Read current"), "READ BATTERY CURRENT",
         "Updates to the present battery in amps.");
    help(r.display(Ctl::BatteryWatts, "Power (W)", 2), "TOTAL BATTERY LIFE IN DAYS",
         "Battery life is based on two 18V 12C cell packs.\nEach 18V pack has a typical Capacity "
         "of 140 Whrs totaling 280 Whrs. \nBattery life hours = 280 / Watts");
    help(r.display(Ctl::BatteryDays, "Battery life (days)", 1), "TOTAL BATTERY LIFE IN DAYS",
         "Battery life is based on two 18V 12C cell packs.\nEach 18V pack has a typical Capacity "
         "of 140 Whrs totaling 280 Whrs. \nBattery life hours = 280 / Watts");
    for (int c = 0; c < 5; ++c) {
        help(r.ring(ctlAt(Ctl::ComPower1, c), kept("Com power " + std::to_string(c + 1)), kOnOff12),
             "COM POWER CONTROL", kComPowerHelp);
    }

    r.frame = "Flash card";
    help(r.display(Ctl::ActiveFile, "Active file"), "READ",
         "Read the file number that is presently being saved to the instaled Flash Card");
    help(r.add(Ctl::ReadActiveFile, Kind::Button, "Read"), "READ",
         "Read the file number that is presently being saved to the instaled Flash Card");
    help(r.add(Ctl::StartNewFile, Kind::Button, "Start new file"), "START NEW FILE",
         "Close the active file and Start a new file.  The new\nfile number will be the last "
         "active file number plus 1");
    help(r.num(Ctl::UpLoadFileNumber, "Up Load File Number", 1, 9999), "UP LOAD FILE", kUploadHelp);
    help(r.ring(Ctl::UpLoadFile, "Up load", kOffOn), "UP LOAD FILE", kUploadHelp).kind =
        Kind::Switch;
    r.add(Ctl::UploadPath, Kind::TextMsg, "Saved to").wraps = true;
    r.add(Ctl::UploadPercent, Kind::TextMsg, "Progress").startDimmed = false;
    ControlSpec& progress = r.add(Ctl::UploadProgress, Kind::Gauge, "");
    progress.maxValue = 100;
    progress.precision = 1;
    ControlSpec& status = r.add(Ctl::UploadStatus, Kind::TextMsg, "");
    status.startDimmed = false;
    status.wraps = true;
}

std::vector<ControlSpec> build() {
    Rows r;
    unitPage(r);
    samplingFrame(r);
    powerAndStaff(r);
    calibrationFrame(r);
    clockFrames(r);
    loggerPage(r);
    uploadPage(r);
    // Shown on the main panel and the plot page.
    r.t.push_back({.id = Ctl::GPSTimeIndicator,
                   .kind = Kind::Led,
                   .caption = "GPS time",
                   .frame = "Radio network",
                   .startVisible = false,
                   .helpTitle = "GPS UTC TIME",
                   .helpText = "Lit while the data logger time-tags its data with GPS UTC time."});
    r.t.push_back({.id = Ctl::PlotNotePlot,
                   .page = Page::Plot,
                   .kind = Kind::TextMsg,
                   .frame = "Data logger",
                   .defText = "The logger's sensors report as devices 101 to 108 (ports 1 to 8).",
                   .startVisible = false,
                   .wraps = true});
    for (ControlSpec& s : r.t) {
        if (std::find(std::begin(kWriteToCome), std::end(kWriteToCome), s.id) !=
            std::end(kWriteToCome)) {
            s.indicator = true;
            // A button cannot show a value: it stays hidden until its action is built.
            if (s.kind == Kind::Button) s.startVisible = false;
        }
    }
    return r.t;
}

}  // namespace

std::span<const ControlSpec> config() {
    static const std::vector<ControlSpec> rows = build();
    return rows;
}

}  // namespace platform::fragments
