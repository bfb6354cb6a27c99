#include "sim/sim_network.h"

#include <array>
#include <cstdio>

#include "sim/data_logger.h"
#include "sim/sim_serial_ports.h"
#include "sim/synchronizer.h"
#include "sim/wired_unit.h"

namespace sim {

namespace {

struct RadioModel {
    int type;
    const char* partNumber;  // characters 9-11 tell the sonic models apart: 035 and 036
};
constexpr auto kRadioModels = std::to_array<RadioModel>({
    {0, "FR-XB-02-021"},
    {1, "ER-XB-02-035"},
    {2, "ER-XB-02-036"},
    {8, "DL-XB-01-050"},
});

// Data format and rate by place in the network, so a mixed network shows every format.
struct Sending {
    int format;
    int rate;
};
constexpr int kFastestRate = 32;  // samples per second; the units take no more
constexpr auto kSendings = std::to_array<Sending>({{0, 8}, {4, 4}, {2, 16}, {1, 8}});

struct Scenario {
    const char* name;
    int unitType;  // the type it shows; -1 for the mixed radio network
};
constexpr auto kScenarios = std::to_array<Scenario>({
    {"radio", -1},
    {"logger", 8},
    {"staff3", 3},
    {"staff4", 4},
    {"tide5", 5},
    {"tide6", 6},
    {"gauge9", 9},
    {"sync8", 7},
    {"sync6", 7},
});

// Every unit of a network holds settings unlike its neighbours' and unlike each other, so that a
// host that shows one setting in another's place is caught. Nothing here changes how the unit
// samples: bursts stay off (length 0), the start time stays off and the power on.
void distinctSettings(RadioUnit& unit, int index) {
    RadioSettings& s = unit.settings();
    s.burstInterval = 10 + 5 * index;
    s.filter = 1 - index % 2;
    s.highTrip = 900 + 10 * index;
    s.lowTrip = 300 + 10 * index;
    s.deadZone = 250 + 10 * index;
    if (unit.unitType() == 0) s.currentMode = 1 + index % 2;
    for (std::size_t set = 0; set < s.calibration.size(); ++set) {
        Calibration& c = s.calibration[set];
        c.staffLength = 2.5 + index + 0.25 * static_cast<double>(set);
        c.gain = 1.0125 + 0.001 * index + 0.0005 * static_cast<double>(set);
        c.offset = -0.015 - 0.001 * index;
        c.lowPoint = 0.35 + 0.01 * index;
        c.highPoint = 1.65 + 0.01 * index;
    }
    s.factory = s.calibration;
    if (auto* logger = dynamic_cast<DataLogger*>(&unit)) {
        s.fileInterval = 3;
        logger->groupRate = {1, 2, 4, 8};
        logger->adcRange = {0, 1, 2, 5};
        for (std::size_t p = 0; p < logger->lengths.size(); ++p) {
            logger->portBaud[p] = static_cast<int>(7 - p);
            logger->lengths[p] = {static_cast<int>(4 + p), 6, 8, 10, 20, 30};
        }
    }
}

}  // namespace

RadioUnitSpec radioUnitSpec(int unitType, int index, std::uint32_t seed) {
    RadioUnitSpec s;
    s.unitType = unitType;
    s.address = 0x0013A20040A10000ull + static_cast<std::uint64_t>(index + 1) * 0x111;
    s.deviceNumber = unitType == 8 ? 255 : index + 1;
    s.panId = kDefaultPanId;
    for (const RadioModel& m : kRadioModels)
        if (m.type == unitType) s.partNumber = m.partNumber;
    s.firmware = index % 2 ? "1.42" : "2.10";
    char serial[16];
    std::snprintf(serial, sizeof serial, "XB%05d", 21000 + index * 7 + static_cast<int>(seed % 7));
    s.serialNumber = serial;
    const Sending& send = kSendings[static_cast<std::size_t>(index) % kSendings.size()];
    s.dataFormat = send.format;
    s.sampleRate = send.rate;
    s.seed = seed * 31 + static_cast<std::uint32_t>(index);
    s.clockOffsetSeconds = 1.5 + 0.7 * index;
    s.clockDriftPpm = index % 2 ? -35.0 : 25.0;
    return s;
}

std::unique_ptr<XBeeAdapter> makeRadioNetwork(platform::AbsTime start, std::span<const int> types,
                                              std::uint32_t seed) {
    auto adapter = std::make_unique<XBeeAdapter>(start, kDefaultPanId);
    int index = 0;
    for (int type : types) {
        const RadioUnitSpec spec = radioUnitSpec(type, index++, seed);
        std::unique_ptr<RadioUnit> unit;
        if (type == 8)
            unit = std::make_unique<DataLogger>(spec, start);
        else
            unit = std::make_unique<RadioUnit>(spec, start);
        distinctSettings(*unit, index - 1);
        adapter->add(std::move(unit));
    }
    return adapter;
}

namespace {

std::unique_ptr<SimDevice> scenarioDevice(const std::string& name, platform::AbsTime start,
                                          std::uint32_t seed) {
    if (name == "radio") {
        constexpr std::array<int, 4> kMixed{0, 0, 1, 2};
        return makeRadioNetwork(start, kMixed, seed);
    }
    if (name == "radio24") {
        // A full table: 24 radio staffs and sonic units, every format, all at 32 samples/s.
        std::array<int, 24> types{};
        for (std::size_t i = 0; i < types.size(); ++i) types[i] = static_cast<int>(i % 3);
        auto adapter = makeRadioNetwork(start, types, seed);
        for (const auto& unit : adapter->units()) unit->settings().sampleRate = kFastestRate;
        return adapter;
    }
    if (name == "logger") {
        constexpr std::array<int, 1> kLogger{8};
        return makeRadioNetwork(start, kLogger, seed);
    }
    if (name == "sync8" || name == "sync6")
        return std::make_unique<Synchronizer>(start, name == "sync6" ? 6 : 8, seed + 10);
    for (const Scenario& s : kScenarios)
        if (name == s.name) return std::make_unique<WiredUnit>(s.unitType, start, seed + 2, 17);
    if (name.size() == 1 && name[0] >= '0' && name[0] <= '2') {
        const int type = name[0] - '0';
        const std::array<int, 3> same{type, type, type};
        return makeRadioNetwork(start, same, seed);
    }
    return nullptr;
}

}  // namespace

std::unique_ptr<SimDevice> makeScenario(const std::string& name, platform::AbsTime start,
                                        std::uint32_t seed, const Variant& variant) {
    auto device = scenarioDevice(name, start, seed);
    if (device) device->setVariant(variant);
    return device;
}

std::string scenarioForType(int unitType) {
    if (unitType >= 0 && unitType <= 2) return std::to_string(unitType);
    for (const Scenario& s : kScenarios)
        if (s.unitType == unitType) return s.name;
    return "radio";
}

void addDefaultPorts(SimSerialPorts& ports, platform::AbsTime start, const Variant& variant) {
    constexpr const char* kPorts[] = {"radio", "staff3", "staff4", "tide5",
                                      "tide6", "gauge9", "sync8",  "logger"};
    std::uint32_t seed = variant.seed;
    for (const char* name : kPorts) ports.add(makeScenario(name, start, seed++, variant));
    ports.add(makeScenario("staff3", start, seed, variant));
}

std::vector<std::string> scenarioNames() {
    std::vector<std::string> names;
    for (const Scenario& s : kScenarios) names.emplace_back(s.name);
    names.emplace_back("radio24");
    return names;
}

}  // namespace sim
