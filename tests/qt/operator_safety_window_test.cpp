// The window driven as an operator with one hand on the mouse drives it: wheel notches, keys
// and clicks sent to the real widgets of a station that is running and recording.
#include <gtest/gtest.h>

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QTabWidget>
#include <QTest>
#include <QtTest/qtestspontaneevent.h>
#include <QTimer>
#include <QWheelEvent>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "platform/control_table.h"
#include "qt/control_binder.h"
#include "qt/main_window.h"
#include "qt/qt_dialogs.h"
#include "sim/sim_host.h"

namespace {

using platform::Ctl;
using platform::Event;

const platform::AbsTime kStart = platform::toAbsTime({2026, 12, 8, 12, 0, 0, 0});

// One notch of a mouse wheel turned towards the operator, over the middle of w. It comes as
// from the window system (spontaneous), so it takes the focus and travels to the widgets
// beneath as a real one does.
void wheelNotch(QWidget* w) {
    const QPointF at(w->width() / 2.0, w->height() / 2.0);
    QWheelEvent notch(at, w->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QSpontaneKeyEvent::setSpontaneous(&notch);
    qApp->notify(w, &notch);  // as QTest delivers keys: sendEvent would make it synthetic
}

struct OperatorWindow : simtest::SimHost {
    std::unique_ptr<qtui::MainWindow> window;
    qtui::QtDialogs questions;
    // How the operator answers the next question, once its box is up; a question nobody
    // expects is answered "no" unseen (and the test's counts show it).
    std::function<void(QMessageBox*)> answer;
    QString shot;

    // The next question is answered as given (a key or a click on the box); the box and the
    // window under it are saved as `shotName` first when screenshots are asked for.
    void answerNextQuestion(std::function<void(QMessageBox*)> how, const QString& shotName = {}) {
        answer = std::move(how);
        shot = shotName;
    }
    bool ask(std::string_view title, std::string_view text) {
        if (!answer) return false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            // Answered once the box is up with its buttons shown and has the keyboard, as the
            // operator meets it, however long a busy machine takes to get there.
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible() || box->buttons().isEmpty() ||
                !box->buttons().front()->isVisible())
                return;
            poll.stop();
            QApplication::setActiveWindow(box);
            const char* shots = std::getenv("FATHOM_SCREENSHOTS");
            if (shots && !shot.isEmpty()) {
                QPixmap page = window->grab();
                const QPixmap question = box->grab();
                QPainter p(&page);
                p.fillRect(page.rect(), QColor(0, 0, 0, 60));
                p.drawPixmap((page.width() - question.width()) / 2,
                             (page.height() - question.height()) / 2, question);
                p.end();
                page.save(QString::fromUtf8(shots) + '/' + shot);
            }
            std::exchange(answer, nullptr)(box);
        });
        poll.start(5);
        return questions.confirm(title, text);
    }
    std::string dir;

    void SetUp() override {
        dir = freshFolder("operator_window");
    }
    void TearDown() override {
        window.reset();
        SimHost::TearDown();
        std::filesystem::remove_all(dir);
    }
    // A radio station and a wired staff on the lines; the radio one open and recording. Its
    // questions are real message boxes over the window; the other pop-ups are scripted.
    void startRecordingStation() {
        std::vector<std::unique_ptr<sim::SimDevice>> d;
        d.push_back(sim::makeScenario(sim::scenarioForType(0), kStart));
        d.push_back(sim::makeScenario(sim::scenarioForType(3), kStart));
        start(std::move(d));
        window = std::make_unique<qtui::MainWindow>(panel);
        questions.setParent(window.get());
        dialogs.askWith = [this](std::string_view title, std::string_view text) {
            return ask(title, text);
        };
        chooseUnitType(0);
        open(Ctl::PortARing, 0);
        dialogs.promptReplies.push_back("1");
        dialogs.fileReplies.push_back({platform::FileSelection::Status::New, dir + "run.csv"});
        panel.raise(Ctl::MenuSaveOutputData, Event::Commit);
        ASSERT_EQ(host->recorder().OutputDataFileOpen, 1);
        run(2);
        window->resize(1280, 600);
        window->show();
        QApplication::setActiveWindow(window.get());
        window->binder().flushNow();
        QApplication::processEvents();
    }
    QWidget* widget(Ctl id) { return window->binder().widget(id); }
    // A shortcut typed on the window, which is active again once a question has closed.
    void shortcut(Qt::Key key, Qt::KeyboardModifiers modifiers) {
        QApplication::setActiveWindow(window.get());
        QTest::keyClick(window.get(), key, modifiers);
    }
};

}  // namespace

