// Laying out one line of text in its box and blending the glyphs into the
// layer.
//
// Glyph bitmaps come from the small-bitmap cache and stay referenced until
// the line is drawn; the glyph list lives on the stack of the draw call.
#include "device/device_memory.h"
#include "device/gfx/gfx.h"
#include "device/gfx/text_engine.h"

namespace {

constexpr int MAX_X = GFX_WIDTH - 1;
constexpr int MAX_Y = GFX_FRAME_ROWS - 1;
constexpr FT_Int32 LOAD_RENDER = FT_LOAD_RENDER; // render to 8-bit coverage

struct PlacedGlyph {
    FT_UInt index; // glyph index in the face
    int32_t pen;   // pen x of the glyph relative to the start of the line
    FTC_SBit bitmap;
    FTC_Node node; // keeps the bitmap alive until the line is drawn
};

/* d × (255 − a) / 256 + s × a / 256 per channel, through the blend table. */
inline uint16_t blend_pixel(uint16_t d, uint16_t s, uint8_t a) {
    const uint8_t* keep = device_memory.text.blend[255 - a];
    const uint8_t* add = device_memory.text.blend[a];
    const int r = keep[d >> 11] + add[s >> 11];
    const int g = keep[(d >> 5) & 0x3F] + add[(s >> 5) & 0x3F];
    const int b = keep[d & 0x1F] + add[s & 0x1F];
    return static_cast<uint16_t>((r << 11) | (g << 5) | b);
}

/* Blend one glyph's coverage into the target layer with its top-left pixel at
 * (gx, gy), clipped to the box and the layer. */
void draw_glyph(const TextBox& box, const FTC_SBitRec& glyph, int32_t gx, int32_t gy) {
    if (gy < 0) return; // a glyph reaching above the layer is not drawn at all
    if (glyph.buffer == nullptr || glyph.format != FT_PIXEL_MODE_GRAY) return;
    const bool overlay_edges = box.layer_code == 2;
    uint16_t* layer = gfx_layer(box.layer_code == 1 ? 1 : 0);
    const uint16_t* background = gfx_layer(1);
    const uint16_t key = device_memory.gfx.key_colour;
    const uint16_t colour = box.colour;
    // The columns inside the box and the layer, the same for every row.
    int32_t first = 0;
    if (gx < box.left) first = box.left - gx;
    if (gx + first < 0) first = -gx;
    int32_t end = glyph.width; // one past the last column drawn
    if (gx + end - 1 > MAX_X) end = MAX_X - gx + 1;
    if (gx + end - 1 > box.right) end = box.right - gx + 1;
    const uint8_t* row = glyph.buffer;
    if (glyph.pitch < 0) row += (glyph.height - 1) * -glyph.pitch; // bottom-up storage
    for (int r = 0; r < glyph.height; ++r, row += glyph.pitch) {
        const int y = gy + r;
        if (y > MAX_Y || y > box.bottom) break;
        if (y < box.top) continue;
        uint16_t* out = layer + y * GFX_WIDTH;
        const uint16_t* under = background + y * GFX_WIDTH;
        for (int32_t c = first; c < end; ++c) {
            const uint8_t a = row[c];
            if (a == 0) continue;
            const int32_t x = gx + c;
            if (a == 255) {
                out[x] = colour;
                continue;
            }
            // On the transparent overlay the edges blend with what will show
            // through from the background, not with the key colour.
            uint16_t pixel = out[x];
            if (overlay_edges && pixel == key) pixel = under[x];
            out[x] = blend_pixel(pixel, colour, a);
        }
    }
}

int32_t line_start(const TextBox& box, int32_t width) {
    switch (box.align) {
    case TEXT_ALIGN_CENTRE:
        return box.left + (box.right - box.left) / 2 - width / 2;
    case TEXT_ALIGN_RIGHT:
        return box.right - width;
    default:
        return box.left;
    }
}

} // namespace

uint16_t text_blend_pixel(uint16_t d, uint16_t s, uint8_t a) {
    return blend_pixel(d, s, a);
}

int text_layout(const TextBox& box, const char* text) {
    const TextState& t = device_memory.text;
    if (!t.fonts_ready || static_cast<uint32_t>(box.font_index) >= t.registry_count) return 0;

    FTC_ScalerRec scaler{};
    scaler.face_id = text_face_id(box.font_index);
    scaler.width = 0;
    scaler.height = static_cast<FT_UInt>(box.size);
    scaler.pixel = 1;
    FT_Size size = nullptr;
    if (FTC_Manager_LookupSize(t.cache_manager, &scaler, &size) != 0) return 0;
    FT_Face face = size->face;
    const bool kerning = FT_HAS_KERNING(face);

    PlacedGlyph glyphs[TEXT_MAX_GLYPHS];
    int count = 0;
    int32_t pen = 0;
    FT_UInt previous = 0; // index of the last glyph listed; 0 before the first
    const char* position = text;
    const char* next = nullptr;
    int status = UTF8_OK;
    text_utf8_next(nullptr, &next, &status); // forget any string left unfinished
    while (count < TEXT_MAX_GLYPHS) {
        const uint32_t code = text_utf8_next(position, &next, &status);
        if (status != UTF8_OK) break;
        position = next;
        const FT_UInt index = FTC_CMapCache_Lookup(t.cmap_cache, scaler.face_id, 0, code);
        if (previous != 0) {
            FT_Vector delta{};
            if (kerning && index != 0 &&
                FT_Get_Kerning(face, previous, index, FT_KERNING_DEFAULT, &delta) == 0) {
                pen += static_cast<int32_t>(delta.x >> 6);
            }
            pen += box.spacing;
        }
        FTC_SBit bitmap = nullptr;
        FTC_Node node = nullptr;
        if (FTC_SBitCache_LookupScaler(t.sbit_cache, &scaler, LOAD_RENDER, index, &bitmap, &node) !=
            0)
            continue;
        glyphs[count++] = PlacedGlyph{index, pen, bitmap, node};
        previous = index;
        pen += bitmap->xadvance;
    }
    // A line cut at the glyph limit leaves its string unfinished; the decoder
    // must not hold on to it.
    if (status == UTF8_OK) text_utf8_next(nullptr, &next, &status);

    const int32_t x0 = line_start(box, pen);
    const int32_t baseline = box.top + static_cast<int32_t>(size->metrics.ascender >> 6);
    for (int i = 0; i < count; ++i) {
        const PlacedGlyph& g = glyphs[i];
        draw_glyph(box, *g.bitmap, x0 + g.pen + g.bitmap->left, baseline - g.bitmap->top);
        FTC_Node_Unref(g.node, t.cache_manager);
    }
    return count;
}
