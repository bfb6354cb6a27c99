// A wired staff's counter settings and its two-point correction.
#include "calibration/staff_calibration.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using calibration::Prescale;

TEST(StaffCalibration, PrescaleTablesOfBothFamilies) {
    Prescale p{};
    ASSERT_TRUE(calibration::prescaleFor(3, 2000, p));
    EXPECT_EQ(p.code, 0);
    EXPECT_EQ(p.count, 223);
    ASSERT_TRUE(calibration::prescaleFor(5, 20000, p));
    EXPECT_EQ(p.count, 34);
    ASSERT_TRUE(calibration::prescaleFor(6, 2000, p));
    EXPECT_EQ(p.code, 8);
    EXPECT_EQ(p.count, 199);
    // Only exact lengths of the family have a setting.
    EXPECT_FALSE(calibration::prescaleFor(5, 2200, p));
    EXPECT_FALSE(calibration::prescaleFor(4, 16000, p));
    EXPECT_FALSE(calibration::prescaleFor(9, 1000, p));
    EXPECT_DOUBLE_EQ(calibration::maxStaffLengthMetres(6), 15.0);
}

TEST(StaffCalibration, TwoPointCorrection) {
    // Readings 0.05 m high at both marks: the gain stays, the offset moves by -0.05 x gain.
    const auto t = calibration::twoPointCalibration(4096, -500, 1000, 0.2f, 0.8f, 0.25f, 0.85f);
    ASSERT_TRUE(t.ok);
    EXPECT_NEAR(t.gain, 4096.0f, 0.01f);
    EXPECT_NEAR(t.offset, -500.0f - 0.05f * 4096.0f, 0.05f);

    // A staff that reads short by 10 % wants 10 % more gain.
    const auto g = calibration::twoPointCalibration(4096, 0, 2000, 0.4f, 1.6f, 0.36f, 1.44f);
    ASSERT_TRUE(g.ok);
    EXPECT_NEAR(g.gain, 4096.0f * 1.2f / 1.08f, 0.05f);
}

TEST(StaffCalibration, RefusesWhatWouldDivideByZeroOrOverflow) {
    for (const auto& t :
         {calibration::twoPointCalibration(4096, -500, 1000, 0.5f, 0.5f, 0.2f, 0.8f),
          calibration::twoPointCalibration(4096, -500, 1000, 0.2f, 0.8f, 0.4f, 0.4f),
          calibration::twoPointCalibration(4096, -500, 0, 0.2f, 0.8f, 0.2f, 0.8f),
          calibration::twoPointCalibration(4096, -500, 1000, 0.0f, 10.0f, 0.0f, 0.001f)}) {
        EXPECT_FALSE(t.ok);
        EXPECT_FALSE(t.refusal.empty());
        EXPECT_FALSE(std::isnan(t.gain) || std::isinf(t.gain));
    }
}

}  // namespace
