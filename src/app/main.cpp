// fathomhost: entry point. Builds the Qt seams, the Host and the main window, runs the event
// loop and runs the exit step after it.
#include <QApplication>
#include <QScreen>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>

#include "analysis/batch_analysis.h"
#include "netcdf/recording_export.h"
#include "netcdf/results_export.h"
#include "app/cli.h"
#include "app/folder_memory.h"
#include "app/headless.h"
#include "app/headless_dialogs.h"
#include "app/host.h"
#include "app/remembered_settings.h"
#include "app/trace_log.h"
#include "mqtt/collector.h"
#include "mqtt/mosquitto_link.h"
#include "qt/control_binder.h"
#include "qt/headless_runner.h"
#include "qt/main_window.h"
#include "qt/qt_clock.h"
#include "qt/qt_dialogs.h"
#include "qt/qt_serial_ports.h"
#include "qt/qt_settings_store.h"
#include "qt/simulated_ports.h"
#include "sim/variant.h"

namespace {

using Clock = std::chrono::steady_clock;

// Renders the window at 1280x800, the smallest screen it is made for, to a PNG; works on the
// offscreen platform.
constexpr int kShotWidth = 1280, kShotHeight = 800;
int saveScreenshot(qtui::MainWindow& window, const app::CliOptions& o) {
    window.resize(kShotWidth, kShotHeight);
    window.tabs()->setCurrentIndex(o.tab);
    window.show();
    window.binder().flushNow();
    // A page just brought forward lays itself out over several passes of the event loop (its
    // scroll area follows its content's new size); grab only once that has settled.
    for (int pass = 0; pass < 5; ++pass) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QApplication::processEvents();
    }
    if (!window.grab().save(QString::fromStdString(o.screenshot), "PNG")) {
        std::fprintf(stderr, "fathomhost: cannot write the screenshot to %s\n", o.screenshot.c_str());
        return 1;
    }
    return 0;
}

// --trace FILE: every byte on every port of the computer into FILE. Null when not asked for;
// exits the program with a message when the file cannot be written.
std::unique_ptr<app::TraceLog> openTrace(const app::CliOptions& o, const platform::Clock& clock,
                                         qtui::QtSerialPorts& ports) {
    if (o.trace.empty()) return nullptr;
    auto log = std::make_unique<app::TraceLog>(o.trace, clock);
    if (!log->ok()) {
        std::fprintf(stderr, "fathomhost: %s\n", log->error().c_str());
        std::exit(2);
    }
    app::TraceLog* sink = log.get();
    ports.setTrace([sink](const std::string& path, bool out, std::span<const std::uint8_t> bytes) {
        sink->record(path, out, bytes);
    });
    return log;
}

// Where this run remembers its settings: the user's own file, the one named with --settings,
// or nowhere (--no-settings; a screenshot or timing run, which must not depend on or change
// what the operator's own runs remember).
std::unique_ptr<qtui::QtSettingsStore> openSettings(const app::CliOptions& o) {
    if (o.noSettings) return nullptr;
    if (!o.settingsFile.empty())
        return std::make_unique<qtui::QtSettingsStore>(QString::fromStdString(o.settingsFile));
    if (!o.screenshot.empty() || o.startupTime) return nullptr;
    return std::make_unique<qtui::QtSettingsStore>();
}

constexpr const char* kGeometryKey = "window/geometry";

