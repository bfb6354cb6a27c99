#include "config/reply_parser.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace config {

using platform::Ctl;

namespace {
constexpr int kValue = 4;  // where the value of "$XX,v" starts
constexpr std::uint8_t kSerialWrite = 0xAA;
}  // namespace

int DaysInMonth(int year, int month) {
    switch (month) {
        case 4:
        case 6:
        case 9:
        case 11:
            return 30;
        case 2:
            return year % 4 == 0 ? 29 : 28;
        default:
            return 31;
    }
}

platform::Rgb rampColor(const std::vector<platform::ColorStop>& ramp, double v) {
    platform::Rgb c = ramp.empty() ? 0 : ramp.front().color;
    for (const platform::ColorStop& s : ramp)
        if (v >= s.value) c = s.color;
    return c;
}

ReplyParser::ReplyParser(platform::Panel& panel, platform::Dialogs& dialogs, platform::Clock& clock,
                         platform::Session& session, ConfigState& state, UploadState& upload,
                         CommandSender& sender, ConfigDisplay& display, live::DeviceTable& table,
                         const std::array<char, 1024>& RxChars)
    : panel_(panel),
      dialogs_(dialogs),
      clock_(clock),
      session_(session),
      s_(state),
      upload_(upload),
      sender_(sender),
      display_(display),
      table_(table),
      rx_(RxChars) {}

char ReplyParser::at(int i) const { return i < length_ ? rx_[static_cast<std::size_t>(i)] : '\0'; }

std::string_view ReplyParser::from(int i) const {
    if (i >= length_) return {};
    return {rx_.data() + i, static_cast<std::size_t>(length_ - i)};
}

int ReplyParser::intAt(int i) const {
    // The text is NUL-terminated within the buffer; atoi stops at the first non-digit.
    return i < length_ ? std::atoi(rx_.data() + i) : 0;
}

float ReplyParser::realAt(int i) const {
    return i < length_ ? static_cast<float>(std::atof(rx_.data() + i)) : 0.0f;
}

void ReplyParser::show(Ctl c, double v) {
    panel_.setReportedValue(c, v);
    panel_.setDimmed(c, false);
    if (hooks.shown) hooks.shown(c);
}

void ReplyParser::showText(Ctl c, std::string_view t) {
    // A reply line ends with CR LF; the text shown stops before it.
    while (!t.empty() && (t.back() == '\r' || t.back() == '\n')) t.remove_suffix(1);
    panel_.setText(c, t);
    panel_.setDimmed(c, false);
    if (hooks.shown) hooks.shown(c);
}

// A unit that holds another value than the one sent (it kept its limits) answers with what
// it holds: that is shown, rather than leaving the control dimmed until the next scan.
void ReplyParser::confirm(Ctl c, double v) {
    if (panel_.value(c) != v) panel_.setReportedValue(c, v);
    panel_.setDimmed(c, false);
    sender_.TxWait() = 0;
}

void ReplyParser::confirmReal(Ctl c, float v) {
    if (static_cast<float>(panel_.value(c)) != v) panel_.setValue(c, v);
    panel_.setDimmed(c, false);
    sender_.TxWait() = 0;
}

void ReplyParser::undim(std::initializer_list<Ctl> cs) {
    for (Ctl c : cs) panel_.setDimmed(c, false);
}

void ReplyParser::RxConfigData(int line) {
    length_ = static_cast<int>(strnlen(rx_.data(), rx_.size()));
    line_ = line;
    if (at(0) != '$') return;
    // A reply to an earlier command (one that came late, after its command was sent again,
    // or came twice) while another command is awaited would complete the other's step with
    // its own value: it is left alone.
    if (sender_.TxWait() == 1 &&
        !sender_.answersLastCommand(std::string_view(rx_.data(), static_cast<std::size_t>(length_))))
        return;
    const char family = at(1);
    switch (family) {
        case '1':
        case '2':
        case '3':
        case '4':
            addressedReply();
            break;
        case 'R':
            readReply(at(2));
            break;
        case 'W':
            writeReply(at(2));
            break;
        case 'G':
        case 'T':
            calReadReply(at(2));
            break;
        case 'F':
        case 'S':
            calWriteReply(family == 'F', at(2));
            break;
        case 'O':
            flashReply(at(2));
            break;
        default:
            break;
    }
}

