// Throughput of the inbound decoder: full 100-byte poll cycles over a realistic mixed stream
// (every record kind, identity and mainboard records among them, a little line noise).
#include <benchmark/benchmark.h>

#include "bench/bench_link.h"
#include "link/device_link.h"
#include "protocol/output_frames.h"
#include "protocol/stream_decoder.h"
#include "tests/support/headless_window_services.h"
#include "tools/samples/mixed_stream.h"

namespace {

constexpr std::size_t kStreamBytes = 1 << 20;

// The decoder alone: the window services in place do nothing.
void BM_PollInput(benchmark::State& state) {
    loadBenchStream(mixedPanelStream(42, kStreamBytes, static_cast<int>(state.range(0))));
    installWindowServices(nullptr);
    const WindowHandle window = reinterpret_cast<WindowHandle>(std::uintptr_t{1});
    for (auto _ : state) {
        benchmark::DoNotOptimize(pollInput(window));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kDeviceLinkReadSize);
}
BENCHMARK(BM_PollInput)->Arg(0)->Arg(5)->ArgName("noise%");

// With a screen that keeps texts and list lines, as the test window does.
void BM_PollInputWithScreen(benchmark::State& state) {
    loadBenchStream(mixedPanelStream(42, kStreamBytes, 5));
    HeadlessWindowServices screen;
    installWindowServices(&screen);
    const WindowHandle window = screen.createDialog("SERIALWINZR8", nullptr);
    for (auto _ : state) {
        benchmark::DoNotOptimize(pollInput(window));
    }
    installWindowServices(nullptr);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kDeviceLinkReadSize);
}
BENCHMARK(BM_PollInputWithScreen);

void BM_SendOutputFrame(benchmark::State& state) {
    int kind = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(sendOutputFrame(static_cast<OutputFrameKind>(kind)));
        kind = (kind + 1) % 3;
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_SendOutputFrame);

}  // namespace

BENCHMARK_MAIN();
