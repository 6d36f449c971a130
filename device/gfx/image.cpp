// The blitter for colour and bit images.
//
// Destinations are computed as linear pixel offsets into the layer, so an
// image wider than the space left in its row continues on the next row; any
// pixel whose offset lies beyond the layer's storage is dropped.
#include <algorithm>
#include <bit>
#include <cstring>

#include "device/device_memory.h"
#include "device/gfx/gfx.h"
#include "device/gfx/image.h"
#include "device/gfx/image_record.h"

// Rows are copied as raw bytes: the records are little-endian, like the layers.
static_assert(std::endian::native == std::endian::little);

static ImageState& is() {
    return device_memory.image;
}

void gfx_set_image_mode(uint8_t mode) {
    is().image_mode = mode;
}
void gfx_set_bitmap_opaque(uint8_t flag) {
    is().bitmap_opaque = flag;
}

/* Copy one source row of count pixels; in mode 0 key-colour pixels are
 * skipped. The keyed loop reads and writes every pixel and selects without a
 * branch, so that the compiler vectorises it. */
static void copy_row(uint16_t* __restrict dst, const uint8_t* __restrict src, int64_t count,
                     uint8_t mode, uint16_t key) {
    if (mode == 1) {
        std::memcpy(dst, src, static_cast<size_t>(count) * sizeof(uint16_t));
        return;
    }
    for (int64_t i = 0; i < count; ++i) {
        uint16_t p;
        std::memcpy(&p, src + 2 * i, sizeof p);
        dst[i] = p == key ? dst[i] : p;
    }
}

static void draw_colour(uint16_t x, uint16_t y, const uint8_t* record) {
    const uint8_t mode = is().image_mode;
    const int32_t w = image_read_i32(record + 4);
    const int32_t h = image_read_i32(record + 8);
    if (mode > 1 || w <= 0 || h <= 0) return;
    uint16_t* layer = gfx_current_layer();
    const uint16_t key = device_memory.gfx.key_colour;
    const uint8_t* pixels = record + IMAGE_COLOUR_HEADER_BYTES;
    const int64_t start = int64_t{y} * GFX_WIDTH + x;
    for (int32_t j = 0; j < h; ++j) {
        const int64_t row = start + int64_t{j} * GFX_WIDTH;
        if (row >= GFX_LAYER_PIXELS) break;
        const int64_t count = std::min<int64_t>(w, GFX_LAYER_PIXELS - row);
        copy_row(layer + row, pixels + 2 * int64_t{j} * w, count, mode, key);
    }
}

namespace {

/* What a bit image writes for each combination of its planes' bits. A
 * layer pointer of null means that layer is not written at all. */
struct BitPens {
    uint16_t* layer0;
    uint16_t* layer1;
    bool two_planes;
    bool opaque;
};

inline void put_bits(const BitPens& p, int64_t at, bool a, bool b) {
    const GfxState& g = device_memory.gfx;
    if (!p.two_planes) {
        uint16_t* layer = p.layer1 ? p.layer1 : p.layer0;
        if (a) {
            layer[at] = g.pen_colour;
        } else if (p.opaque) {
            layer[at] = p.layer1 ? g.fill_colour : g.key_colour;
        }
        return;
    }
    if (b) { // a hole in the overlay over the alternate colour
        p.layer0[at] = g.key_colour;
        p.layer1[at] = g.alt_colour;
    } else if (a) {
        p.layer0[at] = g.pen_colour;
        p.layer1[at] = g.fill_colour;
    } else if (p.opaque) {
        p.layer0[at] = g.key_colour;
        p.layer1[at] = g.fill_colour;
    }
}

} // namespace

static void draw_bits(uint16_t x, uint16_t y, const uint8_t* record) {
    const int rows = record[1];
    const int row_bytes = record[2];
    const uint8_t* plane_a = record + IMAGE_BIT_HEADER_BYTES;
    const uint8_t* plane_b = plane_a + rows * row_bytes;
    BitPens pens{gfx_layer(0), nullptr, record[0] != IMAGE_KIND_ONE_PLANE, is().bitmap_opaque != 0};
    if (pens.two_planes) {
        pens.layer1 = gfx_layer(1);
    } else if (device_memory.gfx.pen_colour == GFX_GREY) {
        // The grey preset draws one-plane images into the background.
        pens.layer0 = nullptr;
        pens.layer1 = gfx_layer(1);
    }
    // The first stored row is the image's bottom row.
    for (int s = 0; s < rows; ++s) {
        const int64_t row = (int64_t{y} + rows - 1 - s) * GFX_WIDTH + x;
        const uint8_t* a_bytes = plane_a + s * row_bytes;
        const uint8_t* b_bytes = plane_b + s * row_bytes;
        for (int i = 0; i < 8 * row_bytes; ++i) {
            const int64_t at = row + i;
            if (at >= GFX_LAYER_PIXELS) break; // the rest of this row lies further on
            const uint8_t mask = static_cast<uint8_t>(0x80u >> (i & 7));
            const bool a = (a_bytes[i >> 3] & mask) != 0;
            const bool b = pens.two_planes && (b_bytes[i >> 3] & mask) != 0;
            put_bits(pens, at, a, b);
        }
    }
}

void gfx_draw_image(uint16_t x, uint16_t y, const ImageResource* image) {
    const uint8_t* record = image_bytes(image);
    if (record[0] == 0) {
        draw_colour(x, y, record);
    } else {
        draw_bits(x, y, record);
    }
}
