// Recorded sample files as NetCDF: recordings the simulated instruments made through the
// program's own recorder, exported and read back with the NetCDF library and with xarray.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>

#include "live/live_rig.h"
#include "netcdf/nc_reader.h"
#include "netcdf/recording_export.h"
#include "sim/sim_host.h"
#include "sim/sim_network.h"

namespace {

using nctest::NcReader;
using platform::Ctl;
using platform::Event;
using platform::FileSelection;

const platform::AbsTime kStart = platform::toAbsTime({2026, 12, 8, 12, 0, 0, 0});

// Runs the xarray check on an export and the recordings it was made from; its output, and
// whether it passed.
std::pair<bool, std::string> xarrayCheck(const std::string& nc, double utcOffset,
                                         const std::vector<std::string>& csv) {
    std::string command = "/usr/bin/python3 " FATHOM_TEST_DATA "/../netcdf/xarray_check.py";
    for (const std::string& arg : std::vector<std::string>{nc, std::to_string(utcOffset)}) {
        command.append(" '").append(arg).append("'");
    }
    for (const std::string& f : csv) command.append(" '").append(f).append("'");
    command += " 2>&1";
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (p == nullptr) return {false, "cannot run " + command};
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, p) != nullptr) out += buffer;
    const int status = pclose(p);
    return {status == 0, out};
}

// Values of a (time, device) variable that are not the fill value, per device number.
std::map<int, int> valuesPerDevice(const NcReader& nc, const std::string& var) {
    const auto devices = nc.values<int>("device");
    const auto v = nc.values<float>(var);
    std::map<int, int> n;
    for (std::size_t i = 0; i < v.size(); ++i)
        if (v[i] != NC_FILL_FLOAT) ++n[devices[i % devices.size()]];
    return n;
}

// The simulated instruments of a scenario behind port A, recorded by the program for a while.
struct SimRecording : simtest::SimHost {
    live_test::TempDir dir;

    std::string record(const std::string& scenario, int unitType, double seconds) {
        std::vector<std::unique_ptr<sim::SimDevice>> d;
        d.push_back(sim::makeScenario(scenario, kStart));
        start(std::move(d));
        chooseUnitType(unitType);
        open(Ctl::PortARing, 0);
        run(5);
        dialogs.promptReplies.push_back("99");
        dialogs.fileReplies.push_back({FileSelection::Status::New, dir.file(scenario + ".csv")});
        panel.raise(Ctl::MenuSaveOutputData, Event::Commit);
        run(seconds);
        panel.raise(Ctl::MenuStopOutputData, Event::Commit);
        return dir.file(scenario + "000.csv");
    }
    std::string exportTo(const std::vector<std::string>& files, double utcOffset = 0) {
        const std::string out = dir.file("out.nc");
        std::string summary;
        const std::string error = netcdf::exportRecordings(
            {.files = files, .output = out, .utcOffsetHours = utcOffset}, {}, &summary);
        EXPECT_EQ(error, "");
        EXPECT_NE(summary, "");
        return out;
    }
};

