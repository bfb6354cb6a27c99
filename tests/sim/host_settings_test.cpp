// Settings changed on the configuration and ports tabs reach the simulated units, and a new
// read-out of the unit shows them.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "sim/data_logger.h"
#include "sim_host.h"

namespace {

using platform::Ctl;
using platform::Event;
using simtest::SimHost;

const platform::AbsTime kStart = platform::toAbsTime({2026, 12, 8, 12, 0, 0, 0});

struct HostSettings : SimHost {
    void network(std::vector<int> types) {
        std::vector<std::unique_ptr<sim::SimDevice>> d;
        d.push_back(sim::makeRadioNetwork(kStart, types));
        start(std::move(d));
        chooseUnitType(types[0]);
        open(Ctl::PortARing, 0);
    }
    sim::RadioUnit& unit(std::size_t i) { return *device<sim::XBeeAdapter>(0).units()[i]; }
    // Runs until the selected unit's read-out is complete and nothing is awaited.
    void readOut() {
        for (int i = 0; i < 600; ++i) {
            run(0.5);
            const config::ConfigState& s = host->configState();
            if (s.ConfigStatus == 3 && host->apiFrames().TxWait == 0 && s.PANReadPending == 0)
                return;
        }
        FAIL() << "the read-out did not finish";
    }
    void commit(Ctl c, double v) {
        ASSERT_FALSE(panel.dimmed(c)) << platform::ctlName(c);
        panel.setValue(c, v);
        panel.raise(c, Event::Commit);
        run(2);  // the unit answers
        EXPECT_FALSE(panel.dimmed(c)) << platform::ctlName(c);
    }
    void rescan() {
        panel.raise(Ctl::ReScanAll, Event::Commit);
        readOut();
    }
};

TEST_F(HostSettings, FiveStaffSettingsSurviveANewReadOut) {
    network({0, 0});
    run(5);
    ASSERT_TRUE(host->selectDevice(2));
    readOut();
    const sim::RadioSettings& s = unit(1).settings();
    const int mode = s.currentMode == 1 ? 0 : 1;
    ASSERT_EQ(panel.value(Ctl::SelSampleRate), s.sampleRate);

    commit(Ctl::SelSampleRate, 2);
    commit(Ctl::SelBurstInterval, 30);
    commit(Ctl::SelBurstLength, 10);
    commit(Ctl::AntiAliasFilter, 0);
    commit(Ctl::SelStaffType, 2);
    EXPECT_EQ(s.sampleRate, 2);
    EXPECT_EQ(s.burstInterval, 30);
    EXPECT_EQ(s.burstLength, 10);
    EXPECT_EQ(s.filter, 0);
    EXPECT_EQ(s.calibration[static_cast<std::size_t>(mode)].staffType, 2);

    // Cleared first, so that what the panel shows afterwards is what the unit said.
    for (Ctl c : {Ctl::SelSampleRate, Ctl::SelBurstInterval, Ctl::SelBurstLength,
                  Ctl::AntiAliasFilter, Ctl::SelStaffType})
        panel.defaultCtrl(c);
    rescan();
    EXPECT_EQ(panel.value(Ctl::SelSampleRate), 2);
    EXPECT_EQ(panel.value(Ctl::SelBurstInterval), 30);
    EXPECT_EQ(panel.value(Ctl::SelBurstLength), 10);
    EXPECT_EQ(panel.value(Ctl::AntiAliasFilter), 0);
    EXPECT_EQ(panel.value(Ctl::SelStaffType), 2);
    EXPECT_EQ(dialogs.count("SETTING NOT CONFIRMED"), 0);
    // The other staff kept its own.
    EXPECT_NE(unit(0).settings().burstInterval, 30);
}

// Each setting write against units that answer slowly, late, twice, just inside the time-out,
// in parts, joined, or with the value they kept, and over a line that delivers byte by byte,
// in bursts, late or with stray bytes: the panel ends showing what the unit holds, undimmed,
// and never a false alarm. The format written is one sample per message, so that the unit
// goes on streaming and keeps its entry in the device table throughout.
using VariantSeed = std::tuple<const char*, unsigned>;
struct SettingWrites : HostSettings, ::testing::WithParamInterface<VariantSeed> {};

// "late_replies_seed2": the variant and seed to replay a failure with.
std::string variantSeedName(const ::testing::TestParamInfo<VariantSeed>& p) {
    std::string n = std::string(std::get<0>(p.param)) + "_seed" + std::to_string(std::get<1>(p.param));
    std::replace(n.begin(), n.end(), '-', '_');
    return n;
}

TEST_P(SettingWrites, ThePanelShowsWhatTheUnitHolds) {
    const auto [name, seed] = GetParam();
    SCOPED_TRACE(std::string("--variant ") + name + " --seed " + std::to_string(seed));
    network({0, 0});
    device<sim::XBeeAdapter>(0).setVariant(*sim::variantNamed(name, seed));
    run(5);
    ASSERT_TRUE(host->selectDevice(2));
    readOut();
    const sim::RadioSettings& s = unit(1).settings();
    const struct {
        Ctl control;
        double value;
        const int sim::RadioSettings::*held;
    } writes[] = {{Ctl::SelDataFormat, 4, &sim::RadioSettings::dataFormat},
                  {Ctl::SelSampleRate, 2, &sim::RadioSettings::sampleRate},
                  {Ctl::SelBurstInterval, 30, &sim::RadioSettings::burstInterval},
                  {Ctl::SelBurstLength, 10, &sim::RadioSettings::burstLength},
                  {Ctl::AntiAliasFilter, 0, &sim::RadioSettings::filter}};
    for (const auto& w : writes) {
        SCOPED_TRACE(platform::ctlName(w.control));
        ASSERT_FALSE(panel.dimmed(w.control));
        panel.setValue(w.control, w.value);
        panel.raise(w.control, Event::Commit);
        run(12);  // a late answer comes before the write would be sent again
        EXPECT_FALSE(panel.dimmed(w.control));
        EXPECT_EQ(panel.value(w.control), s.*(w.held));
    }
    rescan();
    for (const auto& w : writes) EXPECT_EQ(panel.value(w.control), s.*(w.held));
    EXPECT_EQ(dialogs.count("SETTING NOT CONFIRMED"), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Variants, SettingWrites,
    ::testing::Combine(::testing::Values("plain", "slow-replies", "late-replies",
                                         "duplicate-replies", "keeps-old-values",
                                         "edge-replies", "split-replies", "joined-replies",
                                         "samples-between", "byte-by-byte", "bursts",
                                         "slow-adapter", "noisy-line"),
                       ::testing::Values(1u, 2u)),
    variantSeedName);

TEST_F(HostSettings, TwoLoggerPortsSurviveANewReadOut) {
    network({8});
    ASSERT_TRUE(host->selectDevice(255));
    readOut();
    auto& logger = dynamic_cast<sim::DataLogger&>(unit(0));

    // Port 3 becomes a staff and gets a length table; port 6 a serial sensor at 19200 baud.
    commit(Ctl::UnitPortType3, 3);
    ASSERT_TRUE(panel.visible(Ctl::DLDeviceLength3));
    panel.setCell(Ctl::DLDeviceLength3, 1, 0, "7.5");
    panel.raise(Ctl::DLDeviceLength3, Event::Commit, {1, 0});
    run(2);
    commit(Ctl::UnitPortType6, 6);
    ASSERT_TRUE(panel.visible(Ctl::UnitPortBaud6));
    commit(Ctl::UnitPortBaud6, 4);
    EXPECT_EQ(logger.portType[2], 3);
    EXPECT_EQ(logger.lengths[2][1], 15);
    EXPECT_EQ(logger.portType[5], 6);
    EXPECT_EQ(logger.portBaud[5], 4);

    for (Ctl c : {Ctl::UnitPortType3, Ctl::UnitPortType6, Ctl::UnitPortBaud6}) panel.defaultCtrl(c);
    panel.setCell(Ctl::DLDeviceLength3, 1, 0, "");
    rescan();
    EXPECT_EQ(panel.value(Ctl::UnitPortType3), 3);
    EXPECT_EQ(panel.cell(Ctl::DLDeviceLength3, 1, 0), "7.5");
    EXPECT_TRUE(panel.visible(Ctl::DLDeviceLength3));
    EXPECT_EQ(panel.value(Ctl::UnitPortType6), 6);
    EXPECT_EQ(panel.value(Ctl::UnitPortBaud6), 4);
    EXPECT_TRUE(panel.visible(Ctl::UnitPortBaud6));
    EXPECT_EQ(dialogs.count("SETTING NOT CONFIRMED"), 0);
}

// A start-time write and a clock compare the unit never answers are sent again like any
// write, then reported by name with the number of sends really made; nothing stays dimmed.
TEST_F(HostSettings, UnansweredStartTimeAndCompareAreResentThenReported) {
    network({0});
    run(5);
    ASSERT_TRUE(host->selectDevice(1));
    readOut();
    const auto& adapter = device<sim::XBeeAdapter>(0);
    sim::Variant deaf;  // a unit that streams on but does not answer these
    deaf.unanswered = {"WQ"};
    // A start time answered only after two resends is confirmed, and leaves the next command
    // its full count of sends.
    unit(0).setVariant(deaf);
    panel.raise(Ctl::WriteStartTime, Event::Commit);
    run(25);
    unit(0).setVariant({});
    run(15);
    EXPECT_FALSE(panel.dimmed(Ctl::WriteStartTime));
    EXPECT_EQ(dialogs.count("SETTING NOT CONFIRMED"), 0);

    deaf.unanswered = {"WQ", "RZ"};
    unit(0).setVariant(deaf);
    for (Ctl button : {Ctl::CompClock, Ctl::WriteStartTime}) {
        SCOPED_TRACE(platform::ctlName(button));
        const int before = adapter.transmitRequests();
        const int told = dialogs.count("SETTING NOT CONFIRMED");
        ASSERT_FALSE(panel.dimmed(button));
        panel.raise(button, Event::Commit);
        run(100);
        EXPECT_EQ(adapter.transmitRequests() - before, 7);
        ASSERT_EQ(dialogs.count("SETTING NOT CONFIRMED"), told + 1);
        EXPECT_NE(dialogs.shown.back().text.find("after 7 sends"), std::string::npos)
            << dialogs.shown.back().text;
    }
    EXPECT_NE(dialogs.shown.back().text.find("Write Start Time"), std::string::npos);
    for (Ctl c : {Ctl::WriteStartTime, Ctl::SelStartYear, Ctl::SelStartMinute, Ctl::ClockText})
        EXPECT_FALSE(panel.dimmed(c)) << platform::ctlName(c);
}

// A calibration point the unit stored is confirmed: no alarm that would have the operator send
// it again (and store it twice).
TEST_F(HostSettings, ACalibrationPointIsStoredOnceWithoutAFalseAlarm) {
    network({0});
    run(5);
    ASSERT_TRUE(host->selectDevice(1));
    readOut();
    panel.setValue(Ctl::CalPointMeters, 1.1);
    panel.raise(Ctl::CalSetMeters, Event::Commit);
    run(2);
    readOut();
    EXPECT_EQ(dialogs.count("SETTING NOT CONFIRMED"), 0);
    int stored = 0;
    for (const auto& set : unit(0).settings().calibration)
        stored += static_cast<int>(std::count(set.points.begin(), set.points.end(), 1.1));
    EXPECT_EQ(stored, 1);
    EXPECT_FALSE(panel.dimmed(Ctl::CalSetMeters));
}

}  // namespace

namespace {

// Files copied off the simulated logger's flash card through the upload tab.
struct HostUpload : HostSettings {
    std::string dir;
    sim::DataLogger* logger = nullptr;

