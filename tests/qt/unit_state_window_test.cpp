// What the window tells about the units a station runs, driven with real keys and clicks:
// the configuration page after another unit type, a wired unit the program put in configure
// mode, and a synchronizer whose staff lengths are not all set.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include "app/remembered_settings.h"
#include "platform/control_table.h"
#include "qt/control_binder.h"
#include "qt/main_window.h"
#include "sim/sim_host.h"
#include "support/memory_settings_store.h"

namespace {

using platform::Ctl;
using platform::Event;

const platform::AbsTime kStart = platform::toAbsTime({2026, 12, 8, 12, 0, 0, 0});

struct UnitStateWindow : simtest::SimHost {
    std::unique_ptr<qtui::MainWindow> window;

    void startWith(std::initializer_list<int> types) {
        std::vector<std::unique_ptr<sim::SimDevice>> d;
        for (int type : types) d.push_back(sim::makeScenario(sim::scenarioForType(type), kStart));
        start(std::move(d));
        window = std::make_unique<qtui::MainWindow>(panel);
        window->resize(1280, 740);
        window->show();
        QApplication::setActiveWindow(window.get());
    }
    void TearDown() override {
        window.reset();
        SimHost::TearDown();
    }
    template <typename W = QWidget>
    W* widget(Ctl id) {
        window->binder().flushNow();
        return qobject_cast<W*>(window->binder().widget(id));
    }
    QString text(Ctl id) { return widget<QLabel>(id)->text(); }
    // Seconds of the station running, the link health ticking with it.
    void runWithHealth(int seconds) {
        for (int s = 0; s < seconds; ++s) {
            run(1);
            panel.raise(Ctl::LinkHealthTimer, Event::TimerTick);
        }
        window->binder().flushNow();
    }
    // Types into an entry as the operator does: a click, the digits, Enter.
    void typeInto(Ctl id, const QString& digits) {
        auto* entry = widget<QDoubleSpinBox>(id);
        QTest::mouseClick(entry->findChild<QLineEdit*>(), Qt::LeftButton);
        entry->findChild<QLineEdit*>()->selectAll();
        QTest::keyClicks(entry->findChild<QLineEdit*>(), digits);
        QTest::keyClick(entry->findChild<QLineEdit*>(), Qt::Key_Return);
    }
};

TEST_F(UnitStateWindow, AnotherUnitTypeLeavesNothingOfTheLastUnitOnTheConfigurationPage) {
    startWith({0, 8});
    chooseUnitType(0);
    open(Ctl::PortARing, 0);
    run(3);
    window->tabs()->setCurrentIndex(2);
    int device = 0;
    for (int i = 0; i < live::kOutputLineCount && device == 0; ++i)
        device = host->deviceTable()[i].DeviceNum;
    ASSERT_GT(device, 0);
    typeInto(Ctl::SelectDeviceNum, QString::number(device));
    for (int i = 0; i < 60 && host->configState().ConfigStatus != 3; ++i) run(0.5);
    ASSERT_EQ(host->configState().ConfigStatus, 3);
    ASSERT_FALSE(text(Ctl::PartNumber).isEmpty());
    ASSERT_EQ(text(Ctl::ConfigConnectionStatus), "Connected");

    // The data logger, typed into the unit type ring, and Yes clicked.
    QTimer::singleShot(0, [] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box) QTest::mouseClick(box->button(QMessageBox::Yes), Qt::LeftButton);
    });
    dialogs.askWith = [](std::string_view, std::string_view) {
        return QMessageBox::question(nullptr, "CHANGE THE UNIT TYPE?", "",
                                     QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::No) == QMessageBox::Yes;
    };
    auto* ring = widget<QComboBox>(Ctl::UnitTypeRing);
    ring->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(ring, "Data");
    ASSERT_EQ(host->session().UnitType, 8);
    for (Ctl id : {Ctl::PartNumber, Ctl::SerialNumber, Ctl::FirmwareVersion})
        EXPECT_TRUE(text(id).isEmpty()) << platform::ctlName(id) << ": " << text(id).toStdString();
    EXPECT_EQ(text(Ctl::ConfigConnectionStatus), "Not Connected");
    EXPECT_EQ(panel.value(Ctl::BatteryVoltage), platform::controlSpec(Ctl::BatteryVoltage).defValue);
}

