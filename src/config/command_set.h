#pragma once
#include <array>
#include <cstdint>
#include <string_view>

namespace config {

// How a command carries its value after the mnemonic.
enum class Value : std::uint8_t {
    None,     // "RX\r\n"
    Int,      // ",%i"
    Int4,     // ",%04i" (flash-card file numbers)
    IntPair,  // ",%i,%i" (a length-table entry and its half-metres)
    Fixed3,   // ",%.3f"
    Fixed4,   // ",%.4f"
    Text,     // ",%s"
    Minutes,  // ",%02i-%02i-%02iT%02i:%02i" (year less 2000)
    Seconds,  // ",%02i-%02i-%02iT%02i:%02i:%02i"
    Sync,     // ",%02i-%02i-%02iT%02i%c%02i%c%02i.%03i"
    Hex16,    // ",%016llX": sixteen upper-case hexadecimal digits
};

// Every text command the program sends to a radio unit. Addressed data-logger commands take a
// "#", group, "P", port prefix.
enum class Cmd : std::uint8_t {
    Connect,
    ReadDeviceNum,
    WriteDeviceNum,
    ReadPartNumber,
    ReadFirmware,
    ReadSerial,
    WriteSerial,
    ReadSampleRate,
    WriteSampleRate,
    ReadBurstLength,
    WriteBurstLength,
    ReadBurstInterval,
    WriteBurstInterval,
    ReadFileInterval,
    WriteFileInterval,
    ReadFilter,
    WriteFilter,
    ReadDataFormat,
    WriteDataFormat,
    ReadStartSwitch,
    WriteStartSwitch,
    ReadStartTime,
    WriteStartTime,
    ReadClock,
    WriteClock,
    CompareClock,
    ReadClockCal,
    WriteClockCal,
    ReadPower,
    WritePower,
    ReadVoltage,
    ReadCurrentMode,
    WriteCurrentMode,
    ReadHighTrip,
    WriteHighTrip,
    ReadLowTrip,
    WriteLowTrip,
    ReadDeadZone,
    WriteDeadZone,
    ReadGpsTime,
    WriteGpsTime,
    ReadStreaming,
    WriteStreaming,
    ReadComPower,
    WriteComPower,
    ReadBatteryCurrent,
    LinkBluetooth,
    BroadcastPower,
    TimeSync,
    // Flash card of the data logger.
    ReadActiveFile,
    StartNewFile,
    ReadFileSize,
    OpenFile,
    ReadBlock,
    RepeatBlock,
    CloseFile,
    // Addressed data-logger commands ("#gPp" prefix).
    ReadGroupRate,
    WriteGroupRate,
    ReadPortType,
    WritePortType,
    ReadPortBaud,
    WritePortBaud,
    ReadPortLengths,
    WritePortLength,
    ReadRadioPower,
    WriteRadioPower,
    ReadLoggerPan,
    WriteLoggerPan,
    ReadAdcRange,
    WriteAdcRange,
    Count
};

// Staff calibration values: read with "G" (current mode 1) or "T" (other mode), written with
// "F" or "S".
enum class Cal : std::uint8_t {
    StaffType,
    StaffLength,
    Gain,
    Offset,
    LowPoint,
    HighPoint,
    Table,
    AddPoint,
    ClearPoint,
    ClearAll,
    Factory,
    SaveFactory,
    Count
};

// Arguments of one command; each Value kind reads the fields it needs.
struct Args {
    int group = 0, port = 0;      // addressed commands
    std::array<int, 6> n{};       // Int: n[0]; IntPair: n[0], n[1]; dates: y m d h min s
    double x = 0;                 // Fixed3, Fixed4
    std::string_view text;        // Text
    std::uint64_t hex = 0;        // Hex16
    char sep1 = ':', sep2 = ':';  // Sync: the separators that carry the burst phase
    int ms = 0;                   // Sync: milliseconds

    static Args of(int v) {
        Args a;
        a.n[0] = v;
        return a;
    }
    static Args real(double v) {
        Args a;
        a.x = v;
        return a;
    }
    static Args at(int group, int port, int v = 0) {
        Args a = of(v);
        a.group = group;
        a.port = port;
        return a;
    }
};

struct CommandSpec {
    Cmd id;
    std::string_view mnemonic;  // the serial-number write is "W" and the byte 0xAA
    Value value;
    bool addressed = false;
    std::string_view ending = "\r\n";
};

const CommandSpec& commandSpec(Cmd c);

// The transmit buffer all senders share; a command holds at most 51 characters and a NUL.
using TxBuffer = std::array<char, 52>;
// The longest serial number "W\xAA," + serial + CR LF carries whole.
inline constexpr int kMaxSerialLength = static_cast<int>(std::tuple_size_v<TxBuffer>) - 1 - 5;

// Writes the command into buf, NUL-terminated, and returns its length (the bytes to send).
int formatCommand(TxBuffer& buf, Cmd c, const Args& a = {});
// The calibration command of one value for the current mode: mode 1 takes the "G" read and the
// "F" write, any other mode the "T" read and the "S" write.
int formatCalRead(TxBuffer& buf, Cal c, int currentMode);
int formatCalWrite(TxBuffer& buf, Cal c, int currentMode, const Args& a = {});

// The mnemonics of one calibration value.
struct CalSpec {
    Cal id;
    std::string_view readMode1, readOther, writeMode1, writeOther;
    Value value;
};
const CalSpec& calSpec(Cal c);

// The synchronizer's menu commands: one command byte, then a line ended by "\n\r".
enum class MenuCmd : std::uint8_t { Rate, RunMode, TimeTag, Clock };
struct MenuSpec {
    MenuCmd id;
    char byte;
    double preWait;  // before the byte ("t" only)
    double settle;   // after the second flush, before the line
    double closing;  // after the line
};
const MenuSpec& menuSpec(MenuCmd c);
// The line of a menu command. Rate: a[0] Hz; RunMode: a[0] (0 free run, other on command);
// TimeTag: a[0] (1 minute, 2 hour, 3 day, other none); Clock: month, day, year, hour,
// minute, second.
int formatMenuLine(TxBuffer& buf, MenuCmd c, const std::array<int, 6>& a);

}  // namespace config
