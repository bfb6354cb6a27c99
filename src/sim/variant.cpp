#include "sim/variant.h"

#include <array>
#include <cstdio>

namespace sim {

namespace {

struct Named {
    const char* name;
    const char* summary;
    void (*apply)(Variant& v);
};

// One row per variant; new behaviours are new rows.
constexpr auto kVariants = std::to_array<Named>({
    {"plain", "the units as first written: blanks between readings, CR LF, prompt replies",
     [](Variant&) {}},
    {"comma", "readings and record fields separated by commas",
     [](Variant& v) { v.separator.assign(1, ','); }},
    {"tab", "readings and record fields separated by tabs",
     [](Variant& v) { v.separator.assign(1, '\t'); }},
    {"semicolon", "readings and record fields separated by semicolons",
     [](Variant& v) { v.separator.assign(1, ';'); }},
    {"lf", "lines end in LF alone", [](Variant& v) { v.lineEnd.assign(1, '\n'); }},
    {"cr", "lines end in CR alone", [](Variant& v) { v.lineEnd.assign(1, '\r'); }},
    {"padded", "readings padded with blanks, not zeros, and blanks before the line end",
     [](Variant& v) {
         v.padded = true;
         v.trailingBlanks = 3;
     }},
    {"bare-readings",
     "readings and temperatures without leading zeros, one to four digits wide",
     [](Variant& v) { v.bareReadings = true; }},
    {"lf-cr", "lines end in LF CR, the order of the board's menu lines",
     [](Variant& v) { v.lineEnd = "\n\r"; }},
    {"below-zero", "wired units in water below 0 degrees: temperatures with a minus sign",
     [](Variant& v) { v.belowZero = true; }},
    {"no-temperature", "wired units send their readings without the air temperature",
     [](Variant& v) { v.noTemperature = true; }},
    {"slow-replies", "radio units answer one command in three after up to 2.9 s (resent at 3.25 s)",
     [](Variant& v) {
         v.replyDelayMax = 2.9;
         v.replyDelayShare = 1.0 / 3;
     }},
    {"late-replies", "radio units answer one command in four after 3.3 to 4.5 s, once resent",
     [](Variant& v) {
         v.replyDelayMin = 3.3;
         v.replyDelayMax = 4.5;
         v.replyDelayShare = 0.25;
     }},
    {"edge-replies",
     "radio units answer one command in three just inside its time-out (3 s a read, 10.5 s a "
     "write)",
     [](Variant& v) {
         v.justInside = true;
         v.replyDelayShare = 1.0 / 3;
     }},
    {"split-replies", "radio units send each reply in two or three frames, cut anywhere",
     [](Variant& v) { v.splitReplies = true; }},
    {"joined-replies",
     "radio units hold one reply in three and send it in one frame with their next",
     [](Variant& v) { v.joinShare = 1.0 / 3; }},
    {"samples-between",
     "radio units answer after up to 1 s, in parts 0.5 s apart, their samples between",
     [](Variant& v) {
         v.replyDelayMax = 1.0;
         v.splitReplies = true;
         v.partGap = 0.5;
     }},
    {"duplicate-replies", "radio units answer every command twice",
     [](Variant& v) { v.duplicateReplies = true; }},
    {"keeps-old-values", "radio units answer a write with the value they held, not the one sent",
     [](Variant& v) { v.keepsOldValues = true; }},
    {"oa-repeat", "the data logger takes 0.9 s over a block and repeats the last on \"OA\"",
     [](Variant& v) {
         v.repeatOnOa = true;
         v.blockDelay = 0.9;
     }},
    {"slow-logger",
     "the data logger takes 2.5 s over a block and repeats the last at once on \"OA\"",
     [](Variant& v) {
         v.repeatOnOa = true;
         v.blockDelay = 2.5;
     }},
    {"no-closing-block", "a file of whole 512-byte blocks ends without an empty block",
     [](Variant& v) { v.noClosingBlock = true; }},
    {"second-size-reply",
     "the data logger answers a size request twice, 0.5 s apart, and a block in 0.3 s",
     [](Variant& v) {
         v.secondSizeReply = 0.5;
         v.blockDelay = 0.3;
     }},
    {"lost-or",
     "the data logger misses one \"OR\" of an upload (the first, second or third, by seed) "
     "and repeats its last block on \"OA\"",
     [](Variant& v) { v.lostOr = 1 + static_cast<int>(v.seed % 3); }},
    {"byte-by-byte", "every byte reaches the computer on its own",
     [](Variant& v) { v.byteByByte = true; }},
    {"bursts", "what a device sends is held and let go in bursts every 0.7 s",
     [](Variant& v) { v.burstEvery = 0.7; }},
    {"slow-adapter", "every byte takes 0.4 s on its way, to the computer and from it",
     [](Variant& v) { v.latency = 0.4; }},
    {"noisy-line", "one radio frame in three has stray bytes before it",
     [](Variant& v) { v.noiseShare = 1.0 / 3; }},
    {"clock-drift",
     "radio units' clocks start up to a minute off and run up to 500 ppm fast or slow",
     [](Variant& v) { v.clocksOff = true; }},
    {"clock-jump", "radio units' clocks jump 5 to 60 s, either way, 8 s after the start",
     [](Variant& v) {
         v.jumpAfter = 8;
         v.jumpSeconds = 5 + static_cast<double>(v.seed * 7919 % 56);
         if (v.seed % 2 == 0) v.jumpSeconds = -v.jumpSeconds;
     }},
    {"block-twice", "the data logger sends the second block of an upload twice in a row",
     [](Variant& v) { v.blockTwice = true; }},
    {"link-lost",
     "the data logger's link drops during an upload: at the size request, the open, the "
     "second \"OR\" or the closing block (seeds 1 to 4, then round again)",
     [](Variant& v) { v.linkLostAt = static_cast<int>((v.seed + 3) % 4); }},
});

}  // namespace

std::string Variant::countText(long count, int k) const {
    char text[24];
    if (bareReadings) {
        for (int i = 0; i < k % 4; ++i) count /= 10;
        std::snprintf(text, sizeof text, "%ld", count);
    } else {
        std::snprintf(text, sizeof text, padded ? "%4ld" : "%04ld", count);
    }
    return text;
}

std::optional<Variant> variantNamed(const std::string& name, std::uint32_t seed) {
    for (const Named& n : kVariants) {
        if (name != n.name) continue;
        Variant v;
        v.name = n.name;
        v.seed = seed;
        v.summary = n.summary;
        n.apply(v);
        return v;
    }
    return std::nullopt;
}

std::vector<std::string> variantNames() {
    std::vector<std::string> names;
    for (const Named& n : kVariants) names.emplace_back(n.name);
    return names;
}

}  // namespace sim
