#include "live/record_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "live_rig.h"

using live_test::burstHead;
using live_test::packet;

namespace {

std::string record(const std::string& payload, float value = 0, int unitType = 0, int values = 64) {
    links::RxFrame f = packet(0x1, payload);
    live::MessageText text(f.data.data(), f.length);
    live::OutputLine line;
    line.Value = value;
    std::array<float, 64> v{};
    for (int i = 0; i < 64; ++i)
        v[static_cast<std::size_t>(i)] = 0.001f * static_cast<float>(i) - 0.01f;
    std::array<std::uint8_t, 128> raw{};
    for (int i = 0; i < 128; ++i)
        raw[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>('a' + i % 26);
    live::RecordBuffer out;
    int n = live::buildRecord(text, line, unitType,
                              std::span<const float>(v.data(), static_cast<std::size_t>(values)),
                              raw, out);
    return std::string(out.data(), static_cast<std::size_t>(n));
}

TEST(RecordFormat, FixedPointMatchesPrintfExactly) {
    const double samples[] = {1.234f,     -0.1234f,    0.0f,    -0.0f,    12.5f,
                              0.00005,    -0.00005,    9.99995, 99.99996, -12.34567f,
                              123456.789, 0.123449999, 1e-9,    3.4e38};
    char want[512], got[512];
    for (double v : samples) {
        for (auto [w, p] : {std::pair{7, 4}, std::pair{8, 5}}) {
            std::snprintf(want, sizeof want, "%0*.*f", w, p, v);
            int n = live::formatFixed(v, w, p, got, got + sizeof got);
            EXPECT_EQ(std::string(got, static_cast<std::size_t>(n)), want) << v;
        }
    }
    for (int i = -200000; i <= 200000; i += 7) {  // a sweep through the staffs' range
        float v = static_cast<float>(i) / 10000.0f;
        std::snprintf(want, sizeof want, "%07.4f", static_cast<double>(v));
        int n = live::formatFixed(v, 7, 4, got, got + sizeof got);
        ASSERT_EQ(std::string(got, static_cast<std::size_t>(n)), want) << v;
    }
}

TEST(RecordFormat, EveryMessageKindHasItsLayoutAndLength) {
    EXPECT_EQ(record("C012,D1,S04,01234\r\n", 1.234f), "C012,D1,S04,01.2340\r\n");
    EXPECT_EQ(record("C012,D1,S04,01234\r\n", -0.1234f), "C012,D1,S04,-0.1234\r\n");
    EXPECT_EQ(record("C001,D1,S01,01.23456\r\n", 1.23456f, 9), "C001,D1,S01,01.23456\r\n");
    EXPECT_EQ(record("C012,D4,+21.50\r\n"), "C012,D4,+21.5\r\n");
    EXPECT_EQ(record("C012,D7,BATT_L\r\n").size(), 21u);
    EXPECT_EQ(record("C012,D8,2026-12-08\r\n"), "C012,D8,2026-12-08\r\n");
    EXPECT_EQ(record("C012,D9,12:00:05\r\n"), "C012,D9,12:00:05\r\n");
    EXPECT_EQ(record("C012,D2,whatever\r\n"), "");

    const std::string a = record(burstHead('A', 4, 32) + std::string(192, '0'));
    EXPECT_EQ(a.size(), 289u);
    EXPECT_EQ(a.substr(0, 47), "A004,S32,B0,2014-02-10T16:00:40,-0.0100,-0.0090");
    EXPECT_EQ(record(burstHead('F', 4, 32) + std::string(128, '\0')).size(), 289u);
    EXPECT_EQ(record(burstHead('I', 4, 16) + std::string(128, '\0')).size(), 545u);
    EXPECT_EQ(record(burstHead('i', 4, 16) + std::string(120, '\0'), 0, 0, 60).size(), 513u);
    const std::string g = record(burstHead('G', 4, 1) + std::string(128, 'x'));
    EXPECT_EQ(g.size(), 162u);
    EXPECT_EQ(g.substr(0, 33), "G004,S01,B0,2014-02-10T16:00:40,a");
    // A short burst is not recorded; a short text keeps its length.
    EXPECT_EQ(record(burstHead('I', 4, 16) + std::string(20, '\0')), "");
    EXPECT_EQ(record("C012,D4,5.0"), "C012,D4,5.0  \r\n");
    // A line end inside the fixed width never splits a record: it is blanked with the rest.
    EXPECT_EQ(record("C012,D7,G\r\n"), "C012,D7,G          \r\n");
    EXPECT_EQ(record("C012,D4,19.5\r\n"), "C012,D4,19.5 \r\n");
}

TEST(RecordFormat, FileNamesTakeTheThreeDigitNumberAndNeverLoseCharacters) {
    EXPECT_EQ(live::recordingFileName("/data/survey.csv"), "/data/survey000.csv");
    EXPECT_EQ(live::recordingFileName("log.txt"), "log000.csv");
    // Names without an extension keep every character and their folder.
    EXPECT_EQ(live::recordingFileName("ab"), "ab000.csv");
    EXPECT_EQ(live::recordingFileName("/data/run/monday"), "/data/run/monday000.csv");
    EXPECT_EQ(live::recordingFileName("sub/ab"), "sub/ab000.csv");
    EXPECT_EQ(live::recordingFileName("/data/v1.2/run"), "/data/v1.2/run000.csv");
    EXPECT_EQ(live::recordingFileName("/data/SURVEY.CSV"), "/data/SURVEY000.csv");
    EXPECT_EQ(live::captureFileName("/data/raw"), "/data/raw.DAT");
    EXPECT_EQ(live::captureFileName("/data/raw.dat"), "/data/raw.dat");
    EXPECT_EQ(live::numberedCaptureName("/data/raw.DAT", 0), "/data/raw.DAT");
    EXPECT_EQ(live::numberedCaptureName("/data/raw.DAT", 12), "/data/raw012.DAT");
    EXPECT_EQ(live::numberedFileName("/data/survey000.csv", 7), "/data/survey007.csv");
    EXPECT_EQ(live::numberedFileName("/data/survey000.csv", 998), "/data/survey998.csv");
}

}  // namespace
