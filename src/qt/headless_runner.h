#pragma once
#include <functional>
#include <memory>

#include "app/cli.h"
#include "platform/serial_ports.h"
#include "station/broker_link.h"

namespace qtui {

// fathomhost --headless: the program's core on Qt's event loop without any window. Returns the
// process exit status: 0 after a clean stop (SIGINT, SIGTERM or --duration), non-zero when a
// port or a file asked for could not be used.
// A QCoreApplication must exist.
// makeLink is the program's MQTT client for --mqtt.
int runHeadless(const app::CliOptions& options, platform::SerialPorts& ports,
                std::function<std::unique_ptr<station::BrokerLink>()> makeLink);

}  // namespace qtui
