// The window's two device threads in real time: ticks and main loop
// iterations per second and their ratio (2.5 when both keep their 10 ms and
// 25 ms periods), over a few seconds with nobody painting. A rate on a
// shared machine is a measurement to read, not something to assert.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <thread>

#include "device/device_memory.h"
#include "host/run/SimulationRunner.h"
#include "host/run/WindowSignal.h"

namespace {

void BM_RunnerRates(benchmark::State& state) {
    const auto seconds = std::chrono::seconds(state.range(0));
    double ticks = 0, iterations = 0, wall = 0;
    for (auto _ : state) {
        pcsim::SimulationRunner runner;
        runner.Attach(std::make_shared<pcsim::WindowSignal>()); // its requests go unread
        runner.StartThreads();
        runner.SetPaused(false);
        const auto start = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(seconds);
        const uint32_t t = device_memory.sys.tick_count;
        const uint32_t i = device_memory.sys.loop_count;
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        runner.Stop();
        ticks += t;
        iterations += i;
    }
    state.counters["ticks_per_s"] = ticks / wall;
    state.counters["iterations_per_s"] = iterations / wall;
    state.counters["ticks_per_iteration"] = iterations > 0 ? ticks / iterations : 0;
}
BENCHMARK(BM_RunnerRates)->Arg(10)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

} // namespace
