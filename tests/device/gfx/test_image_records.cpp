// Pictures turned into records by the build: the bytes of a colour image and
// of one- and two-plane bit images made from small test PNGs.
#include <vector>

#include <gtest/gtest.h>

#include "device/app/images.h"
#include "tests/device/gfx/test_pictures.h"

namespace {

std::vector<uint8_t> record_bytes(const ImageResource* image, size_t count) {
    const uint8_t* p = reinterpret_cast<const uint8_t*>(image);
    return std::vector<uint8_t>(p, p + count);
}

TEST(ImageRecords, ColourPicturesBecomeRgb565RowsWithTransparencyAsKeyColour) {
    // swatch.png, 3 x 2: red, green, blue / white, (8, 4, 8), transparent.
    const std::vector<uint8_t> expected = {
        0,    0,    0,    0,    3,    0,    0,    0,    2,    0,    0,    0,
        0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0xFF, 0xFF, 0x21, 0x08, 0xFF, 0xFF,
    };
    EXPECT_EQ(record_bytes(img_swatch, expected.size()), expected);
}

TEST(ImageRecords, OnePlanePicturesStoreDarkPixelsBottomRowFirst) {
    // arrow.bit1.png, 8 x 3: top row pixel 0, middle row pixel 1, bottom row all.
    const std::vector<uint8_t> expected = {1, 3, 1, 0xFF, 0x40, 0x80};
    EXPECT_EQ(record_bytes(img_arrow, expected.size()), expected);
}

TEST(ImageRecords, TwoPlanePicturesSplitBlackFromMidTones) {
    // hole.bit2.png, 8 x 1: black, grey, white, transparent, black, grey, white, black.
    const std::vector<uint8_t> expected = {2, 1, 1, 0x89, 0x44};
    EXPECT_EQ(record_bytes(img_hole, expected.size()), expected);
}

TEST(ImageRecords, TheSplashPictureIsAFullScreenColourImage) {
    const std::vector<uint8_t> header = {0, 0, 0, 0, 0x40, 0x01, 0, 0, 0xF0, 0, 0, 0};
    EXPECT_EQ(record_bytes(img_splash, header.size()), header);
}

} // namespace
