// The whole window on a 1280 x 800 screen, for every unit type and every tab page, with the
// longest texts each page can show: nothing may lie outside the part of the window (or of its
// scrolling column) that the operator can see, and nothing may need a sideways scroll bar.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTabWidget>
#include <QTableWidget>
#include <cstdlib>
#include <memory>

#include "app/host.h"
#include "platform/control_table.h"
#include "qt/control_binder.h"
#include "qt/main_window.h"
#include "qt/plot_widget.h"
#include "support/fake_clock.h"
#include "support/fake_dialogs.h"
#include "support/fake_serial_ports.h"

namespace {

using platform::Ctl;
using platform::Kind;

constexpr int kScreenWidth = 1280, kScreenHeight = 800;
constexpr int kDesktopBars = 60;  // the desktop's own panels take some of the height
constexpr int kMaxMinimumWidth = 1200;  // room for a window frame and a side panel

// Longer than any sentence the program writes into a status line (an upload cut short into a
// deep folder, an export's path, a link warning with its hint), with a path that has no spaces.
const std::string kLongestSentence =
    "Upload of file 255 INCOMPLETE, the logger stopped sending: 1000000 of 1000300 bytes in "
    "/home/operator/surveys/2026-12-08_harbour-entrance_north-mole/uploads/logger-255/"
    "FILE0255_with_a_long_name.DAT. No valid data on port B for 86400 s. The bytes make no "
    "sense at 38400 baud: is the unit set to another baud rate?";

// The width a ring's closed box needs to show its current item whole in its edit field.
int closedRingNeeds(QComboBox* c) {
    QStyleOptionComboBox opt;
    opt.initFrom(c);
    const QRect field =
        c->style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, c);
    return c->width() - field.width() + c->fontMetrics().horizontalAdvance(c->currentText());
}

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
            text = c->currentText();
            need = {closedRingNeeds(c), 0};
        }
        // A sentence that wraps needs the height of its lines at the width it was given.
        if (auto* l = qobject_cast<QLabel*>(w); l && l->wordWrap() && !l->text().isEmpty()) {
            text = l->text().left(24) + QStringLiteral("...");
            need = {0, l->heightForWidth(l->width())};
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

// The inside of a control (a spin box's line edit, a ring's list) is the control's own affair.
bool insideAControl(const QWidget* w, const QWidget* window) {
    for (const QWidget* a = w->parentWidget(); a && a != window; a = a->parentWidget()) {
        if (qobject_cast<const QAbstractSpinBox*>(a) || qobject_cast<const QComboBox*>(a) ||
            qobject_cast<const QAbstractScrollArea*>(a) || qobject_cast<const qtui::PlotWidget*>(a) ||
            qobject_cast<const QScrollBar*>(a)) {
            // A scroll area's own content is checked against its viewport, below.
            if (auto* area = qobject_cast<const QScrollArea*>(a); area && area->widget() &&
                                                                 area->widget()->isAncestorOf(w))
                continue;
            return true;
        }
    }
    return false;
}

// Widgets that lie, wholly or in part, outside what the operator can see: outside an ancestor
// (cut off by it), or beside a scrolling column's viewport (it scrolls only up and down).
// Sideways scroll bars count too.
QStringList outsideTheViewport(QWidget* window) {
    QStringList out;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window) || insideAControl(w, window)) continue;
        if (auto* bar = qobject_cast<QScrollBar*>(w); bar && bar->orientation() == Qt::Horizontal &&
                                                      !insideAControl(bar, window)) {
            out << QStringLiteral("a sideways scroll bar in %1").arg(bar->parentWidget()->parentWidget()->objectName());
            continue;
        }
        // Past a scrolling column's viewport, what counts is the viewport: the rest of the
        // column is reached by scrolling up and down.
        const QWidget* shown = w;
        for (QWidget* a = w->parentWidget(); a; a = a->parentWidget()) {
            const QRect r(shown->mapTo(a, QPoint(0, 0)), shown->size());
            const auto* area = qobject_cast<const QAbstractScrollArea*>(a->parentWidget());
            const bool viewport = area && area->viewport() == a;
            const bool inside = viewport ? r.left() >= -1 && r.right() <= a->width()
                                         : a->rect().adjusted(-1, -1, 1, 1).contains(r);
            if (!inside) {
                out << QStringLiteral("%1 (%2) at %3,%4 %5x%6 outside %7 (%8x%9)")
                           .arg(w->objectName(), QString::fromLatin1(w->metaObject()->className()))
                           .arg(r.x())
                           .arg(r.y())
                           .arg(r.width())
                           .arg(r.height())
                           .arg(viewport ? area->objectName() + QStringLiteral(" viewport")
                                         : a->objectName())
                           .arg(a->width())
                           .arg(a->height());
                break;
            }
            if (viewport) shown = a;
            if (a == window) break;
        }
    }
    return out;
}

