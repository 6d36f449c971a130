// Drawing a full-screen picture, beside a memcpy of its pixel bytes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "device/app/images.h"
#include "device/device_memory.h"
#include "device/gfx/gfx.h"
#include "device/gfx/image.h"

namespace {

constexpr size_t kPictureBytes = GFX_WIDTH * GFX_SCREEN_ROWS * sizeof(uint16_t); // 320 x 240

void DrawPicture(benchmark::State& state, uint8_t mode) {
    device_memory_reset();
    gfx_select_layer(1);
    gfx_set_image_mode(mode);
    for (auto _ : state) {
        gfx_draw_image(0, 0, img_splash);
        benchmark::DoNotOptimize(device_memory.layers[1][0]);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kPictureBytes);
}

void BM_DrawImageFullScreen(benchmark::State& state) {
    DrawPicture(state, 1);
}
BENCHMARK(BM_DrawImageFullScreen);

/* Image mode 0: one comparison with the key colour per pixel. */
void BM_DrawImageFullScreenKeyed(benchmark::State& state) {
    DrawPicture(state, 0);
}
BENCHMARK(BM_DrawImageFullScreenKeyed);

void BM_MemcpyPictureBytes(benchmark::State& state) {
    const uint8_t* pixels =
        reinterpret_cast<const uint8_t*>(img_splash) + IMAGE_COLOUR_HEADER_BYTES;
    std::vector<uint8_t> dst(kPictureBytes);
    for (auto _ : state) {
        std::memcpy(dst.data(), pixels, kPictureBytes);
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kPictureBytes);
}
BENCHMARK(BM_MemcpyPictureBytes);

} // namespace