namespace {

bool changesOnWheel(const QWidget* w) {
    return qobject_cast<const QComboBox*>(w) || qobject_cast<const QAbstractSpinBox*>(w) ||
           qobject_cast<const QSlider*>(w);
}

TEST_F(OperatorWindow, AWheelNotchScrollsThePageAndChangesNoSettingOnAnyPage) {
    startRecordingStation();
    // Over the unit type ring, with the left column taller than its room: the column scrolls,
    // the station goes on recording its radio units.
    auto* left = window->findChild<QScrollArea*>(QStringLiteral("mainPanelLeftScroll"));
    ASSERT_NE(left, nullptr);
    ASSERT_GT(left->verticalScrollBar()->maximum(), 0);
    wheelNotch(widget(Ctl::UnitTypeRing));
    EXPECT_GT(left->verticalScrollBar()->value(), 0);
    EXPECT_EQ(panel.intValue(Ctl::UnitTypeRing), 0);
    EXPECT_EQ(host->session().UnitType, 0);
    EXPECT_TRUE(host->portOpen(Ctl::PortARing));
    EXPECT_EQ(dialogs.count("CHANGE THE UNIT TYPE?"), 0);

    // Every ring, number entry and slider of every page keeps its value under the wheel.
    std::vector<std::string> changed;
    panel.onAnyEvent([&](Ctl id, Event e, const platform::EventData&) {
        if (e == Event::Commit) changed.push_back(platform::ctlName(id));
    });
    panel.setValue(Ctl::TraceSelect2, 1);
    window->binder().flushNow();
    int wheeled = 0;
    for (const platform::ControlSpec& spec : platform::controlTable()) {
        QWidget* w = widget(spec.id);
        if (!w || !changesOnWheel(w)) continue;
        if (spec.page != platform::Page::Main)
            window->tabs()->setCurrentIndex(static_cast<int>(spec.page) - 1);
        const double before = panel.value(spec.id);
        wheelNotch(w);
        wheelNotch(w);
        QApplication::processEvents();
        EXPECT_EQ(panel.value(spec.id), before) << platform::ctlName(spec.id);
        ++wheeled;
    }
    EXPECT_GT(wheeled, 40);
    EXPECT_TRUE(changed.empty()) << changed.front();

    // Clicked into, an entry takes the wheel: the operator means it.
    window->tabs()->setCurrentIndex(0);
    auto* trace2 = qobject_cast<QDoubleSpinBox*>(widget(Ctl::TraceSelect2));
    ASSERT_NE(trace2, nullptr);
    auto* side = window->findChild<QScrollArea*>(QStringLiteral("page1Side"));
    if (side) side->ensureWidgetVisible(trace2);
    QApplication::processEvents();
    QTest::mouseClick(trace2->findChild<QLineEdit*>(), Qt::LeftButton);
    ASSERT_TRUE(trace2->hasFocus());
    wheelNotch(trace2);
    QTest::keyClick(trace2, Qt::Key_Return);
    EXPECT_NE(panel.intValue(Ctl::TraceSelect2), 1);
}

// The unit type ring moved by a key: the question names what closes and what happens to the
// recording; a stray Enter keeps everything, a click on Yes changes the type and the recording
// goes on in its next file.
TEST_F(OperatorWindow, AUnitTypeChangeIsAskedAndAStrayEnterKeepsTheStationAsItWas) {
    startRecordingStation();
    auto* ring = qobject_cast<QComboBox*>(widget(Ctl::UnitTypeRing));
    ring->setFocus(Qt::TabFocusReason);
    answerNextQuestion([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Return); },
                       QStringLiteral("unit-type-question.png"));
    QTest::keyClick(ring, Qt::Key_Down);
    ASSERT_EQ(dialogs.count("CHANGE THE UNIT TYPE?"), 1);
    const std::string asked = dialogs.shown.back().text;
    EXPECT_NE(asked.find("port A"), std::string::npos) << asked;
    EXPECT_NE(asked.find("run000.csv"), std::string::npos) << asked;
    window->binder().flushNow();
    EXPECT_EQ(host->session().UnitType, 0);
    EXPECT_EQ(ring->currentIndex(), panel.indexOfValue(Ctl::UnitTypeRing, 0));
    EXPECT_TRUE(host->portOpen(Ctl::PortARing));
    EXPECT_EQ(host->recorder().SaveOutputDataFileName, dir + "run000.csv");

