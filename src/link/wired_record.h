#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "link/api_frame.h"
#include "platform/clock.h"

namespace links {

// How wired units' readings become the sample texts a radio unit would send. Pure rules: no
// port, panel or clock.

// One row of a staff family's length table: a range byte and a code byte (-1: any code) that
// stand for a staff length in millimetres.
struct StaffRow {
    std::uint8_t range;
    int code;
    float mm;
};
// The rows of unit types 3 and 5, or of 4 and 6; empty for the other types.
std::span<const StaffRow> staffLengthTable(int unitType);

// Staff length in millimetres from the range byte (block field 2) and the code byte (block
// field 1) of a wired staff or logger; 0 when the combination is unknown and for unit types
// that have no such table (7, 9).
float staffLengthFor(int unitType, std::uint8_t range, std::uint8_t code);

// A number from at most `count` characters: optional sign, then digits up to the first other
// character, as atoi reads it. Characters past the span are never read.
long readNumber(std::span<const std::uint8_t> chars);
double readDecimal(std::span<const std::uint8_t> chars);  // as atof, bounded the same way

// A number as the units write it: an optional sign, digits, at most one decimal point, at
// least one digit, and nothing else; leading blanks allowed where a field is padded.
bool isNumberText(std::span<const std::uint8_t> text, bool leadingBlanks = false);

// The reading fields of a synchronizer data line: six or eight readings of four characters
// (digits, blank-padded on the left at most), one character of the board's choosing between
// them, from the line's start; whatever follows the last one (a line end, a time tag, blanks)
// is not judged unless it is a digit. Eight from 33 characters on, unless the line holds six
// and nothing but blanks and the like after them. 0 when the line is not such a line.
int syncReadingCount(std::span<const std::uint8_t> line);

// The readings of a synchronizer data line. The four-character fields at 5c are the board's
// own layout; a board that writes its readings as bare numbers (no leading zeros, so of one to
// four digits) is read too: the line is then the readings and nothing else, each two of them
// apart by blanks or by one character of the board's choosing (the same all along the line)
// with blanks around it if it likes, and blanks or one last separator after the last. A
// count of 0 when the line is neither.
struct SyncReadings {
    int count = 0;
    std::array<long, 8> value{};
};
SyncReadings syncReadings(std::span<const std::uint8_t> line);

// A wired staff's record line (without its line end) read as a whole: a reading of one to
// four digits, blank-padded or not, and, after one character of the unit's choosing and
// blanks, a temperature of one to four digits with an optional sign; blanks may end it.
// Nothing else is a record.
struct StaffRecord {
    bool ok = false;
    long reading = 0;
    bool hasTemperature = false;
    long temperature = 0;
};
StaffRecord staffRecord(std::span<const std::uint8_t> line);

// A synchronizer channel's staff length as the operator typed it into the staff-length table
// (metres), in whole millimetres; 0 when the text is no length a staff can have (empty, not a
// number, not finite, not above 0 or above 100 m).
double syncStaffLengthMm(const std::string& metresText);

// A staff reading (0..4095 of the staff) as millimetres, or tenths of a millimetre on staffs
// longer than 10 m (scale 1), truncated toward zero.
struct StaffValue {
    long long value = 0;
    int scale = 0;
};
StaffValue staffValue(long reading, double staffLengthMm);

// A pressure gauge's seven reading characters. With the decimal shift the unit's value is
// one decade lower: a "0" goes in after the first character. With bar-to-metres on the value
// is given in metres of sea water.
struct PressureValue {
    std::array<char, 24> text{};
    int size = 0;
    double value = 0;
    std::string_view view() const { return {text.data(), static_cast<std::size_t>(size)}; }
};
PressureValue pressureValue(std::span<const std::uint8_t> reading7, bool decimalShift,
                            bool barToMetres);

inline constexpr double kBarToMetres = 9.94846;
inline constexpr double kTemperatureStep = 0.0625;  // degrees per count of the unit's sensor

// Message texts: "C" ddd ",D" sub-type "," field. Sample texts end in CR LF.
struct MessageText {
    std::array<char, 64> chars{};
    int size = 0;
    std::string_view view() const { return {chars.data(), static_cast<std::size_t>(size)}; }
};
MessageText staffSampleText(int device, int rate, long long value);
MessageText pressureSampleText(int device, int rate, std::string_view field);
MessageText temperatureText(int device, double degrees);
MessageText dateText(int device, const platform::CalendarTime& t);
MessageText timeText(int device, const platform::CalendarTime& t);

// A receive-packet frame as a radio unit at `address` would send it, carrying `text`.
void makeReceivePacket(RxFrame& frame, std::uint64_t address, int device, std::string_view text);

}  // namespace links
