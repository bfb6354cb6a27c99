#include "chart/playback_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using chart::CsvLineAssembler;
using chart::CsvRecord;
using chart::parseCsvLine;
using chart::PlaybackType;

std::vector<std::string> assemble(CsvLineAssembler& a, const std::string& bytes) {
    std::vector<std::string> lines;
    a.feed(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()),
           [&lines](std::string_view l) { lines.emplace_back(l); });
    return lines;
}

TEST(PlaybackParser, FileTypeComesFromTheExtensionsTheRecorderWrites) {
    EXPECT_EQ(chart::playbackFileType("/d/survey000.csv"), PlaybackType::Csv);
    EXPECT_EQ(chart::playbackFileType("SURVEY.CSV"), PlaybackType::Csv);
    EXPECT_EQ(chart::playbackFileType("cap.DAT"), PlaybackType::Dat);
    EXPECT_EQ(chart::playbackFileType("cap.dat"), PlaybackType::Dat);
    EXPECT_EQ(chart::playbackFileType("cap.Dat"), PlaybackType::NotAllowed);
    EXPECT_EQ(chart::playbackFileType("notes.txt"), PlaybackType::NotAllowed);
    EXPECT_EQ(chart::playbackFileType("sv"), PlaybackType::NotAllowed);
}

TEST(PlaybackParser, HeaderIsTheFirstLineOfAFileStartingWithABlank) {
    const std::string h = " VELMConvert Plain60\r\nf001,...";
    EXPECT_EQ(chart::headerLine(std::span(h.data(), h.size())), " VELMConvert Plain60");
    const std::string none = "C001,D1,S04,01.0000\r\n";
    EXPECT_EQ(chart::headerLine(std::span(none.data(), none.size())), "");
    const std::string endless(600, ' ');
    EXPECT_EQ(chart::headerLine(std::span(endless.data(), endless.size())).size(), 250u);
}

TEST(PlaybackParser, LinesAreAssembledAcrossReadsAndCrLfEndsALineOnce) {
    CsvLineAssembler a;
    EXPECT_TRUE(assemble(a, "xx C004,D1,S0").empty());
    EXPECT_EQ(assemble(a, "4,01.0000\r\nC004,D9,16:00:41\r\n"),
              (std::vector<std::string>{"C004,D1,S04,01.0000", "C004,D9,16:00:41"}));
    // A jump drops the line begun.
    EXPECT_TRUE(assemble(a, "A004,S0").empty());
    a.restartLine();
    EXPECT_EQ(assemble(a, "8,B0\rf001\n"), (std::vector<std::string>{"f001"}));
    // Longer than the line buffer: dropped whole, the next line is intact.
    EXPECT_EQ(assemble(a, "C" + std::string(5000, '1') + "\nC002\n"),
              (std::vector<std::string>{"C002"}));
}

// A reader that refuses what it cannot take names the line as an editor shows it: raw data
// counts its line ends too.
TEST(PlaybackParser, LinesAreNumberedAsAnEditorNumbersThemAndSkippedContentIsNoted) {
    CsvLineAssembler a;
    std::vector<std::int64_t> numbers;
    const std::string raw = "G001,S01,B0,2014-02-10T16:00:40," + std::string(60, 'a') + "\n" +
                            std::string(67, 'b');
    const std::string bytes = "C001,D9,16:00:00\r\n\r\n" + raw + "\r\nC001,D1,S04,01.0000\r\n";
    a.feed(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()),
           [&](std::string_view) { numbers.push_back(a.lineNumber()); });
    EXPECT_EQ(numbers, (std::vector<std::int64_t>{1, 3, 5}));
    EXPECT_EQ(a.firstSkipped(), 0);
    EXPECT_EQ(assemble(a, "# a note\r\nC001,D9,16:00:01\r\n# another\r\n").size(), 1u);
    EXPECT_EQ(a.firstSkipped(), 6);
    // A line too long for the buffer is noted where it began.
    a.reset();
    EXPECT_EQ(assemble(a, "C001\nC" + std::string(5000, '1') + "\n").size(), 1u);
    EXPECT_EQ(a.firstSkipped(), 2);
}

