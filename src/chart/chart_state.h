#pragma once

namespace chart {

// Chart control: scales, the data source and the run switch. Receive paths read PlotSource
// (serial bytes are dropped while a file is the source); the display and the recorder read it
// to choose the playback temperature indicator.
struct ChartCtr {
    int XScale = 1;
    double YRange = 6.0;
    double YOffset = 0.0;
    int PlotSource = 0;  // 0 live serial data, 1 file playback
    int PlotRun = 0;
    int FirstSample = 1;
};

}  // namespace chart
