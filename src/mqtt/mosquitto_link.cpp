#include "mqtt/mosquitto_link.h"

#include <mosquitto.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace mqtt {

namespace {

// The certificate authorities the system trusts (Debian and most Linux systems).
constexpr const char* kSystemCertificates = "/etc/ssl/certs";

// The longest pause between two attempts to connect.
constexpr double kLongestPause = 10;

// libmosquitto's global set-up, once for the program.
void initLibrary() {
    static const int once = [] { return mosquitto_lib_init(); }();
    (void)once;
}

}  // namespace

std::string refusalWords(int code) {
    switch (code) {
        case 1: return "the broker refused the connection: it does not speak this MQTT version";
        case 2: return "the broker refused the connection: it does not accept this client id";
        case 3: return "the broker refused the connection: it is unavailable";
        case 4:
        case 5:
        case 134:
        case 135:
            return "the broker refused the user name or password (not authorised)";
        default:
            return std::string("the broker refused the connection: ") +
                   mosquitto_connack_string(code);
    }
}

std::string logWords(const std::string& line) {
    if (line.find("certificate verify failed") != std::string::npos) {
        return "the broker's certificate is not trusted (certificate verify failed): give the "
               "certificate authority that signed it";
    }
    if (line.find("OpenSSL Error") != std::string::npos) return "the TLS connection failed (" + line + ")";
    return line;
}

std::string errorWords(int rc, const std::string& lastLogError) {
    if (!lastLogError.empty() && (rc == MOSQ_ERR_TLS || lastLogError.find("OpenSSL") != std::string::npos)) {
        return logWords(lastLogError);
    }
    if (rc == MOSQ_ERR_TLS) return "the TLS connection failed";
    std::string words = rc == MOSQ_ERR_ERRNO ? std::strerror(errno) : mosquitto_strerror(rc);
    if (rc == MOSQ_ERR_CONN_LOST || rc == MOSQ_ERR_NO_CONN) words = "the connection was lost";
    if (!words.empty() && words.back() == '.') words.pop_back();
    return words;
}

bool configureClient(mosquitto* m, const station::BrokerConfig& c, std::string& why) {
    if (!c.user.empty()) {
        mosquitto_username_pw_set(m, c.user.c_str(), c.password.empty() ? nullptr : c.password.c_str());
    }
    if (c.url.tls) {
        int rc = MOSQ_ERR_SUCCESS;
        std::error_code ec;
        if (!c.caFile.empty()) {
            rc = mosquitto_tls_set(m, c.caFile.c_str(), nullptr, nullptr, nullptr, nullptr);
        } else if (std::filesystem::is_directory(kSystemCertificates, ec)) {
            rc = mosquitto_tls_set(m, nullptr, kSystemCertificates, nullptr, nullptr, nullptr);
        } else {
            rc = mosquitto_int_option(m, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
        }
        if (rc != MOSQ_ERR_SUCCESS) {
            why = "the certificate authority " + (c.caFile.empty() ? "of the system" : c.caFile) +
                  " cannot be used: " + mosquitto_strerror(rc);
            return false;
        }
        // The broker's certificate must match its name and chain to the authority.
        mosquitto_tls_opts_set(m, 1, nullptr, nullptr);
        mosquitto_tls_insecure_set(m, false);
    }
    return true;
}

MosquittoLink::MosquittoLink() { initLibrary(); }

MosquittoLink::~MosquittoLink() { stop(); }

bool MosquittoLink::start(const station::BrokerConfig& c, Events events, std::string& why) {
    stop();
    events_ = std::move(events);
    m_ = mosquitto_new(c.clientId.c_str(), true, this);
    if (m_ == nullptr) {
        why = "the MQTT client cannot be made";
        return false;
    }
    // publish() runs in the program's thread while the link's thread runs the network.
    mosquitto_threaded_set(m_, true);
    if (!configureClient(m_, c, why)) {
        stop();
        return false;
    }
    mosquitto_will_set(m_, c.willTopic.c_str(), static_cast<int>(c.willPayload.size()),
                       c.willPayload.data(), 1, true);
    mosquitto_connect_callback_set(m_, onConnect);
    mosquitto_disconnect_callback_set(m_, onDisconnect);
    mosquitto_publish_callback_set(m_, onPublish);
    mosquitto_log_callback_set(m_, onLog);
    // Room for every message the station lets wait for an acknowledgement.
    mosquitto_max_inflight_messages_set(m_, 64);
    stopping_ = false;
    thread_ = std::thread(&MosquittoLink::run, this, c.url, c.keepAliveSeconds);
    return true;
}

void MosquittoLink::run(station::BrokerUrl url, int keepAlive) {
    double pause = 1;
    bool first = true;
    while (!stopping_) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            lastError_.clear();
            refused_ = false;
        }
        int rc = first ? mosquitto_connect_async(m_, url.host.c_str(), url.port, keepAlive)
                       : mosquitto_reconnect_async(m_);
        int err = errno;
        first = false;
        bool wasConnected = false;
        while (rc == MOSQ_ERR_SUCCESS && !stopping_) {
            rc = mosquitto_loop(m_, 100, 1);
            err = errno;
            std::lock_guard<std::mutex> lock(mutex_);
            wasConnected = wasConnected || connected_;
        }
        if (stopping_) break;
        std::string why;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            connected_ = false;
            errno = err;
            why = refused_ ? std::string() : errorWords(rc, lastError_);
        }
        if (!why.empty()) push({Event::Disconnected, 0, why});
        if (wasConnected) pause = 1;
        // A pause that grows, with some spread, so that the stations of a broker that comes
        // back do not all knock at the same instant.
        std::unique_lock<std::mutex> lock(mutex_);
        const double spread = 0.8 + 0.4 * static_cast<double>(std::rand() % 1000) / 1000.0;
        wake_.wait_for(lock, std::chrono::duration<double>(pause * spread),
                       [this] { return stopping_.load(); });
        pause = std::min(pause * 2, kLongestPause);
    }
}

