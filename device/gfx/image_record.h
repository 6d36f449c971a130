#pragma once
// Reading the fields of an image record. Records are byte layouts with
// little-endian integers and may sit at any alignment, so fields are
// assembled from bytes rather than read through typed pointers.
#include <cstdint>

#include "device/gfx/image.h"

inline const uint8_t* image_bytes(const ImageResource* image) {
    return reinterpret_cast<const uint8_t*>(image);
}

inline uint16_t image_read_u16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

inline int32_t image_read_i32(const uint8_t* p) {
    return static_cast<int32_t>(uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) |
                                (uint32_t{p[3]} << 24));
}
