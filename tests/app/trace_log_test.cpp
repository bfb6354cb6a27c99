#include "app/trace_log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/fake_clock.h"

namespace {

TEST(TraceLog, OneLinePerBlockWithTimeDirectionHexAndText) {
    const platform::CalendarTime t{2026, 12, 8, 9, 5, 7, 42};
    const std::uint8_t bytes[] = {0x7E, 0x00, 0x04, 'I', 'D', 0x0D};
    EXPECT_EQ(app::TraceLog::formatLine(t, "/dev/ttyUSB0", true, bytes),
              "2026-12-08 09:05:07.042 /dev/ttyUSB0 > 7E 00 04 49 44 0D" + std::string(26 * 3, ' ') +
                  "  |~..ID.|");
}

TEST(TraceLog, AppendsLongBlocksOverSeveralLinesAndSaysWhyItCannotOpen) {
    auto dir = std::filesystem::temp_directory_path() / "fathom_trace_test";
    std::filesystem::create_directories(dir);
    auto path = (dir / "trace.log").string();
    std::filesystem::remove(path);
    testing_support::FakeClock clock;
    {
        app::TraceLog log(path, clock);
        ASSERT_TRUE(log.ok());
        std::vector<std::uint8_t> block(70, 0x41);
        log.record("pts/3", false, block);
        log.record("pts/3", true, {});  // nothing to log
    }
    std::ifstream in(path);
    std::string line;
    int lines = 0;
    while (std::getline(in, line)) {
        ++lines;
        EXPECT_NE(line.find("pts/3 <"), std::string::npos);
    }
    EXPECT_EQ(lines, 3);  // 32 + 32 + 6 bytes
    std::filesystem::remove_all(dir);

    app::TraceLog bad("/nonexistent-dir/trace.log", clock);
    EXPECT_FALSE(bad.ok());
    EXPECT_NE(bad.error().find("/nonexistent-dir/trace.log"), std::string::npos);
}

}  // namespace
