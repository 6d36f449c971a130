#pragma once
#include <set>
#include <utility>

#include "device/device_memory.h"
#include "device/gfx/gfx.h"

using PixelSet = std::set<std::pair<int, int>>;

inline uint16_t pixel(int layer, int x, int y) { return device_memory.layers[layer][y * GFX_WIDTH + x]; }

/* Coordinates of all pixels of a layer that differ from background. */
inline PixelSet pixels_not(int layer, uint16_t background) {
    PixelSet s;
    for (int y = 0; y < GFX_LAYER_ROWS; ++y)
        for (int x = 0; x < GFX_WIDTH; ++x)
            if (pixel(layer, x, y) != background) s.insert({x, y});
    return s;
}

inline void fill_layer(int layer, uint16_t colour) {
    for (uint16_t& p : device_memory.layers[layer]) p = colour;
}
