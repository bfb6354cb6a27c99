#include "live/recorder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "app/host.h"
#include "live_rig.h"
#include "support/fake_serial_ports.h"

using live_test::burstHead;
using live_test::LiveRig;
using live_test::TempDir;
using platform::Ctl;
using platform::FileSelection;

namespace {

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void spit(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

struct RecorderTest : ::testing::Test, LiveRig {
    TempDir dir;

    // Answers the interval prompt and the file dialog, then starts recording.
    void start(const std::string& interval, const std::string& chosen, bool existed = false) {
        dialogs.promptReplies.push_back(interval);
        dialogs.fileReplies.push_back(
            {existed ? FileSelection::Status::Existing : FileSelection::Status::New, chosen});
        recorder.SaveOutputDataToFile();
    }
    void at(int day, int hour, int minute) { clock.set({2026, 12, day, hour, minute, 0, 0}); }
    void tick() { recorder.SaveNewFileInterval(); }
    void sample(int mm) {
        char text[40];
        std::snprintf(text, sizeof text, "C012,D1,S04,%05d\r\n", mm);
        rx(0x42, text);
    }
};

TEST_F(RecorderTest, ASampleIsRecordedByteForByteIntoName000) {
    start("1", dir.file("log.txt"));
    ASSERT_EQ(recorder.OutputDataFileOpen, 1);
    EXPECT_EQ(recorder.SaveOutputDataFileName, dir.file("log000.csv"));
    EXPECT_EQ(dialogs.lastPromptMax, 2);
    EXPECT_EQ(dialogs.shown.front().title, "SAVE FILE INTERVAL");
    ASSERT_EQ(dialogs.fileRequests.size(), 1u);
    EXPECT_EQ(dialogs.fileRequests[0].pattern, "*.csv");
    EXPECT_EQ(dialogs.fileRequests[0].typeList, "*.txt;*.*");
    EXPECT_EQ(dialogs.fileRequests[0].title, "Save Output Data To:");
    EXPECT_TRUE(panel.visible(Ctl::RecordingIndicator));
    EXPECT_TRUE(panel.dimmed(Ctl::MenuSaveOutputData));
    EXPECT_FALSE(panel.dimmed(Ctl::MenuStopOutputData));
    EXPECT_TRUE(panel.timerEnabled(Ctl::SaveNewFileInterval));

    sample(1234);
    // Unbuffered: the record is in the file before the recording stops.
    EXPECT_EQ(slurp(dir.file("log000.csv")), "C012,D1,S04,01.2340\r\n");

    recorder.StopOutputDataToFile();
    EXPECT_EQ(recorder.OutputDataFileOpen, 0);
    EXPECT_FALSE(panel.visible(Ctl::RecordingIndicator));
    EXPECT_FALSE(panel.dimmed(Ctl::MenuSaveOutputData));
    EXPECT_TRUE(panel.dimmed(Ctl::MenuStopOutputData));
    sample(2000);
    EXPECT_EQ(slurp(dir.file("log000.csv")), "C012,D1,S04,01.2340\r\n");
}

// A days-per-file entry that is not 1 to 99 is refused with a word and asked again; only a
// cancel ends the start without one.
TEST_F(RecorderTest, NothingStartsWithoutAValidIntervalAndAFile) {
    for (const char* bad : {"0", "-1", "ab", "", " 5"}) dialogs.promptReplies.push_back(bad);
    dialogs.promptReplies.push_back(std::nullopt);
    recorder.SaveOutputDataToFile();
    EXPECT_TRUE(dialogs.fileRequests.empty());
    EXPECT_EQ(dialogs.count("SAVE FILE INTERVAL"), 11);  // six prompts, five refusals
    EXPECT_EQ(dialogs.shown[1].kind, "message");
    EXPECT_NE(dialogs.shown[5].text.find("\"ab\" is not a number of days from 1 to 99"),
              std::string::npos)
        << dialogs.shown[5].text;

    dialogs.shown.clear();
    dialogs.promptReplies.push_back("x");
    dialogs.promptReplies.push_back("99");  // then the dialog is cancelled
    recorder.SaveOutputDataToFile();
    EXPECT_EQ(dialogs.fileRequests.size(), 1u);
    start("5", "");  // a dialog that returns no name counts as cancelled
    EXPECT_EQ(dialogs.fileRequests.size(), 2u);
    EXPECT_EQ(recorder.OutputDataFileOpen, 0);
    EXPECT_EQ(dialogs.shown.size(), 4u);  // three prompts and the one refusal
}

// What an operator walking past the station sees: the file, what went into it and for how
// long, and when the next file starts.
TEST_F(RecorderTest, TheRecordingFrameShowsFileSizeRecordsTimeAndTheNextFile) {
    at(8, 12, 0);
    start("2", dir.file("log.csv"));
    EXPECT_TRUE(panel.visible(Ctl::RecordingFile));
    EXPECT_EQ(panel.text(Ctl::RecordingFile), "log000.csv");
    EXPECT_EQ(panel.text(Ctl::RecordingNext), "2026-12-10 00:00");
    for (int i = 0; i < 3; ++i) sample(1000 + i);
    clock.advance(3725);
    recorder.fileSyncTick();
    EXPECT_EQ(panel.text(Ctl::RecordingWritten), "63 bytes, 3 records in 1:02:05");
    EXPECT_FALSE(panel.visible(Ctl::RecordingWarning));

    // One midnight of two: the next file is still the day after tomorrow's.
    at(9, 0, 1);
    tick();
    recorder.fileSyncTick();
    EXPECT_EQ(panel.text(Ctl::RecordingNext), "2026-12-10 00:00");
    at(10, 0, 1);
    tick();
    recorder.fileSyncTick();
    EXPECT_EQ(panel.text(Ctl::RecordingFile), "log001.csv");
    EXPECT_EQ(panel.text(Ctl::RecordingNext), "2026-12-12 00:00");
    EXPECT_NE(panel.text(Ctl::RecordingWritten).find("0 bytes, 3 records in 36:01:00"),
              std::string::npos)
        << panel.text(Ctl::RecordingWritten);

    recorder.StopOutputDataToFile();
    for (Ctl c :
         {Ctl::RecordingFile, Ctl::RecordingWritten, Ctl::RecordingNext, Ctl::RecordingWarning})
        EXPECT_FALSE(panel.visible(c));

    start("99", dir.file("one.csv"));
    EXPECT_EQ(panel.text(Ctl::RecordingNext), "one continuous file");
    EXPECT_EQ(panel.text(Ctl::RecordingWritten), "0 bytes, 0 records in 0:00:00");
}

TEST_F(RecorderTest, TheReplaceQuestionIsAboutTheFileReallyWritten) {
    spit(dir.file("survey.csv"), "chosen");
    start("99", dir.file("survey.csv"), true);  // survey000.csv does not exist: no question
    EXPECT_EQ(dialogs.count("Confirm Save File"), 0);
    ASSERT_EQ(recorder.OutputDataFileOpen, 1);
    sample(1000);
    recorder.StopOutputDataToFile();
    EXPECT_EQ(slurp(dir.file("survey.csv")), "chosen");

    dialogs.confirmReplies.push_back(false);  // survey000.csv exists now: asked, and "no"
    start("99", dir.file("survey.csv"), true);
    EXPECT_EQ(dialogs.count("Confirm Save File"), 1);
    EXPECT_EQ(dialogs.shown.back().text, "The file already exist\n Do you want to replace it?");
    EXPECT_EQ(recorder.OutputDataFileOpen, 0);
    EXPECT_EQ(slurp(dir.file("survey000.csv")), "C012,D1,S04,01.0000\r\n");
}

TEST_F(RecorderTest, IntervalOneStartsFile001AtTheFirstTickAfterMidnight) {
    at(8, 23, 59);
    start("1", dir.file("log.csv"));
    sample(1000);
    tick();
    at(8, 23, 59);
    tick();
    EXPECT_EQ(recorder.SaveOutputDataFileName, dir.file("log000.csv"));
    at(9, 0, 0);
    tick();
    EXPECT_EQ(recorder.SaveOutputDataFileName, dir.file("log001.csv"));
    sample(2000);
    EXPECT_EQ(slurp(dir.file("log000.csv")), "C012,D1,S04,01.0000\r\n");
    EXPECT_EQ(slurp(dir.file("log001.csv")), "C012,D1,S04,02.0000\r\n");
}

TEST_F(RecorderTest, IntervalTwoWaitsForTheSecondMidnightAndNinetyNineNeverRolls) {
    at(8, 12, 0);
    start("2", dir.file("a.csv"));
    at(9, 0, 1);
    tick();
    EXPECT_EQ(recorder.SaveOutputDataFileName, dir.file("a000.csv"));
    at(10, 0, 1);
    tick();
    EXPECT_EQ(recorder.SaveOutputDataFileName, dir.file("a001.csv"));
    recorder.StopOutputDataToFile();

    at(8, 12, 0);
    start("99", dir.file("b.csv"));
    for (int day = 9; day <= 30; ++day) {
        at(day, 0, 1);
        tick();
    }
    EXPECT_EQ(recorder.SaveOutputDataFileName, dir.file("b000.csv"));
    EXPECT_FALSE(std::filesystem::exists(dir.file("b001.csv")));
}

TEST_F(RecorderTest, TheCounterRunsOnAcrossRecordingsOfOneRun) {
    at(8, 12, 0);
    start("1", dir.file("first.csv"));
    at(9, 0, 1);
    tick();
    EXPECT_EQ(recorder.SaveOutputDataFileName, dir.file("first001.csv"));
    recorder.StopOutputDataToFile();
    start("1", dir.file("second.csv"));
    EXPECT_EQ(recorder.SaveOutputDataFileName, dir.file("second000.csv"));
    at(10, 0, 1);
    tick();
    EXPECT_EQ(recorder.SaveOutputDataFileName, dir.file("second002.csv"));
}

TEST_F(RecorderTest, ARolloverNeverTruncatesAnExistingFile) {
    spit(dir.file("name001.csv"), "older survey\r\n");
    at(8, 12, 0);
    start("1", dir.file("name.csv"));
    at(9, 0, 1);
    tick();
    EXPECT_EQ(recorder.SaveOutputDataFileName, dir.file("name002.csv"));
    sample(3000);
    EXPECT_EQ(slurp(dir.file("name001.csv")), "older survey\r\n");
    EXPECT_EQ(slurp(dir.file("name002.csv")), "C012,D1,S04,03.0000\r\n");
}

TEST_F(RecorderTest, AfterTheLastNumberTheRecordingStopsAndSays) {
    at(8, 12, 0);
    start("1", dir.file("n.csv"));
    recorder.SaveFileNameCounter = 997;
    at(9, 0, 1);
    tick();
    EXPECT_EQ(recorder.SaveOutputDataFileName, dir.file("n998.csv"));
    at(10, 0, 1);
    tick();
    EXPECT_EQ(recorder.OutputDataFileOpen, 0);
    EXPECT_FALSE(panel.visible(Ctl::RecordingIndicator));
    ASSERT_EQ(dialogs.count("RECORDING STOPPED"), 1);
    EXPECT_NE(dialogs.shown.back().text.find("n998.csv"), std::string::npos);
    // The frame keeps saying so after the pop-up has gone.
    EXPECT_TRUE(panel.visible(Ctl::RecordingWarning));
    EXPECT_EQ(panel.text(Ctl::RecordingWarning),
              "Recording stopped: every file number has been used.");
    EXPECT_EQ(panel.textColor(Ctl::RecordingWarning), platform::kRed);
    start("1", dir.file("m.csv"));
    EXPECT_FALSE(panel.visible(Ctl::RecordingWarning));
}

// The disk fills in the middle of a record (the process's file size limit stands in for
// the disk: a write that crosses it goes through in part, as on a full disk).
TEST_F(RecorderTest, AFullDiskLeavesWholeRecordsAndResumesInTheNextFreeFile) {
    at(8, 12, 0);
    start("99", dir.file("disk.csv"));
    ASSERT_EQ(recorder.OutputDataFileOpen, 1);
    {
        live_test::FileSizeLimit full(50);  // two records of 21 bytes, then 8 of a third
        for (int i = 0; i < 4; ++i) sample(1000 + i);
    }
    EXPECT_EQ(slurp(dir.file("disk000.csv")), "C012,D1,S04,01.0000\r\nC012,D1,S04,01.0010\r\n");
    EXPECT_TRUE(recorder.paused());
    EXPECT_EQ(recorder.OutputDataFileOpen, 1);
    EXPECT_TRUE(panel.visible(Ctl::RecordingIndicator));
    EXPECT_EQ(panel.intValue(Ctl::RecordingIndicator), 0);
    ASSERT_EQ(dialogs.count("RECORDING PAUSED"), 1);  // told once, not for every record
    EXPECT_NE(dialogs.shown.back().text.find(dir.file("disk000.csv")), std::string::npos);
    EXPECT_NE(dialogs.shown.back().text.find("File too large"), std::string::npos);
    EXPECT_TRUE(panel.visible(Ctl::RecordingWarning));
    EXPECT_NE(panel.text(Ctl::RecordingWarning).find("Writing stopped"), std::string::npos);

    // Room again: within a few ticks the recording goes on in the next free file.
    spit(dir.file("disk001.csv"), "someone else's\r\n");
    for (int i = 0; i < live::kResumeTicks - 1; ++i) recorder.fileSyncTick();
    EXPECT_TRUE(recorder.paused());
    recorder.fileSyncTick();
    ASSERT_FALSE(recorder.paused());
    EXPECT_EQ(recorder.SaveOutputDataFileName, dir.file("disk002.csv"));
    EXPECT_EQ(dialogs.count("RECORDING RESUMED"), 1);
    EXPECT_EQ(panel.intValue(Ctl::RecordingIndicator), 1);
    EXPECT_FALSE(panel.visible(Ctl::RecordingWarning));
    EXPECT_EQ(panel.text(Ctl::RecordingFile), "disk002.csv");
    sample(3000);
    EXPECT_EQ(slurp(dir.file("disk002.csv")), "C012,D1,S04,03.0000\r\n");
    EXPECT_EQ(slurp(dir.file("disk001.csv")), "someone else's\r\n");
}

TEST_F(RecorderTest, ADiskFullFromTheFirstRecordLeavesNoEmptyFilesBehind) {
    start("1", dir.file("disk.csv"));
    {
        live_test::FileSizeLimit full(0);
        sample(1000);
        ASSERT_TRUE(recorder.paused());
        // Each look for room opens the next file; one that cannot take its first record
        // either is removed again, so a long night on a full disk leaves no trail of files.
        for (int i = 0; i < 3 * live::kResumeTicks; ++i) {
            recorder.fileSyncTick();
            sample(1000);
        }
        EXPECT_TRUE(recorder.paused());
        EXPECT_TRUE(std::filesystem::is_empty(dir.path));
    }
    for (int i = 0; i < live::kResumeTicks; ++i) recorder.fileSyncTick();
    sample(2000);
    EXPECT_EQ(slurp(dir.file("disk000.csv")), "C012,D1,S04,02.0000\r\n");
    recorder.StopOutputDataToFile();
    EXPECT_FALSE(recorder.paused());
    EXPECT_FALSE(panel.visible(Ctl::RecordingIndicator));
}

TEST_F(RecorderTest, AFolderIsNoRecordingName) {
    std::filesystem::create_directories(dir.file("run"));
    for (const std::string& name : {dir.file("run"), dir.file("run") + "/"}) {
        start("99", name);
        EXPECT_EQ(recorder.OutputDataFileOpen, 0) << name;
        EXPECT_NE(dialogs.shown.back().text.find("is a folder"), std::string::npos);
    }
    // A folder that happens to have the recording's name is not "a file that exists".
    std::filesystem::create_directories(dir.file("day000.csv"));
    start("99", dir.file("day.csv"));
    EXPECT_EQ(recorder.OutputDataFileOpen, 0);
    EXPECT_EQ(dialogs.count("Confirm Save File"), 0);
    EXPECT_NE(dialogs.shown.back().text.find("day000.csv is a folder"), std::string::npos);
    // Unattended it is simply skipped, like any name that is taken.
    recorder.existingFile = live::ExistingFile::NextFree;
    start("99", dir.file("day.csv"));
    EXPECT_EQ(recorder.SaveOutputDataFileName, dir.file("day001.csv"));
}

TEST_F(RecorderTest, AFileThatCannotBeOpenedIsReportedAndNothingRecords) {
    start("1", dir.file("missing/dir/x.csv"));
    EXPECT_EQ(recorder.OutputDataFileOpen, 0);
    ASSERT_EQ(dialogs.count("CANNOT OPEN FILE"), 1);
    EXPECT_NE(dialogs.shown.back().text.find("missing/dir/x000.csv"), std::string::npos);
    EXPECT_FALSE(panel.visible(Ctl::RecordingIndicator));
}

TEST_F(RecorderTest, TheOutputPortGetsTheFileRecordsWithOrWithoutAFileButNoIBursts) {
    std::string streamed;
    recorder.sendToOutputPort = [&](std::span<const std::uint8_t> b) {
        streamed.append(b.begin(), b.end());
    };
    sample(1000);
    EXPECT_EQ(streamed, "");
    links.OpenComPortNumOutput = 4;
    sample(1234);
    start("99", dir.file("s.csv"));
    rx(0x42, "C012,D9,10:11:12\r\n");
    // An "i" burst (60 values of 1.000 m) goes to the file for playback, not to the stream.
    std::string burst = burstHead('i', 12, 1);
    for (int k = 0; k < 60; ++k) burst += std::string("\xE8\x03", 2);
    rx(0x42, burst);
    EXPECT_EQ(streamed, "C012,D1,S04,01.2340\r\nC012,D9,10:11:12\r\n");
    std::string iRecord = "i012,S01,B0,2014-02-10T16:00:40";
    for (int k = 0; k < 60; ++k) iRecord += ",01.0000";
    EXPECT_EQ(slurp(dir.file("s000.csv")), "C012,D9,10:11:12\r\n" + iRecord + "\r\n");
}

TEST_F(RecorderTest, FrameCaptureWritesEveryByteUnchangedAndEndsOnAWholeFrame) {
    dialogs.fileReplies.push_back({FileSelection::Status::New, dir.file("frames")});
    capture.SaveAPIDataToFile();
    ASSERT_TRUE(capture.APIFrameDataFileOpen());
    EXPECT_EQ(capture.SaveAPIFrameDataFileName(), dir.file("frames.DAT"));
    EXPECT_TRUE(panel.dimmed(Ctl::MenuSaveApiFrames));
    EXPECT_FALSE(panel.dimmed(Ctl::MenuStopApiFrames));
    EXPECT_EQ(dialogs.fileRequests.back().pattern, "*.DAT");
    EXPECT_EQ(dialogs.fileRequests.back().title, "Save API Frame Data To:");
    EXPECT_TRUE(panel.visible(Ctl::CaptureIndicator));
    // Junk, a whole frame whose length byte is escaped (0x7D 0x31 is 0x11), and the start
    // of the next frame when the capture stops.
    const std::string whole =
        std::string("\x01\x02\x7E\x00\x7D\x31", 6) + std::string(17, 'x') + "\xAA";
    const std::string next("\x7E\x00\x05\x90", 4);
    for (char c : whole + next) capture.captureByte(static_cast<std::uint8_t>(c));
    // Whole frames are on disk as they come; the one arriving waits for its end.
    EXPECT_EQ(slurp(dir.file("frames.DAT")), whole);
    capture.StopAPIFrameDataToFile();
    EXPECT_EQ(slurp(dir.file("frames.DAT")), whole);
    EXPECT_FALSE(capture.APIFrameDataFileOpen());
    EXPECT_FALSE(panel.dimmed(Ctl::MenuSaveApiFrames));
    EXPECT_FALSE(panel.visible(Ctl::CaptureIndicator));
    capture.captureByte(0x01);
    EXPECT_EQ(slurp(dir.file("frames.DAT")), whole);
}

TEST_F(RecorderTest, FrameCaptureOnAFullDiskEndsOnAWholeFrameAndGoesOnInTheNextFile) {
    dialogs.fileReplies.push_back({FileSelection::Status::New, dir.file("raw.DAT")});
    capture.SaveAPIDataToFile();
    const std::string frame("\x7E\x00\x02\x8B\x01\x73", 6);
    {
        live_test::FileSizeLimit full(16);
        for (int i = 0; i < 4; ++i) {
            capture.captureBytes(
                {reinterpret_cast<const std::uint8_t*>(frame.data()), frame.size()});
        }
    }
    EXPECT_EQ(slurp(dir.file("raw.DAT")), frame + frame);
    EXPECT_TRUE(capture.paused());
    EXPECT_TRUE(capture.APIFrameDataFileOpen());
    ASSERT_EQ(dialogs.count("CAPTURE PAUSED"), 1);
    EXPECT_TRUE(panel.visible(Ctl::CaptureWarning));
    for (int i = 0; i < live::kResumeTicks; ++i) capture.fileSyncTick();
    EXPECT_FALSE(capture.paused());
    EXPECT_FALSE(panel.visible(Ctl::CaptureWarning));
    EXPECT_EQ(capture.SaveAPIFrameDataFileName(), dir.file("raw001.DAT"));
    capture.captureBytes({reinterpret_cast<const std::uint8_t*>(frame.data()), frame.size()});
    capture.fileSyncTick();
    // The frames of every file of the capture, the size of the one being written.
    EXPECT_EQ(panel.text(Ctl::CaptureFile), "raw001.DAT");
    EXPECT_EQ(panel.text(Ctl::CaptureWritten).substr(0, 18), "6 bytes, 3 frames ");
    capture.closeOnExit();
    EXPECT_EQ(slurp(dir.file("raw001.DAT")), frame);
}

TEST(RecorderHost, MenusStartAndStopAndClosingTheWindowClosesBothFiles) {
    platform::Panel panel;
    testing_support::FakeDialogs dialogs;
    testing_support::FakeSerialPorts ports;
    testing_support::FakeClock clock;
    TempDir dir;
    app::Host host(panel, dialogs, ports, clock, [] {});
    dialogs.promptReplies.push_back("1");
    dialogs.fileReplies.push_back({FileSelection::Status::New, dir.file("h.csv")});
    dialogs.fileReplies.push_back({FileSelection::Status::New, dir.file("h.DAT")});
    panel.raise(Ctl::MenuSaveOutputData, platform::Event::Commit);
    panel.raise(Ctl::MenuSaveApiFrames, platform::Event::Commit);
    ASSERT_EQ(host.recorder().OutputDataFileOpen, 1);
    ASSERT_TRUE(host.frameCapture().APIFrameDataFileOpen());
    host.dataService().RxDataService(live_test::packet(0x42, "C012,D1,S04,01234\r\n"), 0);
    panel.raise(Ctl::MainWindow, platform::Event::Close);
    EXPECT_EQ(host.recorder().OutputDataFileOpen, 0);
    EXPECT_FALSE(host.frameCapture().APIFrameDataFileOpen());
    EXPECT_EQ(slurp(dir.file("h000.csv")), "C012,D1,S04,01.2340\r\n");
}

}  // namespace

namespace {

// A file that is no longer at its path (deleted, renamed, its folder removed) is noticed at the
// next tick and recording goes on in the next free file at the path; what was written before
// stays wherever the file went.
TEST_F(RecorderTest, AFileGoneFromItsPathIsFollowedByTheNextFreeFile) {
    namespace fs = std::filesystem;
    const std::string folder = dir.file("site");
    fs::create_directories(folder);
    start("1", folder + "/day.csv");
    sample(1000);
    fs::rename(folder + "/day000.csv", dir.file("moved.csv"));
    recorder.fileSyncTick();
    EXPECT_EQ(recorder.SaveOutputDataFileName, folder + "/day001.csv");
    EXPECT_EQ(dialogs.count("RECORDING FILE GONE"), 1);
    EXPECT_NE(dialogs.shown.back().text.find("goes on in " + folder + "/day001.csv"),
              std::string::npos);
    sample(2000);
    EXPECT_EQ(slurp(dir.file("moved.csv")), "C012,D1,S04,01.0000\r\n");
    EXPECT_EQ(slurp(folder + "/day001.csv"), "C012,D1,S04,02.0000\r\n");

    // The folder itself goes: it is made again.
    fs::remove_all(folder);
    recorder.fileSyncTick();
    EXPECT_EQ(dialogs.count("RECORDING FILE GONE"), 2);
    sample(3000);
    EXPECT_EQ(slurp(folder + "/day002.csv"), "C012,D1,S04,03.0000\r\n");
    recorder.fileSyncTick();  // all well: nothing more is said
    EXPECT_EQ(dialogs.count("RECORDING FILE GONE"), 2);
    EXPECT_FALSE(recorder.paused());
}

// The next day's file cannot be opened (here its folder's name is taken by a file, so it
// cannot be made again): the recording pauses and tries again, as after a full disk, and goes
// on once the file can be opened. It used to stop for good.
TEST_F(RecorderTest, ARolloverWhoseFileCannotBeOpenedPausesAndGoesOnWhenItCan) {
    namespace fs = std::filesystem;
    const std::string folder = dir.file("site");
    fs::create_directories(folder);
    at(8, 23, 59);
    start("1", folder + "/day.csv");
    fs::remove_all(folder);
    spit(folder, "not a folder");
    at(9, 0, 0);
    tick();
    EXPECT_TRUE(recorder.paused());
    EXPECT_EQ(recorder.OutputDataFileOpen, 1);
    EXPECT_EQ(dialogs.count("RECORDING STOPPED"), 0);
    ASSERT_EQ(dialogs.count("RECORDING PAUSED"), 1);
    for (int i = 0; i < 3 * live::kResumeTicks; ++i) recorder.fileSyncTick();
    EXPECT_EQ(dialogs.count("RECORDING PAUSED"), 1);  // said once, not at every try
    fs::remove(folder);
    for (int i = 0; i < live::kResumeTicks; ++i) recorder.fileSyncTick();
    ASSERT_FALSE(recorder.paused());
    EXPECT_EQ(recorder.SaveOutputDataFileName, folder + "/day001.csv");
    sample(4000);
    EXPECT_EQ(slurp(folder + "/day001.csv"), "C012,D1,S04,04.0000\r\n");
}

// Every number of the name is taken: an unattended start goes on under the next stem of the
// name, and says so; so does a rollover past the last number. The window keeps asking.
TEST_F(RecorderTest, WithEveryNumberTakenAStationGoesOnUnderANewStem) {
    for (int n = 0; n <= live::kLastFileNumber; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "full%03d.csv", n);
        spit(dir.file(name), "");
    }
    recorder.existingFile = live::ExistingFile::NextFree;
    start("1", dir.file("full.csv"));
    ASSERT_EQ(recorder.OutputDataFileOpen, 1);
    EXPECT_EQ(recorder.SaveOutputDataFileName, dir.file("full_2_000.csv"));
    ASSERT_EQ(dialogs.count("NEW FILE NAME"), 1);
    EXPECT_NE(dialogs.shown.back().text.find("full998.csv"), std::string::npos);
    recorder.StopOutputDataToFile();

