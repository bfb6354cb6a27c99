#pragma once
#include <optional>
#include <string>
#include <vector>

#include "app/host.h"
#include "platform/settings_store.h"

namespace app {

// What the program remembers for its user between runs: the unit type, the ports chosen,
// the trace device numbers, the chart's time axis, Y range and offset, the analysis settings,
// the synchronizer's staff lengths, the folders last used and the files last played back. Everything is applied as the operator
// would set it (value, then commit), so each room checks what it is given. A store that
// cannot be read, or holds another program's settings, is left untouched: the run starts
// clean, says so, and does not write over it.
class RememberedSettings {
  public:
    static constexpr int kRecentFiles = 5;

    // Without a store (--no-settings) nothing is read or written; recent files last the run.
    RememberedSettings(Host& host, platform::SettingsStore* store, platform::Dialogs& dialogs,
                       platform::SerialPorts& ports);

    struct Start {
        bool unitTypeGiven = false;  // the command line chose the unit type
        bool portsGiven = false;     // ... or a port
        bool reopenPorts = false;    // open the remembered ports without asking
    };
    // Applies what is remembered. Ports are offered again only when they are present, and
    // opened when the operator agrees (or at once with reopenPorts). False when nothing was
    // remembered or the store could not be used.
    bool restore(const Start& start);
    // Remembers the program's state as it is now (at exit, while the ports are still open).
    void save();

    bool usable() const { return usable_; }
    // The folder last used for a kind of file (a dialog's title); "" when none.
    std::string folder(const std::string& kind) const;
    void setFolder(const std::string& kind, const std::string& directory);
    // Files last played back, newest first; shown in the File menu.
    const std::vector<std::string>& recentFiles() const { return recent_; }
    void addRecentFile(const std::string& path);

    // Values of other parts of the program (the window's geometry).
    std::string value(const std::string& key) const;
    void setValue(const std::string& key, const std::string& value);

  private:
    bool checkStore();
    void restorePorts(const Start& start);
    void restoreControls();
    void restoreStation();
    void saveStation();
    void showRecentFiles();
    bool present(const std::string& path);

    Host& host_;
    platform::SettingsStore* store_;
    platform::Dialogs& dialogs_;
    platform::SerialPorts& ports_;
    bool usable_ = false;
    // The unit type whose ports the store held at start, if any.
    std::optional<int> storedType_;
    std::vector<std::string> recent_;
};

}  // namespace app
