// A file copied off the simulated logger's flash card, seen on the upload tab of the window
// while it arrives.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QTabWidget>
#include <cstdlib>
#include <filesystem>

#include "qt/control_binder.h"
#include "qt/main_window.h"
#include "sim/data_logger.h"
#include "sim/sim_host.h"

namespace {

using platform::Ctl;
using platform::Event;

const platform::AbsTime kStart = platform::toAbsTime({2026, 12, 8, 12, 0, 0, 0});

struct UploadWindow : simtest::SimHost {};

TEST_F(UploadWindow, TheUploadTabShowsProgressWhileALargeFileArrives) {
    std::vector<std::unique_ptr<sim::SimDevice>> d;
    d.push_back(sim::makeRadioNetwork(kStart, std::vector<int>{8}));
    start(std::move(d));
    qtui::MainWindow window(panel);
    chooseUnitType(8);
    open(Ctl::PortARing, 0);
    ASSERT_TRUE(host->selectDevice(255));
    for (int i = 0; i < 600 && host->configState().ConfigStatus != 3; ++i) run(0.5);
    ASSERT_EQ(host->configState().ConfigStatus, 3);
    panel.raise(Ctl::ReadActiveFile, Event::Commit);
    run(2);

    // The file of about a megabyte: the operator is asked first and says yes.
    const std::string dir = ::testing::TempDir() + "upload_window";
    std::filesystem::create_directories(dir);
    dialogs.confirmReplies.push_back(true);
    dialogs.fileReplies.push_back({platform::FileSelection::Status::New, dir + "/big.bin"});
    panel.setValue(Ctl::UpLoadFileNumber, 3);
    panel.setValue(Ctl::UpLoadFile, 1);
    panel.raise(Ctl::UpLoadFile, Event::Commit);
    run(20);
    ASSERT_TRUE(host->flashUpload().UpLoadPCFileOpen);

    window.resize(1280, 800);
    window.tabs()->setCurrentIndex(4);
    window.show();
    window.binder().flushNow();
    for (int pass = 0; pass < 5; ++pass) QApplication::processEvents();
    auto* bar = qobject_cast<QProgressBar*>(window.binder().widget(Ctl::UploadProgress));
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_GT(bar->value(), bar->minimum());
    EXPECT_LT(bar->value(), bar->maximum());
    auto* percent = qobject_cast<QLabel*>(window.binder().widget(Ctl::UploadPercent));
    ASSERT_NE(percent, nullptr);
    EXPECT_TRUE(percent->text().endsWith('%')) << percent->text().toStdString();
    auto* status = qobject_cast<QLabel*>(window.binder().widget(Ctl::UploadStatus));
    ASSERT_NE(status, nullptr);
    EXPECT_TRUE(status->text().contains(" of ")) << status->text().toStdString();
    if (const char* shots = std::getenv("FATHOM_SCREENSHOTS")) {
        window.grab().save(QString::fromUtf8(shots) + "/upload.png");
    }
    std::filesystem::remove_all(dir);
}

}  // namespace
