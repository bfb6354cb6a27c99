#pragma once
#include <functional>
#include <span>
#include <string>

#include "station/names.h"

namespace station {

// How to reach the broker and what it is to say when the link dies.
struct BrokerConfig {
    BrokerUrl url;
    std::string clientId;
    std::string user;      // empty: none
    std::string password;  // empty: none
    std::string caFile;    // mqtts://: a private certificate authority; empty: the system's
    std::string willTopic;
    std::string willPayload;  // published, retained, by the broker when the link dies
    int keepAliveSeconds = 30;
};

// The station's link to an MQTT broker (QoS 1). A real one runs on the MQTT client library;
// tests use a double. Everything it reports runs in the caller's thread, from poll().
class BrokerLink {
  public:
    struct Events {
        std::function<void()> connected;
        // The link is down, or could not be made: why, in words for the operator.
        std::function<void(const std::string& why)> disconnected;
        // The broker has acknowledged the message publish() gave this id.
        std::function<void(int id)> delivered;
    };
    virtual ~BrokerLink() = default;
    // Connects, and connects again whenever the link drops, until stop(). False, with why,
    // when the settings cannot be used at all (a certificate file that cannot be read).
    virtual bool start(const BrokerConfig& config, Events events, std::string& why) = 0;
    // Disconnects cleanly: the broker does not publish the will.
    virtual void stop() = 0;
    // Hands a message to the link at QoS 1 while it is connected. Its id, or -1 when the
    // link cannot take it now. A message handed over is sent again by the link after a
    // reconnect until the broker acknowledges it.
    virtual int publish(const std::string& topic, std::span<const char> payload, bool retain) = 0;
    // Runs the events that came since the last call.
    virtual void poll() = 0;
};

}  // namespace station
