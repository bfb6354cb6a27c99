#pragma once
#include <string>
#include <vector>

#include "station/broker_link.h"

namespace testing_support {

// A broker link the test drives: it says connected or lost when told, keeps what is published
// and acknowledges what the test acknowledges. Events reach the station at its next poll().
class FakeBrokerLink : public station::BrokerLink {
  public:
    struct Published {
        int id;
        std::string topic;
        std::string payload;
        bool retain;
    };
    station::BrokerConfig config;
    std::vector<Published> published;
    bool started = false, stopped = false;
    bool connected = false;

    bool start(const station::BrokerConfig& c, Events e, std::string&) override {
        config = c;
        events_ = std::move(e);
        started = true;
        return true;
    }
    void stop() override { stopped = true; }
    int publish(const std::string& topic, std::span<const char> payload, bool retain) override {
        if (!connected) return -1;
        published.push_back({++lastId_, topic, std::string(payload.begin(), payload.end()), retain});
        return lastId_;
    }
    void poll() override {
        std::vector<std::function<void()>> due;
        due.swap(due_);
        for (auto& f : due) f();
    }

    // What the broker does.
    void connect() {
        connected = true;
        due_.push_back([this] { events_.connected(); });
    }
    void drop(const std::string& why) {
        connected = false;
        due_.push_back([this, why] { events_.disconnected(why); });
    }
    void ack(int id) {
        due_.push_back([this, id] { events_.delivered(id); });
    }
    // Acknowledges everything published so far that was not yet.
    void ackAll() {
        for (const Published& p : published) {
            if (p.id > acked_) ack(p.id);
        }
        if (!published.empty()) acked_ = published.back().id;
    }
    std::vector<Published> on(const std::string& topic) const {
        std::vector<Published> out;
        for (const Published& p : published) {
            if (p.topic == topic) out.push_back(p);
        }
        return out;
    }

  private:
    Events events_;
    std::vector<std::function<void()>> due_;
    int lastId_ = 0;
    int acked_ = 0;
};

// The link a station is given, forwarding to one the test owns, so that what the station
// published stays to be looked at after it has let the link go.
class BrokerLinkProxy : public station::BrokerLink {
  public:
    explicit BrokerLinkProxy(FakeBrokerLink& link) : link_(link) {}
    bool start(const station::BrokerConfig& c, Events e, std::string& why) override {
        return link_.start(c, std::move(e), why);
    }
    void stop() override { link_.stop(); }
    int publish(const std::string& topic, std::span<const char> payload, bool retain) override {
        return link_.publish(topic, payload, retain);
    }
    void poll() override { link_.poll(); }

  private:
    FakeBrokerLink& link_;
};

}  // namespace testing_support
