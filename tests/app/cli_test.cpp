#include "app/cli.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

app::CliOptions parse(std::vector<const char*> args) {
    args.insert(args.begin(), "fathomhost");
    return app::parseCommandLine(static_cast<int>(args.size()), args.data());
}

TEST(CommandLine, ReadsOurOptionsAndLeavesTheWindowSystemsAlone) {
    auto o = parse({"-platform", "offscreen", "--screenshot", "/tmp/a.png", "--tab=3"});
    EXPECT_TRUE(o.error.empty()) << o.error;
    EXPECT_EQ(o.screenshot, "/tmp/a.png");
    EXPECT_EQ(o.tab, 3);
    EXPECT_FALSE(o.version);
    EXPECT_TRUE(parse({"--version"}).version);
    EXPECT_TRUE(parse({"--startup-time"}).startupTime);
}

TEST(CommandLine, RefusesWhatItCannotDo) {
    EXPECT_NE(parse({"--tab", "5"}).error, "");
    EXPECT_NE(parse({"--tab", "2x"}).error, "");
    EXPECT_NE(parse({"--screenshot"}).error, "");
    EXPECT_NE(parse({"--version=1"}).error, "");
    EXPECT_EQ(parse({"--frobnicate"}).error, "unknown option --frobnicate");
    // An option that needs a value never takes the next option as it.
    const app::CliOptions o =
        parse({"--headless", "--unit-type", "0", "--port", "--record", "x.csv"});
    EXPECT_EQ(o.error, "--port needs PATH");
    EXPECT_EQ(o.port, "");
    EXPECT_NE(app::cliUsage().find("--screenshot FILE.png"), std::string::npos);
}

TEST(CommandLine, HeadlessOptionsAndTheirLimits) {
    auto o = parse({"--headless", "--unit-type", "7", "--port", "/dev/pts/3", "--record", "a.csv",
                    "--interval", "1", "--sync-lengths", "5,5,3.5", "--broadcast-power", "on",
                    "--duration", "2.5"});
    EXPECT_TRUE(o.error.empty()) << o.error;
    EXPECT_EQ(o.unitType, 7);
    EXPECT_EQ(o.syncLengths, (std::vector<double>{5, 5, 3.5}));
    EXPECT_EQ(o.broadcastPower, 1);
    EXPECT_EQ(o.duration, 2.5);
    EXPECT_NE(parse({"--headless", "--port", "/dev/pts/3"}).error, "");  // no unit type
    EXPECT_NE(parse({"--headless", "--unit-type", "0"}).error, "");      // no port
    EXPECT_NE(parse({"--unit-type", "10"}).error, "");
    EXPECT_NE(parse({"--interval", "0"}).error, "");
    EXPECT_NE(parse({"--broadcast-power", "maybe"}).error, "");
    EXPECT_NE(parse({"--sync-lengths", "1,2,,3"}).error, "");
    EXPECT_NE(parse({"--sync-lengths", "1,2,3,4,5,6,7,8,9"}).error, "");
    EXPECT_NE(parse({"--duration", "0"}).error, "");
    EXPECT_EQ(parse({"--pressure-units", "m"}).pressureUnits, 1);
    EXPECT_EQ(parse({"--pressure-units", "bar"}).pressureUnits, 0);
    EXPECT_NE(parse({"--pressure-units", "psi"}).error, "");
    EXPECT_NE(
        parse({"--headless", "--unit-type", "3", "--port", "/dev/pts/3", "--pressure-units", "m"})
            .error.find("unit type 9"),
        std::string::npos);
}

TEST(CommandLine, UploadNeedsALoggerAndAFile) {
    auto o = parse({"--headless", "--unit-type", "8", "--port", "/dev/x", "--upload-file", "12",
                    "--to", "day12.DAT"});
    EXPECT_TRUE(o.error.empty()) << o.error;
    EXPECT_EQ(o.uploadFile, 12);
    EXPECT_EQ(o.uploadTo, "day12.DAT");
    EXPECT_FALSE(parse({"--headless", "--unit-type", "0", "--port", "/dev/x", "--upload-file", "12",
                        "--to", "x"})
                     .error.empty());
    EXPECT_FALSE(
        parse({"--headless", "--unit-type", "8", "--port", "/dev/x", "--upload-file", "12"})
            .error.empty());
    EXPECT_FALSE(parse({"--upload-file", "0"}).error.empty());
}

}  // namespace