// Four radio units at 8, 4, 16 and 8 samples a second, one continuous and three sending
// bursts ("A", "F", "I"), with dates, times, temperatures and battery states.
TEST_F(SimRecording, RadioUnitsOfEveryFormatComeBackAtTheirTimesWithTheirGaps) {
    const std::string csv = record("radio", 0, 90);
    const std::string nc = exportTo({csv}, 1.5);
    NcReader f(nc);
    ASSERT_TRUE(f.ok());
    EXPECT_EQ(f.values<int>("device"), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(f.values<int>("sample_rate"), (std::vector<int>{8, 4, 16, 8}));
    EXPECT_EQ(f.text("", "Conventions"), "CF-1.8");
    EXPECT_EQ(f.text("water_level", "units"), "m");
    EXPECT_EQ(f.text("water_level", "standard_name"), "water_surface_height_above_reference_datum");
    EXPECT_EQ(f.number("water_level", "_FillValue"), double(NC_FILL_FLOAT));
    // One step at the finest common rate, 1/16 s, from the start of the first sample's UTC day.
    const auto t = f.values<double>("time");
    ASSERT_GT(t.size(), 16u * 80);
    EXPECT_EQ(f.text("time", "units").substr(0, 25), "seconds since 2026-12-08 ");
    for (std::size_t i = 1; i < t.size(); ++i) ASSERT_DOUBLE_EQ(t[i] - t[i - 1], 1.0 / 16) << i;
    EXPECT_NEAR(t[0], 12 * 3600 - 1.5 * 3600, 120);  // the units' clocks, made UTC
    // A unit at 4 a second fills every fourth step at most; the rest are gaps, not copies.
    const auto level = f.values<float>("water_level");
    const auto counts = valuesPerDevice(f, "water_level");
    EXPECT_LE(counts.at(2), static_cast<int>(t.size() / 4 + 1));
    EXPECT_GE(counts.at(2), 4 * 80);
    EXPECT_GE(counts.at(3), 16 * 80);
    std::size_t first = 0;
    while (level[first * 4 + 1] == NC_FILL_FLOAT) ++first;
    for (std::size_t s = first; s < t.size(); ++s) {
        if ((s - first) % 4 == 0) continue;
        ASSERT_EQ(level[s * 4 + 1], NC_FILL_FLOAT) << s;
    }
    EXPECT_TRUE(f.has("battery_state"));
    EXPECT_TRUE(f.has("temperature"));
    const auto [ok, out] = xarrayCheck(nc, 1.5, {csv});
    EXPECT_TRUE(ok) << out;
}

// A data logger's sensors: 60-value "i" bursts and "G" raw text, whose bytes hold line ends.
TEST_F(SimRecording, DataLoggerBurstsAndRawRecordsComeBackByteForByte) {
    const std::string csv = record("logger", 8, 120);
    const std::string nc = exportTo({csv});
    NcReader f(nc);
    ASSERT_TRUE(f.ok());
    ASSERT_GT(f.dim("raw_record"), 0u);
    const auto raw = f.values<unsigned char>("raw_data");
    const auto rawDevice = f.values<int>("raw_device");
    // The raw records in the file, in order, against those in the recording.
    std::ifstream in(csv, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::size_t record = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] != 'G' || (at > 0 && text[at - 1] != '\n')) continue;
        ASSERT_LT(record, f.dim("raw_record"));
        EXPECT_EQ(rawDevice[record], std::stoi(text.substr(at + 1, 3)));
        const std::string bytes(raw.begin() + static_cast<long>(record * 128),
                                raw.begin() + static_cast<long>(record * 128 + 128));
        EXPECT_EQ(bytes, text.substr(at + 32, 128));
        ++record;
        at += 160;
    }
    EXPECT_EQ(record, f.dim("raw_record"));
    EXPECT_GT(valuesPerDevice(f, "water_level").size(), 0u);
    const auto [ok, out] = xarrayCheck(nc, 0, {csv});
    EXPECT_TRUE(ok) << out;
}

// A Swellmeter writes five decimals: its samples are pressures, in bar unless told otherwise.
TEST_F(SimRecording, SwellmeterSamplesArePressuresWithTheirTemperatures) {
    const std::string csv = record("gauge9", 9, 30);
    const std::string nc = exportTo({csv});
    NcReader f(nc);
    ASSERT_TRUE(f.ok());
    EXPECT_FALSE(f.has("water_level"));
    EXPECT_EQ(f.text("pressure", "units"), "bar");
    EXPECT_EQ(f.text("pressure", "standard_name"), "sea_water_pressure");
    EXPECT_EQ(f.number("", "unit_type"), 9);
    EXPECT_GT(valuesPerDevice(f, "temperature").size(), 0u);
    const auto [ok, out] = xarrayCheck(nc, 0, {csv});
    EXPECT_TRUE(ok) << out;

    const std::string metres = dir.file("metres.nc");
    EXPECT_EQ(netcdf::exportRecordings({.files = {csv}, .output = metres, .pressureInMetres = true}),
              "");
    EXPECT_EQ(NcReader(metres).text("pressure_head", "units"), "m");
    // A staff's unit type given for a Swellmeter's recording is refused.
    EXPECT_EQ(netcdf::exportRecordings({.files = {csv}, .output = metres, .unitType = 3}),
              "the files hold Swellmeter samples (five decimals), but the unit type is 3");
}

// Hand-written files whose every time is known.
struct ExportFiles : ::testing::Test {
    live_test::TempDir dir;
    std::string write(const std::string& name, const std::string& content) {
        std::ofstream(dir.file(name), std::ios::binary) << content;
        return dir.file(name);
    }
    static std::string burst(int device, int rate, const std::string& stamp, double first) {
        char head[40];
        std::snprintf(head, sizeof head, "A%03d,S%02d,B2,%s", device, rate, stamp.c_str());
        std::string line = head;
        for (int i = 0; i < 32; ++i) {
            char v[16];
            std::snprintf(v, sizeof v, ",%07.4f", first + i / 1000.0);
            line += v;
        }
        return line + "\r\n";
    }
    // Every file of the directory: nothing but what the test expects may be left.
    std::vector<std::string> files() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir.path))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