    answerNextQuestion([](QMessageBox* box) {
        QTest::mouseClick(box->button(QMessageBox::Yes), Qt::LeftButton);
    });
    QTest::keyClick(ring, Qt::Key_Down);
    EXPECT_NE(host->session().UnitType, 0);
    EXPECT_FALSE(host->portOpen(Ctl::PortARing));
    EXPECT_EQ(host->recorder().SaveOutputDataFileName, dir + "run001.csv");
    EXPECT_EQ(host->recorder().OutputDataFileOpen, 1);
}

// Exit during a recording and a file that would be replaced: Enter answers "No".
TEST_F(OperatorWindow, AStrayEnterNeitherExitsDuringARecordingNorReplacesAFile) {
    startRecordingStation();
    answerNextQuestion([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Enter); });
    shortcut(Qt::Key_Q, Qt::ControlModifier);
    ASSERT_EQ(dialogs.count("EXIT WHILE RUNNING?"), 1);
    EXPECT_EQ(host->recorder().OutputDataFileOpen, 1);
    run(1);

    shortcut(Qt::Key_R, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_EQ(host->recorder().OutputDataFileOpen, 0);
    const auto size = std::filesystem::file_size(dir + "run000.csv");
    ASSERT_GT(size, 0u);
    dialogs.promptReplies.push_back("1");
    dialogs.fileReplies.push_back({platform::FileSelection::Status::Existing, dir + "run.csv"});
    answerNextQuestion([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Return); });
    shortcut(Qt::Key_R, Qt::ControlModifier);
    ASSERT_EQ(dialogs.count("Confirm Save File"), 1);
    EXPECT_EQ(host->recorder().OutputDataFileOpen, 0);
    EXPECT_EQ(std::filesystem::file_size(dir + "run000.csv"), size);

    // The adapter's PAN ID typed over and confirmed with Enter: the question's Enter keeps
    // the adapter's own value.
    const std::uint64_t pan = panel.u64(Ctl::AdapterPanId);
    auto* entry = qobject_cast<QLineEdit*>(widget(Ctl::AdapterPanId));
    ASSERT_NE(entry, nullptr);
    ASSERT_TRUE(entry->isEnabled());
    QTest::mouseClick(entry, Qt::LeftButton);
    entry->selectAll();
    QTest::keyClicks(entry, "BEEF");
    answerNextQuestion([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Return); });
    QTest::keyClick(entry, Qt::Key_Return);
    ASSERT_EQ(dialogs.count("CHANGE THE LOCAL ADAPTER PAN ID?"), 1);
    EXPECT_EQ(panel.u64(Ctl::AdapterPanId), pan);
}

}  // namespace
