// Cost of the application per main loop iteration and per tick, and the
// speed of a headless run.
#include <benchmark/benchmark.h>

#include <chrono>

#include "device/app/pages.h"
#include "device/device_memory.h"
#include "device/gfx/gfx.h"
#include "device/runtime/sys.h"
#include "device/services/host_services.h"
#include "host/headless/HeadlessRunner.h"

namespace {

/* Start the device on a virtual clock and enter one page. */
void StartOnPage(page_fn_t enter) {
    device_memory_reset();
    svc_clock_use_virtual(0x10000);
    sys_init();
    sys_app_thread_start();
    for (int i = 0; i < 100; ++i) sys_tick_isr(); // first model steps done
    device_memory.screen.page_request = enter;
    sys_main_loop_step();
    mark_frame_shown();
}

void BM_MainLoopStep(benchmark::State& state, page_fn_t enter) {
    StartOnPage(enter);
    for (auto _ : state) {
        sys_tick_isr(); // keeps the demo signals moving and the model current
        sys_main_loop_step();
        mark_frame_shown();
    }
}
BENCHMARK_CAPTURE(BM_MainLoopStep, splash, page_splash_enter)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_MainLoopStep, fuel, page_fuel_enter)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_MainLoopStep, gauges, page_gauges_enter)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_MainLoopStep, engine_a, page_engine_a_enter)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_MainLoopStep, engine_b, page_engine_b_enter)->Unit(benchmark::kMicrosecond);

void BM_TickIsr(benchmark::State& state) {
    StartOnPage(page_gauges_enter);
    for (auto _ : state) sys_tick_isr();
}
BENCHMARK(BM_TickIsr);

/* Virtual seconds per wall second of a headless run on the gauges page:
 * state.range(0) virtual milliseconds, the page reached at 100 ms. The 300 s
 * run is the program's measure (its wall time less the process start). */
void BM_HeadlessGauges(benchmark::State& state) {
    pcsim::HeadlessRunner runner;
    const uint32_t run_ms = static_cast<uint32_t>(state.range(0));
    double wall = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        runner.Run(run_ms, {{5, 100, 100}});
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    state.counters["virtual_s_per_wall_s"] = (run_ms / 1000.0) * state.iterations() / wall;
}
BENCHMARK(BM_HeadlessGauges)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_HeadlessGauges)->Arg(300000)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
