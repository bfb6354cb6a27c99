#include "app/cli.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <functional>
#include <initializer_list>
#include <string_view>
#include <vector>

#include "analysis/batch_analysis.h"
#include "platform/unit_types.h"
#include "station/names.h"

namespace app {

namespace {

struct OptionDef {
    std::string_view name;
    std::string_view valueName;  // empty for flags
    std::string_view help;
    std::function<bool(CliOptions&, std::string_view)> apply;  // false: bad value
};

// Joins pieces by appending (GCC 12 warns wrongly about `"literal" + std::string` at -O3).
std::string join(std::initializer_list<std::string_view> parts) {
    std::string s;
    for (std::string_view p : parts) s.append(p);
    return s;
}

bool parseInt(std::string_view s, int& out) {
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && end == s.data() + s.size();
}

// A finite number: from_chars also reads "inf" and "nan", which no option means.
bool parseDouble(std::string_view s, double& out) {
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && end == s.data() + s.size() && std::isfinite(out);
}

bool parseOnOff(std::string_view s, int& out) {
    if (s == "on")
        out = 1;
    else if (s == "off")
        out = 0;
    else
        return false;
    return true;
}

// Up to eight lengths in metres, separated by commas: "5,5,3.5".
bool parseLengths(std::string_view s, std::vector<double>& out) {
    out.clear();
    while (!s.empty()) {
        const auto comma = s.find(',');
        double v = 0;
        if (!parseDouble(s.substr(0, comma), v) || v < 0 || v > 100) return false;
        out.push_back(v);
        if (comma == std::string_view::npos) break;
        s.remove_prefix(comma + 1);
    }
    return !out.empty() && out.size() <= 8;
}

// An option whose value is a path or file name.
OptionDef pathOption(std::string_view name, std::string_view valueName, std::string_view help,
                     std::string CliOptions::*field) {
    return {name, valueName, help, [field](CliOptions& o, std::string_view v) {
                o.*field = std::string(v);
                return !v.empty();
            }};
}

// An option without a value that sets a switch.
OptionDef flagOption(std::string_view name, std::string_view help, bool CliOptions::*field) {
    return {name, "", help, [field](CliOptions& o, std::string_view) { return o.*field = true; }};
}

// An option whose value is a whole number from lo to hi.
OptionDef intOption(std::string_view name, std::string_view valueName, std::string_view help,
                    int CliOptions::*field, int lo, int hi) {
    return {name, valueName, help, [field, lo, hi](CliOptions& o, std::string_view v) {
                return parseInt(v, o.*field) && o.*field >= lo && o.*field <= hi;
            }};
}

// One row per option; new options are new rows.
const std::vector<OptionDef>& options() {
    static const std::vector<OptionDef> defs{{
        flagOption("--version", "Print the program version and exit.", &CliOptions::version),
        flagOption("--help", "Print this help and exit.", &CliOptions::help),
        pathOption("--screenshot", "FILE.png",
                   "Render the window at 1280x800 to FILE.png and exit.", &CliOptions::screenshot),
        intOption("--tab", "N",
                  "The tab page shown at start: 0 plot, 1 analysis, 2 configuration,\n"
                  "                         3 data-logger ports, 4 upload.",
                  &CliOptions::tab, 0, 4),
        flagOption("--startup-time",
                   "Print the milliseconds from start to the window shown, and exit.",
                   &CliOptions::startupTime),
        flagOption("--simulate",
                   "Offer the built-in instrument simulator's ports beside the real ones.",
                   &CliOptions::simulate),
        pathOption("--variant", "NAME",
                   "With --simulate: the simulated units play this variant (fathomsim\n"
                   "                         --help lists them; README \"Simulator variants\").",
                   &CliOptions::variant),
        intOption("--seed", "N", "With --simulate: the sea and the variant's choices (default 1).",
                  &CliOptions::seed, 0, 1000000000),
        flagOption("--plot", "Start plotting at once; the traces take the units as they report.",
                   &CliOptions::plot),
        flagOption("--no-settings",
                   "Start with the program's own settings: nothing remembered from an\n"
                   "                         earlier run is used, and nothing is remembered from "
                   "this one.",
                   &CliOptions::noSettings),
        pathOption("--settings", "FILE",
                   "Remember settings in FILE instead of the user's own settings file\n"
                   "                         (screenshot runs remember nothing without it).",
                   &CliOptions::settingsFile),
        flagOption("--reopen-ports",
                   "Open the ports remembered from the last run at once, without asking.",
                   &CliOptions::reopenPorts),
        pathOption("--trace", "FILE",
                   "Write a timestamped hex log of every byte sent and received.",
                   &CliOptions::trace),
        flagOption("--headless", "Run without a window: open the ports and record as told below.",
                   &CliOptions::headless),
        intOption(
            "--unit-type", "N",
            "The unit type to start with, 0-9 (0 radio staff, 1 and 2 radio sonic units,\n"
            "                         3 and 4 wired staffs, 5 and 6 Tidecorders, 7 synchronizer,\n"
            "                         8 data logger, 9 Swellmeter).",
            &CliOptions::unitType, 0, 9),
        pathOption("--port", "PATH",
                   "Serial port A to open at start, e.g. /dev/ttyUSB0, COM3, SIM1.",
                   &CliOptions::port),
        pathOption("--port-b", "PATH", "Serial port B to open at start (wired units).",
                   &CliOptions::portB),
        pathOption("--output-port", "PATH",
                   "Stream every sample line out on this port from the start.",
                   &CliOptions::outputPort),
        pathOption("--record", "FILE.csv",
                   "Headless and --screenshot: record sample lines to FILE000.csv,\n"
                   "                         FILE001.csv ... from the start.",
                   &CliOptions::record),
        {"--interval", "DAYS",
         "Headless: days per recording and capture file, 1-98; 99 = one file\n"
         "                         (default). --collect: days per archive file (default 1).",
         [](CliOptions& o, std::string_view v) {
             o.intervalGiven = true;
             return parseInt(v, o.interval) && o.interval >= 1 && o.interval <= 99;
         }},
        pathOption("--capture", "FILE.DAT",
                   "Headless and --screenshot: capture the raw radio frames to FILE.DAT.",
                   &CliOptions::capture),
        flagOption("--overwrite",
                   "Headless: replace recording and capture files that exist already.",
                   &CliOptions::overwrite),
        {"--broadcast-power", "on|off", "Headless: keep all radio units powered (broadcast).",
         [](CliOptions& o, std::string_view v) { return parseOnOff(v, o.broadcastPower); }},
        {"--auto-sync", "on|off",
         "Headless: keep radio unit clocks in step with this computer; each\n"
         "                         sync is printed (unit, the time it was set to, the command).",
         [](CliOptions& o, std::string_view v) { return parseOnOff(v, o.autoSync); }},
        {"--sync-lengths", "M1,M2,...",
         "Headless: staff lengths in metres of the synchronizer's\n"
         "                         channels on port A (up to eight).",
         [](CliOptions& o, std::string_view v) { return parseLengths(v, o.syncLengths); }},
        {"--sync-lengths-b", "M1,M2,...", "Headless: the same for the synchronizer on port B.",
         [](CliOptions& o, std::string_view v) { return parseLengths(v, o.syncLengthsB); }},
        {"--pressure-units", "bar|m",
         "Headless: Swellmeter readings in bar (default) or in metres of sea\n"
         "                         water (bar x 9.94846), for the display, files and output port;\n"
         "                         --analyze and --export-netcdf: what the Swellmeter recordings\n"
         "                         hold (--analyze labels its results in it).",
         [](CliOptions& o, std::string_view v) {
             o.pressureUnits = v == "bar" ? 0 : v == "m" ? 1 : -1;
             return o.pressureUnits >= 0;
         }},
        intOption(
            "--show-config", "DEVICE",
            "Read the settings of unit DEVICE (255: a data logger) once it reports;\n"
            "                         wired units: 1 the unit on port A, 2 the unit on port B;\n"
            "                         headless: print them as name: value lines and exit\n"
            "                         (non-zero, saying why, when not done: see --time-limit).",
            &CliOptions::showConfig, 1, 255),
        intOption(
            "--upload-file", "N",
            "Headless, data logger (unit type 8): upload file N of the logger's flash card,\n"
            "                         with --to, print progress and exit; non-zero when "
            "incomplete\n"
            "                         or not done within its limits (see --time-limit).\n"
            "                         A file over 1,000,000 bytes is uploaded without asking.",
            &CliOptions::uploadFile, 1, 9999),
        pathOption("--to", "PATH",
                   "With --upload-file: the file to write (--overwrite replaces it).",
                   &CliOptions::uploadTo),
        {"--duration", "SECONDS", "Headless: stop after SECONDS (default: run until stopped).",
         [](CliOptions& o, std::string_view v) {
             return parseDouble(v, o.duration) && o.duration > 0;
         }},
        {"--time-limit", "SECONDS",
         "Headless --show-config and --upload-file: give up after SECONDS in all\n"
         "                         (default 300 for --show-config, 3600 for --upload-file), and\n"
         "                         exit non-zero naming the step waited on. Each step waits at\n"
         "                         most 120 s for its answer; a lost port ends the job at once.",
         [](CliOptions& o, std::string_view v) {
             return parseDouble(v, o.timeLimit) && o.timeLimit > 0;
         }},
        pathOption("--mqtt", "URL",
                   "Publish every record, recorded or not, to the MQTT broker at URL\n"
                   "                         (mqtt://host:port, or mqtts://host:port for TLS) "
                   "through a queue on disk;\n"
                   "                         the password, if any, comes from "
                   "--mqtt-password-file or FATHOM_MQTT_PASSWORD.",
                   &CliOptions::mqtt),
        pathOption("--mqtt-user", "NAME", "With --mqtt or --collect: the broker user name.",
                   &CliOptions::mqttUser),
        pathOption("--mqtt-password-file", "FILE",
                   "With --mqtt or --collect: the broker password is the first line of FILE.",
                   &CliOptions::mqttPasswordFile),
        pathOption("--mqtt-ca", "FILE",
                   "With mqtts://: the certificate authority (PEM) that signed the broker's\n"
                   "                         certificate, when it is not one the system trusts.",
                   &CliOptions::mqttCa),
        pathOption("--mqtt-queue", "DIR",
                   "With --mqtt: the folder for the queue (default: the recording's folder,\n"
                   "                         else the current one); the queue is DIR/NAME.queue.",
                   &CliOptions::mqttQueue),
        {"--mqtt-queue-limit", "MB", "With --mqtt: the most the queue may hold (default 1000).",
         [](CliOptions& o, std::string_view v) {
             o.mqttQueueLimitGiven = true;
             return parseInt(v, o.mqttQueueLimit) && o.mqttQueueLimit >= 1;
         }},
        pathOption("--collect", "URL",
                   "Run the collector: archive every station's records from the broker at URL\n"
                   "                         (with --archive), until stopped.",
                   &CliOptions::collect),
        pathOption("--archive", "DIR",
                   "With --collect: each station's records go to DIR/<station>/ as numbered\n"
                   "                         CSV files, like a recording.",
                   &CliOptions::archive),
        {"--share", "GROUP",
         "With --collect: share the stations' messages with the other collectors of GROUP\n"
         "                         (an MQTT shared subscription) writing to the same archive.",
         [](CliOptions& o, std::string_view v) {
             o.share = std::string(v);
             return station::stationNameProblem(v).empty();
         }},
        flagOption("--analyze",
                   "Analyse recorded sample files (FILE... after the options) without a\n"
                   "                         window: one row per file and device in "
                   "DIR/wave_results.csv,\n"
                   "                         each spectrum in DIR/<file>_device<N>_spectrum.csv.",
                   &CliOptions::analyze),
        intOption("--device", "N", "--analyze: only device N (1-255).", &CliOptions::analyzeDevice,
                  1, 255),
        {"--section", "START,END",
         "--analyze: only the samples from START to END seconds after the file's\n"
         "                         first sample (whole seconds, as the chart's cursors).",
         [](CliOptions& o, std::string_view v) {
             const auto comma = v.find(',');
             o.section = comma != std::string_view::npos &&
                         parseDouble(v.substr(0, comma), o.sectionStart) &&
                         parseDouble(v.substr(comma + 1), o.sectionEnd) && o.sectionStart >= 0 &&
                         o.sectionEnd > o.sectionStart;
             return o.section;
         }},
        flagOption("--tide-filter", "--analyze: take the tide out first (high-pass at 100 s).",
                   &CliOptions::tideFilter),
        {"--window", "NAME",
         "--analyze: the spectrum's window: hann (default), uniform, hamming,\n"
         "                         blackman, exact-blackman, blackman-harris-3, "
         "blackman-harris-4,\n"
         "                         flat-top.",
         [](CliOptions& o, std::string_view v) {
             analysis::WindowType w{};
             o.window = std::string(v);
             return analysis::parseWindowName(v, w);
         }},
        pathOption("--output", "DIR",
                   "--analyze, --export-netcdf: the folder for the results (default: here).",
                   &CliOptions::outputDir),
        flagOption("--netcdf",
                   "--analyze: also write the results and each spectrum as NetCDF (.nc)\n"
                   "                         beside the CSV files.",
                   &CliOptions::netcdf),
        flagOption("--export-netcdf",
                   "Convert recorded sample files (FILE... after the options, in the order\n"
                   "                         they were recorded) into one NetCDF file with CF "
                   "metadata,\n"
                   "                         DIR/<name>.nc; gaps stay gaps. --unit-type and\n"
                   "                         --pressure-units say what recorded them.",
                   &CliOptions::exportNetcdf),
        {"--utc-offset", "HOURS",
         "--export-netcdf: hours the units' clocks ran ahead of UTC (-5 for\n"
         "                         UTC-5); default 0, the clocks ran on UTC.",
         [](CliOptions& o, std::string_view v) {
             o.utcOffsetGiven = true;
             return parseDouble(v, o.utcOffset) && o.utcOffset >= -14 && o.utcOffset <= 14;
         }},
        pathOption("--station", "NAME",
                   "--export-netcdf: the station's name in the file (default: the files' name).\n"
                   "                         --mqtt: this station's name (letters, digits, '-', "
                   "'_', '.'; at most 64).",
                   &CliOptions::station),
        {"--screenshot-after", "SECONDS", "With --screenshot: run that long first.",
         [](CliOptions& o, std::string_view v) {
             int s = 0;
             if (!parseInt(v, s) || s < 0) return false;
             o.screenshotAfter = s;
             return true;
         }},
    }};
    return defs;
}

// The station network's and the collector's options go together as they are used.
std::string stationNetworkError(const CliOptions& o) {
    const bool network = !o.mqtt.empty();
    const bool collector = !o.collect.empty();
    if (collector && (network || o.headless || o.analyze || o.exportNetcdf))
        return "--collect runs on its own, without --mqtt, --headless, --analyze or "
               "--export-netcdf";
    if (collector && o.archive.empty()) return "--collect needs --archive DIR";
    if (!collector && (!o.archive.empty() || !o.share.empty()))
        return "--archive and --share go with --collect";
    if (network && o.station.empty()) return "--mqtt needs --station NAME";
    if (network) {
        const std::string why = station::stationNameProblem(o.station);
        if (!why.empty()) return "bad value for --station: " + o.station + " (" + why + ")";
    }
    if (!network && (!o.mqttQueue.empty() || o.mqttQueueLimitGiven))
        return "--mqtt-queue and --mqtt-queue-limit go with --mqtt";
    if (!network && !collector &&
        (!o.mqttUser.empty() || !o.mqttPasswordFile.empty() || !o.mqttCa.empty()))
        return "--mqtt-user, --mqtt-password-file and --mqtt-ca go with --mqtt or --collect";
    return {};
}

}  // namespace

namespace {

// Options of the window system (Qt) that it takes off the command line itself, with whether
// each takes a value. Only these may start with a single dash, and only for the window.
struct WindowSystemOption {
    std::string_view name;
    bool takesValue;
};
constexpr WindowSystemOption kWindowSystemOptions[] = {
    {"-platform", true},   {"-platformpluginpath", true}, {"-platformtheme", true},
    {"-plugin", true},     {"-qwindowgeometry", true},    {"-geometry", true},
    {"-qwindowicon", true}, {"-icon", true},              {"-qwindowtitle", true},
    {"-title", true},      {"-session", true},            {"-display", true},
    {"-name", true},       {"-style", true},              {"-stylesheet", true},
    {"-reverse", false},   {"-widgetcount", false},       {"-nograb", false},
    {"-dograb", false},    {"-sync", false},
};

const WindowSystemOption* windowSystemOption(std::string_view arg) {
    const std::string_view name = arg.substr(0, arg.find('='));
    for (const WindowSystemOption& w : kWindowSystemOptions)
        if (w.name == name) return &w;
    return nullptr;
}

// Where an option does something: options missing here work everywhere.
enum class Scope : std::uint8_t {
    Window,
    Headless,
    HeadlessOrScreenshot,
    HeadlessOrExport,
    RecordingOrArchive,  // --headless, --screenshot or --collect
};
struct OptionScope {
    std::string_view name;
    Scope scope;
};
constexpr OptionScope kScopes[] = {
    {"--screenshot", Scope::Window},
    {"--tab", Scope::Window},
    {"--startup-time", Scope::Window},
    {"--plot", Scope::Window},
    {"--screenshot-after", Scope::Window},
    {"--no-settings", Scope::Window},
    {"--settings", Scope::Window},
    {"--reopen-ports", Scope::Window},
    {"--record", Scope::HeadlessOrScreenshot},
    {"--capture", Scope::HeadlessOrScreenshot},
    {"--interval", Scope::RecordingOrArchive},
    {"--overwrite", Scope::Headless},
    {"--broadcast-power", Scope::Headless},
    {"--auto-sync", Scope::Headless},
    {"--sync-lengths", Scope::Headless},
    {"--sync-lengths-b", Scope::Headless},
    {"--pressure-units", Scope::HeadlessOrExport},
    {"--duration", Scope::Headless},
    {"--time-limit", Scope::Headless},
    {"--upload-file", Scope::Headless},
    {"--to", Scope::Headless},
};

// Why an option given does nothing where it was given; empty when it does something.
std::string outOfScope(std::string_view name, const CliOptions& o) {
    for (const OptionScope& s : kScopes) {
        if (s.name != name) continue;
        switch (s.scope) {
            case Scope::Window:
                if (o.headless) return join({name, " is for the window, not for --headless"});
                break;
            case Scope::Headless:
                if (!o.headless) return join({name, " goes with --headless"});
                break;
            case Scope::HeadlessOrScreenshot:
                if (!o.headless && o.screenshot.empty())
                    return join({name, " goes with --headless or --screenshot"});
                break;
            case Scope::RecordingOrArchive:
                if (!o.headless && o.screenshot.empty() && o.collect.empty())
                    return join({name, " goes with --headless, --screenshot or --collect"});
                break;
            case Scope::HeadlessOrExport:
                if (!o.headless && !o.exportNetcdf && !o.analyze)
                    return join({name, " goes with --headless, --analyze or --export-netcdf"});
                break;
        }
    }
    return {};
}

bool has(const std::vector<std::string>& given, std::string_view name) {
    return std::find(given.begin(), given.end(), name) != given.end();
}

// Options that would be silently ignored in the combination given.
std::string pointless(const CliOptions& o) {
    const auto& given = o.given;
    for (const std::string& name : given) {
        if (std::string why = outOfScope(name, o); !why.empty()) return why;
    }
    if (has(given, "--to") && !has(given, "--upload-file")) return "--to goes with --upload-file";
    if (has(given, "--interval") && o.record.empty() && o.capture.empty() && o.collect.empty())
        return "--interval goes with --record, --capture or --collect";
    if (has(given, "--screenshot-after") && o.screenshot.empty())
        return "--screenshot-after goes with --screenshot";
    if (has(given, "--time-limit") && o.showConfig < 0 && o.uploadFile < 0)
        return "--time-limit goes with --show-config or --upload-file";
    if (o.unitType >= 0 && o.unitType != 7 && (!o.syncLengths.empty() || !o.syncLengthsB.empty()))
        return "--sync-lengths and --sync-lengths-b are for the synchronizer, unit type 7";
    // Wired units send no radio frames: a capture would stay empty.
    if (!o.capture.empty() && o.unitType >= 0 && platform::isWiredType(o.unitType))
        return "--capture keeps radio frames: it is for unit types 0, 1, 2 and 8";
    return {};
}

}  // namespace

CliOptions parseCommandLine(int argc, const char* const* argv) {
    CliOptions o;
    std::vector<std::string_view> windowSystem;
    for (int i = 1; i < argc && o.error.empty(); ++i) {
        std::string_view arg = argv[i];
        if (!arg.starts_with("--")) {
            if (const WindowSystemOption* w = arg.starts_with("-") ? windowSystemOption(arg) : nullptr) {
                windowSystem.push_back(arg);
                if (w->takesValue && arg.find('=') == std::string_view::npos && ++i >= argc)
                    o.error = join({arg, " needs a value"});
            } else if (arg.starts_with("-") && arg.size() > 1) {
                o.error = join({"unknown option ", arg, " (options begin with --)"});
            } else {
                // Only --analyze and --export-netcdf take words of their own.
                o.analyzeFiles.emplace_back(arg);
            }
            continue;
        }
        std::string_view name = arg, value;
        bool inlineValue = false;
        if (auto eq = arg.find('='); eq != std::string_view::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
            inlineValue = true;
        }
        const OptionDef* def = nullptr;
        for (const OptionDef& d : options()) {
            if (d.name == name) def = &d;
        }
        if (!def && name == "--mqtt-password") {
            o.error =
                "the broker password is not taken from the command line, where every user of "
                "the computer can read it: use --mqtt-password-file FILE or FATHOM_MQTT_PASSWORD";
        } else if (!def) {
            o.error = join({"unknown option ", name});
        } else if (def->valueName.empty() && inlineValue) {
            o.error = join({name, " takes no value"});
        } else if (!def->valueName.empty() && !inlineValue &&
                   (i + 1 >= argc || std::string_view(argv[i + 1]).starts_with("--"))) {
            // "--port --record x.csv": the next option is not the port's path.
            o.error = join({name, " needs ", def->valueName});
        } else if (!def->valueName.empty() && has(o.given, name)) {
            // The second would silently win over the first.
            o.error = join({name, " is given twice"});
        } else {
            if (!def->valueName.empty() && !inlineValue) value = argv[++i];
            if (!def->apply(o, value)) {
                o.error = join({"bad value for ", name, ": ", value});
                if (name == "--share") o.error += " (" + station::stationNameProblem(value) + ")";
            }
            o.given.emplace_back(name);
        }
    }
    if (o.error.empty() && !o.analyze && !o.exportNetcdf && !o.analyzeFiles.empty())
        o.error = join({"unexpected argument \"", o.analyzeFiles.front(), "\""});
    if (o.error.empty() && o.headless && !windowSystem.empty())
        o.error = join({windowSystem.front(), " is for the window, not for --headless"});
    if (o.error.empty() && o.analyze) {
        if (o.headless)
            o.error = "--analyze and --headless cannot be used together";
        else if (o.exportNetcdf)
            o.error = "--analyze and --export-netcdf cannot be used together";
        else if (o.analyzeFiles.empty())
            o.error = "--analyze needs at least one FILE";
    } else if (o.error.empty() && (o.analyzeDevice != 0 || o.section || o.tideFilter ||
                                   o.window != "hann" || o.netcdf)) {
        o.error = "--device, --section, --tide-filter, --window and --netcdf go with --analyze";
    }
    if (o.error.empty() && o.exportNetcdf) {
        if (o.headless)
            o.error = "--export-netcdf and --headless cannot be used together";
        else if (o.analyzeFiles.empty())
            o.error = "--export-netcdf needs at least one FILE";
        else if (o.pressureUnits >= 0 && o.unitType >= 0 && o.unitType != 9)
            o.error = "--pressure-units is for the Swellmeter, unit type 9";
    } else if (o.error.empty() && o.utcOffsetGiven) {
        o.error = "--utc-offset goes with --export-netcdf";
    } else if (o.error.empty() && !o.station.empty() && o.mqtt.empty()) {
        o.error = "--station goes with --export-netcdf or --mqtt";
    }
    if (o.error.empty() && o.outputDir != "." && !o.analyze && !o.exportNetcdf)
        o.error = "--output goes with --analyze or --export-netcdf";
    if (o.error.empty()) o.error = stationNetworkError(o);
    if (o.error.empty() && o.noSettings && (!o.settingsFile.empty() || o.reopenPorts))
        o.error = "--no-settings cannot go with --settings or --reopen-ports";
    if (o.error.empty() && !o.simulate && (!o.variant.empty() || o.seed != 1))
        o.error = "--variant and --seed go with --simulate";
    if (o.error.empty() && o.headless) {
        if (o.unitType < 0)
            o.error = "--headless needs --unit-type";
        else if (o.port.empty() && o.portB.empty())
            o.error = "--headless needs --port";
        else if (o.pressureUnits >= 0 && o.unitType != 9)
            o.error = "--pressure-units is for the Swellmeter, unit type 9";
        else if (o.uploadFile > 0 && o.unitType != 8)
            o.error = "--upload-file is for the data logger, unit type 8";
        else if (o.uploadFile > 0 && o.uploadTo.empty())
            o.error = "--upload-file needs --to PATH";
    }
    if (o.error.empty()) o.error = pointless(o);
    return o;
}

std::string cliError(const CliOptions& o) {
    return "fathomhost: " + o.error + "\nRun \"fathomhost --help\" for every option.\n";
}

std::string cliUsage() {
    std::string s =
        "Usage: fathomhost [options]\n"
        "Host program for Fathomrod, Echorod, Tidecorder, Swellmeter, synchronizer and\n"
        "data-logger units.\n\nOptions:\n";
    for (const OptionDef& d : options()) {
        std::string left = join({"  ", d.name, d.valueName.empty() ? "" : " ", d.valueName});
        left.resize(std::max<std::size_t>(left.size() + 2, 25), ' ');
        s.append(left).append(d.help).append("\n");
    }
    return s;
}

analysis::BatchOptions batchOptions(const CliOptions& options) {
    analysis::BatchOptions batch{.files = options.analyzeFiles,
                                 .device = options.analyzeDevice,
                                 .section = options.section,
                                 .sectionStart = options.sectionStart,
                                 .sectionEnd = options.sectionEnd,
                                 .tideFilter = options.tideFilter,
                                 .outputDir = options.outputDir,
                                 .levelUnit = options.pressureUnits == 0 ? "bar" : "m"};
    analysis::parseWindowName(options.window, batch.window);
    return batch;
}

}  // namespace app
