// Control table rows of file playback, in a frame of their own on the plot page beside the data
// source: first what is watched while a file plays (the time played up to, the speed, the time
// to go to), then the times the file spans, the position slider, the file's name and header.
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
    "How fast the recording plays, as a multiple of real time (the pace it was recorded at):\n"
    "1x plays a minute of recording in a minute, 60x an hour in a minute. A gap in the\n"
    "recording is skipped, not waited out. A negative speed goes backwards through the\n"
    "recording at that pace, clearing the chart at each step. A file holding no recorded\n"
    "times plays by kilobytes: 1x reads one kilobyte a second. \"Played up to\" shows the\n"
    "recorded time reached and how many times faster than real time it goes by.";
constexpr std::string_view kPositionHelp =
    "Where the file plays from. \"Recorded\" shows the times the file spans once they have\n"
    "been read (a large file shows how far that has come). Type a time into \"Go to time\" as\n"
    "hh:mm:ss (the first such time in the file) or YYYY-MM-DD hh:mm:ss and press Enter, or\n"
    "move the Position slider, which counts the file's kilobytes: the chart is cleared and\n"
    "playing goes on from there. \"Played up to\" shows the recorded time reached.";

// Multiples of real time. 0 is not offered: it would be no step at all.
constexpr std::array<RingItem, 13> kSpeeds{{
    {"-60x (back)", -60},
    {"-10x (back)", -10},
    {"-2x (back)", -2},
    {"-1x (back)", -1},
    {"1x (real time)", 1},
    {"2x", 2},
    {"5x", 5},
    {"10x", 10},
    {"30x", 30},
    {"60x", 60},
    {"300x", 300},
    {"1000x", 1000},
    {"3600x", 3600},
}};

std::vector<ControlSpec> build() {
    return {
        {.id = Ctl::PlotFileTime,
         .page = Page::Plot,
         .kind = Kind::TextMsg,
         .caption = "Played up to",
         .frame = kFrame,
         .helpTitle = "FILE POSITION",
         .helpText = kPositionHelp,
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
        {.id = Ctl::PlotGoToTime,
         .page = Page::Plot,
         .kind = Kind::TextEntry,
         .caption = "Go to time",
         .frame = kFrame,
         .startDimmed = true,
         .helpTitle = "FILE POSITION",
         .helpText = kPositionHelp},
        {.id = Ctl::PlotFileSpan,
         .page = Page::Plot,
         .kind = Kind::TextMsg,
         .caption = "Recorded",
         .frame = kFrame,
         .helpTitle = "FILE POSITION",
         .helpText = kPositionHelp,
         .indicator = true,
         .wraps = true},
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
        {.id = Ctl::FileTimeIndexTimer, .kind = Kind::Timer, .caption = "FileTimeIndexTimer",
         .timerMs = 10},
    };
}

}  // namespace

std::span<const ControlSpec> playback() {
    static const std::vector<ControlSpec> rows = build();
    return rows;
}

}  // namespace platform::fragments
