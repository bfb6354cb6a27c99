#pragma once
#include <array>

namespace platform {

// What kind of link a unit type uses: the radio adapter, or a plain RS232 line.
enum class LinkKind { Radio, Wired, Synchronizer, None };

struct UnitTypeInfo {
    int type;
    LinkKind link;
    int baud;
};

// The ten unit types: 0 Fathomrod XB staff, 1 and 2 Echorod XB sonic units, 3 and 4 wired
// Fathomrods, 5 and 6 wired Tidecorders, 7 synchronizer board, 8 data logger, 9 Swellmeter.
inline constexpr std::array<UnitTypeInfo, 10> kUnitTypes{{
    {0, LinkKind::Radio, 115200},
    {1, LinkKind::Radio, 115200},
    {2, LinkKind::Radio, 115200},
    {3, LinkKind::Wired, 9600},
    {4, LinkKind::Wired, 9600},
    {5, LinkKind::Wired, 9600},
    {6, LinkKind::Wired, 9600},
    {7, LinkKind::Synchronizer, 38400},
    {8, LinkKind::Radio, 115200},
    {9, LinkKind::Wired, 9600},
}};

constexpr LinkKind linkKind(int unitType) {
    return unitType >= 0 && unitType < static_cast<int>(kUnitTypes.size())
               ? kUnitTypes[static_cast<std::size_t>(unitType)].link
               : LinkKind::None;
}
constexpr bool isRadioType(int unitType) { return linkKind(unitType) == LinkKind::Radio; }
// Wired in the wide sense: every type on a plain RS232 line, the synchronizer included.
constexpr bool isWiredType(int unitType) {
    return linkKind(unitType) == LinkKind::Wired || linkKind(unitType) == LinkKind::Synchronizer;
}
constexpr int baudFor(int unitType) {
    return linkKind(unitType) == LinkKind::None ? 0
                                                : kUnitTypes[static_cast<std::size_t>(unitType)].baud;
}

// State every subsystem reads: the chosen unit type and factory mode.
struct Session {
    int UnitType = 0;
    int FactoryMode = 0;
};

}  // namespace platform
