// The station network through the program's control model: records from the data service,
// the File menu's dialog, the status-bar field, with a broker link the test drives.
#include "station/station.h"

#include <gtest/gtest.h>

#include <deque>

#include "app/remembered_settings.h"
#include "live/live_rig.h"
#include "support/fake_broker_link.h"
#include "support/host_rig.h"
#include "support/memory_settings_store.h"

using platform::Ctl;
using platform::Event;
using testing_support::FakeBrokerLink;

namespace {

struct StationTest : ::testing::Test, testing_support::HostRig {
    live_test::TempDir dir;
    std::deque<FakeBrokerLink> links;  // every link the station was given
    FakeBrokerLink* link = nullptr;    // the last
    station::Station& st = host.station();

    StationTest() {
        host.Initialize();
        st.setLinkMaker([this] {
            link = &links.emplace_back();
            return std::make_unique<testing_support::BrokerLinkProxy>(*link);
        });
    }
    ~StationTest() override { st.stop(); }  // before the links go
    station::StationSettings settings() const {
        return {.url = "mqtt://127.0.0.1:1883", .station = "s1", .queueFolder = dir.file("")};
    }
    void start() {
        std::string why;
        ASSERT_TRUE(st.start(settings(), why)) << why;
    }
    // A sample of unit 12, as the radio adapter hands it to the data service.
    void sample(int mm) {
        char text[40];
        std::snprintf(text, sizeof text, "C012,D1,S04,%05d\r\n", mm);
        links::RxFrame f = live_test::packet(0x42, text);
        f.source = links::FrameSource::PortA;
        host.dataService().RxDataService(f, 0);
    }
    // The station's timer over `seconds` of time.
    void run(double seconds) {
        for (double t = 0; t < seconds - 1e-9; t += 0.1) {
            clock.advance(0.1);
            panel.raise(Ctl::StationTimer, Event::TimerTick);
        }
    }
    std::vector<FakeBrokerLink::Published> records() const {
        return link->on("fathom/s1/records");
    }
    static std::optional<station::RecordsMessage> parse(const FakeBrokerLink::Published& p) {
        return station::parseRecordsMessage({p.payload.data(), p.payload.size()});
    }
    static std::string body(const FakeBrokerLink::Published& p) {
        const auto m = parse(p);
        return m ? std::string(m->records.begin(), m->records.end()) : "?";
    }
};

// Without a recording, every record the recorder would write goes to the broker, once a
// second, and leaves the queue when the broker has it.
TEST_F(StationTest, RecordsArePublishedOnceASecondWithoutARecording) {
    start();
    EXPECT_TRUE(panel.timerEnabled(Ctl::StationTimer));
    EXPECT_TRUE(panel.visible(Ctl::StationStatus));
    EXPECT_EQ(link->config.clientId, "fathomhost-s1");
    EXPECT_EQ(link->config.willTopic, "fathom/s1/status");
    EXPECT_EQ(station::statusOnline(link->config.willPayload), false);
    link->connect();
    run(0.1);
    const auto status = link->on("fathom/s1/status");
    ASSERT_EQ(status.size(), 1u);
    EXPECT_TRUE(status[0].retain);
    EXPECT_NE(status[0].payload.find(R"("online":true)"), std::string::npos);
    EXPECT_NE(status[0].payload.find(R"("version":")" FATHOM_VERSION), std::string::npos);

    ASSERT_EQ(host.recorder().OutputDataFileOpen, 0);
    sample(1234);
    sample(-123);
    EXPECT_TRUE(records().empty());
    run(1);
    ASSERT_EQ(records().size(), 1u);
    EXPECT_FALSE(records()[0].retain);
    EXPECT_EQ(body(records()[0]), "C012,D1,S04,01.2340\r\nC012,D1,S04,-0.1230\r\n");
    EXPECT_EQ(parse(records()[0])->header.seq, 1u);
    EXPECT_EQ(st.waiting(), 1u);
    EXPECT_NE(panel.text(Ctl::StationStatus).find("Broker connected, 1 waiting"),
              std::string::npos);
    link->ackAll();
    run(1);
    EXPECT_EQ(st.waiting(), 0u);
    EXPECT_EQ(records().size(), 1u);  // a second without records sends nothing
    EXPECT_EQ(panel.text(Ctl::StationStatus),
              "Broker connected, 0 waiting, last 12:00:01");
}

// The broker away: records wait on disk. Back: the second just ended goes at once, the
// backlog oldest first behind it, paced, each message saying what the station still holds.
TEST_F(StationTest, ABrokerOutageLeavesABacklogThatIsSentInOrderBesideLiveData) {
    start();
    link->connect();
    run(0.1);
    link->drop("the connection was lost");
    for (int s = 0; s < 60; ++s) {
        sample(s);
        run(1);
    }
    EXPECT_TRUE(records().empty());
    EXPECT_EQ(st.waiting(), 60u);
    EXPECT_NE(panel.text(Ctl::StationStatus)
                  .find("Broker NOT connected (the connection was lost), 60 waiting"),
              std::string::npos);
    EXPECT_EQ(panel.textColor(Ctl::StationStatus), platform::Rgb{0xCC0000});

    link->connect();
    sample(1000);
    // The second this record came in goes as soon as it ends, whatever the backlog.
    for (int i = 0; i < 10 && (records().empty() || parse(records().back())->header.seq != 61);
         ++i) {
        run(0.1);
    }
    ASSERT_FALSE(records().empty());
    const auto live = parse(records().back());
    EXPECT_EQ(live->header.seq, 61u);
    EXPECT_EQ(live->header.floor, 1u);
    EXPECT_EQ(body(records().back()), "C012,D1,S04,01.0000\r\n");
    // The backlog: oldest first, never more waiting for acknowledgement than the window
    // leaves it.
    ASSERT_LE(records().size(), 1 + station::kMaxInFlight - station::kLiveReserve);
    for (std::size_t i = 0; i + 1 < records().size(); ++i) {
        EXPECT_EQ(parse(records()[i])->header.seq, i + 1);
        EXPECT_EQ(parse(records()[i])->header.floor, 1u);
    }
    run(2);
    EXPECT_LE(records().size(), 1 + station::kMaxInFlight - station::kLiveReserve);
    while (st.waiting() > 0) {
        link->ackAll();
        run(0.1);
    }
    std::vector<std::uint64_t> seqs;
    for (const auto& p : records()) seqs.push_back(parse(p)->header.seq);
    std::sort(seqs.begin(), seqs.end());
    ASSERT_EQ(seqs.size(), 61u);
    for (std::size_t i = 0; i < seqs.size(); ++i) EXPECT_EQ(seqs[i], i + 1);
    EXPECT_EQ(body(records()[0]), "C012,D1,S04,00.0000\r\n");
}

// A stop seals the last second, waits a little for the broker and says the station goes;
// what the broker did not take is sent by the next start, under the same numbers.
TEST_F(StationTest, AStopKeepsWhatTheBrokerDidNotTakeForTheNextStart) {
    start();
    link->connect();
    run(0.1);
    sample(1);
    run(1);
    sample(2);
    ASSERT_EQ(records().size(), 1u);
    FakeBrokerLink* first = link;
    host.exitStep();
    panel.raise(Ctl::MainWindow, Event::Close);
    EXPECT_FALSE(st.running());
    EXPECT_TRUE(first->stopped);
    const auto status = first->on("fathom/s1/status");
    ASSERT_FALSE(status.empty());
    EXPECT_TRUE(status.back().retain);
    EXPECT_EQ(station::statusOnline(status.back().payload), false);
    EXPECT_LE(clock.totalDelay, station::kStopWaitSeconds + 0.1);

    start();
    link->connect();
    run(0.2);
    ASSERT_EQ(records().size(), 2u);
    EXPECT_EQ(parse(records()[0])->header.seq, 1u);
    EXPECT_EQ(body(records()[1]), "C012,D1,S04,00.0020\r\n");
    EXPECT_EQ(parse(records()[1])->header.queue, parse(first->on("fathom/s1/records")[0])->header.queue);
}

TEST_F(StationTest, AFullQueueIsSaidInWordsOnceAndItsEndToo) {
    station::StationSettings s = settings();
    s.queueLimitMb = 1;
    std::string why;
    ASSERT_TRUE(st.start(s, why));
    for (int i = 0; i < 50000; ++i) sample(i % 1000);
    EXPECT_EQ(dialogs.count("STATION NETWORK"), 1);
    const std::string said = dialogs.shown.back().text;
    EXPECT_NE(said.find("Records cannot be kept for the broker"), std::string::npos);
    EXPECT_NE(said.find("limit of 1 MB"), std::string::npos);
    EXPECT_NE(panel.text(Ctl::StationStatus).find("QUEUE FULL"), std::string::npos);
    link->connect();
    run(1.1);  // the second's message is sealed and sent
    while (st.waiting() > 0) {
        link->ackAll();
        run(0.1);
    }
    sample(5);
    EXPECT_NE(dialogs.shown.back().text.find("takes records again"), std::string::npos);
    EXPECT_EQ(panel.text(Ctl::StationStatus).find("QUEUE"), std::string::npos);
}

TEST_F(StationTest, TheFileMenusDialogChecksWhatItIsGivenAndRemembersIt) {
    EXPECT_TRUE(panel.visible(Ctl::MenuStationNetwork));
    testing_support::MemorySettingsStore store;
    app::RememberedSettings remembered(host, &store, dialogs, ports);
    remembered.restore({});
    st.settingsChanged = [&] { remembered.save(); };
    const std::string folder = dir.file("");
    dialogs.formReplies.push_back(std::vector<std::string>{
        "1", "mqtt://broker:1883", "../etc", "", "", "", folder, "1000"});
    dialogs.formReplies.push_back(std::vector<std::string>{
        "1", "mqtt://broker:1883", "pier-7", "", "", "", folder, "500"});
    panel.raise(Ctl::MenuStationNetwork, Event::Commit);
    ASSERT_EQ(dialogs.formsShown.size(), 2u);
    EXPECT_EQ(dialogs.formsShown[0].size(), 8u);
    EXPECT_EQ(dialogs.formsShown[0][0].kind, platform::FormField::Kind::Switch);
    EXPECT_NE(dialogs.formsShown[1][2].value, "");  // the name typed is offered again
    bool refused = false;
    for (const auto& s : dialogs.shown) {
        if (s.text.find("cannot start") != std::string::npos &&
            s.text.find("no slashes") != std::string::npos)
            refused = true;
    }
    EXPECT_TRUE(refused);
    ASSERT_TRUE(st.running());
    EXPECT_EQ(st.settings().station, "pier-7");
    EXPECT_EQ(st.settings().queueLimitMb, 500);
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("pier-7.queue")));
    EXPECT_EQ(store.flushed["station/name"], "pier-7");
    EXPECT_EQ(store.flushed["station/on"], "1");

