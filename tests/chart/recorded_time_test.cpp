#include "chart/recorded_time.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "support/wire_frames.h"

namespace {

using chart::FileTimeIndex;
using chart::PlaybackType;

double at(int year, int month, int day, int hour, int minute, int second) {
    return platform::toAbsTime({year, month, day, hour, minute, second, 0});
}

// A block line of 32 values as the recorder writes it, stamped with t.
std::string block(int device, double t) {
    char head[40];
    std::snprintf(head, sizeof head, "A%03d,S08,B0,%s", device, chart::timeText(t).c_str());
    std::string s = head;
    for (int i = 0; i < 32; ++i) s += ",01.5000";
    return s + "\r\n";
}

FileTimeIndex indexOf(PlaybackType type, const std::string& bytes, std::size_t chunk) {
    FileTimeIndex index(type);
    for (std::size_t i = 0; i < bytes.size(); i += chunk) {
        const std::size_t n = std::min(chunk, bytes.size() - i);
        index.feed(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()) + i, n));
    }
    index.finish();
    return index;
}

// Every step's time, as playing up to it shows.
std::vector<double> stepTimes(const FileTimeIndex& index, std::int64_t size) {
    std::vector<double> t;
    for (std::int64_t o = 0; o <= size; o += FileTimeIndex::kStep) t.push_back(index.timeAt(o).value_or(-1));
    return t;
}

// A survey with what real files hold: a header, lines cut or garbled, a line with an
// impossible date, one unit whose clock is hours off, a line from a far year, and a two-hour
// pause of the recording. The index keeps to the survey's own times throughout.
TEST(FileTimeIndex, AwkwardLinesAndAWrongClockLeaveTheTimesAloneAndAGapIsKept) {
    const double t0 = at(2014, 2, 10, 16, 0, 40);
    std::string file = " Plain60 header\r\n";
    for (int i = 0; i < 60; ++i) {
        file += block(4, t0 + 4 * i);
        if (i % 5 == 0) file += block(9, t0 + 4 * i + 3 * 3600);  // a clock three hours ahead
        if (i == 10) file += "A004,S08,B0,2014-13-45T16:00:00,01.5000\r\nC004,D9,99:99:99\r\n";
        if (i == 20) file += block(4, at(2031, 1, 1, 0, 0, 0));  // one line from a far year
        if (i == 30) file += block(4, t0).substr(0, 40);         // cut off
    }
    const double resumed = t0 + 4 * 59 + 2 * 3600;
    for (int i = 0; i < 30; ++i) file += block(4, resumed + 4 * i);
    const auto size = static_cast<std::int64_t>(file.size());

    const FileTimeIndex whole = indexOf(PlaybackType::Csv, file, file.size());
    ASSERT_TRUE(whole.complete());
    EXPECT_EQ(whole.first(), t0);
    EXPECT_EQ(whole.last(), resumed + 4 * 29);
    const std::vector<double> times = stepTimes(whole, size);
    for (std::size_t i = 1; i < times.size(); ++i) {
        EXPECT_GE(times[i], times[i - 1]) << "step " << i;
        EXPECT_TRUE(times[i] <= t0 + 4 * 59 || times[i] >= resumed) << chart::timeText(times[i]);
    }
    // Read in odd pieces (as the background reader's chunks fall) it is the same index.
    for (std::size_t chunk : {1u, 7u, 1023u, 1025u}) {
        EXPECT_EQ(stepTimes(indexOf(PlaybackType::Csv, file, chunk), size), times) << chunk;
    }

    // Going to a time starts at the step in which it is reached: playing from there reaches
    // it within a step; a time in the gap goes to the far side of it.
    for (double t : {t0 + 100, t0 + 200, resumed + 50}) {
        const auto o = whole.offsetOf(t);
        ASSERT_TRUE(o.has_value());
        EXPECT_LT(whole.timeAt(*o).value_or(-1), t);
        EXPECT_GE(whole.timeAt(*o + FileTimeIndex::kStep).value_or(-1), t);
    }
    const auto inGap = whole.offsetOf(t0 + 3600);
    ASSERT_TRUE(inGap.has_value());
    EXPECT_GE(whole.timeAt(*inGap + FileTimeIndex::kStep).value_or(-1), resumed);
    EXPECT_EQ(whole.offsetOf(t0 - 60), 0);
    EXPECT_EQ(whole.offsetOf(resumed + 3600), size);  // after the end: the end

    // Half read, a time beyond the part read is not known yet.
    FileTimeIndex half(PlaybackType::Csv);
    half.feed(std::span(reinterpret_cast<const std::uint8_t*>(file.data()), file.size() / 2));
    EXPECT_FALSE(half.complete());
    EXPECT_FALSE(half.offsetOf(resumed + 50).has_value());
    EXPECT_TRUE(half.offsetOf(t0 + 100).has_value());
}

