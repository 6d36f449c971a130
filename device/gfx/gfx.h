#pragma once
// Drawing layers, drawing state, primitives and the composition of the two
// layers into alternating output frames.
//
// Layer 1 is the opaque background, layer 0 the overlay whose key-colour
// pixels are transparent. Everything is immediate: a primitive writes into
// the current layer and becomes visible at the next composition. Pixels that
// would fall outside a layer (x beyond 319, y beyond 287, or negative
// coordinates wrapped to large unsigned values) are dropped.
#include <cstdint>

#include "device/services/shared_var.h"

constexpr int GFX_WIDTH = 320;          // pixels per row
constexpr int GFX_SCREEN_ROWS = 240;    // visible rows
constexpr int GFX_KEY_STRIP_ROWS = 44;  // off-screen soft-key strip below the screen
constexpr int GFX_FRAME_ROWS = 284;     // rows of an output frame
constexpr int GFX_LAYER_ROWS = 288;     // rows of a drawing layer's storage
constexpr int GFX_MAX_KEY_BAR_ROWS = 22; // row pairs of the key strip that can be shown
constexpr int GFX_LAYER_PIXELS = GFX_WIDTH * GFX_LAYER_ROWS;
constexpr int GFX_FRAME_PIXELS = GFX_WIDTH * GFX_FRAME_ROWS;

constexpr uint16_t GFX_WHITE = 0xFFFF;
constexpr uint16_t GFX_BLACK = 0x0000;
constexpr uint16_t GFX_GREY = 0x7BEF;

struct GfxState {
    uint16_t layer_code = 2;            // 1 selects layer 1, anything else layer 0
    uint16_t key_colour = 0xFFFF;       // transparent colour of layer 0
    uint16_t fill_colour = 0xFFFF;      // filled rectangles; clears layer 1
    uint16_t alt_colour = 0xC618;       // line style 2 and bit-image plane B
    uint16_t pen_colour = 0x0000;       // lines, pen rectangles, text
    uint8_t line_style = 0;             // 0 solid, 1 dotted, 2 alternate colour, else nothing
    uint8_t width_code = 0;             // 3: 3-pixel lines, 4: 5-pixel lines, else 1 pixel
    uint8_t pen_mode = 1;               // 0: pen rectangles white
    SharedVar<uint8_t> key_bar_rows = 0; // row pairs of the key strip shown (tick slides it)
    SharedVar<uint32_t> frame_index = 1; // output frame the next composition writes
    SharedVar<uint32_t> frame_shown = 1; // host has shown the current frame
    uint8_t inversion_enable = 0;       // inversion possible at all
    uint8_t inversion_polarity = 0;     // which display modes invert
    uint8_t inversion_active = 0;       // the current display mode inverts
    int32_t rotation = 0;               // non-zero: compose rotated by 180 degrees
};

struct GfxPoint {
    int32_t x;
    int32_t y;
};

/* Drawing state. Setters ignore out-of-range values. */
void gfx_select_layer(uint16_t code);
void gfx_set_key_colour(uint16_t colour);
void gfx_set_fill_colour(uint16_t colour);
void gfx_set_alt_colour(uint16_t colour);
/* 0 and 1: black, 2: grey 0x7BEF, anything else: that RGB565 value. */
void gfx_set_pen_colour(uint16_t code);
/* Style stored if below 10; width code stored if non-zero. */
void gfx_set_line_style(uint8_t style, uint8_t width_code);
void gfx_set_pen_mode(uint8_t mode);

/* Pixel storage of the layer the current layer code selects. */
uint16_t* gfx_current_layer(void);
uint16_t* gfx_layer(int index);

/* Primitives. */
void gfx_clear_layers(void);
void gfx_clear_frames(void);
/* Fill rows y0..y1, columns x0..x1 (sorted, inclusive) of a layer with a
 * colour, clipped to the layer. */
void gfx_fill_block(uint16_t* layer, uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1, uint16_t colour);
void gfx_fill_rect(uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1);
void gfx_pen_rect(uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1);
void gfx_pen_span(uint32_t x0, uint32_t y, uint32_t x1);
void gfx_line(uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1);
void gfx_hline(uint32_t x0, uint32_t y, uint32_t x1);
void gfx_vline(uint32_t x, uint32_t y0, uint32_t y1);
/* Rotate the reference point about the pivot by angle degrees (clockwise on
 * screen). The result is not limited to the layer. */
GfxPoint gfx_rotate_point(uint16_t px, uint16_t py, uint16_t rx, uint16_t ry, float angle);

/* Composition and frame hand-over. */
void gfx_compose(void);
void gfx_compose_rotated(void);
/* Compose, wait until the host has shown the previous frame, switch frames.
 * The wait is released by the host's paint, pause and stop. */
void gfx_present(void);
uint16_t* display_frame_buffer(void);
uint32_t frame_shown(void);
void mark_frame_shown(void);
void flip_frames(void);
/* Host paint: run consume on the current output frame while no composition
 * can touch it, then mark it shown. */
typedef void (*gfx_frame_consumer_t)(const uint16_t* frame, void* context);
void display_take_frame(gfx_frame_consumer_t consume, void* context);
/* The same without marking it shown: a look at the frame, not a hand-over. */
void display_read_frame(gfx_frame_consumer_t consume, void* context);
/* A look at the other output frame: the one the latest gfx_present composed
 * (black before the first). What a paused host shows after a single step. */
void display_read_composed_frame(gfx_frame_consumer_t consume, void* context);

void gfx_set_inversion_enable(uint8_t flag);
void gfx_set_inversion_polarity(uint8_t flag);
void gfx_set_display_mode(uint8_t mode);
void gfx_set_rotation(int32_t value);
int32_t gfx_get_rotation(void);
void gfx_set_key_bar_rows(uint8_t rows);
uint8_t gfx_get_key_bar_rows(void);
