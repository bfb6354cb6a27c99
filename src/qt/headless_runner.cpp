#include "qt/headless_runner.h"

#include <QCoreApplication>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "app/headless.h"
#include "app/log_writer.h"
#include "app/host.h"
#include "qt/panel_timers.h"
#include "platform/warped_clock.h"
#include "qt/qt_clock.h"

namespace qtui {

namespace {

volatile std::sig_atomic_t stopRequested = 0;
extern "C" void requestStop(int) { stopRequested = 1; }

}  // namespace

int runHeadless(const app::CliOptions& options, platform::SerialPorts& ports,
                std::function<std::unique_ptr<station::BrokerLink>()> makeLink) {
    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);
#ifndef _WIN32
    // A closed terminal or a service manager's hang-up stops the station as SIGTERM does,
    // through the close path. A log reader that goes away only loses lines (the log writers
    // count them): it must not end the recording.
    std::signal(SIGHUP, requestStop);
    std::signal(SIGPIPE, SIG_IGN);
#endif
#ifdef SIGXFSZ
    // A file size limit (ulimit -f, a service manager's limit) is met like a full disk: the
    // write fails and the recording pauses; the signal must not end the station.
    std::signal(SIGXFSZ, SIG_IGN);
#endif

    // FATHOM_CLOCK warps the calendar (midnights and months lived in minutes, for trials);
    // otherwise the computer's own.
    QtClock realClock;
    std::optional<platform::WarpedClock> warped;
    if (const char* warp = std::getenv("FATHOM_CLOCK"); warp && *warp) {
        std::string why;
        const auto w = platform::parseClockWarp(warp, realClock.absNow(), why);
        if (!w) {
            std::fprintf(stderr, "fathomhost: FATHOM_CLOCK: %s\n", why.c_str());
            return 2;
        }
        warped.emplace(realClock, *w);
    }
    platform::Clock& clock = warped ? static_cast<platform::Clock&>(*warped) : realClock;
    platform::Panel panel;
    // Lines leave from threads of their own: a log nobody reads never holds up the recording.
    std::fflush(stdout);
    std::fflush(stderr);
    app::LogWriter outLog(1), errLog(2);
    auto out = [&outLog](const std::string& s) { outLog.write(s); };
    auto err = [&errLog](const std::string& s) { errLog.write(s); };
    app::Headless* session = nullptr;
    app::HeadlessDialogs dialogs([&](const std::string& title, const std::string& text) {
        if (session) session->dialogMessage(title, text);
    });
    app::Host host(panel, dialogs, ports, clock, [] { QCoreApplication::quit(); });
    PanelTimers timers(panel);
    host.station().setLinkMaker(std::move(makeLink));
    app::Headless headless(host, clock, dialogs, options, out, err);
    session = &headless;

    host.Initialize();
    if (warped) headless.say(std::string("the calendar is warped: FATHOM_CLOCK=") + std::getenv("FATHOM_CLOCK"));
    if (!headless.start()) {
        headless.stop();
        return 1;
    }

    int status = 0;
    bool stopped = false;
    auto stopNow = [&] {
        if (stopped) return;
        stopped = true;
        status = headless.stop();  // the close path quits the event loop
        QCoreApplication::quit();
    };

    // Signals only set a flag; the stop itself runs in the event loop. --duration is watched
    // here too, against the processor clock: a timer's interval (int milliseconds) would not
    // hold 30 days.
    const double stopAtMs =
        options.duration > 0 ? clock.processorMs() + options.duration * 1000.0 : -1;
    QTimer signalWatch;
    QObject::connect(&signalWatch, &QTimer::timeout, [&] {
        if (stopRequested || (stopAtMs >= 0 && clock.processorMs() >= stopAtMs)) stopNow();
    });
    signalWatch.start(100);

    QTimer poll;
    int seconds = 0;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        headless.poll();
        if (headless.failed() || headless.finished()) stopNow();
        if (++seconds % 60 == 0) headless.say(headless.statusLine());
    });
    poll.start(1000);

    QCoreApplication::exec();
    if (!stopped) status = headless.failed() ? 1 : 0;
    host.exitStep();
    return status;
}

}  // namespace qtui