// A week's set in two files: the continuous unit's date and time come in the first, its
// samples go on in the second; a burst is missing in between and stays missing.
TEST_F(ExportFiles, ASetIsOneRecordingAndAMissingBurstIsAGap) {
    const std::string a = write("set000.csv",
                                "C005,D8,2014-02-10\r\nC005,D9,16:00:00\r\nC005,D4,17.5 \r\n"
                                "C005,D7,L          \r\nC005,D1,S02,01.5000\r\n" +
                                    burst(7, 4, "2014-02-10T16:00:00", 3.0));
    // 8 s later: the burst of 16:00:08 is missing.
    const std::string b = write("set001.csv", "C005,D1,S02,01.6000\r\n" +
                                                  burst(7, 4, "2014-02-10T16:00:16", 4.0));
    const std::string out = dir.file("set.nc");
    EXPECT_EQ(netcdf::defaultOutputName({a, b}, dir.path.string()), out);
    std::string summary;
    ASSERT_EQ(netcdf::exportRecordings({.files = {a, b}, .output = out, .station = "Pier 4"}, {},
                                       &summary),
              "");
    EXPECT_EQ(summary.substr(0, 60),
              "2 devices, 2014-02-10T16:00:00.000Z to 2014-02-10T16:00:23.7");
    EXPECT_EQ(files(), (std::vector<std::string>{"set.nc", "set000.csv", "set001.csv"}));
    NcReader f(out);
    EXPECT_EQ(f.text("", "station_name"), "Pier 4");
    EXPECT_EQ(f.text("", "recording_files"), "set000.csv, set001.csv");
    EXPECT_EQ(f.values<int>("device"), (std::vector<int>{5, 7}));
    const auto t = f.values<double>("time");
    ASSERT_EQ(t.size(), 24u * 4);  // 16:00:00 to the last value at 16:00:23.75
    EXPECT_EQ(t[0], 16 * 3600);
    EXPECT_EQ(t[95], 16 * 3600 + 23.75);
    const auto v = f.values<float>("water_level");  // (time, device)
    auto at = [&](int step, int device) { return v[static_cast<std::size_t>(step * 2 + device)]; };
    // The continuous unit's samples: one and two samples at 2 a second after 16:00:00.
    EXPECT_EQ(at(2, 0), 1.5f);
    EXPECT_EQ(at(4, 0), 1.6f);
    int stored = 0;
    for (int s = 0; s < 96; ++s) stored += at(s, 0) != NC_FILL_FLOAT ? 1 : 0;
    EXPECT_EQ(stored, 2);
    // The bursts: 16:00:00-16:00:07.75 and 16:00:16 on; 8 s between them are gaps.
    EXPECT_EQ(at(0, 1), 3.0f);
    EXPECT_EQ(at(31, 1), 3.031f);
    for (int s = 32; s < 64; ++s) EXPECT_EQ(at(s, 1), NC_FILL_FLOAT) << s;
    EXPECT_EQ(at(64, 1), 4.0f);
    EXPECT_EQ(at(95, 1), 4.031f);
    const auto temperature = f.values<float>("temperature");
    EXPECT_EQ(temperature[0], 17.5f);
    const auto battery = f.values<int>("battery_state");
    EXPECT_EQ(battery[0], 2);   // "L" of device 5 at 16:00:00
    EXPECT_EQ(battery[1], 2);   // "B2" of device 7's first burst
    EXPECT_EQ(battery[64 * 2 + 1], 2);
    EXPECT_EQ(battery[2 * 2 + 0], NC_FILL_BYTE);
}

