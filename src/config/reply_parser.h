#pragma once
#include <array>
#include <functional>
#include <string_view>

#include "config/command_sender.h"
#include "config/config_display.h"
#include "config/config_state.h"
#include "live/device_table.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/panel.h"

namespace config {

// Work of other rooms that replies hand on to. An unset hook does nothing.
struct ParserHooks {
    // The flash-card upload: the file size is known, and a data block has arrived.
    std::function<void()> OpenUpLoadFile;
    // Whether a file size reply is taken (false: one came already for this upload).
    std::function<bool()> takeSizeReply;
    std::function<void()> UpLoadReadFile;
    // A reply has shown a setting in this control (for read-outs that follow the scan).
    std::function<void(platform::Ctl)> shown;
};

// 30 for the months with 30 days; February has 29 in every fourth year (no century rule, as
// the units count); 31 otherwise.
int DaysInMonth(int year, int month);

// The colour a colour ramp gives a value (the colour of the last stop at or below it).
platform::Rgb rampColor(const std::vector<platform::ColorStop>& ramp, double v);

// Turns every reply of a radio unit ("$" and a mnemonic) into panel state: shows the value,
// undims the control and clears TxWait so the scan goes on, plus the follow-ups some replies
// carry. Replies never create a device entry.
class ReplyParser {
  public:
    ReplyParser(platform::Panel& panel, platform::Dialogs& dialogs, platform::Clock& clock,
                platform::Session& session, ConfigState& state, UploadState& upload,
                CommandSender& sender, ConfigDisplay& display, live::DeviceTable& table,
                const std::array<char, 1024>& RxChars);

    ParserHooks hooks;

    // line: the device entry of the sender, or -1 when it has none.
    void RxConfigData(int line);

  private:
    // The reply's text from position at, or "" when the reply is shorter.
    std::string_view from(int at) const;
    int intAt(int at) const;
    float realAt(int at) const;
    char at(int i) const;

    void show(platform::Ctl c, double v);
    void showText(platform::Ctl c, std::string_view t);
    // A write acknowledgement: undims the control when the unit holds what it shows.
    void confirm(platform::Ctl c, double v);
    void confirmReal(platform::Ctl c, float v);
    void undim(std::initializer_list<platform::Ctl> cs);

    void readReply(char m);
    void writeReply(char m);
    void calReadReply(char m);
    void calWriteReply(bool modeOne, char m);
    void flashReply(char m);
    void addressedReply();

    void partNumber();
    void firmware();
    void startTime();
    void clockFields();
    void compareClock();
    void batteryMeter(float v);
    void batteryLife();
    void gpsTime(int v);
    void bits(platform::Ctl first, int count, int value, int firstBit);
    void calibrationPoint();

    platform::Panel& panel_;
    platform::Dialogs& dialogs_;
    platform::Clock& clock_;
    platform::Session& session_;
    ConfigState& s_;
    UploadState& upload_;
    CommandSender& sender_;
    ConfigDisplay& display_;
    live::DeviceTable& table_;
    const std::array<char, 1024>& rx_;
    int length_ = 0;
    int line_ = -1;
};

}  // namespace config
