#pragma once
#include <optional>
#include <string>

namespace platform {

// Where the program keeps what it remembers between runs for its user (unit type, ports,
// traces, chart and analysis settings, folders, recent files): text values under keys.
// Qt's per-user settings in the window; a map in tests.
class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    // Empty when the stored settings could be read; else why not (a damaged file, say).
    virtual std::string problem() const = 0;
    // True when nothing is stored at all.
    virtual bool empty() const = 0;
    virtual std::optional<std::string> get(const std::string& key) const = 0;
    virtual void set(const std::string& key, const std::string& value) = 0;
    virtual void remove(const std::string& key) = 0;
    // Writes what was set to where the store keeps it; false when it cannot (then problem()
    // says why).
    virtual bool flush() = 0;
    // Where the settings are kept, for messages ("/home/op/.config/fathomhost/fathomhost.ini").
    virtual std::string where() const = 0;
};

}  // namespace platform
