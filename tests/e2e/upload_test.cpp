// fathomsim's data logger on a pseudo-terminal and fathomhost --headless --upload-file copying
// files off its flash card: the files arrive byte for byte, and a lost block is reported.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "e2e/processes.h"
#include "sim/flash_card.h"

namespace e2e {
namespace {

struct Upload {
    int exit = -1;
    std::string out, err, file;
};

// Uploads the given files one after another from one simulated logger.
std::vector<Upload> uploads(const std::vector<int>& files, std::vector<std::string> simArgs = {}) {
    ScratchDir dir;
    std::vector<Upload> done;
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
        Child host(hostArgs({"--unit-type", "8", "--port", sim.path(), "--upload-file",
                             std::to_string(n), "--to", to}),
                   dir / (name + ".out"), dir / (name + ".err"));
        EXPECT_TRUE(host.wait(120)) << "fathomhost did not finish the upload";
        Upload u{host.exitCode(), host.out(), host.err(), {}};
        std::ifstream in(to, std::ios::binary);
        u.file.assign(std::istreambuf_iterator<char>(in), {});
        done.push_back(std::move(u));
    }
    sim.stop();
    return done;
}

TEST(Upload, ClosedFilesArriveByteForByte) {
    const auto u = uploads({2, 1});
    ASSERT_EQ(u.size(), 2u);
    EXPECT_EQ(u[0].exit, 0) << u[0].err;
    EXPECT_EQ(u[0].file, sim::FlashCard::content(2));
    EXPECT_NE(u[0].out.find("complete: 3000 of 3000 bytes"), std::string::npos) << u[0].out;
    EXPECT_EQ(u[1].exit, 0) << u[1].err;
    EXPECT_EQ(u[1].file, sim::FlashCard::content(1));
    EXPECT_NE(u[1].out.find("complete: 1024 of 1024 bytes"), std::string::npos) << u[1].out;
}

TEST(Upload, ALostBlockEndsIncompleteAndSaysSo) {
    const auto u = uploads({2}, {"--drop-block", "4"});
    ASSERT_EQ(u.size(), 1u);
    EXPECT_NE(u[0].exit, 0);
    EXPECT_EQ(u[0].file, sim::FlashCard::content(2).substr(0, 4 * 512));
    EXPECT_NE(u[0].err.find("INCOMPLETE"), std::string::npos) << u[0].err;
    EXPECT_NE(u[0].err.find("2048 of 3000 bytes"), std::string::npos) << u[0].err;
    EXPECT_EQ(u[0].out.find("complete:"), std::string::npos);
}

}  // namespace
}  // namespace e2e
