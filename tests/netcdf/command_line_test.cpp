// The NetCDF outputs of the real binary: --export-netcdf and --analyze --netcdf.
#include <gtest/gtest.h>

#include <cmath>

#include "e2e/processes.h"
#include "netcdf/nc_reader.h"

namespace {

using namespace e2e;
using nctest::NcReader;

std::string waveFile(const std::string& name) {
    return std::string(FATHOM_TEST_DATA) + "/waves/" + name;
}

int runHost(const ScratchDir& dir, std::vector<std::string> args) {
    args.insert(args.begin(), (binDir() / "fathomhost").string());
    Child host(args, dir / "out.txt", dir / "err.txt");
    EXPECT_TRUE(host.wait(60));
    return host.exitCode();
}

TEST(NetcdfCommandLine, ExportWritesOneFileNamedAfterTheSetWithItsStationAndTimes) {
    ScratchDir dir;
    const fs::path out = fs::path(dir / "nc");
    ASSERT_EQ(runHost(dir, {"--export-netcdf", waveFile("sea.csv"), "--output", out.string(),
                            "--utc-offset", "2", "--station", "Pier 4"}),
              0)
        << readFile(dir / "err.txt");
    const std::string err = readFile(dir / "err.txt");
    EXPECT_NE(err.find("wrote " + (out / "sea.nc").string() +
                       ": 1 device, 2014-02-10T14:00:40.000Z to 2014-02-10T14:20:39.875Z"),
              std::string::npos)
        << err;
    NcReader f((out / "sea.nc").string());
    ASSERT_TRUE(f.ok());
    EXPECT_EQ(f.text("", "station_name"), "Pier 4");
    EXPECT_NE(f.text("", "history").find("--export-netcdf"), std::string::npos);
    EXPECT_EQ(f.text("", "time_coverage_start"), "2014-02-10T14:00:40.000Z");
    EXPECT_EQ(f.values<double>("time").front(), 14 * 3600 + 40);

    // A damaged file: a failing status, the line named, and no file.
    std::ofstream(dir / "bad000.csv") << "A007,S08,B0,2014-02-10T16:00:40,03.0137\r\nhello\r\n";
    EXPECT_EQ(runHost(dir, {"--export-netcdf", dir / "bad000.csv", "--output",
                            out.string()}),
              1);
    EXPECT_NE(readFile(dir / "err.txt").find("bad000.csv: line 1: a damaged record"),
              std::string::npos)
        << readFile(dir / "err.txt");
    EXPECT_FALSE(fs::exists(out / "bad.nc"));
    EXPECT_FALSE(fs::exists(out / "bad.nc.part"));
}

TEST(NetcdfCommandLine, AnalyzeWritesTheResultsAndEachSpectrumAsNetcdfBesideTheCsv) {
    ScratchDir dir;
    ASSERT_EQ(runHost(dir, {"--analyze", waveFile("sine.csv"), "--netcdf", "--output",
                            dir / "."}),
              0)
        << readFile(dir / "err.txt");
    EXPECT_TRUE(fs::exists(fs::path(dir / "wave_results.csv")));
    NcReader results(dir / "wave_results.nc");
    ASSERT_TRUE(results.ok());
    EXPECT_EQ(results.dim("result"), 1u);
    EXPECT_EQ(results.values<int>("device"), std::vector<int>{5});
    EXPECT_EQ(results.values<double>("hmax_m"), std::vector<double>{1.5});
    EXPECT_EQ(results.values<double>("tz_s"), std::vector<double>{7.5});
    EXPECT_EQ(results.text("hmo_m", "standard_name"), "sea_surface_wave_significant_height");
    EXPECT_EQ(results.text("hmo_m", "units"), "m");
    EXPECT_EQ(results.strings("file"), std::vector<std::string>{waveFile("sine.csv")});

    NcReader spectrum(dir / "sine_device5_spectrum.nc");
    ASSERT_TRUE(spectrum.ok());
    EXPECT_EQ(spectrum.dim("frequency"), 3840u);
    EXPECT_EQ(spectrum.text("variance_density", "units"), "m2 Hz-1");
    EXPECT_EQ(spectrum.text("variance_density", "standard_name"),
              "sea_surface_wave_variance_spectral_density");
    // The same values as the CSV beside it.
    std::istringstream csv(readFile(dir / "sine_device5_spectrum.csv"));
    std::string line;
    std::getline(csv, line);
    const auto f = spectrum.values<double>("frequency");
    const auto v = spectrum.values<double>("variance_density");
    for (std::size_t k = 0; std::getline(csv, line); ++k) {
        ASSERT_LT(k, v.size());
        const auto comma = line.find(',');
        ASSERT_NEAR(f[k], std::stod(line.substr(0, comma)), 1e-9 * (1 + f[k]));
        ASSERT_NEAR(v[k], std::stod(line.substr(comma + 1)), 1e-9 * (1 + std::abs(v[k])));
    }
}

}  // namespace
