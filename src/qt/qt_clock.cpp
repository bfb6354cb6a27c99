#include "qt/qt_clock.h"

#include <QDateTime>
#include <QThread>

namespace qtui {

QtClock::QtClock() { elapsed_.start(); }

platform::CalendarTime QtClock::now() const {
    QDateTime t = QDateTime::currentDateTime();
    QDate d = t.date();
    QTime h = t.time();
    return {d.year(), d.month(), d.day(), h.hour(), h.minute(), h.second(), h.msec()};
}

double QtClock::processorMs() const { return static_cast<double>(elapsed_.nsecsElapsed()) / 1e6; }

void QtClock::delay(double seconds) {
    if (seconds > 0) QThread::usleep(static_cast<unsigned long>(seconds * 1e6));
}

void QtClock::waitNextSecond() {
    int ms = QTime::currentTime().msec();
    QThread::msleep(static_cast<unsigned long>(1000 - ms));
}

}  // namespace qtui
