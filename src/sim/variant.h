#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sim {

// How a simulated unit departs from the plain one: a freedom the units' wire formats leave open
// (the character between readings, line ends) or a way real units misbehave (a logger that
// answers "OA" with the block it just sent). Chosen by name; the seed makes a run reproducible
// and picks whatever the variant leaves to chance.
struct Variant {
    std::string name = "plain";
    std::uint32_t seed = 1;

    // Wired records and synchronizer data lines: what stands between two readings (and between
    // a wired record's sample and its temperature); empty for the unit's own (a blank between
    // a synchronizer's readings, a comma before a wired unit's temperature).
    std::string separator;
    std::string separatorOr(const char* own) const { return separator.empty() ? own : separator; }
    std::string lineEnd = "\r\n";  // of every line a wired unit or the synchronizer sends
    bool padded = false;            // readings padded with blanks rather than leading zeros
    // Readings (and wired temperatures) as bare numbers, no leading zeros: the k-th of them
    // (a record's, a channel's) reads k % 4 decades lower, so widths of one to four digits
    // all come up.
    bool bareReadings = false;
    bool belowZero = false;         // wired units' water is about -1 degree: signed temperatures
    int trailingBlanks = 0;         // blanks before the line end of a record or data line
    bool noTemperature = false;     // wired units start with the air temperature off

    // Radio units: commands (by mnemonic, "WQ") a unit takes but never answers.
    std::vector<std::string> unanswered;
    // Seconds a reply to a command takes, drawn for each from [replyDelayMin, replyDelayMax].
    double replyDelayMin = 0, replyDelayMax = 0;
    double replyDelayShare = 1;  // the share of replies that take that time; the rest come at once
    // Replies just inside the host's time-outs instead: a read's answer before 3 s, a write's
    // before 10.5 s (the same share of them).
    bool justInside = false;
    bool duplicateReplies = false;  // every reply comes twice
    // A text reply goes out in two or three frames cut anywhere, partGap seconds apart (the
    // unit's samples go out between them).
    bool splitReplies = false;
    double partGap = 0;
    // The share of text replies the radio holds and sends in one frame with the next.
    double joinShare = 0;
    bool keepsOldValues = false;    // a write is answered with the value the unit held before

    // The data logger's flash-card upload.
    bool repeatOnOa = false;      // "OA" is answered at once with the block last sent
    bool noClosingBlock = false;  // a file of whole blocks ends with its last full block
    double secondSizeReply = -1;  // seconds after the first when "OI" is answered again; -1 never
    double blockDelay = 0;        // seconds the logger takes to answer "OO", "OR" and "OA"
    int lostOr = 0;               // the logger never hears the n-th "OR" of an upload; 0 none
    bool blockTwice = false;      // the logger sends the second block of an upload twice
    // The logger's link drops at a stage of an upload, and it hears nothing from then on:
    // 0 the size request, 1 the open, 2 the second "OR", 3 the empty closing block. -1 never.
    int linkLostAt = -1;

    // The line between a device and the computer.
    bool byteByByte = false;  // bytes reach the computer one at a time
    double burstEvery = 0;    // seconds: what a device sends is held and let go in bursts
    double latency = 0;       // seconds every byte takes on its way (a slow adapter)
    double noiseShare = 0;    // the share of radio frames with stray bytes before them

    // The units' clocks: seconds ahead at the start and parts per million fast (chosen by the
    // seed), and a step of jumpSeconds after jumpAfter seconds (0: none).
    bool clocksOff = false;
    double jumpAfter = 0, jumpSeconds = 0;

    // A count (a reading, a temperature) as the unit writes it into a record or data line.
    std::string countText(long count, int k = 0) const;

    // A short word on what it plays, for --help and the logs.
    std::string summary;
};

// The variant of that name with the seed's choices; nullopt for an unknown name.
std::optional<Variant> variantNamed(const std::string& name, std::uint32_t seed = 1);
// Every variant's name, "plain" first.
std::vector<std::string> variantNames();

}  // namespace sim
