#pragma once
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "sim/sim_device.h"
#include "sim/xbee_adapter.h"

namespace sim {

inline constexpr std::uint64_t kDefaultPanId = 0x1234;

// The radio unit of type t that stands at place i of a network: its address, device number,
// part number, firmware (1.x and 2.x alternate), data format and rate.
RadioUnitSpec radioUnitSpec(int unitType, int index, std::uint32_t seed);

// An adapter with one unit of each type listed.
std::unique_ptr<XBeeAdapter> makeRadioNetwork(platform::AbsTime start, std::span<const int> types,
                                              std::uint32_t seed = 1);

// The device behind one simulated port, by scenario name: "radio" (staffs and sonic units in
// every data format), "logger" (a data logger), "staff3", "staff4", "tide5", "tide6",
// "gauge9", "sync8", "sync6". Null for an unknown name.
std::unique_ptr<SimDevice> makeScenario(const std::string& name, platform::AbsTime start,
                                        std::uint32_t seed = 1, const Variant& variant = {});
// The scenario that shows a unit type: 0, 1, 2 a radio network of that type, 8 "logger", the
// wired types their unit, 7 "sync8".
std::string scenarioForType(int unitType);
std::vector<std::string> scenarioNames();

class SimSerialPorts;
// The simulated ports "fathomhost --simulate" offers: SIM1 the radio network, then one port per
// wired unit type, the synchronizer, a data logger network and a second wired staff for port B;
// every one plays the variant given.
void addDefaultPorts(SimSerialPorts& ports, platform::AbsTime start, const Variant& variant = {});

}  // namespace sim
