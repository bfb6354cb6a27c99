// fathomhost: entry point. Builds the Qt seams, the Host and the main window, runs the event
// loop and runs the exit step after it.
#include <QApplication>
#include <QCommandLineParser>
#include <QScreen>
#include <cstdio>

#include "app/host.h"
#include "qt/main_window.h"
#include "qt/qt_clock.h"
#include "qt/qt_dialogs.h"
#include "qt/qt_serial_ports.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName("fathomhost");
    QApplication::setApplicationVersion(FATHOM_VERSION);

    QCommandLineParser cli;
    cli.setApplicationDescription("Host program for Fathomrod, Echorod, Tidecorder, Swellmeter, "
                                  "synchronizer and data-logger units.");
    cli.addHelpOption();
    cli.addVersionOption();
    QCommandLineOption screenshot("screenshot", "Render the window at 1280x1024 to FILE.png and exit.",
                                  "FILE");
    QCommandLineOption tab("tab", "With --screenshot: the tab page to show (0-4).", "N", "0");
    cli.addOption(screenshot);
    cli.addOption(tab);
    cli.process(application);

    platform::Panel panel;
    qtui::QtDialogs dialogs;
    qtui::QtSerialPorts ports;
    qtui::QtClock clock;
    app::Host host(panel, dialogs, ports, clock, [] { QApplication::quit(); });

    qtui::MainWindow window(panel);
    dialogs.setParent(&window);
    dialogs.setPageRenderer([&window](platform::Page p) { return window.pageWidget(p); });

    host.Initialize();
    if (cli.isSet(screenshot)) {
        window.resize(1280, 1024);
        window.show();
        QApplication::processEvents();
        bool ok = window.grab().save(cli.value(screenshot));
        if (!ok) std::fprintf(stderr, "fathomhost: cannot write %s\n", qPrintable(cli.value(screenshot)));
        return ok ? 0 : 1;
    }
    const QRect screen = QApplication::primaryScreen()->availableGeometry();
    app::Geometry g = app::computeGeometry(screen.height(), screen.width());
    window.setGeometry(g.left, g.top, g.width, g.height);
    window.show();
    application.exec();
    host.exitStep();
    return 0;
}
