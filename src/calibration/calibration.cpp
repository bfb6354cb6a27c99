#include "calibration/calibration.h"

#include <cmath>
#include <cstdio>

#include "calibration/staff_calibration.h"
#include "platform/entry_hint.h"
#include "platform/rgb.h"

namespace calibration {

using config::Args;
using config::Cal;
using config::Cmd;
using platform::Ctl;
using platform::Event;

namespace {

constexpr Ctl kControls[] = {Ctl::SetDefaultValues, Ctl::FRTCCalibrate,    Ctl::SelLowCalPt,
                             Ctl::SetHighCalPt,     Ctl::SetLowReading,    Ctl::SetHighReading,
                             Ctl::SelCurrentMode,   Ctl::CalPointMeters,   Ctl::CalSetMeters,
                             Ctl::CalClearPoint,    Ctl::CalClearAll,      Ctl::CalTable,
                             Ctl::SelCalFactory,    Ctl::SaveFactoryValue, Ctl::SetAutoCalLow,
                             Ctl::SetAutoCalHigh,   Ctl::SelCalGain,       Ctl::SelCalOffset,
                             Ctl::HighTrip_mV,      Ctl::LowTrip_mV,       Ctl::DeadZone_mm};

constexpr Ctl kTestEntries[] = {Ctl::SelLowCalPt, Ctl::SetHighCalPt, Ctl::SetLowReading,
                                Ctl::SetHighReading};
constexpr Ctl kMultiPoint[] = {Ctl::CalPointMeters, Ctl::CalSetMeters, Ctl::CalClearPoint,
                               Ctl::CalClearAll};
// Dimmed while the unit's calibration is read again.
constexpr Ctl kReRead[] = {Ctl::SelStaffType,   Ctl::SelStaffLength, Ctl::SelLowCalPt,
                           Ctl::SetHighCalPt,   Ctl::SetAutoCalLow,  Ctl::SetAutoCalHigh,
                           Ctl::CalPointMeters, Ctl::CalSetMeters,   Ctl::CalClearPoint,
                           Ctl::CalClearAll,    Ctl::SelCalFactory,  Ctl::SelCalGain,
                           Ctl::SelCalOffset};
constexpr int kCalibrationStep = 17;  // the scan step that reads the staff type and on

constexpr platform::Rgb kDarkGreen = 0x009900;

constexpr const char* kMultiPointHelp =
    "Put up to 12 tape marks on the staff. Submerge the staff to each mark in turn, enter the "
    "mark's\nheight in Calibrate Meters and press Set. Clear Point removes the point entered, "
    "Clear All\nevery point of the present current mode.";
constexpr const char* kTwoPointHelp =
    "Put two tape marks on the staff, typically at 20% and 80% of its length. Enter the low "
    "and high\npoints measured from the bottom of the staff. With the water at the low mark "
    "press Auto Low,\nwith the water at the high mark press Auto High.";
constexpr const char* kWiredHelp =
    "1. Enter the Staff Length and press Set Default Values.\n2. Put two tape marks on the "
    "staff, typically at 20% and 80% of its length.\n3. Take the readings at the marks in "
    "water, with the staff's ground stud wired to the water\n   and the staff 6 to 12 inches "
    "from other objects.\n4. Enter the Test Points and their Readings and press Calibrate.";

bool contains(std::span<const Ctl> list, Ctl c) {
    for (Ctl x : list)
        if (x == c) return true;
    return false;
}

}  // namespace

Calibration::Calibration(platform::Panel& panel, platform::Dialogs& dialogs,
                         const platform::Session& session, config::ConfigState& state,
                         config::CommandSender& sender, config::WiredWriter& writer)
    : panel_(panel),
      dialogs_(dialogs),
      session_(session),
      s_(state),
      sender_(sender),
      writer_(writer) {}

std::span<const Ctl> Calibration::controls() { return kControls; }

int Calibration::currentMode() const { return panel_.intValue(Ctl::SelCurrentMode); }

bool Calibration::showHelp(Ctl c) {
    const bool testPoint = contains(kTestEntries, c);
    if (testPoint && !(session_.UnitType >= 0 && session_.UnitType <= 2)) {
        dialogs_.message("CALIBRATION", kWiredHelp);
        return true;
    }
    if (testPoint || c == Ctl::SetAutoCalLow || c == Ctl::SetAutoCalHigh ||
        contains(kMultiPoint, c) || c == Ctl::CalTable) {
        if (s_.Version12CalPts != 0) {
            dialogs_.message("MULTIPLE POINT CALIBRATION", kMultiPointHelp);
        } else {
            dialogs_.message("CALIBRATION", kTwoPointHelp);
        }
        return true;
    }
    if (c == Ctl::SetDefaultValues || c == Ctl::FRTCCalibrate) {
        dialogs_.message("CALIBRATION", kWiredHelp);
        return true;
    }
    return false;
}

void Calibration::resetStaffLengthMarks() {
    panel_.setTextColor(Ctl::SelStaffLength, platform::kBlack);
    panel_.setColor(Ctl::SetDefaultValues, platform::kBlack);
}

void Calibration::resetCalibrateMarks() {
    for (Ctl c : kTestEntries) panel_.setTextColor(c, platform::kBlack);
    panel_.setColor(Ctl::FRTCCalibrate, platform::kBlack);
}

void Calibration::event(Ctl c, Event e) {
    if (c == Ctl::SelCalGain || c == Ctl::SelCalOffset) {
        gainOrOffset(c, e);
        return;
    }
    if (c == Ctl::HighTrip_mV || c == Ctl::LowTrip_mV || c == Ctl::DeadZone_mm) {
        sonic(c, e);
        return;
    }
    if (contains(kTestEntries, c) || c == Ctl::CalPointMeters) {
        if (e == Event::KeyPress) panel_.setVisible(Ctl::EntryHint, true);
        if (e == Event::LostFocus) panel_.setVisible(Ctl::EntryHint, false);
        if (e == Event::Commit && c != Ctl::CalPointMeters) {
            // Marked until the calibration is made.
            panel_.setTextColor(c, platform::kRed);
            panel_.setColor(Ctl::FRTCCalibrate, platform::kRed);
        }
        return;
    }
    if (e != Event::Commit) return;
    switch (c) {
        case Ctl::SetDefaultValues:
            SetDefaultValues();
            break;
        case Ctl::FRTCCalibrate:
            FRTCCalibrate();
            break;
        case Ctl::CalTable:
            break;
        default:
            radioCommand(c);
            break;
    }
}

void Calibration::SetDefaultValues() {
    const int type = session_.UnitType;
    const bool yes = dialogs_.confirm(
        "WARNING?",
        "The present calibration values will be lost\nAre you sure you want to change the Staff "
        "Length?");
    resetStaffLengthMarks();
    if (!yes) return;
    config::WiredConfig& r = writer_.FRAll;
    const double metres = panel_.value(Ctl::SelStaffLength);
    const bool shortRange = type == 4 || type == 6;
    if (!(metres > 0) || (shortRange && metres > maxStaffLengthMetres(type))) {
        // Refused before anything changes: the present calibration stays in the unit and in
        // the block that the next setting writes.
        panel_.setValue(Ctl::SelStaffLength, r.staffLength / 1000.0);
        char text[200];
        std::snprintf(text, sizeof text,
                      metres > 0 ? "This staff is at most %.0f m long.\nThe Staff Length was "
                                   "not changed."
                                 : "Enter a Staff Length above 0 m (at most %.0f m).\nThe Staff "
                                   "Length was not changed.",
                      shortRange ? maxStaffLengthMetres(type) : maxStaffLengthMetres(3));
        dialogs_.message("STAFF LENGTH", text);
        return;
    }
    r.offset = type == 3 || type == 5 ? -500.0f : -820.0f;
    r.gain = 4096.0f;
    r.staffLength = static_cast<float>(metres * 1000.0);
    Prescale p{};
    if (prescaleFor(type, static_cast<int>(std::trunc(metres * 1000.0 + 1e-6)), p)) {
        r.configByte2 = p.code;
        r.configByte1 = p.count;
    }
    if (type == 5 || type == 6) r.modeFlags &= static_cast<std::uint8_t>(~config::kModeNewClock);
    writer_.TxFRAllConfig();
}

void Calibration::FRTCCalibrate() {
    const int type = session_.UnitType;
    const bool yes = dialogs_.confirm(
        "WARNING?",
        "The present calibration values will be changed with\nthe entered Test Points and their "
        "Reading.\nDo you want to change the Calibrations?");
    resetCalibrateMarks();
    if (!yes) return;
    config::WiredConfig& r = writer_.FRAll;
    const auto f = [&](Ctl c) { return static_cast<float>(panel_.value(c)); };
    const TwoPoint t =
        twoPointCalibration(r.gain, r.offset, r.staffLength, f(Ctl::SelLowCalPt),
                            f(Ctl::SetHighCalPt), f(Ctl::SetLowReading), f(Ctl::SetHighReading));
    if (!t.ok) {
        dialogs_.message("CALIBRATION", t.refusal);
        return;
    }
    r.gain = t.gain;
    r.offset = t.offset;
    if (type == 5 || type == 6) r.modeFlags &= static_cast<std::uint8_t>(~config::kModeNewClock);
    writer_.NewCalGainZero = 1;
    writer_.TxFRAllConfig();
}

void Calibration::reRead() {
    for (Ctl c : kReRead) panel_.setDimmed(c, true);
    s_.LastConfigStatus = 0xFF;
    s_.ConfigType = kCalibrationStep;
    s_.ConfigStatus = 2;
}

void Calibration::radioCommand(Ctl c) {
    const int mode = currentMode();
    switch (c) {
        case Ctl::SelCurrentMode:
            sender_.write(c, Cmd::WriteCurrentMode, Args::of(mode));
            reRead();
            break;
        case Ctl::CalSetMeters:
        case Ctl::CalClearPoint:
            for (Ctl m : kMultiPoint) panel_.setDimmed(m, true);
            sender_.writeCal(c, c == Ctl::CalSetMeters ? Cal::AddPoint : Cal::ClearPoint, mode,
                             Args::real(panel_.value(Ctl::CalPointMeters)));
            break;
        case Ctl::CalClearAll:
            if (!dialogs_.confirm(
                    "CLEAR ALL CALIBRAITIONS POINTS?",
                    "This will clear all of the present calibraition points listed on the\n"
                    "Calibration Points table.  You will need to restore the factory\n"
                    "calibration values or add new calibraition points\n\nAre you sure you "
                    "want to clear all calibraitions points?"))
                return;
            for (Ctl m : kMultiPoint) panel_.setDimmed(m, true);
            sender_.writeCal(c, Cal::ClearAll, mode, Args::of(1));
            break;
        case Ctl::SelCalFactory:
            if (!dialogs_.confirm(
                    "FACTORY VALUES?",
                    "This will restore the factory calibraition values to the present "
                    "calibraition\nvalues listed on the Calibration Points table.\n\nAre you "
                    "sure you want to restore the factory calibraitions values?"))
                return;
            sender_.writeCal(c, Cal::Factory, mode, Args::of(1));
            reRead();
            break;
        case Ctl::SaveFactoryValue:
            sender_.writeCal(c, Cal::SaveFactory, mode, Args::of(1));
            break;
        case Ctl::SetAutoCalLow:
            sender_.writeCal(c, Cal::LowPoint, mode, Args::real(panel_.value(Ctl::SelLowCalPt)));
            break;
        case Ctl::SetAutoCalHigh:
            sender_.writeCal(c, Cal::HighPoint, mode, Args::real(panel_.value(Ctl::SetHighCalPt)));
            reRead();
            break;
        default:
            break;
    }
}

void Calibration::gainOrOffset(Ctl c, Event e) {
    const int type = session_.UnitType;
    if (!(type >= 0 && type <= 2)) {
        // Elsewhere the unit's own values stand: typing is undone.
        panel_.setValue(c, c == Ctl::SelCalGain ? writer_.FRAll.gain : writer_.FRAll.offset);
        return;
    }
    platform::followEntryHint(panel_, c, e);
    if (e != Event::Commit) return;
    sender_.writeCal(c, c == Ctl::SelCalGain ? Cal::Gain : Cal::Offset, currentMode(),
                     Args::real(panel_.value(c)));
}

void Calibration::sonic(Ctl c, Event e) {
    if (e == Event::KeyPress) {
        panel_.setTextColor(c, platform::kRed);
        panel_.setVisible(Ctl::EntryHint, true);
        return;
    }
    if (e != Event::Commit && e != Event::LostFocus) return;
    panel_.setTextColor(c, kDarkGreen);
    panel_.setVisible(Ctl::EntryHint, false);
    if (e != Event::Commit) return;
    const Cmd cmd = c == Ctl::HighTrip_mV  ? Cmd::WriteHighTrip
                    : c == Ctl::LowTrip_mV ? Cmd::WriteLowTrip
                                           : Cmd::WriteDeadZone;
    sender_.write(c, cmd, Args::of(panel_.intValue(c)));
}

}  // namespace calibration
