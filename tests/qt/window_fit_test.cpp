// The whole window on a 1280 x 800 screen, for every unit type and every tab page.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTabWidget>
#include <memory>

#include "app/host.h"
#include "qt/control_binder.h"
#include "qt/main_window.h"
#include "support/fake_clock.h"
#include "support/fake_dialogs.h"
#include "support/fake_serial_ports.h"

namespace {

using platform::Ctl;

constexpr int kScreenWidth = 1280, kScreenHeight = 800;
constexpr int kDesktopBars = 60;  // the desktop's own panels take some of the height

// Widgets on the page shown whose text is wider or taller than the room the layout gave them.
QStringList cutTexts(QWidget* root) {
    QStringList cut;
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(root) || w->visibleRegion().isEmpty()) continue;
        QString text;
        if (auto* l = qobject_cast<QLabel*>(w); l && !l->wordWrap() && l->pixmap().isNull()) {
            text = l->text();
        } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
            text = b->text();
        }
        QSize need = w->minimumSizeHint();
        if (auto* c = qobject_cast<QComboBox*>(w)) {
            // A ring's closed box shows its current item in its edit field.
            text = c->currentText();
            QStyleOptionComboBox opt;
            opt.initFrom(c);
            const QRect field = c->style()->subControlRect(QStyle::CC_ComboBox, &opt,
                                                           QStyle::SC_ComboBoxEditField, c);
            need = {c->width() - field.width() + c->fontMetrics().horizontalAdvance(text), 0};
        }
        if (text.isEmpty()) continue;
        if (w->width() < need.width() || w->height() < need.height()) {
            cut << QStringLiteral("%1 \"%2\" (%3x%4 of %5x%6 px)")
                       .arg(w->objectName(), text)
                       .arg(w->width())
                       .arg(w->height())
                       .arg(need.width())
                       .arg(need.height());
        }
    }
    return cut;
}

// The lines that come and go while a station runs take room too: open ports with their
// figures and no-data warnings, and a recording and a capture with their status lines.
void showEverythingARunningStationShows(app::Host& host, platform::Panel& panel,
                                        testing_support::FakeDialogs& dialogs,
                                        testing_support::FakeClock& clock) {
    const QString dir = QDir::temp().filePath(
        QStringLiteral("fathom_fit_%1").arg(QCoreApplication::applicationPid()));
    QDir().mkpath(dir);
    host.choosePort(Ctl::PortARing, "/dev/ttyUSB0");
    host.choosePort(Ctl::PortBRing, "/dev/ttyUSB1");
    dialogs.promptReplies.push_back("1");
    dialogs.fileReplies.push_back(
        {platform::FileSelection::Status::New,
         (dir + QStringLiteral("/a-long-survey-name-of-the-harbour-entrance.csv")).toStdString()});
    dialogs.fileReplies.push_back({platform::FileSelection::Status::New,
                                   (dir + QStringLiteral("/frames.DAT")).toStdString()});
    panel.raise(Ctl::MenuSaveOutputData, platform::Event::Commit);
    panel.raise(Ctl::MenuSaveApiFrames, platform::Event::Commit);
    for (int s = 0; s < 12; ++s) {
        clock.advance(1);
        panel.raise(Ctl::LinkHealthTimer, platform::Event::TimerTick);
        panel.raise(Ctl::FileSyncTimer, platform::Event::TimerTick);
    }
    ASSERT_TRUE(panel.visible(Ctl::PortAWarning));
    ASSERT_TRUE(panel.visible(Ctl::RecordingWritten));
}

// Every page is checked, so the test keeps guarding as the tab pages grow: a page that gets too
// wide or tall must scroll or be laid out anew rather than push the window off the screen.
TEST(WindowFit, EveryUnitTypeAndTabFitsTheScreenWithNoCutText) {
    for (int type = 0; type <= 9; ++type) {
        SCOPED_TRACE("unit type " + std::to_string(type));
        platform::Panel panel;
        testing_support::FakeDialogs dialogs;
        testing_support::FakeSerialPorts ports;
        testing_support::FakeClock clock;
        app::Host host(panel, dialogs, ports, clock, [] {});
        qtui::MainWindow window(panel);
        host.Initialize();
        host.chooseUnitType(type);
        showEverythingARunningStationShows(host, panel, dialogs, clock);
        for (int tab = 0; tab < window.tabs()->count(); ++tab) {
            SCOPED_TRACE("tab " + std::to_string(tab));
            window.tabs()->setCurrentIndex(tab);
            window.binder().flushNow();
            const QSize min = window.minimumSizeHint().expandedTo(window.minimumSize());
            EXPECT_LE(min.width(), kScreenWidth);
            EXPECT_LE(min.height(), kScreenHeight - kDesktopBars);
            window.resize(kScreenWidth, kScreenHeight - kDesktopBars);
            window.show();
            QApplication::processEvents();
            EXPECT_LE(window.width(), kScreenWidth);
            const QStringList cut = cutTexts(&window);
            EXPECT_TRUE(cut.isEmpty()) << cut.join(QStringLiteral("; ")).toStdString();
        }
    }
}

}  // namespace