namespace {

TEST(CommandLine, AnalyzeTakesFilesAndItsOwnOptions) {
    auto o = parse({"--analyze", "a.csv", "--device", "7", "b.csv", "--section", "300,900",
                    "--tide-filter", "--window", "flat-top", "--output", "out"});
    EXPECT_TRUE(o.error.empty()) << o.error;
    EXPECT_TRUE(o.analyze);
    EXPECT_EQ(o.analyzeFiles, (std::vector<std::string>{"a.csv", "b.csv"}));
    EXPECT_EQ(o.analyzeDevice, 7);
    EXPECT_TRUE(o.section);
    EXPECT_EQ(o.sectionStart, 300);
    EXPECT_EQ(o.sectionEnd, 900);
    EXPECT_TRUE(o.tideFilter);
    EXPECT_EQ(o.outputDir, "out");

    EXPECT_EQ(parse({"--analyze"}).error, "--analyze needs at least one FILE");
    EXPECT_NE(parse({"--analyze", "a.csv", "--section", "900,300"}).error, "");
    EXPECT_NE(parse({"--analyze", "a.csv", "--device", "0"}).error, "");
    EXPECT_NE(parse({"--analyze", "a.csv", "--window", "square"}).error, "");
    // A Swellmeter's recordings in bar are analysed with results labelled in bar.
    EXPECT_EQ(parse({"--analyze", "a.csv", "--pressure-units", "bar"}).pressureUnits, 0);
    EXPECT_TRUE(parse({"--analyze", "a.csv", "--pressure-units", "bar"}).error.empty());
    // Its options mean nothing without it.
    EXPECT_NE(parse({"--device", "7"}).error, "");
    EXPECT_NE(parse({"--pressure-units", "bar", "a.csv"}).error, "");
    EXPECT_NE(parse({"--analyze", "a.csv", "--headless", "--unit-type", "0"}).error, "");
}

}  // namespace

namespace {

TEST(CommandLine, RememberedSettingsOptionsAreForTheWindowAndDoNotContradict) {
    auto o = parse({"--settings", "/tmp/s.ini", "--reopen-ports", "--simulate"});
    EXPECT_TRUE(o.error.empty()) << o.error;
    EXPECT_EQ(o.settingsFile, "/tmp/s.ini");
    EXPECT_TRUE(o.reopenPorts);
    EXPECT_TRUE(parse({"--no-settings"}).noSettings);
    EXPECT_NE(parse({"--no-settings", "--settings", "/tmp/s.ini"}).error, "");
    EXPECT_NE(parse({"--no-settings", "--reopen-ports"}).error, "");
    EXPECT_NE(parse({"--headless", "--unit-type", "0", "--port", "/dev/pts/3", "--no-settings"})
                  .error.find("for the window"),
              std::string::npos);
}

}  // namespace

namespace {

// A station must not run on a command line it silently ignores in part.
TEST(CommandLine, OptionsThatWouldDoNothingAreRefused) {
    const auto headless = [](std::vector<const char*> more, const char* type = "0") {
        std::vector<const char*> args{"--headless", "--unit-type", type, "--port", "/dev/x"};
        args.insert(args.end(), more.begin(), more.end());
        return parse(args).error;
    };
    EXPECT_EQ(headless({"--to", "x.DAT"}), "--to goes with --upload-file");
    EXPECT_EQ(headless({"--interval", "1"}), "--interval goes with --record, --capture or --collect");
    EXPECT_EQ(headless({"--interval", "1", "--capture", "raw"}), "");
    EXPECT_NE(headless({"--sync-lengths", "5,5"}).find("unit type 7"), std::string::npos);
    EXPECT_EQ(headless({"--sync-lengths", "5,5"}, "7"), "");
    EXPECT_NE(headless({"--capture", "raw"}, "3").find("--capture"), std::string::npos);
    EXPECT_EQ(headless({"--port", "/dev/y"}), "--port is given twice");
    EXPECT_EQ(headless({"--screenshot", "a.png"}), "--screenshot is for the window, not for --headless");
    EXPECT_EQ(headless({"-platform", "offscreen"}), "-platform is for the window, not for --headless");
    EXPECT_EQ(headless({"--time-limit", "30"}),
              "--time-limit goes with --show-config or --upload-file");
    EXPECT_EQ(headless({"--time-limit", "30", "--show-config", "1"}), "");
    // Headless options in a window run, and the screenshot's own options without it.
    EXPECT_EQ(parse({"--duration", "5"}).error, "--duration goes with --headless");
    EXPECT_EQ(parse({"--record", "a.csv"}).error, "--record goes with --headless or --screenshot");
    EXPECT_EQ(parse({"--record", "a.csv", "--screenshot", "a.png"}).error, "");
    EXPECT_EQ(parse({"--screenshot-after", "3"}).error, "--screenshot-after goes with --screenshot");
    // Words that are not options: one dash, stray words, numbers that are not finite.
    EXPECT_EQ(parse({"-record", "a.csv"}).error, "unknown option -record (options begin with --)");
    EXPECT_EQ(headless({"--duration", "3", "s"}), "unexpected argument \"s\"");
    EXPECT_NE(headless({"--duration", "inf"}), "");
    EXPECT_NE(headless({"--duration", "nan"}), "");
    EXPECT_EQ(headless({"--duration", "2592000"}), "");
    EXPECT_EQ(parse({"-style=fusion", "-geometry", "800x600"}).error, "");
    const app::CliOptions wrong = parse({"-record"});
    EXPECT_EQ(app::cliError(wrong),
              "fathomhost: unknown option -record (options begin with --)\n"
              "Run \"fathomhost --help\" for every option.\n");
}

}  // namespace

