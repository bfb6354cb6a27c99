#pragma once
#include <QWidget>

#include "platform/dialogs.h"

namespace qtui {

// Modal pop-ups on Qt's standard dialogs.
class QtDialogs : public platform::Dialogs {
public:
    explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }
    // Renders a page for printing; set by the main window.
    void setPageRenderer(std::function<QWidget*(platform::Page)> r) { pageWidget_ = std::move(r); }

    void message(std::string_view title, std::string_view text) override;
    bool confirm(std::string_view title, std::string_view text) override;
    std::optional<std::string> prompt(std::string_view title, std::string_view message,
                                      int maxLength) override;
    platform::FileSelection fileSelect(const platform::FileSelectRequest& request) override;
    bool printPage(platform::Page page, std::string_view title) override;

private:
    QWidget* parent_;
    std::function<QWidget*(platform::Page)> pageWidget_;
};

}  // namespace qtui
