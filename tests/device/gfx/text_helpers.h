#pragma once
// Text tests: a device with its fonts started, and an independent measure
// of line widths straight from FreeType (no caches, no layout code).
#include <ft2build.h>
#include FT_FREETYPE_H

#include <string>

#include "device/assets/fonts.h"
#include "device/device_fixture.h"
#include "device/gfx/gfx_helpers.h"
#include "device/gfx/text.h"

class TextTest : public DeviceTest {
  protected:
    static constexpr uint16_t kBackground = 0xFFFF; // the key colour: a transparent overlay

    void SetUp() override {
        DeviceTest::SetUp();
        text_build_blend_table();
        ASSERT_EQ(text_init(font_registry, FONT_REGISTRY_COUNT), 1);
        fill_layer(0, kBackground);
        fill_layer(1, kBackground);
        gfx_select_layer(0);
        gfx_set_pen_colour(GFX_BLACK);
    }

    static void clear() {
        fill_layer(0, kBackground);
        fill_layer(1, kBackground);
    }

    static std::vector<uint16_t> layer0() {
        return std::vector<uint16_t>(device_memory.layers[0],
                                     device_memory.layers[0] + GFX_LAYER_PIXELS);
    }

    /* Layer 0 after drawing one line, with the current style, on a clear layer. */
    static std::vector<uint16_t> drawn_alone(int32_t x, int32_t y, const char* text) {
        clear();
        gfx_draw_text(x, y, text);
        return layer0();
    }
};

/* Bounding box of the pixels of a layer that differ from background. */
struct Ink {
    int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;
    bool empty() const { return x1 < 0; }
};

inline Ink ink(int layer, uint16_t background) {
    Ink k;
    for (const auto& [x, y] : pixels_not(layer, background)) {
        k.x0 = std::min(k.x0, x);
        k.x1 = std::max(k.x1, x);
        k.y0 = std::min(k.y0, y);
        k.y1 = std::max(k.y1, y);
    }
    return k;
}

/* Width of an ASCII line in whole pixels: rendered advances, kerning where
 * the face has it, and spacing between glyphs. */
inline int line_width(int font, int size, const std::string& text, int spacing = 0) {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    FT_Init_FreeType(&library);
    const FontEntry& f = font_registry[font];
    FT_New_Memory_Face(library, f.data, static_cast<FT_Long>(f.size), 0, &face);
    FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(size));
    int width = 0;
    FT_UInt previous = 0;
    for (char c : text) {
        const FT_UInt index = FT_Get_Char_Index(face, static_cast<FT_ULong>(c));
        if (previous != 0) {
            FT_Vector kern{};
            if (FT_HAS_KERNING(face) && index != 0)
                FT_Get_Kerning(face, previous, index, FT_KERNING_DEFAULT, &kern);
            width += static_cast<int>(kern.x >> 6) + spacing;
        }
        FT_Load_Glyph(face, index, FT_LOAD_RENDER);
        width += static_cast<int>((face->glyph->advance.x + 32) >> 6);
        previous = index;
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    return width;
}
