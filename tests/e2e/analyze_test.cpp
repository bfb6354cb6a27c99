// fathomhost --analyze, the real binary on recorded files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>
#include <utility>

#include "e2e/processes.h"

namespace {

using namespace e2e;

std::string waveFile(const std::string& name) {
    return std::string(FATHOM_TEST_DATA) + "/waves/" + name;
}

std::vector<std::string> csvFields(const std::string& line) {
    std::vector<std::string> f;
    std::string cell;
    bool quoted = false;
    for (char c : line) {
        if (c == '"')
            quoted = !quoted;
        else if (c == ',' && !quoted)
            f.push_back(std::exchange(cell, {}));
        else
            cell += c;
    }
    f.push_back(cell);
    return f;
}

TEST(Analyze, WritesARowPerFileAndGoesOnPastBadFiles) {
    ScratchDir dir;
    const fs::path out = dir / "results";
    const std::string empty = dir / "empty.csv";
    std::ofstream(empty).flush();
    Child host({(binDir() / "fathomhost").string(), "--analyze", waveFile("sea.csv"),
                dir / "missing.csv", empty, waveFile("sine.csv"), "--output", out.string()},
               dir / "out.txt", dir / "err.txt");
    ASSERT_TRUE(host.wait(60));
    // Two bad files: reported, a failing status, and the good ones analysed all the same.
    EXPECT_EQ(host.exitCode(), 1);
    const std::string err = readFile(dir / "err.txt");
    EXPECT_NE(err.find("missing.csv: cannot be opened"), std::string::npos) << err;
    EXPECT_NE(err.find("empty.csv: holds no samples"), std::string::npos) << err;
    EXPECT_NE(err.find("analysing " + waveFile("sine.csv") + " (4 of 4)"), std::string::npos);

    std::istringstream results(readFile(out / "wave_results.csv"));
    std::string header, sea, sine, more;
    std::getline(results, header);
    std::getline(results, sea);
    std::getline(results, sine);
    EXPECT_FALSE(std::getline(results, more));
    const auto names = csvFields(header);
    const auto seaRow = csvFields(sea), sineRow = csvFields(sine);
    ASSERT_EQ(seaRow.size(), names.size());
    auto value = [&](const std::vector<std::string>& row, const std::string& name) {
        const auto at = std::find(names.begin(), names.end(), name) - names.begin();
        return row[static_cast<std::size_t>(at)];
    };
    EXPECT_EQ(value(seaRow, "device"), "7");
    EXPECT_EQ(value(seaRow, "gaps_skipped"), "64");
    EXPECT_NEAR(std::stod(value(seaRow, "h13_m")), 1.13308887822, 1e-8);
    EXPECT_NEAR(std::stod(value(seaRow, "tm02_s")), 5.99744283488, 1e-8);
    EXPECT_EQ(value(sineRow, "hmax_m"), "1.5");
    EXPECT_EQ(value(sineRow, "tz_s"), "7.5");
    // The spectrum of each: frequency and variance density, n/2 bins.
    const std::string spectrum = readFile(out / "sine_device5_spectrum.csv");
    EXPECT_TRUE(spectrum.starts_with("frequency_hz,m\u00B2/Hz\n0,")) << spectrum.substr(0, 40);
    EXPECT_EQ(std::count(spectrum.begin(), spectrum.end(), '\n'), 1 + 3840);
}

TEST(Analyze, ChoosesDeviceSectionAndWindowAndRefusesBadOptions) {
    ScratchDir dir;
    Child host({(binDir() / "fathomhost").string(), "--analyze", waveFile("sea.csv"), "--device",
                "3", "--output", dir / "."},
               dir / "out.txt", dir / "err.txt");
    ASSERT_TRUE(host.wait(60));
    EXPECT_EQ(host.exitCode(), 1);
    EXPECT_NE(readFile(dir / "err.txt").find("holds no samples of device 3"), std::string::npos);

    Child section(
        {(binDir() / "fathomhost").string(), "--analyze", waveFile("sea.csv"), "--section",
         "300,900", "--window", "flat-top", "--tide-filter", "--output", dir / "."},
        dir / "out.txt", dir / "err.txt");
    ASSERT_TRUE(section.wait(60));
    EXPECT_EQ(section.exitCode(), 0) << readFile(dir / "err.txt");
    const std::string rows = readFile(dir / "wave_results.csv");
    EXPECT_NE(rows.find(",300,900,4736,64,1,Flat top,"), std::string::npos) << rows;

    // A Swellmeter's recording in bar: every header says bar; the figures are the same.
    Child bar({(binDir() / "fathomhost").string(), "--analyze", waveFile("sine.csv"),
               "--pressure-units", "bar", "--output", dir / "bar"},
              dir / "out.txt", dir / "err.txt");
    ASSERT_TRUE(bar.wait(60));
    EXPECT_EQ(bar.exitCode(), 0) << readFile(dir / "err.txt");
    const std::string barRows = readFile(dir / "bar/wave_results.csv");
    EXPECT_NE(barRows.find(",mean_bar,hmo_bar,m0_bar2,m1_bar2hz,m2_bar2hz2,"), std::string::npos)
        << barRows.substr(0, 300);
    EXPECT_NE(barRows.find(",hmax_bar,h13_bar,hrms_bar,"), std::string::npos);
    EXPECT_TRUE(readFile(dir / "bar/sine_device5_spectrum.csv")
                    .starts_with("frequency_hz,bar²/Hz\n0,"));

    Child bad({(binDir() / "fathomhost").string(), "--analyze", "--window", "square"},
              dir / "out.txt", dir / "err.txt");
    ASSERT_TRUE(bad.wait(60));
    EXPECT_EQ(bad.exitCode(), 2);
}

}  // namespace
