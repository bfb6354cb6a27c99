#pragma once
#include <cstdint>

#include "config/command_sender.h"
#include "config/config_state.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/panel.h"

namespace network {

// The PAN IDs of the radios the program reaches through the adapter: the XB unit being
// configured (remote AT commands "ID" and "WR") and the coordinator inside a data logger (its
// own text commands "#3P0WE" and, kept through power cycles, "#3P0WM"). A change moves the
// radio to another network at once; declining it puts back the value last read.
class RemotePanIds {
  public:
    RemotePanIds(platform::Panel& panel, platform::Dialogs& dialogs, platform::Clock& clock,
                 config::ConfigState& state, config::CommandSender& sender);

    // The value last read back from the configured unit's radio (kept by the responses).
    const std::uint64_t* LastRemoteFathomrodXBPANID = nullptr;

    void FathomrodXB_PAN_ID(platform::Event e);
    void SaveRemotePANID();
    void DataLog_XB_Sensor_PAN(platform::Event e);
    void SaveXB_PAN_ID();

  private:
    platform::Panel& panel_;
    platform::Dialogs& dialogs_;
    platform::Clock& clock_;
    config::ConfigState& s_;
    config::CommandSender& sender_;
};

}  // namespace network