    void SetUp() override {
        dir = ::testing::TempDir() + "upload_" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        network({8});
        ASSERT_TRUE(host->selectDevice(255));
        readOut();
        logger = &dynamic_cast<sim::DataLogger&>(unit(0));
        panel.raise(Ctl::ReadActiveFile, Event::Commit);
        run(1);
    }
    // Uploads file n to dir/name; runs until the upload has ended (or a minute has passed).
    void upload(int n, const std::string& name) {
        panel.setValue(Ctl::UpLoadFileNumber, n);
        dialogs.fileReplies.push_back({platform::FileSelection::Status::New, dir + "/" + name});
        panel.setValue(Ctl::UpLoadFile, 1);
        panel.raise(Ctl::UpLoadFile, Event::Commit);
        for (int i = 0; i < 120 && (host->flashUpload().UpLoadPCFileOpen || i == 0); ++i) run(0.5);
    }
    std::string file(const std::string& name) {
        std::ifstream in(dir + "/" + name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
};

TEST_F(HostUpload, ClosedFilesArriveByteForByte) {
    EXPECT_EQ(panel.value(Ctl::ActiveFile), 6);
    EXPECT_EQ(panel.maxValue(Ctl::UpLoadFileNumber), 5);
    upload(2, "two.DAT");
    EXPECT_EQ(file("two.DAT"), sim::FlashCard::content(2));
    EXPECT_EQ(panel.text(Ctl::UploadPercent), "100.0%");
    EXPECT_NE(panel.text(Ctl::UploadStatus).find("complete: 3000 of 3000 bytes"),
              std::string::npos);
    EXPECT_EQ(panel.value(Ctl::UpLoadFile), 0);
    EXPECT_TRUE(panel.timerEnabled(Ctl::ConfigTimer)) << "the scan runs again afterwards";

    // Two whole blocks: a third, empty one ends the file.
    upload(1, "one.DAT");
    EXPECT_EQ(file("one.DAT"), sim::FlashCard::content(1));
    EXPECT_NE(panel.text(Ctl::UploadStatus).find("complete: 1024 of 1024"), std::string::npos);
    // Under 100 bytes: no bytes per percent, and still 100.0% at the end.
    upload(4, "four.DAT");
    EXPECT_EQ(file("four.DAT"), sim::FlashCard::content(4));
    EXPECT_EQ(panel.text(Ctl::UploadPercent), "100.0%");
    EXPECT_EQ(dialogs.count("UPLOAD INCOMPLETE"), 0);
}

TEST_F(HostUpload, ADroppedBlockEndsIncompleteAndSaysSo) {
    logger->flashCard().dropBlock = 3;
    upload(2, "two.DAT");
    // What came is kept under a name that says it is incomplete, never under the chosen one.
    EXPECT_FALSE(std::filesystem::exists(dir + "/two.DAT"));
    EXPECT_EQ(file("two.DAT.incomplete"), sim::FlashCard::content(2).substr(0, 3 * 512));
    ASSERT_EQ(dialogs.count("UPLOAD INCOMPLETE"), 1);
    EXPECT_NE(dialogs.shown.back().text.find("1536 of 3000 bytes"), std::string::npos);
    EXPECT_EQ(host->flashUpload().lastResult().end, upload::UploadResult::End::TimedOut);
    EXPECT_EQ(panel.text(Ctl::UploadPercent), "51.2%");
}

// Loggers that repeat a block on "OA" at once, that are slower than the upload's tick, or that
// miss an "OR": a block sent again next to itself is left out, and the file arrives byte for
// byte. A logger that sends a block twice in answer to one "OR" sends what nothing tells
// from the next block: the byte count then tells the upload is not what
// was announced, and the older file keeps its name.
TEST_F(HostUpload, AnUploadIsCompleteOnlyWhenTheBytesEqualTheAnnouncedSize) {
    for (const char* name : {"oa-repeat", "slow-logger", "lost-or"}) {
        SCOPED_TRACE(name);
        logger->setVariant(*sim::variantNamed(name));
        std::filesystem::remove(dir + "/two.DAT");
        upload(2, "two.DAT");
        run(10);  // what a slow logger still had on its way is gone before the next upload
        EXPECT_EQ(file("two.DAT"), sim::FlashCard::content(2));
        EXPECT_TRUE(host->flashUpload().lastResult().complete());
    }

    logger->setVariant(*sim::variantNamed("block-twice"));
    std::ofstream(dir + "/two.DAT") << "an older upload";
    dialogs.confirmReplies = {true};  // replace it
    upload(2, "two.DAT");
    const upload::UploadResult& r = host->flashUpload().lastResult();
    EXPECT_EQ(r.end, upload::UploadResult::End::Over);
    EXPECT_EQ(r.size, 3000);
    EXPECT_GT(r.received, 3000);
    EXPECT_EQ(file("two.DAT"), "an older upload") << "replaced only by a complete upload";
    EXPECT_EQ(file("two.DAT.incomplete").size(), static_cast<std::size_t>(r.received));
    ASSERT_EQ(dialogs.count("UPLOAD INCOMPLETE"), 1);
    EXPECT_NE(dialogs.shown.back().text.find(std::to_string(r.received) + " of 3000 bytes"),
              std::string::npos);
}

// A file of whole blocks is complete with its last block, whether or not the logger sends an
// empty one after it; and a second answer to the size request opens no second file.
TEST_F(HostUpload, WholeBlocksEndTheFileAndASecondSizeReplyIsIgnored) {
    logger->setVariant(*sim::variantNamed("no-closing-block"));
    upload(1, "one.DAT");
    EXPECT_EQ(file("one.DAT"), sim::FlashCard::content(1));
    EXPECT_NE(panel.text(Ctl::UploadStatus).find("complete: 1024 of 1024"), std::string::npos);

    logger->setVariant(*sim::variantNamed("second-size-reply"));
    upload(2, "two.DAT");
    run(5);
    EXPECT_EQ(dialogs.fileRequests.size(), 2u) << "one save dialog per upload";
    EXPECT_EQ(file("two.DAT"), sim::FlashCard::content(2));
    EXPECT_NE(panel.text(Ctl::UploadStatus).find("complete: 3000 of 3000 bytes"),
              std::string::npos);
    EXPECT_NE(panel.text(Ctl::UploadStatus).find("size request twice"), std::string::npos);
    EXPECT_EQ(dialogs.count("UPLOAD INCOMPLETE"), 0);
}

TEST_F(HostUpload, ALargeFileAsksFirstAndADeclinedOneOpensNothing) {
    dialogs.confirmReplies = {false};
    upload(3, "three.DAT");
    EXPECT_EQ(dialogs.count("LARGE FILE CONFIRM UPLOAD"), 1);
    EXPECT_TRUE(dialogs.fileRequests.empty());
    EXPECT_FALSE(std::filesystem::exists(dir + "/three.DAT"));
    EXPECT_EQ(panel.value(Ctl::UpLoadFile), 0);
    EXPECT_FALSE(logger->flashCard().isOpen());
    // A file of 1,536 bytes does not ask.
    dialogs.fileReplies.clear();
    upload(5, "five.DAT");
    EXPECT_EQ(dialogs.count("LARGE FILE CONFIRM UPLOAD"), 1);
    EXPECT_EQ(file("five.DAT"), sim::FlashCard::content(5));
}

TEST_F(HostUpload, ACancelledSaveDialogClosesTheLoggersFile) {
    panel.setValue(Ctl::UpLoadFileNumber, 2);
    panel.setValue(Ctl::UpLoadFile, 1);
    panel.raise(Ctl::UpLoadFile, Event::Commit);  // no file chosen
    run(2);
    EXPECT_EQ(dialogs.fileRequests.size(), 1u);
    EXPECT_EQ(dialogs.fileRequests[0].title, "Save UpLoad File To:");
    EXPECT_EQ(panel.value(Ctl::UpLoadFile), 0);
    EXPECT_FALSE(logger->flashCard().isOpen());
    EXPECT_EQ(dialogs.count("UPLOAD INCOMPLETE"), 0);
}

TEST_F(HostUpload, StartingANewFileMakesTheLastOneUploadable) {
    panel.raise(Ctl::StartNewFile, Event::Commit);
    run(1);
    EXPECT_EQ(panel.value(Ctl::ActiveFile), 7);
    EXPECT_EQ(panel.maxValue(Ctl::UpLoadFileNumber), 6);
    EXPECT_FALSE(panel.dimmed(Ctl::UpLoadFile));
}

}  // namespace
