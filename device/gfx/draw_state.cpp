#include "device/device_memory.h"
#include "device/gfx/gfx.h"

static GfxState& gs() { return device_memory.gfx; }

void gfx_select_layer(uint16_t code) {
    if (code <= 2) gs().layer_code = code;
}

void gfx_set_key_colour(uint16_t colour) { gs().key_colour = colour; }
void gfx_set_fill_colour(uint16_t colour) { gs().fill_colour = colour; }
void gfx_set_alt_colour(uint16_t colour) { gs().alt_colour = colour; }

void gfx_set_pen_colour(uint16_t code) {
    switch (code) {
    case 0:
    case 1:
        gs().pen_colour = GFX_BLACK;
        break;
    case 2:
        gs().pen_colour = GFX_GREY;
        break;
    default:
        gs().pen_colour = code;
        break;
    }
}

void gfx_set_line_style(uint8_t style, uint8_t width_code) {
    if (style < 10) gs().line_style = style;
    if (width_code != 0) gs().width_code = width_code;
}

void gfx_set_pen_mode(uint8_t mode) {
    if (mode < 7) gs().pen_mode = mode;
}

uint16_t* gfx_layer(int index) { return device_memory.layers[index == 1 ? 1 : 0]; }

uint16_t* gfx_current_layer(void) { return gfx_layer(gs().layer_code == 1 ? 1 : 0); }

void gfx_set_inversion_enable(uint8_t flag) { gs().inversion_enable = flag != 0; }
void gfx_set_inversion_polarity(uint8_t flag) { gs().inversion_polarity = flag != 0; }

void gfx_set_display_mode(uint8_t mode) {
    gs().inversion_active = gs().inversion_polarity ? (mode <= 1) : (mode > 1);
}

void gfx_set_rotation(int32_t value) { gs().rotation = value; }
int32_t gfx_get_rotation(void) { return gs().rotation; }

void gfx_set_key_bar_rows(uint8_t rows) { gs().key_bar_rows = rows; }
uint8_t gfx_get_key_bar_rows(void) { return gs().key_bar_rows; }