// --export-netcdf: the files as one NetCDF file, with progress on stderr.
int exportNetcdf(const app::CliOptions& o, int argc, char** argv) {
    netcdf::ExportOptions e{.files = o.analyzeFiles,
                            .output = netcdf::defaultOutputName(o.analyzeFiles, o.outputDir),
                            .utcOffsetHours = o.utcOffset,
                            .unitType = o.unitType,
                            .pressureInMetres = o.pressureUnits == 1,
                            .station = o.station};
    for (int i = 0; i < argc; ++i) {
        if (i > 0) e.history += ' ';
        e.history += argv[i];
    }
    std::error_code ec;
    std::filesystem::create_directories(o.outputDir, ec);
    std::fprintf(stderr, "fathomhost: exporting %zu file%s to %s\n", e.files.size(),
                 e.files.size() == 1 ? "" : "s", e.output.c_str());
    std::string summary;
    const std::string error = netcdf::exportRecordings(
        e, [](double f) { std::fprintf(stderr, "fathomhost:   %d %%\n", static_cast<int>(f * 100)); },
        &summary);
    if (!error.empty()) {
        std::fprintf(stderr, "fathomhost: %s\n", error.c_str());
        return 1;
    }
    std::fprintf(stderr, "fathomhost: wrote %s: %s\n", e.output.c_str(), summary.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const Clock::time_point started = Clock::now();

    // Our own options first: --version and --help need no display.
    const app::CliOptions options = app::parseCommandLine(argc, argv);
    if (!options.error.empty()) {
        std::fputs(app::cliError(options).c_str(), stderr);
        return 2;
    }
    // --variant and --seed: how the simulated units behave.
    const std::optional<sim::Variant> variant =
        sim::variantNamed(options.variant.empty() ? "plain" : options.variant,
                          static_cast<std::uint32_t>(options.seed));
    if (!variant) {
        std::fprintf(stderr,
                     "fathomhost: unknown simulator variant \"%s\" (fathomsim --help lists them)\n",
                     options.variant.c_str());
        return 2;
    }
    if (options.version) {
        std::printf("fathomhost %s\n", FATHOM_VERSION);
        return 0;
    }
    if (options.help) {
        std::printf("%s", app::cliUsage().c_str());
        return 0;
    }

    // Batch analysis needs no window system at all.
    if (options.analyze) {
        analysis::BatchOptions batch = app::batchOptions(options);
        if (options.netcdf) {
            batch.spectrumWritten = netcdf::writeSpectrum;
            batch.resultsWritten = netcdf::writeResults;
        }
        return analysis::runBatch(batch, std::cerr);
    }
    if (options.exportNetcdf) return exportNetcdf(options, argc, argv);

    // The collector needs no window system either.
    if (!options.collect.empty()) {
        auto print = [](std::FILE* f) {
            return [f](const std::string& line) {
                std::fprintf(f, "%s\n", line.c_str());
                std::fflush(f);
            };
        };
        return mqtt::runCollector({.url = options.collect,
                                   .archive = options.archive,
                                   .user = options.mqttUser,
                                   .passwordFile = options.mqttPasswordFile,
                                   .caFile = options.mqttCa,
                                   .share = options.share,
                                   .interval = options.intervalGiven ? options.interval : 1},
                                  print(stdout), print(stderr));
    }
    const auto brokerLink = [] { return std::make_unique<mqtt::MosquittoLink>(); };

    if (options.headless) {
        QCoreApplication application(argc, argv);
        qtui::QtSerialPorts realPorts;
        const qtui::QtClock traceClock;
        const auto trace = openTrace(options, traceClock, realPorts);
        qtui::SimulatedPorts simulated(realPorts, options.simulate, *variant);
        return qtui::runHeadless(options, simulated.ports(), brokerLink);
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName("fathomhost");
    QApplication::setApplicationVersion(FATHOM_VERSION);

    // 1. Geometry from the screen: 95 % high, 96 % wide, slightly in from the top left.
    const QRect screen = QApplication::primaryScreen()->geometry();
    const app::Geometry g = app::computeGeometry(screen.height(), screen.width());

    // 2. The program behind the window. The Host builds every subsystem; the port lists
    //    (port A, port B, output port) are filled by the link code during Host construction
    //    and Initialize, from the serial ports passed in here.
    platform::Panel panel;
    qtui::QtDialogs windowDialogs;
    // A screenshot run has nobody at the screen: a pop-up would wait for a click that never
    // comes. Its messages go to stderr and every question is answered "no".
    app::HeadlessDialogs unattended([](const std::string& title, const std::string& text) {
        std::fprintf(stderr, "fathomhost: %s: %s\n", title.c_str(), text.c_str());
    });
    const bool screenshotRun = !options.screenshot.empty();
    app::FolderMemory dialogs(screenshotRun ? static_cast<platform::Dialogs&>(unattended)
                                            : windowDialogs);
    qtui::QtSerialPorts realPorts;
    qtui::QtClock clock;
    const auto trace = openTrace(options, clock, realPorts);
    // --simulate: simulated instruments in the port lists, moved on in real time.
    qtui::SimulatedPorts simulated(realPorts, options.simulate, *variant);
    platform::SerialPorts& ports = simulated.ports();
    app::Host host(panel, dialogs, ports, clock, [] { QApplication::quit(); });

    // 3. The window: control arrays and tab pages are built from the control table.
    qtui::MainWindow window(panel);
    windowDialogs.setParent(&window);
    windowDialogs.setPageRenderer([&window](platform::Page p) { return window.pageWidget(p); });
    windowDialogs.setGraphSource([&panel](platform::Ctl id) { return &panel.graph(id); });

    // 4. Start values.
    host.Initialize();
    host.setRecordingExport(
        [](const app::ExportRequest& r) {
            return std::make_unique<netcdf::RecordingExport>(
                netcdf::ExportOptions{.files = r.files,
                                      .output = r.output,
                                      .utcOffsetHours = r.utcOffsetHours,
                                      .pressureInMetres = r.pressureInMetres,
                                      .history = "exported from the fathomhost window"});
        },
        [](const std::vector<std::string>& files) {
            return netcdf::defaultOutputName(files, ".");
        });

    // What the operator chose last time: unit type, traces, chart and analysis settings, and
    // the ports, offered again (or opened at once with --reopen-ports). The command line's own
    // choices come after and win.
    const auto store = openSettings(options);
    app::RememberedSettings remembered(host, store.get(), dialogs, ports);
    dialogs.remember(&remembered);
    // The station network: its queue goes beside the recordings by default.
    station::Station& network = host.station();
    network.setLinkMaker(brokerLink);
    network.defaultQueueFolder = [&remembered] {
        const std::string recordings = remembered.folder("SaveOutputDataTo");
        if (!recordings.empty()) return recordings;
        return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation).toStdString();
    };
    network.settingsChanged = [&remembered] { remembered.save(); };
    const bool portGiven =
        !options.port.empty() || !options.portB.empty() || !options.outputPort.empty();
    const bool restored = remembered.restore({.unitTypeGiven = options.unitType >= 0,
                                              .portsGiven = portGiven,
                                              .reopenPorts = options.reopenPorts});
    window.onFileDropped([&host](const std::string& path) { host.playback().openFile(path); });

    // Choices given on the command line, made as the operator would make them. With the
    // simulator and nothing else chosen, the radio network opens at once so live rows fill
    // within seconds.
    if (options.unitType >= 0) host.chooseUnitType(options.unitType);
    for (auto [ring, path] : {std::pair{platform::Ctl::PortARing, &options.port},
                              std::pair{platform::Ctl::PortBRing, &options.portB},
                              std::pair{platform::Ctl::OutputPortRing, &options.outputPort}}) {
        if (!path->empty()) host.choosePort(ring, *path);
    }
    if (options.simulate && !portGiven && options.unitType < 0 && !restored) {
        host.choosePort(platform::Ctl::PortARing, "SIM1");
    }

    // --mqtt: the station network as the command line sets it, for this run.
    if (!options.mqtt.empty()) {
        const station::StationSettings s =
            app::stationSettings(options, network.defaultQueueFolder());
        std::string why;
        if (!network.start(s, why))
            dialogs.message("STATION NETWORK", "The station network cannot start: " + why + ".");
    }

    // A screenshot of a station at work: the recording and capture start as the operator would
    // start them from the File menu, the file dialogs answered from the command line.
    if (screenshotRun && !options.record.empty()) {
        unattended.promptAnswers.push_back(std::to_string(options.interval));
        unattended.fileAnswers.push_back(options.record);
        panel.raise(platform::Ctl::MenuSaveOutputData, platform::Event::Commit);
    }
    if (screenshotRun && !options.capture.empty()) {
        unattended.fileAnswers.push_back(options.capture);
        panel.raise(platform::Ctl::MenuSaveApiFrames, platform::Event::Commit);
    }

    // --show-config: the unit is selected on the configuration tab as soon as it reports.
    QTimer selectUnit;
    if (options.showConfig > 0) {
        QObject::connect(&selectUnit, &QTimer::timeout, [&] {
            if (host.selectDevice(options.showConfig)) selectUnit.stop();
        });
        selectUnit.start(500);
    }

    if (options.plot) {
        panel.setValue(platform::Ctl::RawStartStop, 1);
        panel.raise(platform::Ctl::RawStartStop, platform::Event::Commit);
    }

    if (screenshotRun && options.screenshotAfter > 0) {
        window.resize(kShotWidth, kShotHeight);
        window.tabs()->setCurrentIndex(options.tab);
        window.show();
        QTimer::singleShot(static_cast<int>(options.screenshotAfter * 1000),
                           [&] { QApplication::exit(saveScreenshot(window, options)); });
        const int code = application.exec();
        remembered.save();
        return code;
    }
    if (screenshotRun) {
        const int code = saveScreenshot(window, options);
        remembered.save();
        return code;
    }

    const bool reportStartup = options.startupTime || std::getenv("FATHOM_STARTUP_TIME");
    window.onFirstPaint([&] {
        if (!reportStartup) return;
        const auto ms = std::chrono::duration<double, std::milli>(Clock::now() - started).count();
        std::fprintf(stderr, "fathomhost: window shown after %.1f ms\n", ms);
        if (options.startupTime) QTimer::singleShot(0, [] { QApplication::exit(0); });
    });

    // 5. Display and run until the close path quits the loop.
    window.setGeometry(g.left, g.top, g.width, g.height);
    const std::string geometry = remembered.value(kGeometryKey);
    if (!geometry.empty())
        window.restoreGeometry(QByteArray::fromBase64(QByteArray::fromStdString(geometry)));
    window.show();
    application.exec();

    // Remembered while the ports are still open, so that they are offered next time.
    if (!options.startupTime) {
        remembered.setValue(kGeometryKey, window.saveGeometry().toBase64().toStdString());
        remembered.save();
    }

    // 6. The exit step: a wired unit on port A is set streaming again.
    if (!options.startupTime) host.exitStep();
    return 0;
}
