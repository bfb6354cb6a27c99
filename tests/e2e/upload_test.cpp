// fathomsim's data logger on a pseudo-terminal and fathomhost --headless --upload-file copying
// files off its flash card: the files arrive byte for byte, and anything else is reported
// incomplete and left under a name that says so.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "e2e/processes.h"
#include "sim/flash_card.h"

namespace e2e {
namespace {

struct Uploaded {
    int exit = -1;
    std::string out, err;
    std::string file;        // under the chosen name
    std::string incomplete;  // under the name of an incomplete upload
    bool incompleteLeft = false;
};

// Uploads the given files one after another from one simulated logger; `logged` gets what the
// logger sent.
std::vector<Uploaded> uploads(const std::vector<int>& files, std::vector<std::string> simArgs = {},
                              std::string* logged = nullptr,
                              const std::vector<std::string>& hostOptions = {}) {
    ScratchDir dir;
    std::vector<Uploaded> done;
    if (!dir.ok()) return done;
    simArgs.insert(simArgs.begin(), {"--scenario", "logger"});
    Simulator sim(dir, "sim", simArgs);
    if (sim.path().empty()) {
        ADD_FAILURE() << sim.child().err();
        return done;
    }
    for (int n : files) {
        const std::string name = "file" + std::to_string(n);
        const std::string to = dir / (name + ".DAT");
        std::vector<std::string> options{"--unit-type", "8", "--port", sim.path(),
                                         "--upload-file", std::to_string(n), "--to", to};
        options.insert(options.end(), hostOptions.begin(), hostOptions.end());
        Child host(hostArgs(options),
                   dir / (name + ".out"), dir / (name + ".err"));
        EXPECT_TRUE(host.wait(120)) << "fathomhost did not finish the upload";
        Uploaded u{host.exitCode(),
                   host.out(),
                   host.err(),
                   readFile(to),
                   readFile(to + ".incomplete"),
                   fs::exists(to + ".incomplete")};
        done.push_back(std::move(u));
    }
    // What the logger sent in answer to the program's last bytes is in its log shortly after.
    if (logged) waitFor([&] { return (*logged = sim.log()).find("$OC,") != std::string::npos; }, 5);
    sim.stop();
    return done;
}

TEST(Uploads, ClosedFilesArriveByteForByte) {
    const auto u = uploads({2, 1});
    ASSERT_EQ(u.size(), 2u);
    EXPECT_EQ(u[0].exit, 0) << u[0].err;
    EXPECT_EQ(u[0].file, sim::FlashCard::content(2));
    EXPECT_NE(u[0].out.find("complete: 3000 of 3000 bytes"), std::string::npos) << u[0].out;
    EXPECT_EQ(u[1].exit, 0) << u[1].err;
    EXPECT_EQ(u[1].file, sim::FlashCard::content(1));
    EXPECT_NE(u[1].out.find("complete: 1024 of 1024 bytes"), std::string::npos) << u[1].out;
    for (const Uploaded& one : u) EXPECT_FALSE(one.incompleteLeft);
}

// Loggers that answer every "OA" with the block they sent last (at once, or slower than the
// upload's tick), that miss an "OR", that end a file of whole blocks without an empty one, or
// that answer a size request twice: a file of three whole blocks still arrives byte for byte
// under the chosen name, and only then is it complete.
struct Upload : ::testing::TestWithParam<Play> {};

TEST_P(Upload, AFileOfWholeBlocksArrivesByteForByte) {
    const auto u = uploads({5}, GetParam().args());
    ASSERT_EQ(u.size(), 1u);
    EXPECT_EQ(u[0].exit, 0) << u[0].err;
    EXPECT_EQ(u[0].file, sim::FlashCard::content(5));
    EXPECT_NE(u[0].out.find("complete: 1536 of 1536 bytes"), std::string::npos) << u[0].out;
    EXPECT_FALSE(u[0].incompleteLeft);
}

// The seed changes nothing of these uploads: one seed each.
INSTANTIATE_TEST_SUITE_P(
    Variants, Upload,
    ::testing::ValuesIn(
        plays({"oa-repeat", "slow-logger", "no-closing-block", "second-size-reply"}, 1, 1)),
    playName);
// Seeds 1 to 3 lose the second, third and first "OR" (`make variants` plays them all).
INSTANTIATE_TEST_SUITE_P(LostOr, Upload, ::testing::ValuesIn(plays({"lost-or"}, 1, 3)), playName);

// The logger's link drops at the size request, the open, in the middle of the file, or before
// the closing empty block (seeds 1 to 4): only the last, with every byte in, is complete; the
// others end, within the job's time, reported incomplete and under no chosen name.
struct LinkLost : ::testing::TestWithParam<Play> {};

TEST_P(LinkLost, AnUploadIsCompleteOnlyWithEveryByte) {
    const int stage = static_cast<int>((GetParam().seed + 3) % 4);
    const auto u = uploads({5}, GetParam().args(), nullptr, {"--time-limit", "30"});
    ASSERT_EQ(u.size(), 1u);
    if (stage == 3) {
        EXPECT_EQ(u[0].exit, 0) << u[0].err;
        EXPECT_EQ(u[0].file, sim::FlashCard::content(5));
        EXPECT_NE(u[0].out.find("complete: 1536 of 1536 bytes"), std::string::npos) << u[0].out;
        return;
    }
    EXPECT_NE(u[0].exit, 0);
    EXPECT_TRUE(u[0].file.empty()) << "nothing under the chosen name";
    EXPECT_EQ(u[0].out.find("complete:"), std::string::npos) << u[0].out;
    EXPECT_TRUE(u[0].err.find("not uploaded") != std::string::npos ||
                u[0].err.find("INCOMPLETE") != std::string::npos)
        << u[0].err;
    // What did arrive is the start of the file, and nothing else.
    EXPECT_EQ(u[0].incomplete, sim::FlashCard::content(5).substr(0, u[0].incomplete.size()));
}

INSTANTIATE_TEST_SUITE_P(Variants, LinkLost, ::testing::ValuesIn(plays({"link-lost"}, 4, 4)),
                         playName);

// The logger's file stays open until it hears "OC": the program sends it when it gives up,
// and it reaches the logger although the program exits right after.
TEST(Uploads, ALostBlockEndsIncompleteUnderANameThatSaysSo) {
    std::string logged;
    const auto u = uploads({2}, {"--drop-block", "4"}, &logged);
    ASSERT_EQ(u.size(), 1u);
    EXPECT_NE(u[0].exit, 0);
    EXPECT_TRUE(u[0].file.empty()) << "nothing under the chosen name";
    EXPECT_EQ(u[0].incomplete, sim::FlashCard::content(2).substr(0, 4 * 512));
    EXPECT_NE(u[0].err.find("INCOMPLETE"), std::string::npos) << u[0].err;
    EXPECT_NE(u[0].err.find("2048 of 3000 bytes"), std::string::npos) << u[0].err;
    EXPECT_EQ(u[0].out.find("complete:"), std::string::npos);
    EXPECT_NE(logged.find("$OC,"), std::string::npos) << "the logger never heard \"OC\"";
}

// A logger that sends a block twice in answer to one "OR": nothing tells it from the next
// block, and the program must not call the file complete.
TEST(Uploads, ABlockThatCameTwiceIsNeverReportedComplete) {
    const auto u = uploads({5}, {"--variant", "block-twice"});
    ASSERT_EQ(u.size(), 1u);
    EXPECT_NE(u[0].exit, 0);
    EXPECT_TRUE(u[0].file.empty());
    EXPECT_EQ(u[0].out.find("complete:"), std::string::npos) << u[0].out;
    EXPECT_NE(u[0].err.find("INCOMPLETE"), std::string::npos) << u[0].err;
    EXPECT_NE(u[0].err.find(std::to_string(u[0].incomplete.size()) + " of 1536 bytes"),
              std::string::npos)
        << u[0].err;
}

}  // namespace
}  // namespace e2e
