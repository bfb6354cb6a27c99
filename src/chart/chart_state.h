#pragma once
#include "platform/clock.h"

namespace chart {

// Chart control: scales, the data source and the run switch. Receive paths read PlotSource
// (serial bytes are dropped while a file is the source); the display and the recorder read it
// to choose the playback temperature indicator.
struct ChartCtr {
    platform::AbsTime StartTime = 0;  // time of X = 0
    int XScale = 1;                   // seconds per X-axis unit; the chart spans 16 units
    double YRange = 6.0;              // metres spanned by the Y axis
    double YOffset = 0.0;             // metres at the bottom of the Y axis
    int PlotSource = 0;               // 0 live serial data, 1 file playback
    int PlotRun = 0;
    int StopIfFull = 0;               // stop plotting instead of starting again at the left
    int FirstSample = 1;              // the next sample charted sets StartTime
};

}  // namespace chart
