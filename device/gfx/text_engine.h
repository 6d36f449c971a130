#pragma once
// Inside the text module: FreeType access and the text box that a draw call
// hands to the layout.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_CACHE_H

#include <cstdint>

#include "device/gfx/text.h"

/* The cache manager identifies faces by pointer-sized values. Font i is
 * known as i + 1 so that font 0 is not the null pointer. */
inline FTC_FaceID text_face_id(int32_t font_index) {
    return reinterpret_cast<FTC_FaceID>(static_cast<uintptr_t>(static_cast<uint32_t>(font_index)) +
                                        1);
}

/* Where and how one line of text is laid out. Glyphs are clipped to the box
 * (and to the layer); the box's top is the top of the text. */
struct TextBox {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
    int32_t font_index;
    int32_t size;       // pixel size of the em square
    int32_t layer_code; // 1: layer 1; 2: layer 0 with edges blended over layer 1; else layer 0
    uint16_t colour;    // RGB565 text colour
    int32_t align;      // 0 left, 1 centred, 2 right
    int32_t valign;     // always 0: top of the box is the top of the text
    int32_t spacing;    // extra pixels before every glyph after the first
};

/* Lay the string out in the box and draw it; the number of glyphs drawn. */
int text_layout(const TextBox& box, const char* text);

/* Coverage a of colour s over pixel d, per channel d × (255 − a) / 256 +
 * s × a / 256 through the blend table. */
uint16_t text_blend_pixel(uint16_t d, uint16_t s, uint8_t a);
