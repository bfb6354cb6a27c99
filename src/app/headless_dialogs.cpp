#include "app/headless_dialogs.h"

#include <filesystem>

namespace app {

namespace {
std::string oneLine(std::string_view text) {
    std::string s(text);
    for (char& c : s) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}
}  // namespace

void HeadlessDialogs::message(std::string_view title, std::string_view text) {
    ++messages;
    if (log_) log_(oneLine(title), oneLine(text));
}

bool HeadlessDialogs::confirm(std::string_view title, std::string_view text) {
    for (const std::string& yes : yesTo) {
        if (yes != title) continue;
        if (log_) log_(oneLine(title), oneLine(text) + " yes");
        return true;
    }
    if (log_) {
        log_(oneLine(title), oneLine(text) + (replaceExisting ? " yes (--overwrite)" : " no"));
    }
    return replaceExisting;
}

std::optional<std::string> HeadlessDialogs::prompt(std::string_view, std::string_view,
                                                   int maxLength) {
    if (promptAnswers.empty()) return std::nullopt;
    std::string answer = promptAnswers.front();
    promptAnswers.pop_front();
    if (static_cast<int>(answer.size()) > maxLength)
        answer.resize(static_cast<std::size_t>(maxLength));
    return answer;
}

platform::FileSelection HeadlessDialogs::fileSelect(const platform::FileSelectRequest&) {
    platform::FileSelection sel;
    if (fileAnswers.empty()) return sel;
    sel.path = fileAnswers.front();
    fileAnswers.pop_front();
    std::error_code ec;
    sel.status = std::filesystem::exists(sel.path, ec) ? platform::FileSelection::Status::Existing
                                                       : platform::FileSelection::Status::New;
    return sel;
}

bool HeadlessDialogs::printPage(platform::Page, std::string_view) { return false; }

}  // namespace app
