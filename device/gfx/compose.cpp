// Composition of the two layers into the output frames, and the hand-over of
// those frames to the host.
//
// The device composes into the frame that display_frame_buffer returns and
// the host's paint converts that same frame, so both hold frame_lock while
// they touch it. gfx_present then waits on a condition variable (instead of
// spinning) until the host marks the frame shown; paint, pause and stop all
// do that through mark_frame_shown or display_take_frame.
#include <condition_variable>
#include <mutex>

#include "device/device_memory.h"
#include "device/gfx/gfx.h"

namespace {
std::mutex frame_lock;
std::condition_variable frame_shown_cv;

GfxState& gs() {
    return device_memory.gfx;
}

/* One row of the overlay rule: the overlay pixel unless it is the key
 * colour, then the optional complement. Written branch-free so that the
 * compiler vectorises it; the result equals the pair-wise original. */
inline void compose_row(const uint16_t* __restrict top, const uint16_t* __restrict bottom,
                        uint16_t* __restrict out, uint16_t key, uint16_t invert) {
    for (int x = 0; x < GFX_WIDTH; ++x) {
        const uint16_t t = top[x];
        const uint16_t b = bottom[x];
        const uint16_t see_through = static_cast<uint16_t>(-static_cast<int>(t == key));
        out[x] = static_cast<uint16_t>(((b & see_through) | (t & ~see_through)) ^ invert);
    }
}

void compose_locked(uint16_t* out) {
    const GfxState& s = gs();
    const uint16_t* top = device_memory.layers[0];
    const uint16_t* bottom = device_memory.layers[1];
    // More than 22 row pairs would read past the key strip; show it all then.
    int shown = s.key_bar_rows.load();
    if (shown > GFX_MAX_KEY_BAR_ROWS) shown = GFX_MAX_KEY_BAR_ROWS;
    const int bar_start = GFX_SCREEN_ROWS - 2 * shown;
    const uint16_t invert = (s.inversion_enable && s.inversion_active) ? 0xFFFF : 0x0000;
    for (int y = 0; y < GFX_SCREEN_ROWS; ++y) {
        const int top_row = y < bar_start ? y : y + 2 * shown;
        compose_row(top + top_row * GFX_WIDTH, bottom + y * GFX_WIDTH, out + y * GFX_WIDTH,
                    s.key_colour, invert);
    }
}

void compose_rotated_locked(uint16_t* out) {
    const uint16_t key = gs().key_colour;
    const uint16_t* top = device_memory.layers[0];
    const uint16_t* bottom = device_memory.layers[1];
    for (int y = 0; y < GFX_SCREEN_ROWS; ++y) {
        const int src_row = (GFX_SCREEN_ROWS - 1 - y) * GFX_WIDTH;
        for (int x = 0; x < GFX_WIDTH; ++x) {
            const int src = src_row + GFX_WIDTH - 1 - x;
            const uint16_t t = top[src];
            const uint16_t b = bottom[src];
            out[y * GFX_WIDTH + x] = t == key ? b : t;
        }
    }
}

uint16_t* current_frame() {
    return device_memory.frames[gs().frame_index.load() == 1 ? 1 : 0];
}

uint16_t* composed_frame() {
    return device_memory.frames[gs().frame_index.load() == 1 ? 0 : 1];
}
} // namespace

uint16_t* display_frame_buffer(void) {
    return current_frame();
}

void gfx_compose(void) {
    std::lock_guard<std::mutex> hold(frame_lock);
    compose_locked(current_frame());
}

void gfx_compose_rotated(void) {
    std::lock_guard<std::mutex> hold(frame_lock);
    compose_rotated_locked(current_frame());
}

uint32_t frame_shown(void) {
    return gs().frame_shown.load();
}

void mark_frame_shown(void) {
    {
        std::lock_guard<std::mutex> hold(frame_lock);
        gs().frame_shown = 1;
    }
    frame_shown_cv.notify_all();
}

void flip_frames(void) {
    gs().frame_shown = 0;
    gs().frame_index = gs().frame_index.load() == 1 ? 0 : 1;
}

void gfx_present(void) {
    std::unique_lock<std::mutex> hold(frame_lock);
    if (gs().rotation != 0) {
        compose_rotated_locked(current_frame());
    } else {
        compose_locked(current_frame());
    }
    frame_shown_cv.wait(hold, [] { return gs().frame_shown.load() != 0; });
    flip_frames();
}

void display_read_frame(gfx_frame_consumer_t consume, void* context) {
    std::lock_guard<std::mutex> hold(frame_lock);
    if (consume) consume(current_frame(), context);
}

void display_read_composed_frame(gfx_frame_consumer_t consume, void* context) {
    std::lock_guard<std::mutex> hold(frame_lock);
    if (consume) consume(composed_frame(), context);
}

void display_take_frame(gfx_frame_consumer_t consume, void* context) {
    {
        std::lock_guard<std::mutex> hold(frame_lock);
        if (consume) consume(current_frame(), context);
        gs().frame_shown = 1;
    }
    frame_shown_cv.notify_all();
}
