// Text drawing: a gauge value from the warm glyph cache, and the same with
// every cache emptied before each draw (faces reopened, glyphs rasterised).
#include <benchmark/benchmark.h>

#include "device/assets/fonts.h"
#include "device/device_memory.h"
#include "device/gfx/gfx.h"
#include "device/gfx/text.h"

namespace {

constexpr char kValue[] = "123.4"; // five glyphs, as a gauge value
constexpr int kGlyphs = 5;

void StartText() {
    device_memory_reset();
    text_build_blend_table();
    text_init(font_registry, FONT_REGISTRY_COUNT);
    gfx_clear_layers();
    gfx_select_layer(2);
    gfx_set_pen_colour(0xFFE0);
    gfx_set_font(24, 2, 0);
}

void BM_DrawTextWarmCache(benchmark::State& state) {
    StartText();
    gfx_draw_text(300, 100, kValue); // fill the caches
    for (auto _ : state)
        benchmark::DoNotOptimize(gfx_draw_text(300, 100, kValue));
    state.SetItemsProcessed(int64_t(state.iterations()) * kGlyphs); // glyphs per second
    device_memory_reset();
}
BENCHMARK(BM_DrawTextWarmCache);

void BM_DrawTextCacheDisabled(benchmark::State& state) {
    StartText();
    for (auto _ : state) {
        text_flush_cache();
        benchmark::DoNotOptimize(gfx_draw_text(300, 100, kValue));
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kGlyphs);
    device_memory_reset();
}
BENCHMARK(BM_DrawTextCacheDisabled);

} // namespace
