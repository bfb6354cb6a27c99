// Control table rows of file playback: the open file's name and header, the speed and the
// position slider, in a frame of their own on the plot page beside the data source.
#include <array>

#include "platform/control_table.h"

namespace platform::fragments {

namespace {

constexpr std::string_view kFrame = "File playback";

constexpr std::string_view kOpenHelpTitle = "OPEN FILE FROM THIS COMPUTER";
constexpr std::string_view kOpenHelp =
    "Open a file with File > Open file to plot: a sample file (*.csv) recorded by this\n"
    "program, a Plain60 file converted from a Tidecorder flash card, or a frame capture\n"
    "(*.DAT). The data source turns to \"File\" (the live units go on being recorded);\n"
    "press Start plotting to play it through the display and the chart.";
constexpr std::string_view kSpeedHelp =
    "Kilobytes of the file played each second. A negative speed steps backwards through\n"
    "the file one kilobyte at a time, clearing the chart at each step. \"Played up to\"\n"
    "shows the recorded time reached and how many times faster than real time that is.";
constexpr std::string_view kPositionHelp =
    "Position in the file, in kilobytes. Enter a position to jump there: the chart is\n"
    "cleared and playing goes on from that point. \"Played up to\" shows the recorded\n"
    "time reached there once the next kilobyte has played.";

// Kilobytes per second. 0 is not offered: it would be no step at all.
constexpr std::array<RingItem, 14> kSpeeds{{
    {"-20 KB/s (back)", -20},
    {"-5 KB/s (back)", -5},
    {"-2 KB/s (back)", -2},
    {"-1 KB/s (back)", -1},
    {"1 KB/s", 1},
    {"2 KB/s", 2},
    {"5 KB/s", 5},
    {"10 KB/s", 10},
    {"20 KB/s", 20},
    {"50 KB/s", 50},
    {"100 KB/s", 100},
    {"200 KB/s", 200},
    {"500 KB/s", 500},
    {"1000 KB/s", 1000},
}};

std::vector<ControlSpec> build() {
    return {
        {.id = Ctl::PlotFileName,
         .page = Page::Plot,
         .kind = Kind::TextMsg,
         .caption = "File",
         .frame = kFrame,
         .helpTitle = kOpenHelpTitle,
         .helpText = kOpenHelp,
         .indicator = true,
         .wraps = true},
        {.id = Ctl::PlotFileHeader,
         .page = Page::Plot,
         .kind = Kind::TextMsg,
         .caption = "Header",
         .frame = kFrame,
         .helpTitle = kOpenHelpTitle,
         .helpText = kOpenHelp,
         .indicator = true,
         .wraps = true},
        {.id = Ctl::PlotSpeedCtr,
         .page = Page::Plot,
         .kind = Kind::Ring,
         .caption = "Speed",
         .frame = kFrame,
         .defValue = 1,
         .items = kSpeeds,
         .startDimmed = true,
         .helpTitle = "PLAYBACK SPEED",
         .helpText = kSpeedHelp},
        {.id = Ctl::FileKbPosition,
         .page = Page::Plot,
         .kind = Kind::Slider,
         .caption = "Position (KB)",
         .frame = kFrame,
         .minValue = 0,
         .maxValue = 100,
         .startDimmed = true,
         .helpTitle = "FILE POSITION",
         .helpText = kPositionHelp},
        {.id = Ctl::PlotFileTime,
         .page = Page::Plot,
         .kind = Kind::TextMsg,
         .caption = "Played up to",
         .frame = kFrame,
         .helpTitle = "FILE POSITION",
         .helpText = kPositionHelp,
         .indicator = true,
         .wraps = true},
    };
}

}  // namespace

std::span<const ControlSpec> playback() {
    static const std::vector<ControlSpec> rows = build();
    return rows;
}

}  // namespace platform::fragments
