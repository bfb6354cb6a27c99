#include "mqtt/collector.h"

#include <mosquitto.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <thread>

#include "mqtt/mosquitto_link.h"
#include "station/archive.h"
#include "station/station.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace mqtt {

namespace {

volatile std::sig_atomic_t stopRequested = 0;
extern "C" void collectorStopRequested(int) { stopRequested = 1; }

double steadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double wallSeconds() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::string stamp() {
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S ", &tm);
    return buf;
}

std::string hostName() {
    char buf[256] = {};
#ifndef _WIN32
    if (gethostname(buf, sizeof buf - 1) != 0) return "host";
#endif
    return buf[0] != '\0' ? buf : "host";
}

struct Session {
    station::Archive* archive = nullptr;
    std::string records, status;
    int refusal = -1;  // CONNACK code of a refused login; -1: none
    bool subscribed = false;
    std::string lastLog;
};

void onConnect(mosquitto* m, void* p, int rc) {
    auto* s = static_cast<Session*>(p);
    if (rc != 0) {
        s->refusal = rc;
        return;
    }
    s->refusal = -1;
    mosquitto_subscribe(m, nullptr, s->records.c_str(), 1);
    mosquitto_subscribe(m, nullptr, s->status.c_str(), 1);
    s->subscribed = true;
}

void onMessage(mosquitto*, void* p, const mosquitto_message* msg) {
    auto* s = static_cast<Session*>(p);
    if (msg->topic == nullptr || msg->payloadlen < 0) return;
    s->archive->message(msg->topic,
                        {static_cast<const char*>(msg->payload),
                         static_cast<std::size_t>(msg->payloadlen)},
                        wallSeconds());
}

void onLog(mosquitto*, void* p, int level, const char* text) {
    if ((level & MOSQ_LOG_ERR) != 0 && text != nullptr) static_cast<Session*>(p)->lastLog = text;
}

}  // namespace

std::string collectorClientId(const std::string& host, const std::string& archive,
                              const std::string& share) {
    std::error_code ec;
    std::string path = std::filesystem::absolute(archive, ec).lexically_normal().string();
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    // FNV-1a of the archive's path: short, and the same on every run.
    std::uint64_t h = 1469598103934665603ull;
    for (char c : path) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(h));
    std::string id = "fathom-collector-";
    for (char c : host.substr(0, 32)) id += std::isalnum(static_cast<unsigned char>(c)) ? c : '-';
    if (!share.empty()) id.append("-").append(share.substr(0, 16));
    return id + "-" + std::string(hash, 8);
}

