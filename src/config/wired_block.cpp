#include "config/wired_block.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace config {

namespace {

int digit(std::uint8_t c) { return c <= '9' ? c - 0x30 : c - 0x37; }

std::uint8_t charAt(std::span<const std::uint8_t> text, std::size_t i) {
    return i < text.size() ? text[i] : std::uint8_t{'0'};
}

int decimalField(std::span<const std::uint8_t> text, int k) {
    const auto at = static_cast<std::size_t>(3 * k);
    return (digit(charAt(text, at)) * 10 + digit(charAt(text, at + 1))) & 0xFF;
}

// A float taken to an integer (truncated) and then to 16 bits, as the unit's firmware keeps
// gain and offset. Values past 16 bits, and non-numbers, are held at the ends of the range
// rather than left to an undefined conversion.
int sixteenBits(float v) {
    if (!std::isfinite(v)) return 0;
    const double t = std::trunc(std::clamp(static_cast<double>(v), -32768.0, 65535.0));
    return static_cast<int>(t) & 0xFFFF;
}

// Builds the text field by field.
struct Writer {
    BlockText& out;
    int k = 0;

    void hex(int byte) {
        std::snprintf(&out[static_cast<std::size_t>(3 * k)], 4, "%02X,", byte & 0xFF);
        ++k;
    }
    void word(int value) {
        hex(value >> 8);
        hex(value);
    }
    void decimal(int value) {
        // Two digits; the clock and start fields are 0 to 99 by their nature.
        std::snprintf(&out[static_cast<std::size_t>(3 * k)], 4, "%02d,", std::clamp(value, 0, 99));
        ++k;
    }
    void zerosUntil(int last) {
        while (k <= last) hex(0);
    }
    int finish() {
        const auto text = std::span(reinterpret_cast<const std::uint8_t*>(out.data()),
                                    static_cast<std::size_t>(kBlockChars));
        hex(blockChecksum(text));
        out[kBlockChars] = '\0';
        return kBlockChars;
    }
};

// Fields 0 to 7, the same in both layouts.
void writeCommon(Writer& w, const WiredConfig& r) {
    std::snprintf(&w.out[0], 4, "%c%c,", r.head[0] != 0 ? r.head[0] : '0',
                  r.head[1] != 0 ? r.head[1] : '0');
    w.k = 1;
    w.hex(r.configByte1);
    w.hex(r.configByte2);
    w.word(sixteenBits(r.gain));
    w.word(sixteenBits(r.offset));
    w.hex(r.sampleRate);
}

}  // namespace

int blockField(std::span<const std::uint8_t> text, int k) {
    const auto at = static_cast<std::size_t>(3 * k);
    return (digit(charAt(text, at)) * 16 + digit(charAt(text, at + 1))) & 0xFF;
}

int blockWord(std::span<const std::uint8_t> raw, int k) {
    return static_cast<std::int16_t>(blockField(raw, k) << 8 | blockField(raw, k + 1));
}

int blockChecksum(std::span<const std::uint8_t> text) {
    int sum = 0;
    for (int k = 0; k < kChecksumField; ++k) sum += blockField(text, k);
    return sum & 0xFF;
}

bool blockChecksumMatches(std::span<const std::uint8_t> text) {
    return blockChecksum(text) == blockField(text, kChecksumField);
}

int alarmCountOf(float level, float staffLength) {
    const double count = std::trunc(static_cast<double>(level) / staffLength * kAlarmFullScale);
    if (!(count > 0)) return 0;  // negative levels and non-numbers
    return static_cast<int>(std::min(count, static_cast<double>(kAlarmFullScale)));
}

void WiredConfig::setAlarmLevel(std::size_t i, float levelMm) {
    alarmLevel[i] = levelMm;
    alarmCount[i] = alarmCountOf(levelMm, staffLength);
}

int encodeBlock(const WiredConfig& r, int unitType, BlockText& out) {
    if (!hasBlock(unitType)) return 0;
    out.fill('\0');
    Writer w{out};
    writeCommon(w, r);
    if (hasStaffLayout(unitType)) {
        w.zerosUntil(15);
        // The short-range staff has no alarms: its enable bits always go cleared.
        const int flags = unitType == 4 ? r.alarmFlags & ~(kAlarm1 | kAlarm2) : r.alarmFlags;
        w.hex(flags);
        // The counts as the unit sent them, or as the operator's level made them: never a
        // level turned back into a count, which would sink by one on every write.
        for (int count : r.alarmCount) w.word(std::clamp(count, 0, kAlarmFullScale));
        w.zerosUntil(41);
    } else {
        // One byte each: the settings are kept within 0 to 255 by their controls.
        w.hex(r.burstLength);
        w.hex(r.burstInterval);
        w.hex(r.fileInterval);
        for (int v : {r.second, r.minute, r.hour, 0, r.day, r.month, r.year - 2000, r.startMinute,
                      r.startHour, r.startDay, r.startMonth, r.startYear})
            w.decimal(v);
        w.zerosUntil(40);
        w.hex(r.loggerByte);
    }
    w.hex(r.modeFlags);
    return w.finish();
}

void decodeBlock(std::span<const std::uint8_t> raw, int unitType, WiredConfig& r) {
    if (!hasBlock(unitType)) return;
    r.head = {
        static_cast<char>(charAt(raw, 0)), static_cast<char>(charAt(raw, 1)), '.', '0', '0', '\0'};
    r.configByte1 = static_cast<std::uint8_t>(blockField(raw, 1));
    r.configByte2 = static_cast<std::uint8_t>(blockField(raw, 2));
    r.sampleRate = static_cast<std::uint8_t>(blockField(raw, 7));
    r.modeFlags = static_cast<std::uint8_t>(blockField(raw, 42));
    if (hasStaffLayout(unitType)) {
        if (unitType != 3) return;
        r.alarmFlags = static_cast<std::uint8_t>(blockField(raw, 16));
        for (std::size_t i = 0; i < r.alarmLevel.size(); ++i) {
            const int k = 17 + 2 * static_cast<int>(i);
            r.alarmCount[i] = blockField(raw, k) << 8 | blockField(raw, k + 1);
            r.alarmLevel[i] = static_cast<float>(
                r.alarmCount[i] * static_cast<double>(r.staffLength) / kAlarmFullScale);
        }
        return;
    }
    r.burstLength = blockField(raw, 8);
    r.burstInterval = blockField(raw, 9);
    r.fileInterval = blockField(raw, 10);
    r.second = decimalField(raw, 11);
    r.minute = decimalField(raw, 12);
    r.hour = decimalField(raw, 13);
    r.day = decimalField(raw, 15);
    r.month = decimalField(raw, 16);
    r.year = decimalField(raw, 17) + 2000;
    r.startMinute = decimalField(raw, 18);
    r.startHour = decimalField(raw, 19);
    r.startDay = decimalField(raw, 20);
    r.startMonth = decimalField(raw, 21);
    r.startYear = decimalField(raw, 22);
    r.loggerByte = blockField(raw, 41);
}

}  // namespace config
