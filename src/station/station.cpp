#include "station/station.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace station {

using platform::Ctl;
using platform::FormField;

namespace {

constexpr std::string_view kTitle = "STATION NETWORK";
// The longest reason the status-bar field shows.
constexpr std::size_t kShortReason = 36;

std::string clockText(const platform::CalendarTime& t) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", t.hour, t.minute, t.second);
    return buf;
}

std::string isoText(const platform::CalendarTime& t) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
    return buf;
}

bool readable(const std::string& path) {
    std::ifstream in(path);
    return in.good();
}

}  // namespace

bool brokerPassword(const std::string& user, const std::string& passwordFile,
                    std::string& password, std::string& why) {
    password.clear();
    if (!passwordFile.empty()) {
        std::ifstream in(passwordFile, std::ios::binary);
        if (!in) {
            why = "the password file " + passwordFile + " cannot be read";
            return false;
        }
        std::getline(in, password);
        if (!password.empty() && password.back() == '\r') password.pop_back();
    } else if (const char* env = std::getenv(kPasswordVariable)) {
        password = env;
    }
    if (!password.empty() && user.empty()) {
        why = "a broker password goes with a user name (--mqtt-user)";
        return false;
    }
    return true;
}

Station::Station(platform::Panel& panel, platform::Dialogs& dialogs, platform::Clock& clock,
                 live::Recorder& recorder)
    : panel_(panel), dialogs_(dialogs), clock_(clock), recorder_(recorder) {
    panel_.setVisible(Ctl::MenuStationNetwork, false);
}

Station::~Station() {
    if (link_) link_->stop();
    recorder_.recordTap = nullptr;
}

void Station::setLinkMaker(std::function<std::unique_ptr<BrokerLink>()> maker) {
    makeLink_ = std::move(maker);
    panel_.setVisible(Ctl::MenuStationNetwork, static_cast<bool>(makeLink_));
}

bool Station::start(const StationSettings& s, std::string& why) {
    stop();
    if (!makeLink_) {
        why = "this program was built without the station network";
        return false;
    }
    const std::optional<BrokerUrl> url = parseBrokerUrl(s.url, why);
    if (!url) return false;
    why = stationNameProblem(s.station);
    if (!why.empty()) return false;
    BrokerConfig config;
    config.url = *url;
    config.user = s.user;
    if (!brokerPassword(s.user, s.passwordFile, config.password, why)) return false;
    if (!s.caFile.empty() && !readable(s.caFile)) {
        why = "the certificate file " + s.caFile + " cannot be read";
        return false;
    }
    config.caFile = s.caFile;
    if (s.queueLimitMb < 1) {
        why = "the queue limit is at least 1 MB";
        return false;
    }
    const std::string folder = s.queueFolder.empty() ? "." : s.queueFolder;
    queue_.limit = static_cast<std::uint64_t>(s.queueLimitMb) * 1000 * 1000;
    const live::FileStatus opened =
        queue_.open((std::filesystem::path(folder) / (s.station + ".queue")).string());
    if (!opened.ok) {
        why = opened.message;
        return false;
    }
    config.clientId = "fathomhost-" + s.station;
    config.willTopic = statusTopic(s.station);
    config.willPayload = offlineJson(s.station);
    settings_ = s;
    topic_ = recordsTopic(s.station);
    link_ = makeLink_();
    BrokerLink::Events events{.connected = [this] { connectedNow(); },
                              .disconnected = [this](const std::string& w) { disconnectedNow(w); },
                              .delivered = [this](int id) { deliveredNow(id); }};
    if (!link_->start(config, std::move(events), why)) {
        link_.reset();
        queue_.close();
        return false;
    }
    connected_ = everConnected_ = false;
    lastError_ = "connecting";
    lastTold_.clear();
    inFlight_.clear();
    handed_.clear();
    statusAcked_ = true;
    lastStatusKey_.clear();
    problem_.clear();
    recordsLost_ = 0;
    lastTickMs_ = clock_.processorMs();
    const platform::CalendarTime now = clock_.now();
    today_ = {now.year, now.month, now.day};
    lastSecond_ = static_cast<long long>(platform::toAbsTime(now));
    recorder_.recordTap = [this](std::span<const char> record) { addRecord(record); };
    panel_.setTimerEnabled(Ctl::StationTimer, true);
    panel_.setVisible(Ctl::StationStatus, true);
    if (report) {
        report("network: station " + s.station + " publishing to " + s.url + ", queue in " +
               queue_.dir() + " (" + std::to_string(queue_.waiting().size()) + " waiting)");
    }
    showStatus();
    return true;
}

