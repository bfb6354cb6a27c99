#pragma once
#include <QSettings>
#include <memory>

#include "platform/settings_store.h"

namespace qtui {

// Remembered settings in an INI file through QSettings: the user's own
// (~/.config/fathomhost/fathomhost.ini on Linux) or a file named on the command line.
class QtSettingsStore : public platform::SettingsStore {
  public:
    // The user's own settings file.
    QtSettingsStore();
    // A settings file of its own (tests, --settings FILE).
    explicit QtSettingsStore(const QString& file);

    std::string problem() const override;
    bool empty() const override;
    std::optional<std::string> get(const std::string& key) const override;
    void set(const std::string& key, const std::string& value) override;
    void remove(const std::string& key) override;
    bool flush() override;
    std::string where() const override;

  private:
    void check();
    std::unique_ptr<QSettings> settings_;
    bool damaged_ = false;
};

}  // namespace qtui