// Continuous units send a date line now and then and a time line each second. One that
// crosses midnight before its next date line, a capture of radio frames with garbage between
// them, a file with a single timed line, a flash-card file and one with no times at all.
TEST(FileTimeIndex, MidnightWithoutANewDateCapturesAndFilesWithoutTimes) {
    std::string text = "C005,D8,2014-02-10\r\n";
    for (int s = 0; s < 120; ++s) {
        char line[64];
        std::snprintf(line, sizeof line, "C005,D9,%02d:%02d:%02d\r\n", (23 * 3600 + 59 * 60 + s) / 3600 % 24,
                      (59 * 60 + s) / 60 % 60, s % 60);
        text += line;
        for (int k = 0; k < 4; ++k) text += "C005,D1,S04,01.5000\r\n";
    }
    const FileTimeIndex csv = indexOf(PlaybackType::Csv, text, 4096);
    EXPECT_EQ(csv.first(), at(2014, 2, 10, 23, 59, 0));
    // The last time line reads 00:00:59, and the samples after it a quarter second each.
    EXPECT_EQ(csv.last(), at(2014, 2, 11, 0, 0, 59) + 0.75);

    // The same as radio frames, the date resent after midnight, noise between frames.
    std::string capture;
    const std::uint64_t unit = 0x0013A20040A1B2C3ull;
    auto frame = [&](const std::string& t) { capture += testing_support::receivePacket(unit, t); };
    frame("C005,D8,2014-02-10\r\n");
    for (int s = 0; s < 120; ++s) {
        if (s == 61) frame("C005,D8,2014-02-11\r\n");
        char line[32];
        std::snprintf(line, sizeof line, "C005,D9,%02d:%02d:%02d\r\n", s < 60 ? 23 : 0,
                      s < 60 ? 59 : 0, s % 60);
        frame(line);
        capture += std::string("\x7E\x00\x01garbage", 10);
    }
    const FileTimeIndex dat = indexOf(PlaybackType::Dat, capture, 333);
    EXPECT_EQ(dat.first(), at(2014, 2, 10, 23, 59, 0));
    EXPECT_EQ(dat.last(), at(2014, 2, 11, 0, 0, 59));

    const FileTimeIndex one = indexOf(PlaybackType::Csv, block(4, at(2014, 2, 10, 16, 0, 40)), 100);
    EXPECT_EQ(one.first(), at(2014, 2, 10, 16, 0, 40));
    EXPECT_EQ(one.last(), one.first());

    for (const std::string& none : {std::string(5000, ' '), std::string("Y").append(block(4, at(2014, 2, 10, 16, 0, 0)))}) {
        const FileTimeIndex index = indexOf(PlaybackType::Csv, none, 1024);
        EXPECT_FALSE(index.first().has_value());
        EXPECT_FALSE(index.timeAt(2048).has_value());
        EXPECT_EQ(index.offsetOf(at(2014, 2, 10, 16, 0, 0)), static_cast<std::int64_t>(none.size()));
    }
}

TEST(FileTimeIndex, AGoToTimeIsADateAndTimeOrTheFirstSuchTimeOfDayInTheFile) {
    const double start = at(2014, 2, 10, 16, 0, 40);
    EXPECT_EQ(chart::parseGoToTime("2014-02-11 01:02:03", start), at(2014, 2, 11, 1, 2, 3));
    EXPECT_EQ(chart::parseGoToTime(" 2014-02-11T01:02:03 ", start), at(2014, 2, 11, 1, 2, 3));
    EXPECT_EQ(chart::parseGoToTime("16:30:00", start), at(2014, 2, 10, 16, 30, 0));
    EXPECT_EQ(chart::parseGoToTime("16:00", start), at(2014, 2, 11, 16, 0, 0));  // before the start
    EXPECT_EQ(chart::parseGoToTime("01:15", start), at(2014, 2, 11, 1, 15, 0));
    for (const char* bad : {"", "16", "25:00:00", "16:61", "2014-02-30 10:00:00x", "noon",
                            "2014-13-01 10:00:00", "16:00:00:00"}) {
        EXPECT_FALSE(chart::parseGoToTime(bad, start).has_value()) << bad;
    }
    EXPECT_EQ(chart::durationText(42), "42 s");
    EXPECT_EQ(chart::durationText(236), "3 min 56 s");
    EXPECT_EQ(chart::durationText(2 * 3600 + 300), "2 h 05 min");
    EXPECT_EQ(chart::durationText(3 * 86400 + 4 * 3600), "3 d 4 h");
}

}  // namespace