// The lines that come and go while a station runs take room too: open ports with their
// figures and no-data warnings, a recording and a capture with their status lines, and every
// sentence a status line can hold at its longest.
void showEverythingARunningStationShows(app::Host& host, platform::Panel& panel,
                                        testing_support::FakeDialogs& dialogs,
                                        testing_support::FakeClock& clock) {
    const QString dir = QDir::temp().filePath(
        QStringLiteral("fathom_fit_%1").arg(QCoreApplication::applicationPid()));
    QDir().mkpath(dir);
    // The longest names the port rings list: the simulator's.
    host.choosePort(Ctl::PortARing, "SIM12 (simulated Tidecorder, short range)");
    host.choosePort(Ctl::PortBRing, "SIM13 (simulated radio network)");
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
    for (const platform::ControlSpec& spec : platform::controlTable()) {
        if (spec.kind == Kind::TextMsg && spec.wraps) panel.setText(spec.id, kLongestSentence);
    }
    // A sentence spans its frame and wraps there; it never sets a frame's width.
    for (const platform::ControlSpec& spec : platform::controlTable()) {
        if (spec.kind == Kind::TextMsg && spec.caption.empty() && spec.page != platform::Page::Main) {
            EXPECT_TRUE(spec.wraps) << platform::ctlName(spec.id) << " holds sentences";
        }
    }
}

// Whether the part `part` of w (all of it by default) can be seen without scrolling: inside
// the viewport of its column as it stands at its top, and inside the window.
bool inViewAtOnce(QWidget* w, QWidget* window, QRect part = {}) {
    if (part.isNull()) part = w->rect();
    for (QWidget* a = w->parentWidget(); a && a != window; a = a->parentWidget()) {
        if (auto* area = qobject_cast<QAbstractScrollArea*>(a->parentWidget()); area && area->viewport() == a) {
            area->verticalScrollBar()->setValue(0);
            QApplication::processEvents();
            if (!a->rect().contains(part.translated(w->mapTo(a, QPoint(0, 0))))) return false;
        }
    }
    return window->rect().contains(part.translated(w->mapTo(window, QPoint(0, 0))));
}

// Lets the layouts settle: a column widens, a sentence takes more lines at its new width,
// then its page lays out anew. Until nothing moves any more, or a generous bound.
void settle(QWidget* window) {
    QList<QRect> before;
    for (int pass = 0; pass < 40; ++pass) {
        QApplication::processEvents();
        QList<QRect> now;
        for (QWidget* w : window->findChildren<QWidget*>()) now << w->geometry();
        if (now == before) return;
        before = now;
    }
}

// The screenshot of a page, when screenshots are asked for (FATHOM_SCREENSHOTS=folder).
void saveShot(QWidget* window, int type, int tab) {
    const char* dir = std::getenv("FATHOM_SCREENSHOTS");
    if (!dir) return;
    window->grab().save(QStringLiteral("%1/viewport-type%2-tab%3.png")
                            .arg(QString::fromUtf8(dir))
                            .arg(type)
                            .arg(tab));
}

// Every page is checked, so the test keeps guarding as the pages grow: a page that gets too
// wide or tall must scroll or be laid out anew rather than hide what it shows.
TEST(WindowViewport, EveryTabOfEveryUnitTypeShowsItsLongestTextsInsideTheWindow) {
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
        window.binder().flushNow();
        window.resize(kScreenWidth, kScreenHeight - kDesktopBars);
        window.show();
        for (int tab = 0; tab < window.tabs()->count(); ++tab) {
            SCOPED_TRACE("tab " + std::to_string(tab));
            window.tabs()->setCurrentIndex(tab);
            settle(&window);
            const QSize min = window.minimumSizeHint().expandedTo(window.minimumSize());
            EXPECT_LE(min.width(), kMaxMinimumWidth);
            EXPECT_LE(min.height(), kScreenHeight - kDesktopBars);
            EXPECT_LE(window.width(), kScreenWidth);
            const QStringList cut = cutTexts(&window);
            EXPECT_TRUE(cut.isEmpty()) << cut.join(QStringLiteral("; ")).toStdString();
            const QStringList out = outsideTheViewport(&window);
            EXPECT_TRUE(out.isEmpty()) << out.join(QStringLiteral("; ")).toStdString();
            // What is used all the time stands where it is seen at once: the Analyze button
            // under its longest message, the chart's view buttons, and the playback frame
            // begins in view (its title and first line).
            for (Ctl id : {Ctl::AnalyzeButton, Ctl::ChartResetView, Ctl::ChartExport}) {
                QWidget* w = window.binder().widget(id);
                if (w->isVisible()) {
                    EXPECT_TRUE(inViewAtOnce(w, &window)) << platform::ctlName(id);
                }
            }
            if (QWidget* playback = window.binder().widget(Ctl::PlotFileName)->parentWidget();
                playback->isVisible()) {
                EXPECT_TRUE(inViewAtOnce(playback, &window, QRect(0, 0, playback->width(), 40)));
                // And the time played up to, watched while a file plays: its first line.
                QWidget* played = window.binder().widget(Ctl::PlotFileTime);
                EXPECT_TRUE(inViewAtOnce(played, &window, QRect(0, 0, played->width(), 16)));
            }
            // The port rings show their ports' names whole, in view or scrolled away.
            for (Ctl id : {Ctl::PortARing, Ctl::PortBRing}) {
                auto* ring = qobject_cast<QComboBox*>(window.binder().widget(id));
                if (ring->isVisibleTo(&window)) {
                    EXPECT_GE(ring->width(), closedRingNeeds(ring)) << ring->currentText().toStdString();
                }
            }
            saveShot(&window, type, tab);
        }
    }
}

}  // namespace
