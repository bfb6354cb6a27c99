#pragma once
#include <string>

#include "app/remembered_settings.h"
#include "platform/dialogs.h"

namespace app {

// The window's dialogs, opening each kind of file dialog (by its title) in the folder where
// that kind of file was last chosen, this run or an earlier one. Everything else passes
// through unchanged.
class FolderMemory : public platform::Dialogs {
  public:
    explicit FolderMemory(platform::Dialogs& inner) : inner_(inner) {}
    // Set once the remembered settings exist (they need the Host, which needs these dialogs).
    void remember(RememberedSettings* settings) { settings_ = settings; }

    void message(std::string_view title, std::string_view text) override {
        inner_.message(title, text);
    }
    bool confirm(std::string_view title, std::string_view text) override {
        return inner_.confirm(title, text);
    }
    std::optional<std::string> prompt(std::string_view title, std::string_view message,
                                      int maxLength) override {
        return inner_.prompt(title, message, maxLength);
    }
    platform::FileSelection fileSelect(const platform::FileSelectRequest& request) override;
    std::vector<std::string> fileSelectMany(const platform::FileSelectRequest& request) override;
    bool progress(std::string_view title, std::string_view text, double fraction) override {
        return inner_.progress(title, text, fraction);
    }
    void endProgress() override { inner_.endProgress(); }
    bool printPage(platform::Page page, std::string_view title) override {
        return inner_.printPage(page, title);
    }
    bool form(std::string_view title, std::span<platform::FormField> fields) override {
        return inner_.form(title, fields);
    }
    bool copyText(std::string_view text) override { return inner_.copyText(text); }
    std::string saveGraph(platform::Ctl graph, const std::string& path) override {
        return inner_.saveGraph(graph, path);
    }
    bool printGraph(platform::Ctl graph, std::string_view title,
                    std::span<const std::string> titleBlock) override {
        return inner_.printGraph(graph, title, titleBlock);
    }

  private:
    // The request with the folder last used for its kind of file; remembers the chosen one.
    platform::FileSelectRequest inLastFolder(const platform::FileSelectRequest& request) const;
    void remember(const platform::FileSelectRequest& request, const std::string& chosen);

    platform::Dialogs& inner_;
    RememberedSettings* settings_ = nullptr;
};

}  // namespace app
