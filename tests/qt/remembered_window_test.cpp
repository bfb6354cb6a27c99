// The window between runs: remembered settings in a real settings file, files dropped on the
// window, and the keyboard's shortcuts in the menus.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QTabWidget>
#include <QTest>
#include <QUrl>
#include <map>
#include <memory>

#include "app/host.h"
#include "app/remembered_settings.h"
#include "qt/control_binder.h"
#include "qt/main_window.h"
#include "qt/qt_settings_store.h"
#include "qt/simulated_ports.h"
#include "support/fake_clock.h"
#include "support/fake_dialogs.h"
#include "support/fake_serial_ports.h"

namespace {

using platform::Ctl;

QString scratch(const QString& name) {
    const QString dir = QDir::temp().filePath(
        QStringLiteral("fathom_remembered_%1").arg(QCoreApplication::applicationPid()));
    QDir().mkpath(dir);
    return dir + '/' + name;
}

// The program as main() puts it together on the simulator, with its settings in `file`.
struct WindowRun {
    platform::Panel panel;
    testing_support::FakeDialogs dialogs;
    testing_support::FakeSerialPorts noRealPorts;
    qtui::SimulatedPorts simulated{noRealPorts, true};
    testing_support::FakeClock clock;
    app::Host host{panel, dialogs, simulated.ports(), clock, [] {}};
    qtui::MainWindow window{panel};
    qtui::QtSettingsStore store;
    app::RememberedSettings remembered{host, &store, dialogs, simulated.ports()};

    explicit WindowRun(const QString& file) : store(file) {
        host.Initialize();
        window.onFileDropped([this](const std::string& path) { host.playback().openFile(path); });
    }
    QString shown(Ctl id) {
        window.binder().flushNow();
        QWidget* w = window.binder().widget(id);
        if (auto* c = qobject_cast<QComboBox*>(w)) return c->currentText();
        if (auto* s = qobject_cast<QAbstractSpinBox*>(w)) return s->text();
        return {};
    }
};

TEST(RememberedWindow, TheSimulatorStationOfLastRunComesBackWithItsUnitTypePortsAndTraces) {
    const QString file = scratch(QStringLiteral("station.ini"));
    QFile::remove(file);
    QString unitType, portA, portB, trace1;
    {
        WindowRun run(file);
        EXPECT_FALSE(run.remembered.restore({}));
        run.host.chooseUnitType(3);
        ASSERT_TRUE(run.host.choosePort(Ctl::PortARing, "SIM2"));
        ASSERT_TRUE(run.host.choosePort(Ctl::PortBRing, "SIM9"));
        // Plotting with no trace chosen: the traces take the wired units as they report.
        run.panel.setValue(Ctl::RawStartStop, 1);
        run.panel.raise(Ctl::RawStartStop, platform::Event::Commit);
        QTRY_VERIFY_WITH_TIMEOUT(run.panel.intValue(Ctl::TraceSelect1) != 0, 20000);
        unitType = run.shown(Ctl::UnitTypeRing);
        portA = run.shown(Ctl::PortARing);
        portB = run.shown(Ctl::PortBRing);
        trace1 = run.shown(Ctl::TraceSelect1);
        run.remembered.save();
    }
    ASSERT_TRUE(QFile::exists(file));

    WindowRun run(file);
    EXPECT_TRUE(run.remembered.restore({}));
    EXPECT_EQ(run.dialogs.count("OPEN THE PORTS OF LAST TIME?"), 1);
    EXPECT_EQ(run.host.session().UnitType, 3);
    EXPECT_TRUE(run.host.portOpen(Ctl::PortARing));
    EXPECT_TRUE(run.host.portOpen(Ctl::PortBRing));
    EXPECT_EQ(run.shown(Ctl::UnitTypeRing), unitType);
    EXPECT_EQ(run.shown(Ctl::PortARing), portA);
    EXPECT_EQ(run.shown(Ctl::PortBRing), portB);
    EXPECT_EQ(run.shown(Ctl::TraceSelect1), trace1);
    QFile::remove(file);
}

TEST(RememberedWindow, ADamagedOrForeignSettingsFileIsReportedAndLeftUntouched) {
    const std::map<QString, QByteArray> files{
        {QStringLiteral("garbage.ini"), QByteArray("\x7E\x00\xFF[[[=\n\x01\x02=\xFE\xFF", 14)},
        {QStringLiteral("other.ini"), QByteArray("[General]\ntheme=dark\n")},
    };
    for (const auto& [name, content] : files) {
        SCOPED_TRACE(name.toStdString());
        const QString file = scratch(name);
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        f.close();
        {
            WindowRun run(file);
            EXPECT_FALSE(run.remembered.restore({}));
            EXPECT_EQ(run.dialogs.count("REMEMBERED SETTINGS IGNORED"), 1);
            run.host.chooseUnitType(4);
            run.remembered.save();
        }
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), content);
        f.close();
        QFile::remove(file);
    }
}

TEST(RememberedWindow, ADroppedRecordingPlaysBackAndOtherFilesAreRefused) {
    const QString csv = scratch(QStringLiteral("dropped.csv"));
    QFile f(csv);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(" survey\n");
    f.close();
    WindowRun run(scratch(QStringLiteral("drop.ini")));
    auto drop = [&](const QString& path) {
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(path)});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(&run.window, &enter);
        QDropEvent dropped(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&run.window, &dropped);
        return enter.isAccepted();
    };
    EXPECT_FALSE(drop(scratch(QStringLiteral("notes.txt"))));
    EXPECT_EQ(run.panel.text(Ctl::PlotFileName), "");
    EXPECT_TRUE(drop(csv));
    EXPECT_EQ(run.panel.text(Ctl::PlotFileName), csv.toStdString());
    QFile::remove(csv);
}

TEST(RememberedWindow, ShortcutsAreShownInTheMenusAndNeverClash) {
    WindowRun run(scratch(QStringLiteral("keys.ini")));
    std::map<QString, QString> byKey;
    for (QMenu* menu : run.window.menuBar()->findChildren<QMenu*>()) {
        for (QAction* a : menu->actions()) {
            if (a->shortcut().isEmpty()) continue;
            const QString key = a->shortcut().toString();
            EXPECT_TRUE(byKey.emplace(key, a->text()).second)
                << key.toStdString() << " on " << a->text().toStdString() << " and "
                << byKey[key].toStdString();
        }
    }
    for (const char* key :
         {"Ctrl+O", "Ctrl+R", "Ctrl+Shift+R", "Ctrl+P", "Ctrl+Q", "F5", "Ctrl+1", "Ctrl+5"})
        EXPECT_EQ(byKey.count(QString::fromLatin1(key)), 1u) << key;

    run.window.show();
    run.window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&run.window));
    QTest::keyClick(&run.window, Qt::Key_3, Qt::ControlModifier);
    EXPECT_EQ(run.window.tabs()->currentIndex(), 2);
}

}  // namespace