TEST_F(UnitStateWindow, AWiredUnitInConfigureModeIsShownSoAndRaisesNoWarning) {
    startWith({3});
    chooseUnitType(3);
    open(Ctl::PortARing, 0);
    runWithHealth(6);
    ASSERT_EQ(panel.text(Ctl::PortAStatus), "Connected");
    window->tabs()->setCurrentIndex(2);
    auto* mode = widget<QComboBox>(Ctl::FRTCConfigRunSelect);
    ASSERT_TRUE(mode->isVisible());
    mode->setFocus(Qt::TabFocusReason);
    QTest::keyClick(mode, Qt::Key_Down);  // "Configure port A"
    ASSERT_EQ(host->configState().FRTCConfigMode, 1);
    runWithHealth(30);
    EXPECT_TRUE(widget(Ctl::PortAWarning)->isHidden()) << text(Ctl::PortAWarning).toStdString();
    EXPECT_TRUE(text(Ctl::PortAHealth).contains("configure mode")) << text(Ctl::PortAHealth).toStdString();
    EXPECT_EQ(text(Ctl::PortAStatus), "Configure Mode");
    EXPECT_EQ(text(Ctl::ConfigConnectionStatus), "Connected");

    QTest::keyClick(mode, Qt::Key_Up);  // "Run": the unit streams again, nothing to warn of
    runWithHealth(15);
    EXPECT_TRUE(widget(Ctl::PortAWarning)->isHidden()) << text(Ctl::PortAWarning).toStdString();
    EXPECT_FALSE(text(Ctl::PortAHealth).contains("configure mode"));
}

TEST_F(UnitStateWindow, MissingStaffLengthsAreToldOnceAndTheLengthsAreRemembered) {
    startWith({7});
    chooseUnitType(7);
    open(Ctl::PortARing, 0);
    runWithHealth(20);
    ASSERT_EQ(dialogs.count("STAFF LENGTHS NOT SET"), 1);
    // The board reconnects (the port released and chosen again): nothing new to tell.
    QTest::mouseClick(widget<QAbstractButton>(Ctl::ChangePortA), Qt::LeftButton);
    open(Ctl::PortARing, 0);
    runWithHealth(40);
    EXPECT_EQ(dialogs.count("STAFF LENGTHS NOT SET"), 1);

    // All eight rows are in view in the table, and the operator types the lengths in.
    auto* table = widget<QTableWidget>(Ctl::SyncLengthTable);
    ASSERT_TRUE(table->isVisible());
    EXPECT_LE(table->rowViewportPosition(7) + table->rowHeight(7), table->viewport()->height());
    for (int row = 0; row < 8; ++row) {
        const QPoint cell = table->visualRect(table->model()->index(row, 0)).center();
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell);
        QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell);
        QTest::keyClicks(QApplication::focusWidget(), "2.5");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QApplication::processEvents();  // the cell takes an edit as the loop turns
    }
    ASSERT_EQ(panel.cell(Ctl::SyncLengthTable, 7, 0), "2.5");
    runWithHealth(10);
    EXPECT_EQ(dialogs.count("STAFF LENGTHS NOT SET"), 1);

    // Remembered for the next run, as the other settings are.
    testing_support::MemorySettingsStore store;
    app::RememberedSettings first(*host, &store, dialogs, ports);
    first.restore({});  // a first run: nothing remembered yet
    first.save();
    platform::Panel next;
    app::Host again(next, dialogs, ports, clock, [] {});
    again.Initialize();
    app::RememberedSettings(again, &store, dialogs, ports).restore({});
    EXPECT_EQ(next.cell(Ctl::SyncLengthTable, 0, 0), "2.5");
    EXPECT_EQ(next.cell(Ctl::SyncLengthTable, 7, 0), "2.5");
}

}  // namespace
