#pragma once
#include <QMainWindow>
#include <functional>
#include <string>
#include <vector>

#include "platform/panel.h"

class QTabWidget;

namespace qtui {

class ControlBinder;
class WindowScaler;

// The main window: menu bar, main panel and the five tab pages, all built from the control
// table and bound to the panel model; one QTimer per timer row of the table.
class MainWindow : public QMainWindow, private platform::PanelObserver {
    Q_OBJECT
public:
    explicit MainWindow(platform::Panel& panel, QWidget* parent = nullptr);
    ~MainWindow() override;

    QWidget* pageWidget(platform::Page page) const;
    QTabWidget* tabs() const { return tabs_; }
    ControlBinder& binder() { return *binder_; }
    WindowScaler& scaler() { return *scaler_; }

    // Called once, when the window has painted for the first time (start-up timing).
    void onFirstPaint(std::function<void()> hook) { firstPaint_ = std::move(hook); }
    // A recording (.csv) or capture (.DAT) file dropped on the window, to play back.
    void onFileDropped(std::function<void(const std::string&)> hook) {
        fileDropped_ = std::move(hook);
    }

protected:
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildMenus();
    void buildTimers();
    void addTabShortcuts();
    void controlChanged(platform::Ctl id, platform::Attr what) override;

    platform::Panel& panel_;
    ControlBinder* binder_;
    WindowScaler* scaler_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    std::vector<QWidget*> pages_;
    std::function<void()> firstPaint_;
    std::function<void(const std::string&)> fileDropped_;
};

}  // namespace qtui