void ReplyParser::readReply(char m) {
    int& TxWait = sender_.TxWait();
    // Integer settings shown as they come.
    struct Plain {
        char m;
        Ctl c;
    };
    static constexpr Plain kPlain[] = {
        {'S', Ctl::SelSampleRate},   {'L', Ctl::SelBurstLength},  {'I', Ctl::SelBurstInterval},
        {'N', Ctl::SelFileInterval}, {'F', Ctl::AntiAliasFilter}, {'R', Ctl::EnableStartTime},
        {'P', Ctl::EnablePower},     {'G', Ctl::HighTrip_mV},     {'U', Ctl::LowTrip_mV},
        {'Y', Ctl::DeadZone_mm},
    };
    for (const Plain& p : kPlain) {
        if (p.m == m) {
            show(p.c, intAt(kValue));
            TxWait = 0;
            return;
        }
    }
    const int v = intAt(kValue);
    switch (m) {
        case 'X':
            show(Ctl::NewDeviceNum, v);
            if (session_.UnitType != 8) panel_.setValue(Ctl::SelectDeviceNum, v);
            break;
        case 'H':
            partNumber();
            break;
        case 'K':
            firmware();
            break;
        case 'D':
            showText(Ctl::SerialNumber, from(kValue));
            panel_.setDimmed(Ctl::SaveSerialNumber, false);
            break;
        case 'O':
            s_.LastDataFormat = v;
            show(Ctl::SelDataFormat, v);
            break;
        case 'Q':
            startTime();
            break;
        case 'T':
            clockFields();
            break;
        case 'Z':
            compareClock();
            break;
        case 'C':
            panel_.setValue(Ctl::RtcCal, v);
            if (s_.EnaAutoSync == 0) panel_.setDimmed(Ctl::RtcCal, false);
            if (hooks.shown) hooks.shown(Ctl::RtcCal);
            break;
        case 'V':
            batteryMeter(realAt(kValue));
            break;
        case 'W':
            // A current mode of 0 is no answer: the read is asked again.
            if (v == 0) return;
            s_.ConfigCurrentMode = v;
            show(Ctl::SelCurrentMode, v);
            undim({Ctl::SelCalFactory, Ctl::SaveFactoryValue, Ctl::SetAutoCalLow,
                   Ctl::SetAutoCalHigh});
            break;
        case 'J':
            gpsTime(v);
            break;
        case 'E':
            batteryLife();
            return;  // clears TxWait itself
        case 'B':
            bits(Ctl::StreamingData1, 6, v, 0);
            break;
        case 'M':
            bits(Ctl::ComPower1, 5, v, 1);
            break;
        default:
            return;  // unknown: TxWait stays as it was
    }
    TxWait = 0;
}