    // The next run starts it as it was left.
    testing_support::HostRig next;
    next.host.Initialize();
    next.host.station().setLinkMaker([] { return std::make_unique<FakeBrokerLink>(); });
    st.stop();
    testing_support::MemorySettingsStore again;
    again.values = store.flushed;
    app::RememberedSettings(next.host, &again, next.dialogs, next.ports).restore({});
    EXPECT_TRUE(next.host.station().running());
    EXPECT_EQ(next.host.station().settings().url, "mqtt://broker:1883");
    next.host.station().stop();

    // Switched off in the dialog: stopped, and remembered off.
    dialogs.formReplies.push_back(std::vector<std::string>{
        "0", "mqtt://broker:1883", "pier-7", "", "", "", folder, "500"});
    std::string why;
    ASSERT_TRUE(st.start(st.settings(), why));
    panel.raise(Ctl::MenuStationNetwork, Event::Commit);
    EXPECT_FALSE(st.running());
    EXPECT_EQ(store.flushed["station/on"], "0");
}

TEST(StationWithoutAClient, HasNoMenuItem) {
    testing_support::HostRig rig;
    rig.host.Initialize();
    EXPECT_FALSE(rig.panel.visible(Ctl::MenuStationNetwork));
    std::string why;
    EXPECT_FALSE(rig.host.station().start({.url = "mqtt://h", .station = "s"}, why));
}

}  // namespace
