#pragma once
#include <functional>
#include <string>

namespace mqtt {

struct CollectorOptions {
    std::string url;           // mqtt://host:port or mqtts://host:port
    std::string archive;       // DIR: each station's records under DIR/<station>/
    std::string user;
    std::string passwordFile;  // empty: FATHOM_MQTT_PASSWORD when set
    std::string caFile;
    std::string share;         // shared-subscription group; empty: none
    int interval = 1;          // days per archive file; 99 = one file
};

// fathomhost --collect: subscribes at QoS 1 with a persistent session and archives every
// station's records until SIGINT or SIGTERM. Prints a line when a station goes offline or
// comes back, and a summary once a minute. 0 after a stop, 1 when the broker refuses the
// login or the certificate, 2 for settings that cannot be used.
int runCollector(const CollectorOptions& options,
                 const std::function<void(const std::string&)>& out,
                 const std::function<void(const std::string&)>& err);

// The collector's client id: the same for the same host and archive (so its persistent
// session is found again after a restart), different for another archive.
std::string collectorClientId(const std::string& host, const std::string& archive,
                              const std::string& share);

}  // namespace mqtt
