// CAN benchmarks: the receive and transmit passes through the fake CANlib
// (tests/fakes), and what two ports whose library is missing cost the main
// loop, against ports on an adapter that fails at once (replay without a
// file: no library, no file, nothing to search), which stands for CAN
// stubbed out.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <string>

#include "device/can/can_adapter.h"
#include "device/can/can_library.h"
#include "device/can/can_queue.h"
#include "device/device_memory.h"
#include "device/gfx/gfx.h"
#include "device/runtime/sys.h"
#include "device/services/host_services.h"

namespace {

constexpr int kFramesPerPass = 230; // below the 239 a ring holds
const std::string kFakeDir = PCSIM_FAKE_LIB_DIR;

template <typename Fn> Fn FakeFn(const char* name) {
    static void* fake = dlopen((kFakeDir + "/libcanlib.so.1").c_str(), RTLD_NOW | RTLD_LOCAL);
    return reinterpret_cast<Fn>(dlsym(fake, name));
}

void OpenOnFake() {
    device_memory_reset();
    svc_clock_use_virtual(0x10000);
    svc_debug_set_sink([](const char*) {}); // the "Mapped" lines
    FakeFn<void (*)()>("fake_canlib_reset")();
    FakeFn<void (*)(int)>("fake_canlib_keep_sent")(0);
    can_set_library_dir(kFakeDir.c_str());
    can_queues_init();
    can_open(0);
    can_open(1);
}

void BM_ReceivePass(benchmark::State& state) {
    OpenOnFake();
    auto generate = FakeFn<void (*)(int, long)>("fake_canlib_generate");
    for (auto _ : state) {
        generate(0, kFramesPerPass);
        can_receive_pass();
    }
    state.SetItemsProcessed(state.iterations() * kFramesPerPass);
    device_memory_reset();
}
BENCHMARK(BM_ReceivePass);

void BM_TransmitPass(benchmark::State& state) {
    OpenOnFake();
    const uint8_t data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    for (auto _ : state) {
        state.PauseTiming();
        for (int i = 0; i < kFramesPerPass; ++i)
            can_send(0, 0x300, 0, 8, data);
        state.ResumeTiming();
        can_transmit_pass();
    }
    state.SetItemsProcessed(state.iterations() * kFramesPerPass);
    device_memory_reset();
}
BENCHMARK(BM_TransmitPass);

/* 25 ms of device life: its ticks, then one main loop iteration. */
void RunMainLoop(benchmark::State& state) {
    sys_init();
    sys_app_thread_start();
    uint32_t now = 0;
    for (auto _ : state) {
        for (int step = 0; step < 5; ++step) {
            now += 5;
            svc_clock_advance_to(0x10000 + now);
            if (now % 10 == 0) sys_tick_isr();
        }
        sys_main_loop_step();
        mark_frame_shown();
    }
    device_memory_reset();
}

void BM_MainLoop_LibraryMissing(benchmark::State& state) {
    device_memory_reset();
    svc_clock_use_virtual(0x10000);
    svc_debug_set_sink([](const char*) {});
    can_set_library_dir("/nonexistent");
    RunMainLoop(state);
    svc_debug_set_sink(nullptr);
}
BENCHMARK(BM_MainLoop_LibraryMissing)->MinTime(3.0);

void BM_MainLoop_CanStubbed(benchmark::State& state) {
    device_memory_reset();
    svc_clock_use_virtual(0x10000);
    can_choose_adapter(0, CAN_ADAPTER_REPLAY, nullptr);
    can_choose_adapter(1, CAN_ADAPTER_REPLAY, nullptr);
    RunMainLoop(state);
}
BENCHMARK(BM_MainLoop_CanStubbed)->MinTime(3.0);

} // namespace
