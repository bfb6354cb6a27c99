#pragma once
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/dialogs.h"

namespace testing_support {

// Records every pop-up and answers from scripted replies (defaults: confirm yes, prompt
// cancelled, file select cancelled, print ok).
class FakeDialogs : public platform::Dialogs {
public:
    struct Shown {
        std::string kind, title, text;
    };
    std::vector<Shown> shown;
    std::deque<bool> confirmReplies;
    std::deque<std::optional<std::string>> promptReplies;
    std::deque<platform::FileSelection> fileReplies;
    std::vector<platform::FileSelectRequest> fileRequests;
    std::vector<platform::Page> printed;
    std::vector<std::string> copied;
    struct GraphOutput {
        platform::Ctl graph;
        std::string path;  // empty for a print
        std::vector<std::string> titleBlock;
    };
    std::vector<GraphOutput> graphOutputs;
    int lastPromptMax = 0;
    // When set, questions go to it instead of the scripted replies (a real message box).
    std::function<bool(std::string_view, std::string_view)> askWith;
    // Forms: each reply is the fields' new values (nullopt: cancelled); the fields shown are
    // kept as they were offered.
    std::deque<std::optional<std::vector<std::string>>> formReplies;
    std::vector<std::vector<platform::FormField>> formsShown;
    // Several files at once: the next reply (none: cancelled).
    std::deque<std::vector<std::string>> manyReplies;
    // Progress shown (its texts), how often it was ended, and after how many showings the
    // operator presses cancel (-1: never).
    std::vector<std::string> progressShown;
    int progressEnded = 0;
    int cancelAfter = -1;

    void message(std::string_view title, std::string_view text) override {
        shown.push_back({"message", std::string(title), std::string(text)});
    }
    bool confirm(std::string_view title, std::string_view text) override {
        shown.push_back({"confirm", std::string(title), std::string(text)});
        if (askWith) return askWith(title, text);
        if (confirmReplies.empty()) return true;
        bool r = confirmReplies.front();
        confirmReplies.pop_front();
        return r;
    }
    std::optional<std::string> prompt(std::string_view title, std::string_view msg,
                                      int maxLength) override {
        shown.push_back({"prompt", std::string(title), std::string(msg)});
        lastPromptMax = maxLength;
        if (promptReplies.empty()) return std::nullopt;
        auto r = promptReplies.front();
        promptReplies.pop_front();
        if (r && static_cast<int>(r->size()) > maxLength) r->resize(static_cast<std::size_t>(maxLength));
        return r;
    }
    platform::FileSelection fileSelect(const platform::FileSelectRequest& request) override {
        fileRequests.push_back(request);
        if (fileReplies.empty()) return {};
        auto r = fileReplies.front();
        fileReplies.pop_front();
        return r;
    }
    std::vector<std::string> fileSelectMany(const platform::FileSelectRequest& request) override {
        fileRequests.push_back(request);
        if (manyReplies.empty()) return {};
        auto r = manyReplies.front();
        manyReplies.pop_front();
        return r;
    }
    bool progress(std::string_view, std::string_view text, double) override {
        progressShown.emplace_back(text);
        return cancelAfter < 0 || static_cast<int>(progressShown.size()) <= cancelAfter;
    }
    void endProgress() override { ++progressEnded; }
    bool printPage(platform::Page page, std::string_view) override {
        printed.push_back(page);
        return true;
    }

    bool form(std::string_view title, std::span<platform::FormField> fields) override {
        shown.push_back({"form", std::string(title), ""});
        formsShown.emplace_back(fields.begin(), fields.end());
        if (formReplies.empty() || !formReplies.front()) {
            if (!formReplies.empty()) formReplies.pop_front();
            return false;
        }
        const std::vector<std::string> values = *formReplies.front();
        formReplies.pop_front();
        for (std::size_t i = 0; i < fields.size() && i < values.size(); ++i) {
            fields[i].value = values[i];
        }
        return true;
    }

    bool copyText(std::string_view text) override {
        copied.emplace_back(text);
        return true;
    }
    std::string saveGraph(platform::Ctl graph, const std::string& path) override {
        graphOutputs.push_back({graph, path, {}});
        return {};
    }
    bool printGraph(platform::Ctl graph, std::string_view,
                    std::span<const std::string> titleBlock) override {
        graphOutputs.push_back({graph, {}, {titleBlock.begin(), titleBlock.end()}});
        return true;
    }

    int count(const std::string& title) const {
        int n = 0;
        for (const auto& s : shown) n += s.title == title ? 1 : 0;
        return n;
    }
};

}  // namespace testing_support
