#include "qt/simulated_ports.h"

#include "qt/qt_clock.h"
#include "sim/sim_network.h"

namespace qtui {

SimulatedPorts::SimulatedPorts(platform::SerialPorts& real, bool simulate,
                               const sim::Variant& variant, QObject* parent)
    : QObject(parent), real_(real), simulate_(simulate), sim_(&real) {
    if (!simulate_) return;
    sim::addDefaultPorts(sim_, QtClock().absNow(), variant);
    last_ = std::chrono::steady_clock::now();
    connect(&timer_, &QTimer::timeout, this, [this] {
        const auto now = std::chrono::steady_clock::now();
        sim_.advance(std::chrono::duration<double, std::milli>(now - last_).count());
        last_ = now;
    });
    timer_.start(20);
}

platform::SerialPorts& SimulatedPorts::ports() {
    return simulate_ ? static_cast<platform::SerialPorts&>(sim_) : real_;
}

}  // namespace qtui