void MosquittoLink::stop() {
    if (m_ == nullptr) return;
    stopping_ = true;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        wake_.notify_all();
    }
    mosquitto_disconnect(m_);
    if (thread_.joinable()) thread_.join();
    mosquitto_destroy(m_);
    m_ = nullptr;
    std::lock_guard<std::mutex> lock(mutex_);
    pending_.clear();
    connected_ = false;
}

int MosquittoLink::publish(const std::string& topic, std::span<const char> payload, bool retain) {
    if (m_ == nullptr) return -1;
    int mid = 0;
    const int rc = mosquitto_publish(m_, &mid, topic.c_str(), static_cast<int>(payload.size()),
                                     payload.data(), 1, retain);
    return rc == MOSQ_ERR_SUCCESS ? mid : -1;
}

void MosquittoLink::poll() {
    std::vector<Event> events;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        events.swap(pending_);
    }
    for (const Event& e : events) {
        if (e.kind == Event::Connected && events_.connected) events_.connected();
        if (e.kind == Event::Disconnected && events_.disconnected) events_.disconnected(e.why);
        if (e.kind == Event::Delivered && events_.delivered) events_.delivered(e.id);
    }
}

void MosquittoLink::push(Event e) {
    std::lock_guard<std::mutex> lock(mutex_);
    pending_.push_back(std::move(e));
}

void MosquittoLink::onConnect(mosquitto*, void* self, int rc) {
    auto* link = static_cast<MosquittoLink*>(self);
    std::lock_guard<std::mutex> lock(link->mutex_);
    if (rc == 0) {
        link->connected_ = true;
        link->lastError_.clear();
        link->pending_.push_back({Event::Connected, 0, {}});
    } else {
        link->refused_ = true;
        link->pending_.push_back({Event::Disconnected, 0, refusalWords(rc)});
    }
}

// The link's thread says why the link ended once the library's loop returns.
void MosquittoLink::onDisconnect(mosquitto*, void* self, int) {
    auto* link = static_cast<MosquittoLink*>(self);
    std::lock_guard<std::mutex> lock(link->mutex_);
    link->connected_ = false;
}

void MosquittoLink::onPublish(mosquitto*, void* self, int mid) {
    static_cast<MosquittoLink*>(self)->push({Event::Delivered, mid, {}});
}

// The library says why a TLS connection failed only in its log; the first line that says
// the certificate was refused is the reason.
void MosquittoLink::onLog(mosquitto*, void* self, int level, const char* text) {
    if ((level & MOSQ_LOG_ERR) == 0 || text == nullptr) return;
    auto* link = static_cast<MosquittoLink*>(self);
    std::lock_guard<std::mutex> lock(link->mutex_);
    if (link->lastError_.find("verify failed") == std::string::npos) link->lastError_ = text;
}

}  // namespace mqtt
