#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <span>
#include <string>

#include "app/shell.h"
#include "live/recorder.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/panel.h"
#include "station/broker_link.h"
#include "station/disk_queue.h"
#include "station/payload.h"

namespace station {

// What the operator sets for the station network (the settings dialog, or the command line).
struct StationSettings {
    std::string url;           // mqtt://host:port or mqtts://host:port
    std::string station;       // the station's name, a topic level
    std::string user;          // empty: none
    std::string passwordFile;  // empty: FATHOM_MQTT_PASSWORD when it is set
    std::string caFile;        // mqtts:// with a private certificate authority
    std::string queueFolder;   // the queue is the folder "<station>.queue" in it
    int queueLimitMb = 1000;
    bool operator==(const StationSettings&) const = default;
};

// The environment variable that may hold the broker password.
inline constexpr const char* kPasswordVariable = "FATHOM_MQTT_PASSWORD";
// The broker password: the first line of passwordFile, else FATHOM_MQTT_PASSWORD, else none.
// False, with why, when the file cannot be read or there is a password without a user.
bool brokerPassword(const std::string& user, const std::string& passwordFile,
                    std::string& password, std::string& why);

// Sending pace. At most kMaxInFlight messages wait for the broker's acknowledgement, of
// which the backlog may hold all but kLiveReserve, so the message of the second just ended
// always goes at once; the backlog goes oldest first at up to kBacklogPerSecond messages a
// second (a day's backlog in about half an hour).
inline constexpr std::size_t kMaxInFlight = 32;
inline constexpr std::size_t kLiveReserve = 4;
inline constexpr double kBacklogPerSecond = 50;
// The retained status goes out when it changes, at most every kStatusMinSeconds, and at
// least every kStatusMaxSeconds.
inline constexpr double kStatusMinSeconds = 5;
inline constexpr double kStatusMaxSeconds = 60;
// At a stop, the longest wait for the broker to acknowledge what was handed to it.
inline constexpr double kStopWaitSeconds = 3;

// The station network: every record the recorder forms goes, whether or not a recording
// runs, into the queue on disk; once a second the records of that second become a message to
// "fathom/<station>/records" (QoS 1), which leaves the queue only when the broker has
// acknowledged it. A retained status on "fathom/<station>/status" says what the station is
// doing; the broker's last will marks it offline when it vanishes.
class Station : public app::ClosesOnExit {
  public:
    Station(platform::Panel& panel, platform::Dialogs& dialogs, platform::Clock& clock,
            live::Recorder& recorder);
    ~Station() override;

    // The program's MQTT client. Unset: there is no station network (the menu item is hidden).
    void setLinkMaker(std::function<std::unique_ptr<BrokerLink>()> maker);
    // The station as the status tells it: version, unit type, ports, recording.
    std::function<StatusInfo()> describe;
    // Headless: what happens, as log lines. Unset (the window): the operator is told by
    // pop-ups and the status-bar field.
    std::function<void(const std::string&)> report;
    // The settings were changed in the dialog (to remember them).
    std::function<void()> settingsChanged;

    // Starts publishing with these settings; false, with why, when they cannot be used.
    bool start(const StationSettings& settings, std::string& why);
    // Seals the last second, gives the broker a few seconds to acknowledge what it has,
    // marks the station offline and disconnects. What is left waits in the queue.
    void stop();
    bool running() const { return link_ != nullptr; }
    // The settings last used (or chosen in the dialog); enabled() when they are in use.
    const StationSettings& settings() const { return settings_; }
    // Settings remembered from an earlier run, offered by the dialog but not in use.
    void remember(const StationSettings& s) {
        if (!running()) settings_ = s;
    }

    // Timer, ten times a second: the link's events, the second's message, the backlog.
    void tick();
    // A record as the recorder formed it.
    void addRecord(std::span<const char> record);
    // The File menu's "Station network..." item.
    void editSettings();
    // The folder the dialog proposes for the queue (beside the recordings).
    std::function<std::string()> defaultQueueFolder;

    bool connected() const { return connected_; }
    std::size_t waiting() const { return queue_.waiting().size(); }
    std::uint64_t delivered() const { return delivered_; }
    // "Broker connected, 0 waiting, last 12:00:03" and the like.
    std::string statusText() const;

    void closeOnExit() override { stop(); }

  private:
    void connectedNow();
    void disconnectedNow(const std::string& why);
    void deliveredNow(int id);
    void seal();
    bool send(const DiskQueue::Entry& e);
    void sendBacklog(double nowMs);
    void publishStatus(bool force);
    void everySecond();
    void queueProblem(const std::string& why);
    void tell(const std::string& text);
    void showStatus();

    platform::Panel& panel_;
    platform::Dialogs& dialogs_;
    platform::Clock& clock_;
    live::Recorder& recorder_;
    std::function<std::unique_ptr<BrokerLink>()> makeLink_;
    std::unique_ptr<BrokerLink> link_;
    StationSettings settings_;
    std::string topic_;
    DiskQueue queue_;

    bool connected_ = false;
    bool everConnected_ = false;
    std::string lastError_;
    std::string lastTold_;
    std::map<int, std::uint64_t> inFlight_;  // publish id -> seq
    std::set<std::uint64_t> handed_;         // seqs handed to the link since it started
    int statusId_ = -1;
    bool statusAcked_ = true;
    std::string lastStatusKey_;
    double lastStatusMs_ = -1e12;
    double lastTickMs_ = 0;
    double backlogTokens_ = 0;
    long long lastSecond_ = 0;
    Day today_;
    std::string lastDelivery_;
    std::uint64_t delivered_ = 0;
    std::string problem_;           // why the queue refuses records, "" when it takes them
    std::uint64_t recordsLost_ = 0;  // records not kept since the problem began
};

}  // namespace station
