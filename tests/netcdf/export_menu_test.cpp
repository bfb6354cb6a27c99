// The File menu's export to NetCDF, through the program's control model with the real
// exporter behind it: the questions asked, the progress shown, a cancel, and what is written.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "live/live_rig.h"
#include "netcdf/nc_reader.h"
#include "netcdf/recording_export.h"
#include "support/host_rig.h"

namespace {

using platform::Ctl;
using platform::Event;
using platform::FileSelection;

std::string burst(int device, const std::string& stamp) {
    std::string line = "A00" + std::to_string(device) + ",S04,B0," + stamp;
    for (int i = 0; i < 32; ++i) line += ",01.2500";
    return line + "\r\n";
}

struct ExportMenuTest : ::testing::Test {
    testing_support::HostRig rig;
    live_test::TempDir dir;
    platform::Panel& panel = rig.panel;
    testing_support::FakeDialogs& dialogs = rig.dialogs;

    void withExporter() {
        rig.host.setRecordingExport(
            [](const app::ExportRequest& r) {
                return std::make_unique<netcdf::RecordingExport>(
                    netcdf::ExportOptions{.files = r.files,
                                          .output = r.output,
                                          .utcOffsetHours = r.utcOffsetHours,
                                          .pressureInMetres = r.pressureInMetres});
            },
            [](const std::vector<std::string>& files) {
                return netcdf::defaultOutputName(files, ".");
            });
    }
    std::string write(const std::string& name, const std::string& content) {
        std::ofstream(dir.file(name), std::ios::binary) << content;
        return dir.file(name);
    }
    // The operator's answers, the menu item, then the timer until the export has ended.
    void exportFiles(std::vector<std::string> files, const std::string& offset,
                     const std::string& output) {
        dialogs.manyReplies.push_back(std::move(files));
        dialogs.promptReplies.push_back(offset);
        dialogs.fileReplies.push_back({FileSelection::Status::New, output});
        panel.raise(Ctl::MenuExportNetcdf, Event::Commit);
        for (int i = 0; i < 1000 && rig.host.exportMenu().running(); ++i) {
            EXPECT_TRUE(panel.timerEnabled(Ctl::ExportTimer));
            EXPECT_TRUE(panel.dimmed(Ctl::MenuExportNetcdf));
            panel.raise(Ctl::ExportTimer, Event::TimerTick);
        }
        EXPECT_FALSE(rig.host.exportMenu().running());
    }
    std::string lastMessage() const {
        return dialogs.shown.empty() ? std::string() : dialogs.shown.back().text;
    }
};

TEST_F(ExportMenuTest, TheMenuItemIsOfferedOnlyWithAnExporter) {
    EXPECT_FALSE(panel.visible(Ctl::MenuExportNetcdf));
    panel.raise(Ctl::MenuExportNetcdf, Event::Commit);
    EXPECT_TRUE(dialogs.fileRequests.empty());
    withExporter();
    EXPECT_TRUE(panel.visible(Ctl::MenuExportNetcdf));
}

TEST_F(ExportMenuTest, ASetIsExportedWithProgressAndItsClocksMadeUtc) {
    withExporter();
    const std::string a = write("run000.csv", burst(3, "2014-02-10T16:00:00"));
    const std::string b = write("run001.csv", burst(3, "2014-02-10T16:00:08"));
    const std::string out = dir.file("run");
    exportFiles({a, b}, "-5", out);
    // The save dialog offered the set's own name in the recordings' folder.
    ASSERT_EQ(dialogs.fileRequests.size(), 2u);
    EXPECT_EQ(dialogs.fileRequests[1].defaultName, "run.nc");
    EXPECT_EQ(dialogs.fileRequests[1].directory, dir.path.string());
    EXPECT_FALSE(dialogs.progressShown.empty());
    EXPECT_EQ(dialogs.progressEnded, 1);
    EXPECT_EQ(lastMessage().substr(0, 6 + out.size() + 4), "Wrote " + out + ".nc:");
    EXPECT_NE(lastMessage().find("2014-02-10T21:00:00.000Z to 2014-02-10T21:00:15.750Z"),
              std::string::npos)
        << lastMessage();
    nctest::NcReader f(out + ".nc");
    EXPECT_EQ(f.values<double>("time").front(), 21 * 3600);
    EXPECT_FALSE(panel.dimmed(Ctl::MenuExportNetcdf));
    EXPECT_FALSE(panel.timerEnabled(Ctl::ExportTimer));
}

TEST_F(ExportMenuTest, CancelWrongOffsetsAndDamagedFilesLeaveNothing) {
    withExporter();
    std::string day;
    for (int s = 0; s < 86400; s += 8) {  // 3 MB: more than one tick's work
        char stamp[24];
        std::snprintf(stamp, sizeof stamp, "2014-02-10T%02d:%02d:%02d", s / 3600, s / 60 % 60,
                      s % 60);
        day += burst(3, stamp);
    }
    const std::string big = write("day000.csv", day);
    dialogs.cancelAfter = 1;
    exportFiles({big}, "", dir.file("day.nc"));
    EXPECT_EQ(lastMessage(), "The export was cancelled: nothing was written.");
    EXPECT_EQ(dialogs.progressEnded, 1);
    EXPECT_FALSE(std::filesystem::exists(dir.file("day.nc")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("day.nc.part")));

    dialogs.cancelAfter = -1;
    dialogs.manyReplies.push_back({big});
    dialogs.promptReplies.push_back("east");
    panel.raise(Ctl::MenuExportNetcdf, Event::Commit);
    EXPECT_EQ(dialogs.shown.back().title, "UTC OFFSET");
    EXPECT_FALSE(rig.host.exportMenu().running());

    const std::string bad = write("bad000.csv", burst(3, "2014-02-10T16:00:00") + "oops\r\n");
    exportFiles({bad}, "5:30", dir.file("bad.nc"));
    EXPECT_EQ(lastMessage(), "Nothing was written.\n" + bad +
                                 ": line 2: not a record of a sample file");
    EXPECT_FALSE(std::filesystem::exists(dir.file("bad.nc")));
}

}  // namespace