int runCollector(const CollectorOptions& o, const std::function<void(const std::string&)>& out,
                 const std::function<void(const std::string&)>& err) {
    auto say = [&](const std::string& s) { out(stamp() + s); };
    auto complain = [&](const std::string& s) { err(stamp() + s); };

    std::string why;
    const std::optional<station::BrokerUrl> url = station::parseBrokerUrl(o.url, why);
    if (!url) {
        complain("--collect " + o.url + ": " + why);
        return 2;
    }
    station::BrokerConfig config;
    config.url = *url;
    config.user = o.user;
    config.caFile = o.caFile;
    if (!station::brokerPassword(o.user, o.passwordFile, config.password, why)) {
        complain(why);
        return 2;
    }
    std::error_code ec;
    std::filesystem::create_directories(o.archive, ec);
    if (!std::filesystem::is_directory(o.archive, ec)) {
        complain("cannot make the archive folder " + o.archive);
        return 2;
    }

    stopRequested = 0;
    struct sigaction sa {};
    sa.sa_handler = collectorStopRequested;  // no SA_RESTART: the network wait ends at once
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);

    station::Archive archive({.dir = o.archive, .interval = o.interval}, say, complain);
    Session session;
    session.archive = &archive;
    std::string prefix;
    if (!o.share.empty()) prefix.append("$share/").append(o.share).append("/");
    session.records = prefix + "fathom/+/records";
    // Every collector hears every status (a shared subscription gets no retained messages).
    session.status = "fathom/+/status";

    mosquitto_lib_init();
    const std::string id = collectorClientId(hostName(), o.archive, o.share);
    // A persistent session: what comes while the collector is away waits at the broker.
    mosquitto* m = mosquitto_new(id.c_str(), false, &session);
    if (m == nullptr || !configureClient(m, config, why)) {
        complain(m == nullptr ? "the MQTT client cannot be made" : why);
        if (m != nullptr) mosquitto_destroy(m);
        return 2;
    }
    mosquitto_connect_callback_set(m, onConnect);
    mosquitto_message_callback_set(m, onMessage);
    mosquitto_log_callback_set(m, onLog);
    mosquitto_max_inflight_messages_set(m, 100);

    say("collecting from " + o.url + " into " + o.archive + " as " + id +
        (o.share.empty() ? "" : " in shared group " + o.share));
    int status = 0;
    bool connected = false, everConnected = false;
    std::string lastWhy;
    double retryAt = 0, pause = 1;
    double nextTick = steadySeconds() + 1, nextSummary = steadySeconds() + 60;
    station::Archive::Counts lastCounts;
    while (!stopRequested) {
        const double now = steadySeconds();
        if (!connected && now >= retryAt) {
            session.lastLog.clear();
            session.subscribed = false;
            const int rc = everConnected ? mosquitto_reconnect(m)
                                         : mosquitto_connect(m, url->host.c_str(), url->port, 30);
            if (rc == MOSQ_ERR_SUCCESS) {
                connected = true;
            } else {
                const std::string w = errorWords(rc, session.lastLog);
                if (rc == MOSQ_ERR_TLS) {
                    complain("cannot connect to " + o.url + ": " + w);
                    status = 1;
                    break;
                }
                if (w != lastWhy) complain("cannot connect to " + o.url + ": " + w + "; trying again");
                lastWhy = w;
                retryAt = now + pause;
                pause = std::min(pause * 2, 10.0);
            }
        }
        if (connected) {
            const int rc = mosquitto_loop(m, 200, 1);
            if (session.refusal >= 0) {
                complain("cannot connect to " + o.url + ": " + refusalWords(session.refusal));
                status = 1;
                break;
            }
            if (session.subscribed && !everConnected) say("connected; subscribed to " + session.records);
            if (session.subscribed && !lastWhy.empty() && everConnected) say("connected again");
            if (session.subscribed) {
                everConnected = true;
                lastWhy.clear();
                pause = 1;
                session.subscribed = false;
            }
            // A certificate refused during the first handshake is refused on every try, as
            // when the connect itself says so (which of the two reports it is a matter of
            // timing).
            if (rc == MOSQ_ERR_TLS && !everConnected) {
                complain("cannot connect to " + o.url + ": " + errorWords(rc, session.lastLog));
                status = 1;
                break;
            }
            if (rc != MOSQ_ERR_SUCCESS && !stopRequested) {
                connected = false;
                const std::string w = errorWords(rc, session.lastLog);
                complain("the link to " + o.url + " is down: " + w + "; trying again");
                lastWhy = w;
                retryAt = steadySeconds() + pause;
            }
        } else if (!stopRequested) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        if (steadySeconds() >= nextTick) {
            nextTick += 1;
            archive.tick(wallSeconds());
        }
        if (steadySeconds() >= nextSummary) {
            nextSummary += 60;
            const station::Archive::Counts& c = archive.counts();
            say(std::to_string(c.messages - lastCounts.messages) + " messages (" +
                std::to_string((c.bytes - lastCounts.bytes) / 1000) + " kB) archived in the last minute; " +
                std::to_string(c.duplicates) + " repeats dropped so far");
            lastCounts = c;
        }
    }
    if (connected) mosquitto_disconnect(m);
    mosquitto_destroy(m);
    const station::Archive::Counts& c = archive.counts();
    say("stopped: " + std::to_string(c.messages) + " messages archived, " +
        std::to_string(c.duplicates) + " repeats dropped, " + std::to_string(c.refused) +
        " refused");
    return status;
}

}  // namespace mqtt