TEST(PlaybackParser, AFlashCardFileIsRejectedOnceByItsFirstByte) {
    CsvLineAssembler a;
    bool rejected = a.feed(std::span(reinterpret_cast<const std::uint8_t*>("YC001\n"), 6),
                           [](std::string_view) { FAIL(); });
    EXPECT_TRUE(rejected);
    EXPECT_FALSE(a.feed(std::span(reinterpret_cast<const std::uint8_t*>("C001\n"), 5),
                        [](std::string_view) { FAIL(); }));
    EXPECT_EQ(a.content(), CsvLineAssembler::Content::Rejected);
}

TEST(PlaybackParser, TextLinesCarryTheirFields) {
    CsvRecord r;
    ASSERT_TRUE(parseCsvLine("C012,D1,S04,-01.2500", r));
    EXPECT_EQ(r.device, 12);
    EXPECT_EQ(r.rate, 4);
    EXPECT_FLOAT_EQ(r.value, -1.25f);
    ASSERT_TRUE(parseCsvLine("C012,D8,2014-02-10", r));
    EXPECT_EQ(r.text, "2014-02-10");
    ASSERT_TRUE(parseCsvLine("C012,D9,16:00:41", r));
    EXPECT_EQ(r.text, "16:00:41");
    ASSERT_TRUE(parseCsvLine("C012,D7,L ", r));
    EXPECT_EQ(r.sensor, 'L');
    ASSERT_TRUE(parseCsvLine("C012,D4,21.50", r));
    EXPECT_FLOAT_EQ(r.value, 21.5f);
    for (const char* bad : {"C012,D1,S04,", "C012,D1,S04,1.2x", "C012,D8,2014-02", "C012,D5,x",
                            "C256,D1,S04,1.0", "C12,D1,S04,1.0", "C012", "G012,S01,B0"}) {
        EXPECT_FALSE(parseCsvLine(bad, r)) << bad;
    }
}

TEST(PlaybackParser, BlockLinesTakeMetresAsWrittenAndOldMillimetreFields) {
    auto line = [](char kind, int n, const std::string& field) {
        std::string s = std::string(1, kind) + "004,S08,B2,2014-02-10T16:00:40";
        for (int i = 0; i < n; ++i) s += "," + field;
        return s;
    };
    CsvRecord r;
    const std::string recorded = line('A', 32, "01.5000");  // r.text points into it
    EXPECT_EQ(recorded.size(), 287u);
    ASSERT_TRUE(parseCsvLine(recorded, r));
    EXPECT_EQ(r.count, 32);
    EXPECT_EQ(r.rate, 8);
    EXPECT_EQ(r.mode, '2');
    EXPECT_EQ(r.text, "2014-02-10T16:00:40");
    EXPECT_FLOAT_EQ(r.values[31], 1.5f);
    ASSERT_TRUE(parseCsvLine(line('I', 32, "01500"), r));  // whole millimetres
    EXPECT_FLOAT_EQ(r.values[0], 1.5f);
    ASSERT_TRUE(parseCsvLine(line('I', 64, "-12.3456"), r));  // wider than the usual field
    EXPECT_EQ(r.count, 64);
    EXPECT_FLOAT_EQ(r.values[63], -12.3456f);
    ASSERT_TRUE(parseCsvLine(line('f', 60, "00.2500"), r));
    EXPECT_EQ(r.count, 60);
    EXPECT_FALSE(parseCsvLine(line('A', 31, "01.5000"), r));
    EXPECT_FALSE(parseCsvLine(line('f', 32, "01.5000"), r));
    EXPECT_FALSE(parseCsvLine(line('I', 65, "01.5000"), r));
    EXPECT_FALSE(parseCsvLine(line('A', 32, "01.5000") + ",", r));
}

}  // namespace
