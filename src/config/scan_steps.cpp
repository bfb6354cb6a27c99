#include "config/scan_steps.h"

#include <array>

namespace config {

namespace {

ScanStep command(Cmd c, Args a = {}) { return {ScanStep::Kind::Command, c, Cal::StaffType, a}; }
ScanStep calibration(Cal c) { return {ScanStep::Kind::Calibration, Cmd::Connect, c, {}}; }
ScanStep calibrationMode1(Cal c) { return {ScanStep::Kind::CalibrationMode1, Cmd::Connect, c, {}}; }

// Steps 1 to 16 are the same for the staff and the sonic units.
constexpr std::array<Cmd, 15> kRadioCommon{{
    Cmd::ReadDeviceNum,
    Cmd::ReadPartNumber,
    Cmd::ReadFirmware,
    Cmd::ReadSerial,
    Cmd::ReadSampleRate,
    Cmd::ReadBurstLength,
    Cmd::ReadBurstInterval,
    Cmd::ReadFilter,
    Cmd::ReadDataFormat,
    Cmd::ReadStartSwitch,
    Cmd::ReadStartTime,
    Cmd::ReadClock,
    Cmd::ReadClockCal,
    Cmd::ReadPower,
    Cmd::ReadVoltage,
}};

constexpr std::array<Cmd, 11> kLoggerUnit{{
    Cmd::ReadDeviceNum,
    Cmd::ReadPartNumber,
    Cmd::ReadFirmware,
    Cmd::ReadSerial,
    Cmd::ReadBurstLength,
    Cmd::ReadBurstInterval,
    Cmd::ReadFileInterval,
    Cmd::ReadStartSwitch,
    Cmd::ReadStartTime,
    Cmd::ReadClock,
    Cmd::ReadVoltage,
}};

ScanStep staffOrSonic(int type, int n, bool twelvePoint) {
    if (n == 1) return command(Cmd::Connect, Args::of(2));
    if (n >= 2 && n <= 16) return command(kRadioCommon[static_cast<std::size_t>(n - 2)]);
    if (type == 0) {
        switch (n) {
            case 17:
                return command(Cmd::ReadCurrentMode);
            case 18:
                return calibration(Cal::StaffType);
            case 19:
                return calibration(Cal::StaffLength);
            case 20:
                return calibration(twelvePoint ? Cal::Table : Cal::Gain);
            case 21:
                return calibration(Cal::Offset);
            case 22:
                return calibration(Cal::LowPoint);
            case 23:
                return calibration(Cal::HighPoint);
            default:
                return {};
        }
    }
    // The sonic units keep one calibration and always answer the "G" reads.
    switch (n) {
        case 17:
            return command(Cmd::ReadHighTrip);
        case 18:
            return command(Cmd::ReadLowTrip);
        case 19:
            return command(Cmd::ReadDeadZone);
        case 20:
            return calibrationMode1(Cal::StaffType);
        case 21:
            return calibrationMode1(Cal::StaffLength);
        case 22:
            return calibrationMode1(Cal::Table);
        default:
            return {};
    }
}

ScanStep logger(int n, bool radioOn) {
    if (n >= 1 && n <= 11) return command(kLoggerUnit[static_cast<std::size_t>(n - 1)]);
    // Sample rates of groups 1 to 4, on port 0 of each.
    if (n >= 12 && n <= 15) return command(Cmd::ReadGroupRate, Args::at(n - 11, 0));
    // The eight sensor ports: group 1 ports 0-3, then group 2 ports 0-3.
    auto port = [](Cmd c, int i) { return command(c, Args::at(1 + i / 4, i % 4)); };
    if (n >= 16 && n <= 23) return port(Cmd::ReadPortType, n - 16);
    if (n >= 24 && n <= 31) return port(Cmd::ReadPortBaud, n - 24);
    if (n >= 32 && n <= 39) return port(Cmd::ReadPortLengths, n - 32);
    if (n == 40) return command(Cmd::ReadRadioPower, Args::at(3, 0));
    if (n >= 41 && n <= 44) return command(Cmd::ReadAdcRange, Args::at(4, n - 41));
    switch (n) {
        case 45:
            return command(Cmd::ReadGpsTime);
        case 46:
            return command(Cmd::ReadStreaming);
        case 47:
            return command(Cmd::ReadComPower);
        case 48:
            return command(Cmd::ReadBatteryCurrent);
        case 49:
            return command(radioOn ? Cmd::ReadLoggerPan : Cmd::ReadRadioPower, Args::at(3, 0));
        default:
            return {};
    }
}

}  // namespace

ScanStep scanStep(int unitType, int n, bool twelvePoint, bool radioOn) {
    switch (unitType) {
        case 0:
        case 1:
        case 2:
            return staffOrSonic(unitType, n, twelvePoint);
        case 8:
            return logger(n, radioOn);
        default:
            return {};
    }
}

int lastScanStep(int unitType, bool twelvePoint) {
    switch (unitType) {
        case 0:
            return twelvePoint ? 20 : 23;
        case 1:
        case 2:
            return 22;
        case 8:
            return 49;
        default:
            return 0;
    }
}

}  // namespace config
