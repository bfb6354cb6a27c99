#pragma once
#include <QElapsedTimer>

#include "platform/clock.h"

namespace qtui {

// The computer's local time. delay() blocks the event loop as the instruments' pacing needs;
// serial input keeps arriving in the port threads meanwhile.
class QtClock : public platform::Clock {
public:
    QtClock();
    platform::CalendarTime now() const override;
    double processorMs() const override;
    void delay(double seconds) override;
    void waitNextSecond() override;

private:
    QElapsedTimer elapsed_;
};

}  // namespace qtui