void Station::stop() {
    if (!link_) return;
    recorder_.recordTap = nullptr;
    seal();
    if (connected_) {
        // A clean disconnect does not set off the will: the station says itself that it goes.
        const std::string offline = offlineJson(settings_.station);
        statusId_ = link_->publish(statusTopic(settings_.station), offline, true);
        statusAcked_ = statusId_ < 0;
        const double until = clock_.processorMs() + kStopWaitSeconds * 1000;
        while (clock_.processorMs() < until && connected_ && (!inFlight_.empty() || !statusAcked_)) {
            clock_.delay(0.02);
            link_->poll();
        }
    }
    link_->stop();
    link_.reset();
    if (report) {
        report("network: stopped; " + std::to_string(queue_.waiting().size()) +
               " message(s) wait in " + queue_.dir() + " for the next start");
    }
    queue_.close();
    connected_ = false;
    inFlight_.clear();
    handed_.clear();
    panel_.setTimerEnabled(Ctl::StationTimer, false);
    panel_.setVisible(Ctl::StationStatus, false);
}

void Station::addRecord(std::span<const char> record) {
    const live::FileStatus st = queue_.append(record, today_);
    if (!st.ok) {
        ++recordsLost_;
        queueProblem(st.message);
    } else if (!problem_.empty()) {
        tell("The station network's queue takes records again; " + std::to_string(recordsLost_) +
             " record(s) were not kept for the broker.");
        problem_.clear();
        recordsLost_ = 0;
        showStatus();
    }
}

void Station::queueProblem(const std::string& why) {
    if (!problem_.empty()) return;
    problem_ = why;
    showStatus();
    tell("Records cannot be kept for the broker: " + why +
         ".\nThe recording itself goes on. Records are kept for the broker again as soon as "
         "the queue has room; the archive will lack the ones in between.");
}

void Station::tell(const std::string& text) {
    if (report) {
        report("network: " + text);
    } else {
        dialogs_.message(kTitle, text);
    }
}

void Station::tick() {
    if (!link_) return;
    link_->poll();
    const platform::CalendarTime now = clock_.now();
    today_ = {now.year, now.month, now.day};
    const auto second = static_cast<long long>(platform::toAbsTime(now));
    if (second != lastSecond_) {
        lastSecond_ = second;
        seal();
        everySecond();
    }
    sendBacklog(clock_.processorMs());
}

void Station::seal() {
    const std::optional<DiskQueue::Entry> e = queue_.seal();
    // The second just ended goes at once; only a full window keeps it for the backlog.
    if (e && connected_ && inFlight_.size() < kMaxInFlight) send(*e);
}

bool Station::send(const DiskQueue::Entry& e) {
    std::string records;
    const live::FileStatus st = queue_.read(e, records);
    if (!st.ok) {
        queueProblem(st.message);
        return false;
    }
    const RecordsHeader h{.queue = queue_.id(), .seq = e.seq, .floor = queue_.floor(), .day = e.day};
    std::string payload = recordsHeaderLine(h, records.size());
    payload += records;
    const int id = link_->publish(topic_, payload, false);
    if (id < 0) return false;
    inFlight_[id] = e.seq;
    handed_.insert(e.seq);
    return true;
}

void Station::sendBacklog(double nowMs) {
    const double dt = std::max(0.0, nowMs - lastTickMs_) / 1000.0;
    lastTickMs_ = nowMs;
    backlogTokens_ = std::min(kBacklogPerSecond, backlogTokens_ + dt * kBacklogPerSecond);
    if (!connected_) return;
    for (const auto& [seq, e] : queue_.waiting()) {
        if (backlogTokens_ < 1 || inFlight_.size() >= kMaxInFlight - kLiveReserve) break;
        if (handed_.count(seq) != 0) continue;
        if (!send(e)) break;
        backlogTokens_ -= 1;
    }
}

void Station::connectedNow() {
    connected_ = true;
    if (!everConnected_ || !lastError_.empty()) {
        if (report) report("network: connected to " + settings_.url);
    }
    everConnected_ = true;
    lastError_.clear();
    lastTold_.clear();
    publishStatus(true);
    showStatus();
}

void Station::disconnectedNow(const std::string& why) {
    const bool was = connected_;
    connected_ = false;
    lastError_ = why;
    // Each new reason once: a broker that stays away is not told every few seconds.
    if (why != lastTold_) {
        lastTold_ = why;
        const std::string text = (was ? "the link to " + settings_.url + " is down: "
                                      : "cannot connect to " + settings_.url + ": ") +
                                 why + ". Records wait in the queue.";
        if (report) {
            report("network: " + text);
        } else if (!everConnected_) {
            // The operator who just chose the settings hears why they do not work yet.
            dialogs_.message(kTitle, "Station " + settings_.station + ": " + text);
        }
    }
    showStatus();
}

