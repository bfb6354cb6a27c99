#include "station/disk_queue.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "live/live_rig.h"

using station::Day;
using station::DiskQueue;

namespace {

namespace fs = std::filesystem;

std::span<const char> rec(const std::string& s) { return {s.data(), s.size()}; }

struct DiskQueueTest : ::testing::Test {
    live_test::TempDir dir;
    std::string folder() const { return dir.file("s1.queue"); }
    std::string read(const DiskQueue& q, std::uint64_t seq) {
        std::string out;
        EXPECT_TRUE(q.read(q.waiting().at(seq), out).ok);
        return out;
    }
};

TEST_F(DiskQueueTest, RecordsBecomeOneMessageASecondThatLeavesOnlyWhenAcknowledged) {
    DiskQueue q;
    ASSERT_TRUE(q.open(folder()).ok);
    EXPECT_EQ(q.id().size(), 16u);
    EXPECT_FALSE(q.seal());  // nothing came: no message
    ASSERT_TRUE(q.append(rec("A\r\n"), {2026, 12, 8}).ok);
    ASSERT_TRUE(q.append(rec("B\r\n"), {2026, 12, 8}).ok);
    const auto first = q.seal();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->seq, 1u);
    EXPECT_EQ(first->day, (Day{2026, 12, 8}));
    ASSERT_TRUE(q.append(rec("C\r\n"), {2026, 12, 9}).ok);
    EXPECT_EQ(q.seal()->seq, 2u);
    EXPECT_EQ(read(q, 1), "A\r\nB\r\n");
    EXPECT_EQ(read(q, 2), "C\r\n");
    EXPECT_EQ(q.floor(), 1u);
    EXPECT_EQ(q.bytes(), 9u);
    q.remove(1);
    EXPECT_EQ(q.floor(), 2u);
    EXPECT_EQ(q.waiting().size(), 1u);
    EXPECT_EQ(q.bytes(), 3u);
    EXPECT_FALSE(fs::exists(fs::path(folder()) / "0000000000000001-20261208.msg"));
    q.remove(2);
    EXPECT_EQ(q.floor(), 3u);  // the batch being filled is next
}

// A station killed mid-second: the next start finds the records of that second and the
// numbers go on, under the same queue name.
TEST_F(DiskQueueTest, AKilledProgramsRecordsAreSentByTheNextStartAndNumbersGoOn) {
    std::string id;
    {
        DiskQueue q;
        ASSERT_TRUE(q.open(folder()).ok);
        id = q.id();
        q.append(rec("A\r\n"), {2026, 12, 8});
        q.seal();
        q.remove(1);
        q.append(rec("B\r\n"), {2026, 12, 8});
        q.append(rec("C\r\n"), {2026, 12, 8});
        // No seal: the program is gone.
    }
    DiskQueue q;
    ASSERT_TRUE(q.open(folder()).ok);
    EXPECT_EQ(q.id(), id);
    ASSERT_EQ(q.waiting().size(), 1u);
    EXPECT_EQ(q.waiting().begin()->first, 2u);
    EXPECT_EQ(read(q, 2), "B\r\nC\r\n");
    q.append(rec("D\r\n"), {2026, 12, 8});
    EXPECT_EQ(q.seal()->seq, 3u);
    q.remove(2);
    q.remove(3);
    q.close();
    // Everything acknowledged: the number still goes on after a restart.
    ASSERT_TRUE(q.open(folder()).ok);
    q.append(rec("E\r\n"), {2026, 12, 8});
    EXPECT_EQ(q.seal()->seq, 4u);
}

// Without its last number the queue cannot know which numbers the archive has seen: it takes
// a new name rather than give a number again.
TEST_F(DiskQueueTest, ALostSequenceFileGivesTheQueueANewName) {
    std::string id;
    {
        DiskQueue q;
        ASSERT_TRUE(q.open(folder()).ok);
        id = q.id();
        q.append(rec("A\r\n"), {2026, 12, 8});
        q.seal();
        q.remove(1);
    }
    std::ofstream(fs::path(folder()) / "sequence", std::ios::trunc) << "";
    DiskQueue q;
    ASSERT_TRUE(q.open(folder()).ok);
    EXPECT_NE(q.id(), id);
}

TEST_F(DiskQueueTest, OneProgramPerQueue) {
    DiskQueue a, b;
    ASSERT_TRUE(a.open(folder()).ok);
    const auto st = b.open(folder());
    EXPECT_FALSE(st.ok);
    EXPECT_NE(st.message.find("another program"), std::string::npos);
    a.close();
    EXPECT_TRUE(b.open(folder()).ok);
}

// Over its limit the queue refuses records in words, and the loss shows as a number that no
// message carries.
TEST_F(DiskQueueTest, OverItsLimitRecordsAreRefusedInWordsAndTheGapShows) {
    DiskQueue q;
    q.limit = 8;
    ASSERT_TRUE(q.open(folder()).ok);
    ASSERT_TRUE(q.append(rec("AAA\r\n"), {2026, 12, 8}).ok);
    const auto refused = q.append(rec("BBB\r\n"), {2026, 12, 8});
    EXPECT_FALSE(refused.ok);
    EXPECT_NE(refused.message.find("limit of"), std::string::npos);
    EXPECT_NE(refused.message.find(folder()), std::string::npos);
    EXPECT_EQ(q.seal()->seq, 1u);
    q.remove(1);
    ASSERT_TRUE(q.append(rec("CCC\r\n"), {2026, 12, 8}).ok);
    EXPECT_EQ(q.seal()->seq, 3u);  // 2 is the records that were not kept
    EXPECT_EQ(q.floor(), 3u);
}

TEST_F(DiskQueueTest, AQueueFolderThatCannotBeMadeIsSaidInWords) {
    std::ofstream(dir.file("plain")) << "x";
    DiskQueue q;
    const auto st = q.open(dir.file("plain") + "/s1.queue");
    EXPECT_FALSE(st.ok);
    EXPECT_NE(st.message.find("cannot make the queue folder"), std::string::npos);
}

}  // namespace
