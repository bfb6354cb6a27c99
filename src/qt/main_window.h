#pragma once
#include <QMainWindow>

#include "platform/panel.h"

namespace qtui {

// The main window, built from the control table and bound to the panel model.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(platform::Panel& panel, QWidget* parent = nullptr);
    QWidget* pageWidget(platform::Page page) const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    platform::Panel& panel_;
    std::vector<QWidget*> pages_;
};

}  // namespace qtui
