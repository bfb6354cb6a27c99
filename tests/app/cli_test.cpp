#include "app/cli.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

app::CliOptions parse(std::vector<const char*> args) {
    args.insert(args.begin(), "fathomhost");
    return app::parseCommandLine(static_cast<int>(args.size()), args.data());
}

TEST(CommandLine, ReadsOurOptionsAndLeavesTheWindowSystemsAlone) {
    auto o = parse({"-platform", "offscreen", "--screenshot", "/tmp/a.png", "--tab=3"});
    EXPECT_TRUE(o.error.empty()) << o.error;
    EXPECT_EQ(o.screenshot, "/tmp/a.png");
    EXPECT_EQ(o.tab, 3);
    EXPECT_FALSE(o.version);
    EXPECT_TRUE(parse({"--version"}).version);
    EXPECT_TRUE(parse({"--startup-time"}).startupTime);
}

TEST(CommandLine, RefusesWhatItCannotDo) {
    EXPECT_NE(parse({"--tab", "5"}).error, "");
    EXPECT_NE(parse({"--tab", "2x"}).error, "");
    EXPECT_NE(parse({"--screenshot"}).error, "");
    EXPECT_NE(parse({"--version=1"}).error, "");
    EXPECT_EQ(parse({"--frobnicate"}).error, "unknown option --frobnicate");
    EXPECT_NE(app::cliUsage().find("--screenshot FILE.png"), std::string::npos);
}

}  // namespace
