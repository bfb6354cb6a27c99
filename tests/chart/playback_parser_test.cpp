#include "chart/playback_parser.h"

#include <gtest/gtest.h>

#include <charconv>
#include <optional>
#include <random>
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
    // A sample's value is whatever number fills the rest of the line, blanks around it.
    for (const std::string value :
         {"01.0990", "-1.0990", " 1.0990", "01.099:", "0/.0990", "01.0990 ", " 1.5 ", "-0", "5.",
          ".5", "1e2", "-2.5E-1", "1234567890123456.5", "0.30000000000000004", "1,5", "1 5", "+1",
          "- 1", "1.5,", "--1", "1..5", "inf"}) {
        const auto b = value.find_first_not_of(' ');
        const auto e = value.find_last_not_of(' ') + 1;
        double want = 0;
        const auto read = std::from_chars(value.data() + b, value.data() + e, want);
        const bool number = read.ec == std::errc() && read.ptr == value.data() + e;
        ASSERT_EQ(parseCsvLine("C012,D1,S04," + value, r), number) << value;
        if (number) {
            EXPECT_EQ(r.value, static_cast<float>(want)) << value;
        }
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

// A field as a reader without shortcuts takes it: blanks around a number, which is metres
// when it has a decimal point and millimetres when not; nothing when it is no number.
std::optional<float> plainReading(const std::string& field) {
    const auto b = field.find_first_not_of(' ');
    if (b == std::string::npos) return std::nullopt;
    const auto e = field.find_last_not_of(' ') + 1;
    double v = 0;
    const auto r = std::from_chars(field.data() + b, field.data() + e, v);
    if (r.ec != std::errc() || r.ptr != field.data() + e) return std::nullopt;
    if (field.find('.') == std::string::npos) v /= 1000.0;
    return static_cast<float>(v);
}

TEST(PlaybackParser, BlockValuesNearTheRecordersOwnFieldReadAsWritten) {
    // The recorder writes ",dd.dddd"; fields of that length or shape that are something else
    // must be read (or refused) as any other field, wherever they stand in the line.
    std::vector<std::string> fields = {
        "01.5000", "99.9999", "00.0000", "-0.1234", "1.50000", "015.000", "01.500",
        "01.50000", "0:.5000", "01/5000", "01.5:00", "01.50/0", "01.5 00", " 1.5000",
        "01.5000 ", "0150000", "01500", "01..500", "1e.0000", "01.5e00", "", "."};
    std::mt19937 random(11);
    const std::string alphabet = "0123456789.. -e:/";
    for (int i = 0; i < 3000; ++i) {
        std::string f(1 + random() % 9, '0');
        for (char& c : f) c = alphabet[random() % alphabet.size()];
        // Mostly the recorder's shape with one character changed.
        if (i % 2 == 0) {
            f = "12.3456";
            f[random() % 7] = alphabet[random() % alphabet.size()];
        }
        fields.push_back(f);
    }
    int wrong = 0;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::string& f = fields[i];
        const std::optional<float> expected = plainReading(f);
        // Alone in every place, then between recorder fields, then last after them.
        for (int shape = 0; shape < 3; ++shape) {
            std::string line = "A004,S08,B2,2014-02-10T16:00:40";
            for (int k = 0; k < 32; ++k) {
                const bool here = shape == 0 || (shape == 1 && k % 3 == 1) || (shape == 2 && k == 31);
                line += "," + (here ? f : std::string("07.2500"));
            }
            CsvRecord r;
            const bool read = parseCsvLine(line, r);
            bool right = read == expected.has_value();
            for (int k = 0; right && read && k < 32; ++k) {
                const bool here = shape == 0 || (shape == 1 && k % 3 == 1) || (shape == 2 && k == 31);
                const float v = r.values[static_cast<std::size_t>(k)];
                right = here ? v == *expected : v == 7.25f;
            }
            if (!right && ++wrong <= 5) ADD_FAILURE() << "field \"" << f << "\" in " << line;
        }
    }
    EXPECT_EQ(wrong, 0);
}

}  // namespace
