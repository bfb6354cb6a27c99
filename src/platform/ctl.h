#pragma once
#include <cstdint>

namespace platform {

// Every control, menu item and timer of the program, by role. The ids are declared in one
// .def file per subsystem (src/platform/controls/); each subsystem declares its controls'
// look and help in its own control-table fragment.
enum class Ctl : std::uint16_t {
#ifndef Q_MOC_RUN  // moc cannot follow the .def includes and needs no ids
#define FATHOM_CTL(name) name,
#include "platform/controls/app.def"
#include "platform/controls/link.def"
#include "platform/controls/live.def"
#include "platform/controls/chart.def"
#include "platform/controls/analysis.def"
#include "platform/controls/playback.def"
#include "platform/controls/config.def"
#include "platform/controls/station.def"
#undef FATHOM_CTL
#endif
    Count
};

inline constexpr int kCtlCount = static_cast<int>(Ctl::Count);

constexpr int ctlIndex(Ctl c) { return static_cast<int>(c); }

// The n-th member of a family of numbered controls declared one after another
// (Output1 ... Output8): ctlAt(Ctl::Output1, 2) is Output3.
constexpr Ctl ctlAt(Ctl first, int n) { return static_cast<Ctl>(static_cast<int>(first) + n); }

// Name of the id as declared, for diagnostics and tests.
const char* ctlName(Ctl c);

}  // namespace platform
