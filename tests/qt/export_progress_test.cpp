// The File menu's NetCDF export in the window: its menu item, and the progress dialog that
// shows a long export and can cancel it while the window stays live.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QProgressDialog>
#include <QPushButton>

#include "qt/control_binder.h"
#include "qt/main_window.h"
#include "qt/qt_dialogs.h"
#include "support/host_rig.h"

namespace {

using platform::Ctl;

QAction* exportAction(qtui::MainWindow& window) {
    for (QAction* a : window.menuBar()->findChildren<QAction*>())
        if (a->text().remove('&') == QStringLiteral("Convert recordings to NetCDF...")) return a;
    return nullptr;
}

// A job that never ends by itself.
struct EndlessJob : app::ExportJob {
    std::string none;
    bool step() override { return true; }
    void cancel() override {}
    bool finished() const override { return false; }
    double fraction() const override { return 0.3; }
    std::string activity() const override { return "Checking survey003.csv"; }
    const std::string& error() const override { return none; }
    std::string summary() const override { return {}; }
};

TEST(ExportProgress, TheMenuItemAppearsWithTheExporterAndTheDialogCancels) {
    testing_support::HostRig rig;
    qtui::MainWindow window(rig.panel);
    window.show();
    QAction* item = exportAction(window);
    ASSERT_NE(item, nullptr);
    window.binder().flushNow();
    EXPECT_FALSE(item->isVisible());
    rig.host.setRecordingExport([](const app::ExportRequest&) { return std::make_unique<EndlessJob>(); },
                                [](const std::vector<std::string>&) { return "run.nc"; });
    window.binder().flushNow();
    EXPECT_TRUE(item->isVisible());

    qtui::QtDialogs dialogs(&window);
    EXPECT_TRUE(dialogs.progress("EXPORT TO NETCDF", "Checking survey003.csv", 0.3));
    QApplication::processEvents();
    auto* shown = window.findChild<QProgressDialog*>();
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(shown->isVisible());
    EXPECT_EQ(shown->windowTitle(), QStringLiteral("EXPORT TO NETCDF"));
    EXPECT_EQ(shown->labelText(), QStringLiteral("Checking survey003.csv"));
    EXPECT_EQ(shown->value(), 300);
    // The operator clicks Cancel: the next report says so.
    auto* cancel = shown->findChild<QPushButton*>();
    ASSERT_NE(cancel, nullptr);
    cancel->click();
    EXPECT_FALSE(dialogs.progress("EXPORT TO NETCDF", "Writing survey003.csv", 0.6));
    dialogs.endProgress();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(window.findChild<QProgressDialog*>(), nullptr);
}

}  // namespace
