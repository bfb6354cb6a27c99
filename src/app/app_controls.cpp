// Control table rows of the application shell: unit type, menus, factory prompt, timers and the
// tab pages' own controls.
#include <array>

#include "platform/control_table.h"

namespace platform::fragments {

namespace {

constexpr std::array<RingItem, 10> kUnitTypes{{
    {"Fathomrod XB radio staff", 0},
    {"Echorod XB radio sonic (035)", 1},
    {"Echorod XB radio sonic (036)", 2},
    {"Fathomrod RS232 staff", 3},
    {"Fathomrod RS232 staff, second variant", 4},
    {"Tidecorder RS232 logger", 5},
    {"Tidecorder RS232 logger, second variant", 6},
    {"Synchronizer board (RS232)", 7},
    {"Data logger (radio)", 8},
    {"Swellmeter pressure gauge (RS232)", 9},
}};

constexpr std::string_view kUnitTypeHelp =
    "Choose the kind of unit connected to this computer before choosing its serial port.\n"
    "Radio units (Fathomrod XB, Echorod XB, data logger) talk through the USB radio adapter at\n"
    "115200 baud. Wired units talk on a plain RS232 port at 9600 baud (38400 baud for the\n"
    "synchronizer board). Changing the unit type releases the open ports.";

ControlSpec menu(Ctl id, std::string_view menuName, std::string_view caption, bool dimmed = false,
                 std::string_view shortcut = {}) {
    return {.id = id, .kind = Kind::MenuItem, .caption = caption, .frame = menuName,
            .startDimmed = dimmed, .shortcut = shortcut};
}

// A recent file of the File menu, "1 survey000.csv": its number is its caption until the
// file's name is known.
ControlSpec recent(Ctl id, std::string_view number) {
    return {.id = id, .kind = Kind::MenuItem, .caption = number, .frame = "File",
            .startVisible = false};
}

ControlSpec timer(Ctl id, int ms) {
    return {.id = id, .kind = Kind::Timer, .caption = ctlName(id), .timerMs = ms};
}

std::vector<ControlSpec> build() {
    std::vector<ControlSpec> t = {
        {.id = Ctl::MainWindow, .kind = Kind::Decoration, .caption = "Fathomrod Interface"},
        {.id = Ctl::UnitTypeRing,
         .kind = Kind::Ring,
         .caption = "Unit type",
         .frame = "Unit",
         .items = kUnitTypes,
         .helpTitle = "UNIT TYPE",
         .helpText = kUnitTypeHelp},
        {.id = Ctl::EntryHint,
         .kind = Kind::TextMsg,
         .caption = "",
         .frame = "Unit",
         .defText = "Press Enter to send the new value",
         .startVisible = false},
        // A row of its own: beside the unit-type ring, whose longest name is shown whole, it
        // would widen the window past 1280 px.
        {.id = Ctl::FactoryButton, .kind = Kind::Button, .caption = "Factory...", .frame = "Unit"},
        // Closing is offered while a playback file is open.
        menu(Ctl::MenuOpenPlotFile, "File", "Open file to plot...", false, "Ctrl+O"),
        menu(Ctl::MenuClosePlotFile, "File", "Close plot file", true),
        recent(Ctl::MenuRecent1, "1"),
        recent(Ctl::MenuRecent2, "2"),
        recent(Ctl::MenuRecent3, "3"),
        recent(Ctl::MenuRecent4, "4"),
        recent(Ctl::MenuRecent5, "5"),
        menu(Ctl::MenuSaveOutputData, "File", "Save output data to file...", false, "Ctrl+R"),
        menu(Ctl::MenuStopOutputData, "File", "Stop saving output data", true, "Ctrl+Shift+R"),
        menu(Ctl::MenuSaveApiFrames, "File", "Save API frame data to file..."),
        menu(Ctl::MenuStopApiFrames, "File", "Stop saving API frame data", true),
        menu(Ctl::MenuStationNetwork, "File", "Station network..."),
        menu(Ctl::MenuPrintPlot, "File", "Print plot...", false, "Ctrl+P"),
        menu(Ctl::MenuPrintSpectrum, "File", "Print spectrum..."),
        menu(Ctl::MenuPrintConfig, "File", "Print configuration..."),
        menu(Ctl::MenuPrintMainPanel, "File", "Print main panel..."),
        {.id = Ctl::MenuExportNetcdf,
         .kind = Kind::MenuItem,
         .caption = "Convert recordings to NetCDF...",
         .frame = "File",
         .startVisible = false},
        menu(Ctl::MenuExit, "File", "Exit", false, "Ctrl+Q"),
        menu(Ctl::MenuScaleResize, "View", "Scale contents on resize"),
        // The plot page's start/stop switch, from wherever the operator is.
        menu(Ctl::MenuPlotStartStop, "View", "Start/stop plotting", false, "F5"),
        menu(Ctl::MenuHelpPorts, "Help", "Serial ports"),
        menu(Ctl::MenuHelpDisplay, "Help", "Display columns"),
        menu(Ctl::MenuHelpRecording, "Help", "Recording"),
        menu(Ctl::MenuAbout, "Help", "About"),
        // Periods of the periodic work; the tick limits of each subsystem count these ticks.
        timer(Ctl::FRTCDeviceConnectTimer, 1000),
        timer(Ctl::ConfigTimer, 250),
        timer(Ctl::TCFRConfigTimer, 250),
        timer(Ctl::DeviceDisplayTimer, 1000),
        timer(Ctl::SaveNewFileInterval, 10000),
        timer(Ctl::ReadFileTimer, 100),
        timer(Ctl::UpLoadTimer, 2000),
        timer(Ctl::ExportTimer, 50),
        {.id = Ctl::ConfigConnectionStatus,
         .page = Page::Config,
         .kind = Kind::TextMsg,
         .caption = "Connection",
         .frame = "Unit",
         .defText = "Not Connected"},
    };
    return t;
}

}  // namespace

std::span<const ControlSpec> app() {
    static const std::vector<ControlSpec> rows = build();
    return rows;
}

}  // namespace platform::fragments