void ReplyParser::writeReply(char m) {
    int& TxWait = sender_.TxWait();
    const int v = intAt(kValue);
    struct Plain {
        char m;
        Ctl c;
    };
    static constexpr Plain kCompared[] = {
        {'L', Ctl::SelBurstLength},  {'I', Ctl::SelBurstInterval}, {'N', Ctl::SelFileInterval},
        {'F', Ctl::AntiAliasFilter}, {'R', Ctl::EnableStartTime},  {'P', Ctl::EnablePower},
        {'J', Ctl::EnableGPSTime},   {'C', Ctl::RtcCal},
    };
    for (const Plain& p : kCompared) {
        if (p.m == m) {
            confirm(p.c, v);
            return;
        }
    }
    static constexpr Plain kShown[] = {
        {'G', Ctl::HighTrip_mV}, {'U', Ctl::LowTrip_mV}, {'Y', Ctl::DeadZone_mm}};
    for (const Plain& p : kShown) {
        if (p.m == m) {
            show(p.c, v);
            TxWait = 0;
            return;
        }
    }
    switch (static_cast<std::uint8_t>(m)) {
        case 'Z':
            if (at(kValue) != '2') return;
            panel_.setText(Ctl::ConfigConnectionStatus, "Connected");
            panel_.setTextColor(Ctl::ConfigConnectionStatus, platform::kGreenConnected);
            panel_.setVisible(Ctl::ConnectedIndicator, true);
            panel_.setValue(Ctl::ConnectedIndicator, 1);
            TxWait = 0;
            break;
        case 'S':
            // The ring was cleared while the answer was awaited: the unit's rate is shown.
            confirm(Ctl::SelSampleRate, v);
            if (live::DeviceTable::valid(line_) && v > 0 && v <= 255)
                table_[line_].SampleRate = static_cast<std::uint8_t>(v);
            break;
        case 'X':
            confirm(Ctl::NewDeviceNum, v);
            panel_.setValue(Ctl::SelectDeviceNum, v);
            break;
        case 'O':
            s_.LastDataFormat = v;
            confirm(Ctl::SelDataFormat, v);
            break;
        case 'W':
            s_.ConfigCurrentMode = v;
            confirm(Ctl::SelCurrentMode, v);
            break;
        case 'Q':
            if (v != 1) return;
            undim({Ctl::SelStartYear, Ctl::SelStartMonth, Ctl::SelStartDay, Ctl::SelStartHour,
                   Ctl::SelStartMinute, Ctl::WriteStartTime});
            TxWait = 0;
            break;
        case 'T':
            if (v != 1) return;
            undim({Ctl::SetYear, Ctl::SetMonth, Ctl::SetDay, Ctl::SetHour, Ctl::SetMinute,
                   Ctl::SetSecond});
            TxWait = 0;
            if (s_.EnaAutoSync == 0) panel_.setDimmed(Ctl::SetClock, false);
            break;
        case kSerialWrite:
            // The unit took a new serial number: read it back.
            panel_.setDimmed(Ctl::SaveSerialNumber, false);
            TxWait = 1;
            sender_.send(Cmd::ReadSerial, {}, 0);
            break;
        case 'B':
            bits(Ctl::StreamingData1, 6, v, 0);
            TxWait = 0;
            break;
        case 'M':
            bits(Ctl::ComPower1, 5, v, 1);
            TxWait = 0;
            break;
        default:
            break;
    }
}

void ReplyParser::bits(Ctl first, int count, int value, int firstBit) {
    for (int i = 0; i < count; ++i) {
        const bool on = (value >> (firstBit + i)) & 1;
        show(platform::ctlAt(first, i), on ? 1 : 2);
    }
}

void ReplyParser::partNumber() {
    showText(Ctl::PartNumber, from(kValue));
    if (session_.UnitType == 8) return;
    // Characters 13 to 15 of the reply name the sonic models.
    const std::string_view model = from(13).substr(0, 3);
    if (model == "035" || model == "036") {
        session_.UnitType = model == "035" ? 1 : 2;
        s_.ConfigCurrentMode = 1;
        panel_.setDimmed(Ctl::SelCurrentMode, true);
        undim({Ctl::SelCalFactory, Ctl::SaveFactoryValue});
    } else {
        session_.UnitType = 0;
    }
    panel_.setValue(Ctl::UnitTypeRing, session_.UnitType);
    display_.SetUpConfigDisplay();
}

void ReplyParser::firmware() {
    showText(Ctl::FirmwareVersion, from(kValue));
    if (session_.UnitType == 8) return;
    const int version = std::atoi(std::string(from(kValue)).c_str());
    if (version >= 2 || session_.UnitType == 1 || session_.UnitType == 2) {
        display_.Config2PointCalVisible(0);
        display_.Config12PointCalVisible(1);
    } else {
        display_.Config12PointCalVisible(0);
        display_.Config2PointCalVisible(1);
    }
}

}  // namespace config