    at(8, 12, 0);
    start("1", dir.file("n.csv"));
    recorder.SaveFileNameCounter = live::kLastFileNumber;
    at(9, 0, 1);
    tick();
    EXPECT_EQ(recorder.SaveOutputDataFileName, dir.file("n_2_000.csv"));
    EXPECT_EQ(dialogs.count("RECORDING STOPPED"), 0);
}

TEST(FileSeries, NamesNumbersAndStems) {
    const live::FileSeries rec = live::FileSeries::recording("/d/site.csv");
    EXPECT_EQ(rec.first(), "/d/site000.csv");
    EXPECT_EQ(rec.name(12), "/d/site012.csv");
    EXPECT_EQ(rec.nextStem().name(3), "/d/site_2_003.csv");
    EXPECT_EQ(rec.nextStem().nextStem().first(), "/d/site_3_000.csv");
    const live::FileSeries cap = live::FileSeries::capture("/d/raw");
    EXPECT_EQ(cap.first(), "/d/raw.DAT");
    EXPECT_EQ(cap.name(4), "/d/raw004.DAT");
    EXPECT_EQ(cap.nextStem().first(), "/d/raw_2_.DAT");
    EXPECT_EQ(live::FileSeries::ofRecordingFile("/d/site007.csv").name(8), "/d/site008.csv");
}

}  // namespace

