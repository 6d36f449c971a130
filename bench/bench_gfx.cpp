// Drawing and composition cost, each beside a memcpy of the bytes it writes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "device/device_memory.h"
#include "device/gfx/gfx.h"

namespace {

constexpr size_t kScreenBytes = GFX_WIDTH * GFX_SCREEN_ROWS * sizeof(uint16_t); // 153600

void Setup() {
    device_memory_reset();
    gfx_clear_layers();
    // A realistic overlay: about a third of the screen opaque.
    gfx_select_layer(0);
    gfx_set_fill_colour(0x07E0);
    gfx_fill_rect(20, 20, 200, 160);
}

void BM_Compose(benchmark::State& state) {
    Setup();
    for (auto _ : state) {
        gfx_compose();
        benchmark::DoNotOptimize(device_memory.frames[1][0]);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kScreenBytes);
}
BENCHMARK(BM_Compose);

void BM_MemcpyScreen(benchmark::State& state) {
    std::vector<uint8_t> src(kScreenBytes, 1), dst(kScreenBytes);
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), kScreenBytes);
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kScreenBytes);
}
BENCHMARK(BM_MemcpyScreen);

void BM_FillRectFullScreen(benchmark::State& state) {
    Setup();
    gfx_select_layer(1);
    for (auto _ : state) {
        gfx_fill_rect(0, 0, 319, 239);
        benchmark::DoNotOptimize(device_memory.layers[1][0]);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kScreenBytes);
}
BENCHMARK(BM_FillRectFullScreen);

void BM_Line200(benchmark::State& state) {
    Setup();
    gfx_select_layer(0);
    gfx_set_line_style(0, 0);
    for (auto _ : state) {
        gfx_line(10, 20, 209, 120); // 200 pixels along x
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * 200);
}
BENCHMARK(BM_Line200);

void BM_MemcpyLineBytes(benchmark::State& state) {
    std::vector<uint8_t> src(400, 1), dst(400);
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), 400);
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_MemcpyLineBytes);

} // namespace