namespace {

TEST(CommandLine, ExportNetcdfTakesFilesAndItsOwnOptions) {
    auto o = parse({"--export-netcdf", "w000.csv", "w001.csv", "--output", "nc", "--utc-offset",
                    "-5.5", "--station", "Pier 4", "--unit-type", "9", "--pressure-units", "m"});
    EXPECT_TRUE(o.error.empty()) << o.error;
    EXPECT_TRUE(o.exportNetcdf);
    EXPECT_EQ(o.analyzeFiles, (std::vector<std::string>{"w000.csv", "w001.csv"}));
    EXPECT_EQ(o.outputDir, "nc");
    EXPECT_EQ(o.utcOffset, -5.5);
    EXPECT_EQ(o.station, "Pier 4");
    EXPECT_EQ(o.pressureUnits, 1);
    EXPECT_TRUE(parse({"--analyze", "a.csv", "--netcdf"}).netcdf);

    EXPECT_EQ(parse({"--export-netcdf"}).error, "--export-netcdf needs at least one FILE");
    EXPECT_NE(parse({"--export-netcdf", "a.csv", "--utc-offset", "15"}).error, "");
    EXPECT_NE(parse({"--export-netcdf", "a.csv", "--unit-type", "3", "--pressure-units", "m"})
                  .error,
              "");
    // Options that would do nothing in the combination are refused.
    EXPECT_NE(parse({"--export-netcdf", "a.csv", "--analyze"}).error, "");
    EXPECT_NE(parse({"--export-netcdf", "a.csv", "--tide-filter"}).error, "");
    EXPECT_NE(parse({"--export-netcdf", "a.csv", "--netcdf"}).error, "");
    EXPECT_NE(parse({"--analyze", "a.csv", "--station", "x"}).error, "");
    EXPECT_NE(parse({"--utc-offset", "1"}).error, "");
    EXPECT_NE(parse({"--netcdf"}).error, "");
    EXPECT_NE(parse({"--output", "x"}).error, "");
}

}  // namespace

namespace {

TEST(CommandLine, TheStationNetworksOptionsGoTogetherAndNeverTakeAPassword) {
    auto o = parse({"--headless", "--unit-type", "0", "--port", "SIM1", "--mqtt",
                    "mqtts://b:8883", "--station", "pier-7", "--mqtt-user", "st",
                    "--mqtt-password-file", "/etc/pw", "--mqtt-ca", "ca.pem", "--mqtt-queue",
                    "/q", "--mqtt-queue-limit", "50"});
    EXPECT_EQ(o.error, "");
    EXPECT_EQ(o.mqtt, "mqtts://b:8883");
    EXPECT_EQ(o.station, "pier-7");
    EXPECT_EQ(o.mqttQueueLimit, 50);
    o = parse({"--collect", "mqtt://b", "--archive", "/a", "--share", "g1", "--interval", "7"});
    EXPECT_EQ(o.error, "");
    EXPECT_EQ(o.share, "g1");
    EXPECT_TRUE(o.intervalGiven);

    EXPECT_NE(parse({"--mqtt-password", "x"}).error.find("--mqtt-password-file"),
              std::string::npos);
    EXPECT_EQ(parse({"--mqtt", "mqtt://b"}).error, "--mqtt needs --station NAME");
    EXPECT_NE(parse({"--mqtt", "mqtt://b", "--station", "../x"}).error.find("slashes"),
              std::string::npos);
    EXPECT_NE(parse({"--mqtt-user", "u"}).error, "");
    EXPECT_NE(parse({"--mqtt-queue", "/q"}).error, "");
    EXPECT_EQ(parse({"--collect", "mqtt://b"}).error, "--collect needs --archive DIR");
    EXPECT_NE(parse({"--archive", "/a"}).error, "");
    EXPECT_NE(parse({"--collect", "mqtt://b", "--archive", "/a", "--mqtt", "mqtt://b",
                     "--station", "s"})
                  .error,
              "");
    EXPECT_NE(parse({"--collect", "mqtt://b", "--archive", "/a", "--share", "a/b"}).error, "");
}

}  // namespace
