// Cost of the storage work that runs in the tick: the USB stick presence
// query (a folder test per call; the recording control asks once a tick),
// a whole tick with a stick present, and one EEPROM save (written, synced
// and renamed into place) when the parameter record changed.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "device/app/pages.h"
#include "device/device_memory.h"
#include "device/events/event.h"
#include "device/events/usbstick.h"
#include "device/gfx/gfx.h"
#include "device/runtime/sys.h"
#include "device/services/host_services.h"
#include "device/storage/eeprom.h"
#include "device/storage/fs.h"

namespace {

/* A temporary base with every root and an inserted stick folder, removed
 * at exit. */
class BenchBase {
  public:
    BenchBase() {
        std::string pattern = std::filesystem::temp_directory_path().string() + "/pcsim_bench_XXXXXX";
        if (!mkdtemp(pattern.data())) std::abort();
        path = pattern;
    }
    ~BenchBase() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::string path;
};

void StartWithStick() {
    static const BenchBase base;
    device_memory_reset();
    fs_set_base(base.path.c_str());
    for (int root = 0; root < FS_ROOT_COUNT; ++root) fs_make_root(root);
    std::filesystem::create_directories(base.path + "/rootfs/media/disk_sda1");
    svc_clock_use_virtual(0x10000);
    sys_init();
    sys_app_thread_start();
    event_handle_command("USBSTICK_INSERTED /media/disk_sda1");
    for (int i = 0; i < 200; ++i) sys_tick_isr(); // the record committed, the stick seen
    device_memory.screen.page_request = page_gauges_enter;
    sys_main_loop_step();
    mark_frame_shown();
}

void BM_UsbstickPresent(benchmark::State& state) {
    StartWithStick();
    for (auto _ : state) benchmark::DoNotOptimize(usbstick_present());
    if (usbstick_state() != USB_STATE_PRESENT) state.SkipWithError("the stick was not seen");
}
BENCHMARK(BM_UsbstickPresent);

void BM_TickIsrWithStick(benchmark::State& state) {
    StartWithStick();
    for (auto _ : state) sys_tick_isr();
}
BENCHMARK(BM_TickIsrWithStick);

void BM_EepromSave(benchmark::State& state) {
    StartWithStick();
    uint8_t value = 0;
    for (auto _ : state) {
        ++value;
        if (!eeprom_write(100, &value, 1)) state.SkipWithError("the save failed");
    }
}
BENCHMARK(BM_EepromSave)->Unit(benchmark::kMicrosecond);

} // namespace
