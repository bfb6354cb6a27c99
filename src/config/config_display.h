#pragma once
#include <functional>

#include "platform/dialogs.h"
#include "platform/panel.h"
#include "platform/unit_types.h"

namespace config {

// Decides which controls the operator sees for the present unit type and factory mode.
class ConfigDisplay {
public:
    ConfigDisplay(platform::Panel& panel, platform::Dialogs& dialogs, platform::Session& session);

    // Called for wired unit types so that both ports' connect handshakes start again.
    void setWiredHandshakeReset(std::function<void()> reset) { resetHandshake_ = std::move(reset); }

    int SetUpConfigDisplay();

private:
    void mainPanel(int unitType);

    platform::Panel& panel_;
    platform::Dialogs& dialogs_;
    platform::Session& session_;
    std::function<void()> resetHandshake_;
};

}  // namespace config
