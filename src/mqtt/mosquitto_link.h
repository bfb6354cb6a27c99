#pragma once
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "station/broker_link.h"

struct mosquitto;

namespace mqtt {

// The station's broker link on libmosquitto. A thread of its own runs the network: it connects
// (never blocking the program on a broker that does not answer), connects again after a
// pause that grows to 10 s whenever the link fails, and the library sends again what the
// broker has not acknowledged. What happens is queued and handed to the program's thread by
// poll(), each failure with its reason.
class MosquittoLink : public station::BrokerLink {
  public:
    MosquittoLink();
    ~MosquittoLink() override;

    bool start(const station::BrokerConfig& config, Events events, std::string& why) override;
    void stop() override;
    int publish(const std::string& topic, std::span<const char> payload, bool retain) override;
    void poll() override;

  private:
    struct Event {
        enum Kind { Connected, Disconnected, Delivered } kind;
        int id = 0;
        std::string why;
    };
    void run(station::BrokerUrl url, int keepAlive);
    static void onConnect(mosquitto*, void* self, int rc);
    static void onDisconnect(mosquitto*, void* self, int rc);
    static void onPublish(mosquitto*, void* self, int mid);
    static void onLog(mosquitto*, void* self, int level, const char* text);
    void push(Event e);

    mosquitto* m_ = nullptr;
    Events events_;
    std::mutex mutex_;
    std::vector<Event> pending_;
    std::string lastError_;  // the library's error line (a TLS failure says it there)
    bool connected_ = false;
    bool refused_ = false;  // the broker refused the login: said by onConnect
    std::atomic<bool> stopping_{false};
    std::condition_variable wake_;
    std::thread thread_;
};

// Words for an MQTT connection refusal (CONNACK code) and for the library's error codes,
// with the library's last error line where it says more (TLS).
std::string refusalWords(int connackCode);
std::string errorWords(int rc, const std::string& lastLogError);
// Words for an error line of the library's log.
std::string logWords(const std::string& line);

// Sets up TLS and credentials on a client, as both the station and the collector need them.
// False with why when the certificate file is refused.
bool configureClient(mosquitto* m, const station::BrokerConfig& config, std::string& why);

}  // namespace mqtt
