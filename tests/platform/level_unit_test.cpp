#include "platform/level_unit.h"

#include <gtest/gtest.h>

namespace {

using platform::inLevelUnit;

TEST(LevelUnit, ASwellmeterInBarReadsBarAndEveryOtherReadsMetres) {
    EXPECT_EQ(platform::levelUnit(9, false), "bar");
    EXPECT_EQ(platform::levelUnit(9, true), "m");
    for (int type = 0; type <= 8; ++type) EXPECT_EQ(platform::levelUnit(type, false), "m");
}

// Captions, spectrum units and CSV headers written for metres, in bar: the unit m changes
// wherever it stands alone, squared or in a header's suffix; moments, words and units of
// time and frequency stay.
TEST(LevelUnit, MetresBecomeBarWhereverTheyNameTheUnitAndNowhereElse) {
    const std::pair<const char*, const char*> cases[] = {
        {"Data (m)", "Data (bar)"},
        {"m0 (m\u00B2)", "m0 (bar\u00B2)"},
        {"m1 (m\u00B2 Hz)", "m1 (bar\u00B2 Hz)"},
        {"Hmo (m)", "Hmo (bar)"},
        {"Tm01 (s)", "Tm01 (s)"},
        {"Water level (m)", "Pressure (bar)"},
        {"C2 \u2212 C1 level (m)", "C2 \u2212 C1 pressure (bar)"},
        {"Autoscale level axis", "Autoscale pressure axis"},
        {"Amplitude density (m rms/\u221AHz)", "Amplitude density (bar rms/\u221AHz)"},
        {"dB re 1 m\u00B2 peak/Hz", "dB re 1 bar\u00B2 peak/Hz"},
        {"file,mean_m,hmo_m,m0_m2,m1_m2hz,m2_m2hz2,hrms_m,tm01_s,samples,gaps_skipped\n",
         "file,mean_bar,hmo_bar,m0_bar2,m1_bar2hz,m2_bar2hz2,hrms_bar,tm01_s,samples,gaps_skipped\n"},
        {"device,time,seconds,level_m\n", "device,time,seconds,pressure_bar\n"},
        {"mean 0.512 m, Hmo 0.017 m, Tp 3.67 s", "mean 0.512 bar, Hmo 0.017 bar, Tp 3.67 s"},
        {"Staff lengths A (m) frame", "Staff lengths A (bar) frame"},
    };
    for (const auto& [metres, bar] : cases) {
        EXPECT_EQ(inLevelUnit(metres, "bar"), bar);
        EXPECT_EQ(inLevelUnit(metres, "m"), metres);
    }
}

}  // namespace
