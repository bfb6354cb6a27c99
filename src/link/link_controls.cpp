// Control table rows of the serial links: the three port rings, the change buttons and each
// port's status and unit indicators.
#include <array>

#include "platform/control_table.h"

namespace platform::fragments {

namespace {

constexpr std::array<RingItem, 1> kNoPort{{{"Select a serial port", 0}}};
constexpr std::array<RingItem, 2> kBarMeters{{{"Bar", 0}, {"Meters", 1}}};

constexpr std::string_view kSelectPortHelp =
    "Choose the serial port the unit is connected to.\n"
    "Radio units: the USB radio adapter appears as a USB serial port; unplug and replug it and\n"
    "see which entry comes and goes (Linux: ttyUSBn or ttyACMn, Windows: the COM number shown\n"
    "under Ports in the Device Manager).\n"
    "Wired units: choose the RS232 port or the USB serial adapter the unit's cable is plugged\n"
    "into. On Linux your user must be in the dialout group to open serial ports.";

constexpr std::string_view kChangePortHelp =
    "Releases the serial port so that another one can be chosen, or so that another program\n"
    "can use it. The unit's rows are cleared; they refill when a port is chosen again.";

constexpr std::string_view kOutputHelp =
    "Select a serial port to begin streaming output data at 115200 baud from the\nconnected "
    "devices. Deselect the port to stop the output stream. The data format\nis an "
    "ASCII fixed length format, the same as Save Output Data to File.\n";

constexpr std::string_view kDroppedHelp =
    "Records received on this port that were not what the unit's data format allows (noise\n"
    "on the line, a loose connector, a unit at another baud rate). They are dropped: never\n"
    "shown, recorded or charted. A count that keeps rising points to the cable or the unit.";

constexpr std::string_view kHealthHelp =
    "What the port received since it was opened: bytes, frames (radio) or lines (wired units)\n"
    "that were what they should be, frames rejected for a wrong checksum or length and\n"
    "records dropped as noise, unit records per second, and how long ago the last good frame\n"
    "came.";
constexpr std::string_view kWarningHelp =
    "Shown when an open port has given no valid data for 10 s, with what its bytes look like\n"
    "when they seem to come from another kind of unit or at another baud rate. It goes by\n"
    "itself as soon as valid data flows again.";

// What a port's wired unit reports: shown for wired unit types, written only by the program.
ControlSpec portControl(Ctl id, Kind kind, std::string_view caption, std::string_view frame,
                        bool visible = true) {
    // What a wired unit sends (its identity, the last text received) wraps in the narrow left
    // column rather than widening it.
    return {.id = id, .kind = kind, .caption = caption, .frame = frame, .precision = 3,
            .startVisible = visible, .indicator = true, .wraps = kind == Kind::TextMsg};
}

std::vector<ControlSpec> build() {
    std::vector<ControlSpec> t = {
        {.id = Ctl::PortARing,
         .kind = Kind::Ring,
         .caption = "Port A",
         .frame = "Serial ports",
         .items = kNoPort,
         .helpTitle = "SELECT SERIAL PORT",
         .helpText = kSelectPortHelp,
         .fitsItems = true},
        {.id = Ctl::ChangePortA,
         .kind = Kind::Button,
         .caption = "Change port A",
         .frame = "Serial ports",
         .startVisible = false,
         .helpTitle = "CHANGE THE SERIAL PORT",
         .helpText = kChangePortHelp},
        {.id = Ctl::PortBRing,
         .kind = Kind::Ring,
         .caption = "Port B",
         .frame = "Serial ports",
         .items = kNoPort,
         .startVisible = false,
         .helpTitle = "SELECT SERIAL PORT",
         .helpText = kSelectPortHelp,
         .fitsItems = true},
        {.id = Ctl::ChangePortB,
         .kind = Kind::Button,
         .caption = "Change port B",
         .frame = "Serial ports",
         .startVisible = false,
         .helpTitle = "CHANGE THE SERIAL PORT",
         .helpText = kChangePortHelp},
        {.id = Ctl::OutputPortRing,
         .kind = Kind::Ring,
         .caption = "Output port",
         .frame = "Serial ports",
         .items = kNoPort,
         .helpTitle = "OUTPUT TO A SERIAL PORT",
         .helpText = kOutputHelp,
         .fitsItems = true},
        {.id = Ctl::ChangeOutputPort,
         .kind = Kind::Button,
         .caption = "Change output port",
         .frame = "Serial ports",
         .startVisible = false,
         .helpTitle = "OUTPUT TO A SERIAL PORT",
         .helpText = kOutputHelp},
        // Records that arrived on a port but were not what the unit's format allows (line
        // noise, a unit talking nonsense): dropped, never recorded or charted, and counted.
        {.id = Ctl::PortADropped,
         .kind = Kind::Numeric,
         .caption = "Noise dropped A",
         .frame = "Serial ports",
         .helpTitle = "DROPPED RECORDS",
         .helpText = kDroppedHelp,
         .indicator = true},
        {.id = Ctl::PortBDropped,
         .kind = Kind::Numeric,
         .caption = "Noise dropped B",
         .frame = "Serial ports",
         .startVisible = false,
         .helpTitle = "DROPPED RECORDS",
         .helpText = kDroppedHelp,
         .indicator = true},
        {.id = Ctl::PortAHealth,
         .kind = Kind::TextMsg,
         .caption = "",
         .frame = "Status bar",
         .startVisible = false,
         .helpTitle = "LINK HEALTH",
         .helpText = kHealthHelp,
         .indicator = true},
        {.id = Ctl::PortBHealth,
         .kind = Kind::TextMsg,
         .caption = "",
         .frame = "Status bar",
         .startVisible = false,
         .helpTitle = "LINK HEALTH",
         .helpText = kHealthHelp,
         .indicator = true},
        {.id = Ctl::PortAWarning,
         .kind = Kind::TextMsg,
         .caption = "",
         .frame = "Link warnings",
         .startVisible = false,
         .helpTitle = "NO VALID DATA",
         .helpText = kWarningHelp,
         .indicator = true,
         .wraps = true},
        {.id = Ctl::PortBWarning,
         .kind = Kind::TextMsg,
         .caption = "",
         .frame = "Link warnings",
         .startVisible = false,
         .helpTitle = "NO VALID DATA",
         .helpText = kWarningHelp,
         .indicator = true,
         .wraps = true},
        {.id = Ctl::LinkHealthTimer,
         .kind = Kind::Timer,
         .caption = "LinkHealthTimer",
         .timerMs = 1000,
         .timerEnabled = true},
        portControl(Ctl::PortAStatus, Kind::TextMsg, "Port A", "Wired units", false),
        portControl(Ctl::PortBStatus, Kind::TextMsg, "Port B", "Wired units", false),
        portControl(Ctl::PortAIdent, Kind::TextMsg, "Unit A", "Wired units", false),
        portControl(Ctl::PortBIdent, Kind::TextMsg, "Unit B", "Wired units", false),
        portControl(Ctl::PortAStaffLength, Kind::Numeric, "Staff A (m)", "Wired units", false),
        portControl(Ctl::PortBStaffLength, Kind::Numeric, "Staff B (m)", "Wired units", false),
        portControl(Ctl::PortAValue, Kind::TextMsg, "Value A", "Wired units", false),
        portControl(Ctl::PortBValue, Kind::TextMsg, "Value B", "Wired units", false),
        portControl(Ctl::PortAData, Kind::Led, "Data A", "Wired units", false),
        portControl(Ctl::PortBData, Kind::Led, "Data B", "Wired units", false),
        portControl(Ctl::PortAText, Kind::TextMsg, "Received A", "Wired units", false),
        portControl(Ctl::PortBText, Kind::TextMsg, "Received B", "Wired units", false),
        portControl(Ctl::GaugeSettingA, Kind::TextMsg, "Gauge A", "Wired units", false),
        portControl(Ctl::GaugeSettingB, Kind::TextMsg, "Gauge B", "Wired units", false),
        // Swellmeter readings in bar or, times 9.94846, in metres of sea water: chosen once for
        // the display, the recording, the output port and the chart alike.
        {.id = Ctl::SMI_BarMeters,
         .kind = Kind::Ring,
         .caption = "Pressure units",
         .frame = "Wired units",
         .items = kBarMeters,
         .startVisible = false,
         .helpTitle = "SELECT BAR or METERS",
         .helpText = "When \"Meters\" is select the received data in bars\nis multiplied by "
                     "9.94846 for depth in salt water.\n\n"},
        {.id = Ctl::SyncLengthTable,
         .kind = Kind::Table,
         .caption = "Staff lengths A (m)",
         .frame = "Synchronizer",
         .startVisible = false,
         .helpTitle = "STAFF LENGTH TABLE",
         .helpText = "Enter the Staff Length for each unit connected to\nthe Synchronizer Board.",
         .tableRows = 8,
         .tableCols = 1},
        {.id = Ctl::SyncLengthTable_B,
         .kind = Kind::Table,
         .caption = "Staff lengths B (m)",
         .frame = "Synchronizer",
         .startVisible = false,
         .helpTitle = "STAFF LENGTH TABLE",
         .helpText = "Enter the Staff Length for each unit connected to\nthe Synchronizer Board.",
         .tableRows = 8,
         .tableCols = 1},
        {.id = Ctl::AdapterPanId,
         .kind = Kind::Hex64,
         .caption = "Adapter PAN ID",
         .frame = "Radio network",
         .startDimmed = true,
         .helpTitle = "CHANGE THE LOCAL ADAPTER PAN ID?",
         .helpText =
             "The PAN ID of the USB radio adapter. All units must share the adapter's PAN ID.\n"
             "Change the remote units first, then the adapter, to reach them with the new\n"
             "value. The adapter keeps its new value through power cycles."},
    };
    return t;
}

}  // namespace

std::span<const ControlSpec> link() {
    static const std::vector<ControlSpec> rows = build();
    return rows;
}

}  // namespace platform::fragments
