#include "station/archive.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "live/live_rig.h"

using station::Archive;
using station::RecordsHeader;

namespace {

namespace fs = std::filesystem;

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

struct ArchiveTest : ::testing::Test {
    live_test::TempDir dir;
    std::vector<std::string> out, err;
    std::unique_ptr<Archive> archive = make();
    double now = 1000;

    std::unique_ptr<Archive> make(int interval = 1) {
        return std::make_unique<Archive>(
            Archive::Options{.dir = dir.file("arch"), .interval = interval},
            [this](const std::string& s) { out.push_back(s); },
            [this](const std::string& s) { err.push_back(s); });
    }
    // Message seq of station s1's queue "q1" with one record naming it.
    void send(std::uint64_t seq, std::uint64_t floor, station::Day day = {2026, 12, 8},
              const std::string& queue = "q1", const std::string& station = "s1") {
        const std::string records = "C001,D1,S04," + std::to_string(seq) + "\r\n";
        const std::string p =
            station::recordsHeaderLine({.queue = queue, .seq = seq, .floor = floor, .day = day},
                                       records.size()) +
            records;
        archive->message("fathom/" + station + "/records", {p.data(), p.size()}, now);
    }
    std::string file(int n, const std::string& station = "s1") const {
        char name[16];
        std::snprintf(name, sizeof name, "%03d", n);
        return slurp(fs::path(dir.file("arch")) / station / (station + name + ".csv"));
    }
    static std::string recs(std::initializer_list<int> seqs) {
        std::string s;
        for (int q : seqs) s += "C001,D1,S04," + std::to_string(q) + "\r\n";
        return s;
    }
};

TEST_F(ArchiveTest, MessagesAreWrittenOnceAndInOrderWhateverOrderTheyComeIn) {
    send(1, 1);
    send(2, 1);
    send(2, 1);  // a repeat (QoS 1)
    send(5, 3);  // live data while 3 and 4 are still on their way
    send(6, 3);
    EXPECT_EQ(file(0), recs({1, 2}));
    send(3, 3);
    send(1, 1);  // a repeat from a restarted station
    send(4, 3);
    EXPECT_EQ(file(0), recs({1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(archive->counts().duplicates, 2u);
    EXPECT_EQ(archive->counts().held, 2u);
    EXPECT_TRUE(fs::is_empty(fs::path(dir.file("arch")) / "s1" / ".held"));
    EXPECT_TRUE(err.empty());

    // A restarted collector goes on where the last one stopped.
    archive = make();
    send(6, 5);
    send(7, 7);
    EXPECT_EQ(file(0), recs({1, 2, 3, 4, 5, 6, 7}));
    // Nothing but the archive's files is where playback looks.
    int csv = 0;
    for (const auto& f : fs::directory_iterator(fs::path(dir.file("arch")) / "s1"))
        csv += f.path().extension() == ".csv";
    EXPECT_EQ(csv, 1);
}

// A message below a later message's floor had reached the broker before it: if it has not
// come after the grace time, the archive says so and goes on.
TEST_F(ArchiveTest, AMessageThatCanNoLongerComeIsGivenUpInWords) {
    send(1, 1);
    send(3, 2);  // 2 is still on its way: no reason to give up
    now += 100;
    archive->tick(now);
    EXPECT_EQ(file(0), recs({1}));
    send(4, 4);  // the station had 2 and 3 acknowledged by the broker before sending 4
    archive->tick(now + 29);
    EXPECT_EQ(file(0), recs({1}));
    archive->tick(now + 31);
    EXPECT_EQ(file(0), recs({1, 3, 4}));
    ASSERT_EQ(err.size(), 1u);
    EXPECT_NE(err[0].find("message 2 never came"), std::string::npos);
    send(2, 2);  // too late: not written out of order
    EXPECT_EQ(file(0), recs({1, 3, 4}));
}

// The station's queue made anew (a new name): numbering starts again at its floor.
TEST_F(ArchiveTest, ANewQueueStartsANewNumbering) {
    send(1, 1);
    send(2, 1);
    send(1, 1, {2026, 12, 8}, "q2");
    send(2, 1, {2026, 12, 8}, "q2");
    EXPECT_EQ(file(0), recs({1, 2, 1, 2}));
    EXPECT_NE(out.back().find("a new queue (q2)"), std::string::npos);
}

// The recorder's naming and day rule, by the station's date.
TEST_F(ArchiveTest, FilesAreNumberedAndRolledOverAsTheRecorderDoes) {
    send(1, 1, {2026, 12, 8});
    send(2, 1, {2026, 12, 8});
    send(3, 1, {2026, 12, 9});
    send(4, 1, {2026, 12, 10});
    EXPECT_EQ(file(0), recs({1, 2}));
    EXPECT_EQ(file(1), recs({3}));
    EXPECT_EQ(file(2), recs({4}));

    // Two days a file; a file left by an archive whose state is gone is never written over.
    fs::create_directories(fs::path(dir.file("arch")) / "s2");
    std::ofstream(fs::path(dir.file("arch")) / "s2" / "s2000.csv") << "old";
    archive = make(2);
    send(1, 1, {2026, 12, 8}, "q1", "s2");
    send(2, 1, {2026, 12, 9}, "q1", "s2");
    send(3, 1, {2026, 12, 10}, "q1", "s2");
    EXPECT_EQ(file(0, "s2"), "old");
    EXPECT_EQ(file(1, "s2"), recs({1, 2}));
    EXPECT_EQ(file(2, "s2"), recs({3}));
}

TEST_F(ArchiveTest, UnsafeStationNamesWriteNothing) {
    for (const std::string& topic :
         {std::string("fathom/../records"), std::string("fathom/a\x01" "b/records"),
          std::string("fathom//records"), "fathom/" + std::string(65, 'x') + "/records",
          std::string("fathom/..\\x/records"), std::string("fathom/../status")}) {
        const std::string p = "fathom-records/1 queue=q seq=1 floor=1 day=2026-12-08 bytes=3\nabc";
        archive->message(topic, {p.data(), p.size()}, now);
    }
    EXPECT_FALSE(fs::exists(dir.file("arch")) && !fs::is_empty(dir.file("arch")));
    EXPECT_FALSE(fs::exists(dir.file("records")));
    EXPECT_EQ(archive->counts().refused, 6u);
    ASSERT_EQ(err.size(), 5u);  // each name said once
    EXPECT_NE(err[1].find(R"(a\x01b)"), std::string::npos) << err[1];
    EXPECT_NE(err[0].find("refused station name"), std::string::npos);
}

TEST_F(ArchiveTest, StatusLinesSayWhenAStationGoesAndComesBack) {
    auto status = [&](const std::string& json) {
        archive->message("fathom/s1/status", {json.data(), json.size()}, now);
    };
    status(R"({"station":"s1","online":true,"queueMessages":0})");
    status(R"({"station":"s1","online":true,"queueMessages":3})");
    status(R"({"station":"s1","online":false})");
    status(R"({"station":"s1","online":true})");
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0], "station s1 online");
    EXPECT_EQ(out[1], "station s1 offline");
    EXPECT_EQ(out[2], "station s1 back online");
}

}  // namespace
