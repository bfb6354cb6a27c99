#pragma once
#include <string>
#include <vector>

#include "analysis/batch_analysis.h"

namespace app {

// What the command line asks for. Parsed before any window system is touched, so that
// --version and --help work on a machine without a display.
struct CliOptions {
    bool version = false;
    bool help = false;
    std::string screenshot;    // --screenshot FILE.png: render the window to FILE and exit
    int tab = 0;               // --tab N: the tab page shown (0-4)
    bool startupTime = false;  // --startup-time: print the time to the first paint and exit
    bool simulate = false;     // --simulate: offer simulated instruments beside the real ports
    std::string variant;       // --variant NAME: how the simulated units behave ("plain")
    int seed = 1;              // --seed N: the simulated units' sea and the variant's choices
    double screenshotAfter = 0;  // --screenshot-after S: run S seconds before the screenshot
    bool plot = false;         // --plot: chart from the start, traces taking units as they report
    std::string error;         // non-empty when the command line is wrong
    std::vector<std::string> given;  // the options given, in order (each once)
    // Remembered settings: --no-settings starts clean; --settings FILE keeps them in FILE;
    // --reopen-ports opens the ports of last time without asking.
    bool noSettings = false;
    std::string settingsFile;
    bool reopenPorts = false;

    // Unattended use: the same program without a window.
    bool headless = false;
    int unitType = -1;         // --unit-type N (0-9); -1 = not given
    std::string port;          // --port PATH: port A
    std::string portB;         // --port-b PATH
    std::string outputPort;    // --output-port PATH
    std::string record;        // --record FILE.csv
    int interval = 99;         // --interval DAYS: 1-98 days per file, 99 = one file
    bool intervalGiven = false;
    std::string capture;       // --capture FILE.DAT
    int broadcastPower = -1;   // --broadcast-power on|off; -1 = leave as it is
    int autoSync = -1;         // --auto-sync on|off
    int pressureUnits = -1;    // --pressure-units bar|m: 0 bar, 1 metres; -1 = leave as it is
    double duration = 0;       // --duration SECONDS; 0 = until stopped
    double timeLimit = 0;      // --time-limit SECONDS for --show-config, --upload-file; 0 = default
    int showConfig = -1;       // --show-config DEVICE: read that unit's settings; -1 = no
    int uploadFile = -1;       // --upload-file N: copy file N off a data logger's flash card
    std::string uploadTo;      // --to PATH: where the uploaded file goes
    bool overwrite = false;    // --overwrite: replace existing recording files
    std::string trace;         // --trace FILE: hex log of every byte on every port
    // --sync-lengths / --sync-lengths-b: staff lengths (m) of the synchronizer's channels,
    // what the operator types into the staff-length tables of port A and port B.
    std::vector<double> syncLengths, syncLengthsB;

    // The station network (window and headless): publish every record to a broker. The
    // password comes from --mqtt-password-file or FATHOM_MQTT_PASSWORD, never from here.
    std::string mqtt;              // --mqtt URL: mqtt://host:port or mqtts://host:port
    // (--station NAME names the station, see below.)
    std::string mqttUser;          // --mqtt-user NAME
    std::string mqttPasswordFile;  // --mqtt-password-file FILE
    std::string mqttCa;            // --mqtt-ca FILE
    std::string mqttQueue;         // --mqtt-queue DIR: where the queue folder goes
    int mqttQueueLimit = 1000;     // --mqtt-queue-limit MB
    bool mqttQueueLimitGiven = false;
    // --collect URL --archive DIR [--share GROUP]: the collector, without a window.
    std::string collect;
    std::string archive;
    std::string share;

    // --analyze FILE...: the wave analysis of recorded sample files, without a window.
    bool analyze = false;
    std::vector<std::string> analyzeFiles;  // the FILEs of --analyze or --export-netcdf
    int analyzeDevice = 0;       // --device N; 0 = every device
    bool section = false;        // --section START,END (seconds from the file's first sample)
    double sectionStart = 0, sectionEnd = 0;
    bool tideFilter = false;     // --tide-filter
    std::string window = "hann"; // --window NAME
    std::string outputDir = ".";  // --output DIR
    bool netcdf = false;          // --netcdf: --analyze writes NetCDF files beside the CSV ones

    // --export-netcdf FILE...: recorded sample files as one NetCDF file, without a window.
    bool exportNetcdf = false;
    double utcOffset = 0;      // --utc-offset HOURS: the units' clocks ran this far ahead of UTC
    bool utcOffsetGiven = false;
    std::string station;       // --station NAME
};

// Arguments the window system consumes itself (-platform, -style ...) are left alone; every
// other argument must be one of ours (or, with --analyze, a file). An option that would do
// nothing where it is given (a headless option for the window, --to without --upload-file,
// a repeated --port ...) is an error too: a station must not run on a command line it ignores.
CliOptions parseCommandLine(int argc, const char* const* argv);

// The lines printed for a command line with an error: what is wrong, and where to look.
std::string cliError(const CliOptions& options);

// The --help text.
std::string cliUsage();

// What --analyze asks for. The NetCDF files of --netcdf are the caller's to add: the core
// links no NetCDF.
analysis::BatchOptions batchOptions(const CliOptions& options);

}  // namespace app
