// A damaged settings file (cut in the middle of a key, or holding NUL bytes after a crash or
// a full disk) is said at the start and left byte for byte: the program runs on its own
// settings and neither uses nor rewrites it.
#include <gtest/gtest.h>

#include "e2e/processes.h"

namespace e2e {
namespace {

TEST(SettingsFile, ADamagedFileIsSaidAtTheStartAndLeftByteForByte) {
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    const std::string good =
        "[General]\nformat=fathomhost settings 1\nunitType=3\n\n[controls]\nXScale=2\n";
    const std::vector<std::pair<std::string, std::string>> damaged{
        {"cut", good.substr(0, good.find("unitType") + 4)},
        {"nul", good.substr(0, 40) + std::string(4, '\0') + good.substr(40)},
    };
    for (const auto& [name, bytes] : damaged) {
        const std::string ini = dir / (name + ".ini");
        { std::ofstream(ini, std::ios::binary) << bytes; }
        Child gui({(binDir() / "fathomhost").string(), "--screenshot", dir / (name + ".png"),
                   "--settings", ini},
                  dir / "gui.out", dir / (name + ".err"));
        ASSERT_TRUE(gui.wait(30)) << name;
        EXPECT_EQ(gui.exitCode(), 0) << name << ": " << gui.err();
        const std::string err = gui.err();
        EXPECT_NE(err.find("REMEMBERED SETTINGS IGNORED"), std::string::npos) << name << ": " << err;
        EXPECT_NE(err.find(ini), std::string::npos) << name << ": " << err;
        EXPECT_EQ(err.find("SETTINGS NOT SAVED"), std::string::npos) << name << ": " << err;
        EXPECT_EQ(readFile(ini), bytes) << name;
    }
}

}  // namespace
}  // namespace e2e