// What the recorder never writes is refused with its file and line, and leaves no file.
TEST_F(ExportFiles, DamagedOrForeignFilesAreRefusedByLineAndLeaveNothing) {
    const std::string good = burst(7, 4, "2014-02-10T16:00:00", 3.0);
    std::string cutShort = good;
    cutShort.resize(100);
    std::string badValue = good;
    badValue[40] = 'x';
    const struct {
        std::string content;
        std::string error;
    } cases[] = {
        {"time,level\r\n2014-02-10 16:00:00,1.25\r\n", "line 1: not a record of a sample file"},
        {good + good + badValue, "line 3: a damaged record: \"A007,S04,B2,2014-02-10T16:00:00,03.0000,x3.0010,03.0020,03.0..."},
        {good + cutShort, "line 2: the file ends inside a record"},
        {good + "\r\n" + good + "# note\r\n", "line 4: not a record of a sample file"},
        {good + "A007,S04,B2,2014-13-10T16:00:00" + good.substr(31),
         "line 2: a time that is no date and time"},
        {good + "A007,S04,B2" + std::string(2000, '1') + "\r\n" + good,
         "line 2: not a record of a sample file"},
        {"YFLASH", "line 1: an unconverted flash-card file"},
        {"", "holds no samples"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.error);
        const std::string in = write("in000.csv", c.content);
        const std::string error =
            netcdf::exportRecordings({.files = {in}, .output = dir.file("in.nc")});
        EXPECT_EQ(error.substr(0, in.size() + 2 + c.error.size()), in + ": " + c.error);
        EXPECT_EQ(files(), std::vector<std::string>{"in000.csv"});
    }
    // A damaged file later in a set refuses the whole set.
    const std::string first = write("a000.csv", good);
    const std::string second = write("a001.csv", good + "C005,D1,S02,0x.5000\r\n");
    EXPECT_EQ(netcdf::exportRecordings({.files = {first, second}, .output = dir.file("a.nc")}),
              second + ": line 2: a damaged record: \"C005,D1,S02,0x.5000\"");
    EXPECT_EQ(netcdf::exportRecordings({.files = {first, dir.file("gone.csv")}, .output = "x.nc"}),
              dir.file("gone.csv") + ": cannot be opened");
    EXPECT_EQ(netcdf::exportRecordings({.files = {dir.file("notes.txt")}, .output = "x.nc"}),
              dir.file("notes.txt") + ": not a sample file: recordings are .csv files");
}

// A unit whose clock jumped years would make the time axis absurd: refused, naming both ends.
TEST_F(ExportFiles, RecordsYearsApartAreRefusedNamingBothEnds) {
    const std::string in = write("clock000.csv", burst(7, 4, "2014-02-10T16:00:00", 3.0) +
                                                     burst(8, 4, "2000-01-01T00:00:00", 3.0));
    EXPECT_EQ(netcdf::exportRecordings({.files = {in}, .output = dir.file("c.nc")}),
              "the records span 5154 days, from " + in + " line 2 to " + in +
                  " line 1: a unit's clock was wrong");
}

// A record hours later than the others (a unit whose clock was set back, say) goes into a
// chunk written long before: the chunk comes back from the file first and keeps what it held.
TEST_F(ExportFiles, ARecordHoursLateFindsItsChunkAgain) {
    std::string content;
    for (int s = 0; s < 7 * 3600; s += 8) {
        if (s == 8) continue;  // sent hours later
        char stamp[24];
        std::snprintf(stamp, sizeof stamp, "2014-02-10T%02d:%02d:%02d", s / 3600, s / 60 % 60,
                      s % 60);
        content += burst(7, 4, stamp, 3.0);
    }
    content += burst(7, 4, "2014-02-10T00:00:08", 5.0);
    const std::string in = write("late000.csv", content);
    ASSERT_EQ(netcdf::exportRecordings({.files = {in}, .output = dir.file("late.nc")}), "");
    NcReader f(dir.file("late.nc"));
    const auto v = f.values<float>("water_level");
    ASSERT_EQ(v.size(), 7u * 3600 * 4);
    EXPECT_EQ(v[0], 3.0f);
    EXPECT_EQ(v[31], 3.031f);
    EXPECT_EQ(v[32], 5.0f);
    EXPECT_EQ(v[63], 5.031f);
    EXPECT_EQ(v[64], 3.0f);
    EXPECT_EQ(v.back(), 3.031f);
}

// The window exports a step at a time; a cancel in the middle of writing leaves nothing.
TEST_F(ExportFiles, ACancelledExportLeavesNoFile) {
    std::string content;
    for (int s = 0; s < 40000; s += 8) {
        char stamp[24];
        std::snprintf(stamp, sizeof stamp, "2014-02-1%dT%02d:%02d:%02d", 0 + s / 86400,
                      s / 3600 % 24, s / 60 % 60, s % 60);
        content += burst(7, 4, stamp, 3.0);
    }
    const std::string in = write("long000.csv", content);
    netcdf::RecordingExport job({.files = {in}, .output = dir.file("long.nc")});
    while (job.step() && job.fraction() < 0.6) {
    }
    EXPECT_EQ(job.activity(), "Writing long000.csv");
    EXPECT_EQ(files(), (std::vector<std::string>{"long.nc.part", "long000.csv"}));
    job.cancel();
    EXPECT_FALSE(job.step());
    EXPECT_EQ(job.error(), "cancelled");
    EXPECT_EQ(files(), std::vector<std::string>{"long000.csv"});
}

}  // namespace
