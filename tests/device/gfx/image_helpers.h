#pragma once
// Image records built from bytes in the tests, laid out as the asset tool
// lays them out.
#include <cstdint>
#include <vector>

#include "device/gfx/image.h"

/* A colour record; kind is the first 32-bit word (0 for a real colour image). */
inline std::vector<uint8_t> colour_record(int32_t w, int32_t h, const std::vector<uint16_t>& pixels,
                                          uint32_t kind = 0) {
    std::vector<uint8_t> r;
    auto put32 = [&r](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            r.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    put32(kind);
    put32(static_cast<uint32_t>(w));
    put32(static_cast<uint32_t>(h));
    for (uint16_t p : pixels) {
        r.push_back(static_cast<uint8_t>(p));
        r.push_back(static_cast<uint8_t>(p >> 8));
    }
    return r;
}

/* A bit record: kind, rows, bytes per row, then the plane bytes as given. */
inline std::vector<uint8_t> bit_record(uint8_t kind, uint8_t rows, uint8_t row_bytes,
                                       const std::vector<uint8_t>& planes) {
    std::vector<uint8_t> r{kind, rows, row_bytes};
    r.insert(r.end(), planes.begin(), planes.end());
    return r;
}

inline const ImageResource* as_image(const std::vector<uint8_t>& record) {
    return image_resource(record.data());
}
