#include "qt/main_window.h"

#include <QCloseEvent>
#include <QTabWidget>
#include <QVBoxLayout>

namespace qtui {

MainWindow::MainWindow(platform::Panel& panel, QWidget* parent) : QMainWindow(parent), panel_(panel) {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    auto* mainPage = new QWidget(central);
    auto* tabs = new QTabWidget(central);
    pages_.push_back(mainPage);
    for (const char* name : {"Plot", "Analysis", "Configuration", "Data-logger ports", "Upload"}) {
        auto* page = new QWidget(tabs);
        tabs->addTab(page, name);
        pages_.push_back(page);
    }
    layout->addWidget(mainPage);
    layout->addWidget(tabs, 1);
    setCentralWidget(central);
    setWindowTitle("Fathomrod Interface");
}

QWidget* MainWindow::pageWidget(platform::Page page) const {
    return pages_[static_cast<std::size_t>(page)];
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // The program decides: the close path closes files and quits the event loop.
    event->ignore();
    panel_.raise(platform::Ctl::MainWindow, platform::Event::Close);
}

}  // namespace qtui
