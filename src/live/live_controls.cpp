// Control table rows of the live display: eight rows of nine columns, the column headers with
// their help, the page selector, broadcast power, time sync and the indicators.
#include <array>

#include "platform/control_table.h"

namespace platform::fragments {

namespace {

struct Column {
    Ctl first;   // element of row 1; rows 2-8 follow
    Ctl header;  // header control carrying the column help
    Kind kind;
    std::string_view caption;
    int precision;
    std::string_view helpTitle;
    std::string_view helpText;
};

constexpr std::string_view kPowerOnHelp =
    "Power on indicates that a Unit is\nconnected to this Interface Software\n";
constexpr std::string_view kPowerLedHelp =
    "Battery status of the unit.\n"
    "Radio staffs and sonic sensors: green = good battery, 100 % to 20 % service life\n"
    "remaining; yellow = low, 20 % to 5 %; red = bad, 5 % to 0 %.\n"
    "Data logger: green above 11.5 V, yellow 11.5 V to 10 V, red below 10 V.\n"
    "External input range 8 V to 36 V.";
constexpr std::string_view kAddressHelp =
    "The unit's unique 64-bit network address in hexadecimal characters (radio units only).";
constexpr std::string_view kDeviceHelp =
    "Radio units: a number 1-255 set on the configuration panel; it should be unique.\n"
    "Wired units: device 1 is port A, device 2 port B, device 3 = device 1 - device 2.\n"
    "Synchronizer board: staff 1 is device 1, and so on.";
constexpr std::string_view kRateHelp =
    "The sample rate in Hz. A staff sample is the integral over 1/Hz; with the filter on it is\n"
    "averaged with the previous sample. Sonic sensors sample 64 times a second and average the\n"
    "last two sample periods.";
constexpr std::string_view kDateTimeHelp =
    "Radio units: the time of the first sample of a packet (for single ASCII samples the time\n"
    "tag message comes every 32 samples).\n"
    "Wired units: the computer's date and time, updated every 60 samples.";
constexpr std::string_view kOffsetHelp =
    "The Offset Time is the number of milliseconds from the Date and \n"
    "Time that the last sampled data was received and displayed.\n";
constexpr std::string_view kOutputHelp =
    "The last sample of the unit, in metres.\n"
    "Staffs: the water level above the bottom of the staff.\n"
    "Sonic sensors: derived from the distance to the water (a distance of 2.2 m reads 0,\n"
    "0.2 m reads 2.0 m).";
constexpr std::string_view kZeroHelp =
    "Toggle between an absolute or Zero display and plot.\nThe zero offset value is set with "
    "the displayed \nvalue when the button is pressed.\n";

constexpr std::string_view kSaveHelpTitle = "SAVE OUTPUT DATA TO A FILE";
constexpr std::string_view kSaveOutputHelp =
    "Open a file to begin saving the sample data of the connected units.\n"
    "You are first asked for the Save New File Interval in days (1 to 98); a new file\n"
    "is started after that many midnights. Enter 99 for one continuous file.\n"
    "The chosen name gets the file number: survey.csv is saved as survey000.csv,\n"
    "then survey001.csv and so on. An existing file is never overwritten by a new\n"
    "numbered file.\n\n"
    "Example records:\n"
    "A004,S32,B0,2014-02-10T16:00:40,01.2340,01.2351,...\n"
    "  A = ASCII burst, 004 = device number, S32 = sample rate 32 Hz,\n"
    "  B0 = battery state (0 good, 2 low, 3 bad), then date and time of the first\n"
    "  sample and 32 water levels in metres (64 for I bursts).\n"
    "C012,D1,S04,01.2340\n"
    "  a single sample of device 12 at 4 Hz: 1.234 m.";
constexpr std::string_view kSaveFramesHelp =
    "Open a file to begin saving the stream of(.DAT) API Frame data\nfrom the connected units. "
    "The saved data format will be the\nsame format as the wireless data from the XB unit";
constexpr std::string_view kRemotePanHelp =
    "The PAN ID of the XB unit being configured. A power cycle returns it to its\n"
    "previous value unless it is saved with the Save remote PAN ID button.";
constexpr std::string_view kSaveRemotePanHelp =
    "Keeps the XB unit's new PAN ID through power cycles. Set the adapter to the new\n"
    "PAN ID and reconnect first: only then does the save command reach the unit.";

constexpr std::array<Column, 9> kColumns{{
    {Ctl::Power1, Ctl::PowerOnOffID, Kind::Switch, "Power", 0, "POWER ON", kPowerOnHelp},
    {Ctl::Led1, Ctl::PowerLEDID, Kind::Led, "Status", 0, "POWER STATUS", kPowerLedHelp},
    {Ctl::Address1, Ctl::NetworkAddressID, Kind::Hex64, "Network address", 0, "NETWORK ADDRESS",
     kAddressHelp},
    {Ctl::Device1, Ctl::DeviceNumberID, Kind::Numeric, "Device", 0, "DEVICE NUMBER", kDeviceHelp},
    {Ctl::Rate1, Ctl::SampleRateID, Kind::Numeric, "Rate (Hz)", 0, "SAMPLE RATE", kRateHelp},
    {Ctl::DateTime1, Ctl::DateTimeID, Kind::TextMsg, "Date and time", 0, "DATE AND TIME",
     kDateTimeHelp},
    {Ctl::Offset1, Ctl::OffsetID, Kind::Numeric, "Offset (ms)", 0, "OFFSET TIME", kOffsetHelp},
    {Ctl::Output1, Ctl::OutputDataID, Kind::Numeric, "Data (m)", 3, "DATA METERS", kOutputHelp},
    {Ctl::ZeroAbs1, Ctl::ZeroAbsID, Kind::Switch, "Zero", 0, "ZeroABS", kZeroHelp},
}};

constexpr std::array<RingItem, 3> kPages{{{"Units 1-8", 1}, {"Units 9-16", 2}, {"Units 17-24", 3}}};
constexpr std::array<RingItem, 3> kBroadcast{{{"Off", 0}, {"On", 1}, {"Send off", 2}}};

// A line of the recording frame that tells how a file being written is doing.
ControlSpec status(Ctl id, std::string_view caption, std::string_view help) {
    return {.id = id,
            .kind = Kind::TextMsg,
            .caption = caption,
            .frame = "Recording",
            .startVisible = false,
            .helpTitle = kSaveHelpTitle,
            .helpText = help,
            .indicator = true,
            // File names and figures wrap too: the left column is narrow.
            .wraps = true};
}

std::vector<ControlSpec> build() {
    std::vector<ControlSpec> t;
    for (const Column& c : kColumns) {
        t.push_back({.id = c.header, .kind = Kind::Decoration, .caption = c.caption,
                     .frame = "Live units", .helpTitle = c.helpTitle, .helpText = c.helpText});
        for (int row = 0; row < 8; ++row) {
            t.push_back({.id = ctlAt(c.first, row), .kind = c.kind, .caption = c.caption,
                         .frame = "Live units", .precision = c.precision, .startDimmed = true,
                         .helpTitle = c.helpTitle, .helpText = c.helpText,
                         .onColor = c.kind == Kind::Led ? kLedGreen : 0,
                         .indicator = c.first != Ctl::ZeroAbs1});
        }
    }
    std::vector<ControlSpec> rest = {
        {.id = Ctl::PageSelect,
         .kind = Kind::Ring,
         .caption = "Page",
         .frame = "Live units",
         .defValue = 1,
         .items = kPages,
         .helpTitle = "DISPLAY PAGE",
         .helpText = "Up to 24 units are shown, eight to a page, in network address order."},
        {.id = Ctl::BroadcastPower,
         .kind = Kind::Ring,
         .caption = "Broadcast power",
         .frame = "Radio network",
         .items = kBroadcast,
         .helpTitle = "BROADCAST POWER",
         .helpText = "On: all radio units of the PAN are told to power on, every 15 s for 3.5\n"
                     "minutes, then in cycles of 75 s of quiet and 4 sends 15 s apart, for as\n"
                     "long as the switch is On. A broadcast power-on also turns the units' start\n"
                     "time off and sets their burst length to 0.\n"
                     "Send off: all radio units are told to power down, 14 times 15 s apart\n"
                     "(3.5 minutes), then the switch returns to Off."},
        {.id = Ctl::BroadcastIndicator,
         .kind = Kind::Led,
         .caption = "Broadcasting",
         .frame = "Radio network",
         .startVisible = false,
         .onColor = kLedGreen},
        {.id = Ctl::AutoTimeSync,
         .kind = Kind::Switch,
         .caption = "Auto time sync",
         .frame = "Radio network",
         .helpTitle = "AUTO TIME SYNC",
         .helpText = "Keeps the clocks of the radio units in step with this computer."},
        {.id = Ctl::SyncIndicator,
         .kind = Kind::Led,
         .caption = "Synchronising",
         .frame = "Radio network",
         .startVisible = false,
         .onColor = kLedGreen},
        {.id = Ctl::AutoSyncResult,
         .kind = Kind::TextMsg,
         .caption = "Sync result",
         .frame = "Radio network",
         .startVisible = false},
        {.id = Ctl::TempPortA,
         .kind = Kind::Numeric,
         .caption = "Temperature A (C)",
         .frame = "Temperature",
         .precision = 1,
         .startDimmed = true,
         .indicator = true},
        {.id = Ctl::TempPortB,
         .kind = Kind::Numeric,
         .caption = "Temperature B (C)",
         .frame = "Temperature",
         .precision = 1,
         .startDimmed = true,
         .indicator = true},
        {.id = Ctl::TempPlayback,
         .kind = Kind::Numeric,
         .caption = "Temperature, file (C)",
         .frame = "Temperature",
         .precision = 1,
         .startDimmed = true,
         .indicator = true},
        {.id = Ctl::RecordingIndicator,
         .kind = Kind::Led,
         .caption = "Recording",
         .frame = "Recording",
         .startVisible = false,
         .helpTitle = kSaveHelpTitle,
         .helpText = kSaveOutputHelp,
         .onColor = kRed},
        status(Ctl::RecordingFile, "File", kSaveOutputHelp),
        status(Ctl::RecordingWritten, "Written", kSaveOutputHelp),
        status(Ctl::RecordingNext, "Next file", kSaveOutputHelp),
        status(Ctl::RecordingWarning, "", kSaveOutputHelp),
        {.id = Ctl::CaptureIndicator,
         .kind = Kind::Led,
         .caption = "Capturing frames",
         .frame = "Recording",
         .startVisible = false,
         .helpTitle = kSaveHelpTitle,
         .helpText = kSaveFramesHelp,
         .onColor = kRed},
        status(Ctl::CaptureFile, "File", kSaveFramesHelp),
        status(Ctl::CaptureWritten, "Written", kSaveFramesHelp),
        status(Ctl::CaptureWarning, "", kSaveFramesHelp),
        // Hands the recording and capture files to the disk once a second and, after a full
        // disk, looks every few ticks for room to go on.
        {.id = Ctl::FileSyncTimer,
         .kind = Kind::Timer,
         .caption = "FileSyncTimer",
         .timerMs = 1000,
         .timerEnabled = true},
        // The remote PAN ID group is shown once PAN ID management can use it.
        {.id = Ctl::RemotePanID,
         .page = Page::Config,
         .kind = Kind::Hex64,
         .caption = "XB unit PAN ID",
         .frame = "Radio network",
         .startDimmed = true,
         .startVisible = false,
         .helpTitle = "CHANGE THE REMOTE XB Unit's PAN ID?",
         .helpText = kRemotePanHelp},
        {.id = Ctl::SaveRemotePanID,
         .page = Page::Config,
         .kind = Kind::Button,
         .caption = "Save remote PAN ID",
         .frame = "Radio network",
         .startDimmed = true,
         .startVisible = false,
         .helpTitle = "SAVE THE REMOTE XB DEVICE PAN ID?",
         .helpText = kSaveRemotePanHelp},
    };
    t.insert(t.end(), rest.begin(), rest.end());
    return t;
}

}  // namespace

std::span<const ControlSpec> live() {
    static const std::vector<ControlSpec> rows = build();
    return rows;
}

}  // namespace platform::fragments
