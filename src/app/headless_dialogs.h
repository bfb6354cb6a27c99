#pragma once
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/dialogs.h"

namespace app {

// Pop-ups without a screen: messages go to the log with a timestamp, and the answers the
// operator would give come from the command line.
class HeadlessDialogs : public platform::Dialogs {
  public:
    // Where a message goes: (title, text) with newlines already folded into blanks.
    explicit HeadlessDialogs(std::function<void(const std::string&, const std::string&)> log)
        : log_(std::move(log)) {}

    // Answers for the next prompts and file selections, in the order they will be asked.
    std::deque<std::string> promptAnswers;
    std::deque<std::string> fileAnswers;
    bool replaceExisting = false;  // the answer to "replace the existing file?"
    // Questions the command line has already answered yes to, by title.
    std::vector<std::string> yesTo;
    int messages = 0;

    void message(std::string_view title, std::string_view text) override;
    bool confirm(std::string_view title, std::string_view text) override;
    std::optional<std::string> prompt(std::string_view title, std::string_view message,
                                      int maxLength) override;
    platform::FileSelection fileSelect(const platform::FileSelectRequest& request) override;
    bool printPage(platform::Page page, std::string_view title) override;

  private:
    std::function<void(const std::string&, const std::string&)> log_;
};

}  // namespace app