void Station::deliveredNow(int id) {
    if (id == statusId_) {
        statusAcked_ = true;
        return;
    }
    const auto it = inFlight_.find(id);
    if (it == inFlight_.end()) return;
    queue_.remove(it->second);
    handed_.erase(it->second);
    inFlight_.erase(it);
    ++delivered_;
    lastDelivery_ = clockText(clock_.now());
}

void Station::publishStatus(bool force) {
    if (!connected_ || !link_) return;
    StatusInfo info = describe ? describe() : StatusInfo{};
    info.station = settings_.station;
    info.online = true;
    info.queueMessages = queue_.waiting().size();
    info.queueBytes = queue_.bytes();
    info.problem = problem_;
    const std::string key = statusJson(info);
    const double nowMs = clock_.processorMs();
    const double since = (nowMs - lastStatusMs_) / 1000.0;
    const bool due = force || since >= kStatusMaxSeconds ||
                     (key != lastStatusKey_ && since >= kStatusMinSeconds);
    if (!due) return;
    info.time = isoText(clock_.now());
    const int id = link_->publish(statusTopic(settings_.station), statusJson(info), true);
    if (id < 0) return;
    statusId_ = id;
    statusAcked_ = false;
    lastStatusKey_ = key;
    lastStatusMs_ = nowMs;
}

void Station::everySecond() {
    publishStatus(false);
    showStatus();
}

std::string Station::statusText() const {
    if (!link_) return "";
    std::string s = connected_ ? "Broker connected" : "Broker NOT connected";
    // The reason's first words: the whole of it is said in the pop-up or the log.
    if (!connected_ && !lastError_.empty()) {
        std::string_view reason = lastError_;
        for (std::string_view lead : {"the broker's ", "the broker "}) {
            if (reason.starts_with(lead)) reason.remove_prefix(lead.size());
        }
        reason = reason.substr(0, std::min(reason.find_first_of(":("), kShortReason));
        while (!reason.empty() && reason.back() == ' ') reason.remove_suffix(1);
        s.append(" (").append(reason).append(")");
    }
    s += ", " + std::to_string(queue_.waiting().size()) + " waiting";
    if (!problem_.empty()) return s + ", QUEUE FULL";  // the pop-up or the log says more
    return s + (lastDelivery_.empty() ? ", none delivered yet" : ", last " + lastDelivery_);
}

void Station::showStatus() {
    panel_.setText(Ctl::StationStatus, statusText());
    panel_.setTextColor(Ctl::StationStatus,
                        connected_ && problem_.empty() ? platform::Rgb{0x000000}
                                                       : platform::Rgb{0xCC0000});
}

void Station::editSettings() {
    StationSettings s = settings_;
    if (s.queueFolder.empty() && defaultQueueFolder) s.queueFolder = defaultQueueFolder();
    bool on = running() || settings_.url.empty();
    using K = FormField::Kind;
    for (;;) {
        std::vector<FormField> f{
            {"Publish the records to a broker", on ? "1" : "0", K::Switch,
             "Every record, recorded or not, goes to fathom/<station>/records once a second."},
            {"Broker", s.url, K::Text, "mqtt://host:port, or mqtts://host:port for TLS"},
            {"Station name", s.station, K::Text,
             "Letters, digits, '-', '_' and '.', at most 64 characters"},
            {"User", s.user, K::Text, "Empty when the broker asks for none"},
            {"Password file", s.passwordFile, K::File,
             std::string("Empty: the password in ") + kPasswordVariable + ", if set"},
            {"Certificate authority", s.caFile, K::File,
             "mqtts:// with a private certificate authority: its certificate (PEM)"},
            {"Queue folder", s.queueFolder, K::Folder,
             "Messages wait here until the broker has them"},
            {"Queue limit (MB)", std::to_string(s.queueLimitMb), K::Text, ""},
        };
        if (!dialogs_.form("Station network", f)) return;
        on = f[0].value == "1";
        s.url = f[1].value;
        s.station = f[2].value;
        s.user = f[3].value;
        s.passwordFile = f[4].value;
        s.caFile = f[5].value;
        s.queueFolder = f[6].value;
        const std::string& limit = f[7].value;
        int mb = 0;
        const auto [end, ec] = std::from_chars(limit.data(), limit.data() + limit.size(), mb);
        if (ec != std::errc() || end != limit.data() + limit.size() || mb < 1) {
            dialogs_.message(kTitle, "The queue limit is a whole number of megabytes, 1 or more.");
            continue;
        }
        s.queueLimitMb = mb;
        if (!on) {
            stop();
            settings_ = s;
            if (settingsChanged) settingsChanged();
            return;
        }
        std::string why;
        if (start(s, why)) {
            if (settingsChanged) settingsChanged();
            return;
        }
        dialogs_.message(kTitle, "The station network cannot start: " + why + ".");
    }
}

}  // namespace station
