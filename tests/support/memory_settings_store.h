#pragma once
#include <map>
#include <optional>
#include <string>

#include "platform/settings_store.h"

namespace testing_support {

// Remembered settings in a map; `damaged` makes it a store that cannot be read, `unwritable`
// one whose flush fails. `flushed` holds what the last flush wrote, as the next run reads it.
class MemorySettingsStore : public platform::SettingsStore {
  public:
    std::map<std::string, std::string> values;
    std::map<std::string, std::string> flushed;
    std::string damaged;
    bool unwritable = false;
    int flushes = 0;

    std::string problem() const override { return damaged; }
    bool empty() const override { return values.empty(); }
    std::optional<std::string> get(const std::string& key) const override {
        auto it = values.find(key);
        if (it == values.end()) return std::nullopt;
        return it->second;
    }
    void set(const std::string& key, const std::string& value) override { values[key] = value; }
    void remove(const std::string& key) override { values.erase(key); }
    bool flush() override {
        ++flushes;
        if (unwritable) {
            damaged = "no room on the disk";
            return false;
        }
        flushed = values;
        return true;
    }
    std::string where() const override { return "/home/op/.config/fathomhost/fathomhost.ini"; }
};

}  // namespace testing_support
