// fathomhost's window as a screenshot run renders it: every unit type, nobody at the screen.
#include <gtest/gtest.h>

#include <cstdlib>

#include "e2e/processes.h"

namespace e2e {
namespace {

// Width and height from a PNG's header, or 0 x 0.
std::pair<unsigned, unsigned> pngSize(const std::string& png) {
    if (png.size() < 24 || png.compare(1, 3, "PNG") != 0) return {0, 0};
    auto at = [&png](std::size_t i) {
        unsigned v = 0;
        for (std::size_t k = 0; k < 4; ++k) v = v << 8 | static_cast<unsigned char>(png[i + k]);
        return v;
    };
    return {at(16), at(20)};
}

// The synchronizer's "power it up first" pop-up used to wait for a click that never came, so
// its screenshot run hung; every type's window is drawn at the 1280 x 800 it must fit.
TEST(Window, EveryUnitTypeIsDrawnAt1280By800WithoutWaitingOnAPopUp) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);  // no display needed, when run by hand too
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    for (int type = 0; type <= 9; ++type) {
        SCOPED_TRACE("unit type " + std::to_string(type));
        const std::string png = dir / ("type" + std::to_string(type) + ".png");
        Child host({(binDir() / "fathomhost").string(), "--simulate", "--unit-type",
                    std::to_string(type), "--screenshot", png},
                   dir / "host.out", dir / "host.err");
        ASSERT_TRUE(host.wait(20)) << "the screenshot run did not end";
        EXPECT_EQ(host.exitCode(), 0) << host.err();
        EXPECT_EQ(pngSize(readFile(png)), std::make_pair(1280u, 800u));
    }
}

}  // namespace
}  // namespace e2e
