#pragma once
#include "config/config_scan.h"
#include "config/config_state.h"
#include "config/wired_writer.h"
#include "link/link_state.h"
#include "link/receive_paths.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/panel.h"
#include "platform/unit_types.h"

namespace config {

// Shows the wired unit being configured: its block decoded into FRAll (staffs, loggers and
// the pressure gauge) or the synchronizer's listing, on the configuration tab; and the
// configure/run selector that chooses port A, port B or neither.
class WiredDisplay {
  public:
    WiredDisplay(platform::Panel& panel, platform::Dialogs& dialogs, platform::Clock& clock,
                 const platform::Session& session, ConfigState& state, links::LinkState& links,
                 const links::ReceivePaths& receive, WiredWriter& writer, ConfigScan& scan);

    void SetFRTCConfigDisplay();
    void FRTCConfigRunSelect(platform::Event e);

    // The part number each wired type shows.
    static const char* partNumber(int unitType);

  private:
    void staffOrLogger(int type);
    void synchronizer();
    void checkCalibration(int gain, int offset);
    void showCommon(int type);
    void showClock(const platform::CalendarTime& t);
    void showClockDelta(const platform::CalendarTime& unit);
    void finish(int type);

    platform::Panel& panel_;
    platform::Dialogs& dialogs_;
    platform::Clock& clock_;
    const platform::Session& session_;
    ConfigState& s_;
    links::LinkState& links_;
    const links::ReceivePaths& receive_;
    WiredWriter& writer_;
    ConfigScan& scan_;
};

}  // namespace config
