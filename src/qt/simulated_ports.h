#pragma once
#include <QObject>
#include <QTimer>
#include <chrono>

#include "platform/serial_ports.h"
#include "sim/sim_serial_ports.h"

namespace qtui {

// The serial ports the program uses: the computer's own, and with --simulate the built-in
// simulator's instruments beside them, moved on in real time by a timer. Needs a Qt
// application object to exist.
class SimulatedPorts : public QObject {
    Q_OBJECT
public:
    // With simulate, the simulated units play the variant given.
    SimulatedPorts(platform::SerialPorts& real, bool simulate, const sim::Variant& variant = {},
                   QObject* parent = nullptr);
    platform::SerialPorts& ports();

private:
    platform::SerialPorts& real_;
    bool simulate_;
    sim::SimSerialPorts sim_;
    QTimer timer_;
    std::chrono::steady_clock::time_point last_;
};

}  // namespace qtui
