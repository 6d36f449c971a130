// Cost of the CAN traffic log: lines written through the FIFO path (the
// receive handler's push, the writer's FIFO read, the line formatted,
// written and flushed), and the recording control per tick while a
// recording runs (each step asks once for the stick's presence).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "device/can/can_log.h"
#include "device/can/can_rx_fifo.h"
#include "device/device_memory.h"
#include "device/events/event.h"
#include "device/runtime/sys.h"
#include "device/services/host_services.h"
#include "device/storage/fs.h"

namespace {

/* A temporary base with every root and the stick's folder, removed at exit. */
class BenchBase {
  public:
    BenchBase() {
        std::string pattern =
            std::filesystem::temp_directory_path().string() + "/pcsim_bench_log_XXXXXX";
        if (!mkdtemp(pattern.data())) std::abort();
        path = pattern;
    }
    ~BenchBase() {
        device_memory_reset(); // the log files closed before their folder goes
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::string path;
};

/* A started device with a recording running on both ports. */
bool StartRecording() {
    static const BenchBase base;
    device_memory_reset();
    svc_debug_set_sink([](const char*) {}); // the adapters' "Failed to map" lines
    fs_set_base(base.path.c_str());
    for (int root = 0; root < FS_ROOT_COUNT; ++root)
        fs_make_root(root);
    std::filesystem::create_directories(base.path + "/rootfs/media/disk_sda1");
    svc_clock_use_virtual(0x10000);
    sys_init();
    sys_app_thread_start();
    // Ticks without the stick first: one announced before the first model
    // step would not be recorded until inserted again.
    for (int i = 0; i < 40; ++i) {
        if (i == 20) event_handle_command("USBSTICK_INSERTED /media/disk_sda1");
        svc_clock_advance(10);
        sys_tick_isr();
    }
    return device_memory.can_log.logging_on;
}

void BM_LogLineThroughFifo(benchmark::State& state) {
    if (!StartRecording()) state.SkipWithError("no recording");
    uint8_t data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    for (auto _ : state) {
        ++data[0];
        app_can0_std_rx(0x123, 8, data);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LogLineThroughFifo);

/* can_log_step and the end of its model step, 10 ms apart. */
void BM_CanLogStepLoggingOn(benchmark::State& state) {
    if (!StartRecording()) state.SkipWithError("no recording");
    for (auto _ : state) {
        svc_clock_advance(10);
        can_log_step();
        can_log_step_end();
    }
    if (!device_memory.can_log.logging_on) state.SkipWithError("the recording stopped");
}
BENCHMARK(BM_CanLogStepLoggingOn);

} // namespace