namespace {

std::span<const std::uint8_t> bytesOf(const std::string& s) {
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

// The capture follows the recording's days per file; a frame arriving at midnight goes whole
// into the new file.
TEST_F(RecorderTest, TheCaptureRollsOverWithTheRecordingAndKeepsTheFrameInFlightWhole) {
    at(8, 23, 59);
    start("1", dir.file("day.csv"));
    dialogs.fileReplies.push_back({FileSelection::Status::New, dir.file("raw")});
    capture.SaveAPIDataToFile();
    EXPECT_EQ(capture.SaveFileInterval, 1);
    const std::string frame("\x7E\x00\x02\x8B\x01\x73", 6);
    capture.captureBytes(bytesOf(frame + frame.substr(0, 3)));
    at(9, 0, 0);
    capture.fileSyncTick();
    EXPECT_EQ(capture.SaveAPIFrameDataFileName(), dir.file("raw001.DAT"));
    capture.captureBytes(bytesOf(frame.substr(3)));
    capture.fileSyncTick();
    EXPECT_EQ(slurp(dir.file("raw.DAT")), frame);
    EXPECT_EQ(slurp(dir.file("raw001.DAT")), frame);
    EXPECT_EQ(panel.text(Ctl::CaptureWritten).substr(0, 18), "6 bytes, 2 frames ");
    at(9, 12, 0);
    capture.fileSyncTick();
    EXPECT_EQ(capture.SaveAPIFrameDataFileName(), dir.file("raw001.DAT"));
}

// A capture ended without its close (a power cut, or a program that wrote frames as they came
// and was killed) left half a frame: the next start cuts it off, says so, and goes on in the
// next number. A file gone from its path is followed by the next one.
TEST_F(RecorderTest, ARestartTrimsATornLastFrameAndAGoneFileIsFollowed) {
    const std::string frame("\x7E\x00\x02\x8B\x01\x73", 6);
    spit(dir.file("raw.DAT"), frame + frame + frame.substr(0, 4));
    capture.existingFile = live::ExistingFile::NextFree;
    dialogs.fileReplies.push_back({FileSelection::Status::Existing, dir.file("raw.DAT")});
    capture.SaveAPIDataToFile();
    EXPECT_EQ(capture.SaveAPIFrameDataFileName(), dir.file("raw001.DAT"));
    EXPECT_EQ(slurp(dir.file("raw.DAT")), frame + frame);
    ASSERT_EQ(dialogs.count("CAPTURE FILE MENDED"), 1);
    EXPECT_NE(dialogs.shown.back().text.find("last 4 bytes"), std::string::npos);

    capture.captureBytes(bytesOf(frame));
    std::filesystem::remove(dir.file("raw001.DAT"));
    capture.fileSyncTick();
    EXPECT_EQ(dialogs.count("CAPTURE FILE GONE"), 1);
    EXPECT_EQ(capture.SaveAPIFrameDataFileName(), dir.file("raw002.DAT"));
    capture.captureBytes(bytesOf(frame));
    EXPECT_EQ(slurp(dir.file("raw002.DAT")), frame);
}

}  // namespace
