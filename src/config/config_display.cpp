#include "config/config_display.h"

#include <array>
#include <initializer_list>

namespace config {

using platform::Ctl;

namespace {

// Main-panel controls and the unit types that show them (bit n = unit type n). 'F' rows are
// shown only in factory mode.
struct MainRow {
    std::initializer_list<Ctl> controls;
    unsigned types;
    bool factoryOnly;
};

constexpr unsigned bits(std::initializer_list<int> types) {
    unsigned b = 0;
    for (int t : types) b |= 1u << t;
    return b;
}

const std::array<MainRow, 7> kMainRows{{
    {{Ctl::AdapterPanId, Ctl::AutoTimeSync, Ctl::BroadcastPower}, bits({0, 1, 2, 8}), false},
    {{Ctl::PortBRing, Ctl::ChangePortB, Ctl::PortAStatus, Ctl::PortBStatus, Ctl::PortAText,
      Ctl::PortBText, Ctl::PortAIdent, Ctl::PortBIdent},
     bits({3, 4, 5, 6, 7, 9}),
     false},
    {{Ctl::PortAValue, Ctl::PortBValue, Ctl::PortAStaffLength, Ctl::PortBStaffLength},
     bits({3, 4, 5, 6}),
     false},
    {{Ctl::GaugeSettingA, Ctl::GaugeSettingB, Ctl::SMI_BarMeters}, bits({9}), false},
    {{Ctl::SyncLengthTable, Ctl::SyncLengthTable_B}, bits({7}), false},
    {{Ctl::PortAData, Ctl::PortBData}, bits({3, 4, 5, 6, 9}), false},
    {{Ctl::AutoSyncResult}, bits({0, 1, 2}), true},
}};

}  // namespace

ConfigDisplay::ConfigDisplay(platform::Panel& panel, platform::Dialogs& dialogs,
                             platform::Session& session)
    : panel_(panel), dialogs_(dialogs), session_(session) {}

void ConfigDisplay::mainPanel(int unitType) {
    for (const MainRow& row : kMainRows) {
        bool show = (row.types >> unitType) & 1u;
        if (row.factoryOnly && session_.FactoryMode == 0) show = false;
        for (Ctl c : row.controls) panel_.setVisible(c, show);
    }
}

int ConfigDisplay::SetUpConfigDisplay() {
    const int type = session_.UnitType;
    if (type < 0 || type > 9) return 0;
    if (type == 7) {
        dialogs_.message("POWER UP SYNCHRONIZER FIRST",
                         "The Synchronizer must be powered up 6 seconds prior to connecting to it");
    }
    mainPanel(type);
    if (platform::isWiredType(type) && resetHandshake_) resetHandshake_();
    return 0;
}

}  // namespace config
