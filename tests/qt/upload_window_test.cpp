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

struct UploadWindow : simtest::SimHost {
    std::unique_ptr<qtui::MainWindow> window;
    std::string dir;
    void TearDown() override {
        window.reset();
        SimHost::TearDown();
        std::filesystem::remove_all(dir);
    }
    // The upload switch on for `file`; the save dialog, if it comes, is answered with `name`.
    void upload(int file, const std::string& name = {}) {
        if (!name.empty())
            dialogs.fileReplies.push_back({platform::FileSelection::Status::New, dir + name});
        panel.setValue(Ctl::UpLoadFileNumber, file);
        panel.setValue(Ctl::UpLoadFile, 1);
        panel.raise(Ctl::UpLoadFile, Event::Commit);
    }
    // Until the upload switch is off again: the upload ended, or never began.
    void runToTheEnd() {
        for (int i = 0; i < 400 && host->flashUpload().UpLoading != 0; ++i) run(1);
        ASSERT_EQ(host->flashUpload().UpLoading, 0);
    }
    QString shownStatus() {
        window->binder().flushNow();
        for (int pass = 0; pass < 5; ++pass) QApplication::processEvents();
        return qobject_cast<QLabel*>(window->binder().widget(Ctl::UploadStatus))->text();
    }
    void shot(const char* name) {
        if (const char* shots = std::getenv("FATHOM_SCREENSHOTS"))
            window->grab().save(QString::fromUtf8(shots) + '/' + name);
    }
};

// The large file: asked first with its size, blocks and time; its progress while it arrives;
// and the page after a complete and after an incomplete upload.
TEST_F(UploadWindow, ALargeFileIsAskedWithItsTimeAndTheTabShowsProgressAndHowItEnded) {
    std::vector<std::unique_ptr<sim::SimDevice>> d;
    d.push_back(sim::makeRadioNetwork(kStart, std::vector<int>{8}));
    start(std::move(d));
    dir = freshFolder("upload_window");
    window = std::make_unique<qtui::MainWindow>(panel);
    chooseUnitType(8);
    open(Ctl::PortARing, 0);
    ASSERT_TRUE(host->selectDevice(255));
    for (int i = 0; i < 600 && host->configState().ConfigStatus != 3; ++i) run(0.5);
    ASSERT_EQ(host->configState().ConfigStatus, 3);
    panel.raise(Ctl::ReadActiveFile, Event::Commit);
    run(2);

    // The file of about a megabyte, the first upload of the run: the question goes by how
    // long the logger took to answer; the operator says yes.
    dialogs.confirmReplies.push_back(true);
    upload(3, "big.bin");
    run(20);
    ASSERT_EQ(dialogs.count("LARGE FILE CONFIRM UPLOAD"), 1);
    const std::string first = dialogs.shown.back().text;
    EXPECT_NE(first.find("1000300 bytes (1.0 MB): 1954 blocks"), std::string::npos) << first;
    EXPECT_NE(first.find("to answer the size request"), std::string::npos) << first;
    EXPECT_NE(first.find(" min "), std::string::npos) << first;
    ASSERT_TRUE(host->flashUpload().UpLoadPCFileOpen);

    window->resize(1280, 800);
    window->tabs()->setCurrentIndex(4);
    window->show();
    EXPECT_TRUE(shownStatus().contains(" of ")) << shownStatus().toStdString();
    auto* bar = qobject_cast<QProgressBar*>(window->binder().widget(Ctl::UploadProgress));
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_GT(bar->value(), bar->minimum());
    EXPECT_LT(bar->value(), bar->maximum());
    auto* percent = qobject_cast<QLabel*>(window->binder().widget(Ctl::UploadPercent));
    ASSERT_NE(percent, nullptr);
    EXPECT_TRUE(percent->text().endsWith('%')) << percent->text().toStdString();
    shot("upload.png");
    runToTheEnd();
    EXPECT_TRUE(shownStatus().contains("complete: 1000300 of 1000300 bytes"))
        << shownStatus().toStdString();
    shot("upload-complete.png");

    // The next large file goes by the pace of the last upload; declined, it opens nothing.
    dialogs.confirmReplies.push_back(false);
    const std::size_t saveDialogs = dialogs.fileRequests.size();
    upload(3);
    run(5);
    ASSERT_EQ(dialogs.count("LARGE FILE CONFIRM UPLOAD"), 2);
    const std::string second = dialogs.shown.back().text;
    EXPECT_NE(second.find("a block took in the last upload"), std::string::npos) << second;
    EXPECT_EQ(dialogs.fileRequests.size(), saveDialogs);
    EXPECT_EQ(panel.value(Ctl::UpLoadFile), 0);

    // A card that loses a block: the page says the upload is incomplete.
    for (auto& unit : device<sim::XBeeAdapter>(0).units())
        if (auto* logger = dynamic_cast<sim::DataLogger*>(unit.get()))
            logger->flashCard().dropBlock = 2;
    upload(2, "short.bin");
    runToTheEnd();
    EXPECT_EQ(dialogs.count("UPLOAD INCOMPLETE"), 1);
    EXPECT_TRUE(shownStatus().contains("INCOMPLETE")) << shownStatus().toStdString();
    shot("upload-incomplete.png");
}

}  // namespace
