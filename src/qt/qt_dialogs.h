#pragma once
#include <QPointer>
#include <QProgressDialog>
#include <QWidget>

#include "platform/dialogs.h"
#include "platform/graph.h"

namespace qtui {

// Modal pop-ups on Qt's standard dialogs.
class QtDialogs : public platform::Dialogs {
public:
    explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }
    // Renders a page for printing; set by the main window.
    void setPageRenderer(std::function<QWidget*(platform::Page)> r) { pageWidget_ = std::move(r); }
    // The model of each graph control, for exports and prints; set by main.
    void setGraphSource(std::function<const platform::Graph*(platform::Ctl)> g) {
        graph_ = std::move(g);
    }

    void message(std::string_view title, std::string_view text) override;
    bool confirm(std::string_view title, std::string_view text) override;
    std::optional<std::string> prompt(std::string_view title, std::string_view message,
                                      int maxLength) override;
    platform::FileSelection fileSelect(const platform::FileSelectRequest& request) override;
    std::vector<std::string> fileSelectMany(const platform::FileSelectRequest& request) override;
    bool progress(std::string_view title, std::string_view text, double fraction) override;
    void endProgress() override;
    bool printPage(platform::Page page, std::string_view title) override;
    bool form(std::string_view title, std::span<platform::FormField> fields) override;
    bool copyText(std::string_view text) override;
    std::string saveGraph(platform::Ctl graph, const std::string& path) override;
    bool printGraph(platform::Ctl graph, std::string_view title,
                    std::span<const std::string> titleBlock) override;

private:
    const platform::Graph* graphOf(platform::Ctl id) const { return graph_ ? graph_(id) : nullptr; }

    QWidget* parent_;
    QPointer<QProgressDialog> progress_;
    std::function<const platform::Graph*(platform::Ctl)> graph_;
    std::function<QWidget*(platform::Page)> pageWidget_;
};

}  // namespace qtui
