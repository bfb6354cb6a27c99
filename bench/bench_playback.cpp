// CSV playback throughput, unpaced: a recorded sample file (32-value "A" blocks of eight units
// and a continuous unit's samples) fed 1 KB at a time as the playback timer reads it. Budget:
// 100 MB/s on one core. The first benchmark measures the line parser alone, the second the
// whole path onto device entries, display rows and a running chart.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>

#include "app/host.h"
#include "chart/playback_parser.h"
#include "support/fake_clock.h"
#include "support/fake_dialogs.h"
#include "support/fake_serial_ports.h"

namespace {

std::string recordedFile() {
    std::string all;
    char line[64];
    for (int block = 0; block < 400; ++block) {
        const int second = block * 4;
        char time[24];
        std::snprintf(time, sizeof time, "2014-02-10T%02d:%02d:%02d", 16 + second / 3600,
                      second / 60 % 60, second % 60);
        for (int unit = 1; unit <= 8; ++unit) {
            std::snprintf(line, sizeof line, "A%03d,S08,B0,%s", unit, time);
            all += line;
            for (int i = 0; i < 32; ++i) {
                std::snprintf(line, sizeof line, ",%07.4f", 1.5 + 0.001 * ((i * 37 + unit) % 900));
                all += line;
            }
            all += "\r\n";
        }
        for (int s = 0; s < 16; ++s) {
            std::snprintf(line, sizeof line, "C020,D1,S04,%07.4f\r\n", 0.9 + 0.01 * s);
            all += line;
        }
    }
    return all;
}

template <typename Feed>
void inKilobytes(const std::string& file, Feed&& feed) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(file.data());
    for (std::size_t at = 0; at < file.size(); at += 1024) {
        feed(std::span(bytes + at, std::min<std::size_t>(1024, file.size() - at)));
    }
}

void BM_CsvLineParsing(benchmark::State& state) {
    const std::string file = recordedFile();
    chart::CsvLineAssembler lines;
    chart::CsvRecord record;
    std::size_t values = 0;
    for (auto _ : state) {
        lines.reset();
        inKilobytes(file, [&](std::span<const std::uint8_t> kb) {
            lines.feed(kb, [&](std::string_view l) {
                if (chart::parseCsvLine(l, record))
                    values += static_cast<std::size_t>(record.count);
            });
        });
        benchmark::DoNotOptimize(values);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size()));
}
BENCHMARK(BM_CsvLineParsing);

void BM_CsvPlaybackToChart(benchmark::State& state) {
    const std::string file = recordedFile();
    platform::Panel panel;
    testing_support::FakeDialogs dialogs;
    testing_support::FakeSerialPorts ports;
    testing_support::FakeClock clock;
    auto host = std::make_unique<app::Host>(panel, dialogs, ports, clock, [] {});
    host->Initialize();
    host->chartCtr().PlotSource = 1;
    panel.setValue(platform::Ctl::RawPlotXAsis, 225);  // an hour across: the chart keeps going
    panel.setValue(platform::Ctl::RawStartStop, 1);
    panel.raise(platform::Ctl::RawStartStop, platform::Event::Commit);
    chart::Playback& playback = host->playback();
    for (auto _ : state) {
        playback.resetReceiveState();
        inKilobytes(file, [&](std::span<const std::uint8_t> kb) {
            playback.feedBytes(chart::PlaybackType::Csv, kb);
        });
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size()));
}
BENCHMARK(BM_CsvPlaybackToChart);

}  // namespace

BENCHMARK_MAIN();
