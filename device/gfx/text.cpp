// The two text styles and the draw calls that turn a position (or a box)
// and a style into a text box for the layout.
#include "device/device_memory.h"
#include "device/gfx/gfx.h"
#include "device/gfx/text_engine.h"

namespace {

constexpr int32_t MAX_X = GFX_WIDTH - 1;
constexpr int32_t MAX_SCREEN_Y = GFX_SCREEN_ROWS - 1;
constexpr int32_t MAX_Y = GFX_FRAME_ROWS - 1;

TextStyle& style1() {
    return device_memory.text.style;
}
TextStyle& style2() {
    return device_memory.text.style2;
}

void set_font_index(TextStyle& s, int32_t font_index) {
    if (font_index >= 0 && font_index <= TEXT_MAX_FONT_INDEX) s.font_index = font_index;
}

int32_t clamp(int32_t v, int32_t hi) {
    return v < 0 ? 0 : (v > hi ? hi : v);
}

/* The box of a line at (x, y): text on the screen may reach the screen's
 * last row, text in the key strip the strip's last row; horizontally the
 * box is the widest one in which the alignment puts the text at x. */
int draw_line(const TextStyle& s, int32_t x, int32_t y, const char* text) {
    x = clamp(x, MAX_X);
    y = clamp(y, MAX_Y);
    const GfxState& g = device_memory.gfx;
    TextBox box{};
    box.top = y;
    box.bottom = y <= MAX_SCREEN_Y ? MAX_SCREEN_Y : MAX_Y;
    switch (s.align) {
    case TEXT_ALIGN_CENTRE:
        if (x <= MAX_X / 2) {
            box.left = 0;
            box.right = 2 * x;
        } else {
            box.left = 2 * x - MAX_X;
            box.right = MAX_X;
        }
        break;
    case TEXT_ALIGN_RIGHT:
        box.left = 0;
        box.right = x;
        break;
    default:
        box.left = x;
        box.right = MAX_X;
        break;
    }
    box.font_index = s.font_index;
    box.size = s.size;
    box.layer_code = g.layer_code;
    box.colour = g.pen_colour;
    box.align = s.align;
    box.valign = 0;
    box.spacing = s.spacing;
    return text_layout(box, text);
}

void set_font(TextStyle& s, uint8_t size, uint8_t align, uint8_t spacing) {
    s.size = size;
    s.align = align;
    s.spacing = spacing;
}

} // namespace

void gfx_set_font(uint8_t size, uint8_t align, uint8_t spacing) {
    set_font(style1(), size, align, spacing);
}
void gfx_set_text_font(int32_t font_index) {
    set_font_index(style1(), font_index);
}
void gfx_set_text_size(uint8_t size) {
    style1().size = size;
}
void gfx_set_text_align(uint8_t align) {
    style1().align = align;
}
void gfx_set_text_spacing(uint8_t spacing) {
    style1().spacing = spacing;
}
int gfx_draw_text(int32_t x, int32_t y, const char* text) {
    return draw_line(style1(), x, y, text);
}

void gfx_set_font2(uint8_t size, uint8_t align, uint8_t spacing) {
    set_font(style2(), size, align, spacing);
}
void gfx_set_text_font2(int32_t font_index) {
    set_font_index(style2(), font_index);
}
void gfx_set_text_size2(uint8_t size) {
    style2().size = size;
}
void gfx_set_text_align2(uint8_t align) {
    style2().align = align;
}
void gfx_set_text_spacing2(uint8_t spacing) {
    style2().spacing = spacing;
}
int gfx_draw_text2(int32_t x, int32_t y, const char* text) {
    return draw_line(style2(), x, y, text);
}

void gfx_draw_text_boxed(uint16_t x, uint16_t y, uint16_t w, uint16_t h, uint16_t t,
                         uint16_t border_colour, uint8_t size, int32_t font_index,
                         uint16_t text_colour, const char* text) {
    const GfxState& g = device_memory.gfx;
    const uint32_t right = uint32_t{x} + w;
    const uint32_t bottom = uint32_t{y} + h;
    gfx_fill_rect(x, y, right, bottom);
    if (t != 0) {
        uint16_t* layer = gfx_current_layer();
        gfx_fill_block(layer, x, y, right, bottom, border_colour);
        // The inside of the frame is left transparent (key colour).
        if (w >= 2 * t && h >= 2 * t)
            gfx_fill_block(layer, x + t, y + t, right - t, bottom - t, g.key_colour);
    }
    TextBox box{};
    box.left = x;
    box.top = y;
    box.right = static_cast<int32_t>(right);
    box.bottom = static_cast<int32_t>(bottom);
    box.font_index = font_index;
    box.size = size;
    box.layer_code = g.layer_code;
    box.colour = text_colour;
    box.align = style1().align;
    box.valign = 0;
    box.spacing = 0;
    text_layout(box, text);
}
