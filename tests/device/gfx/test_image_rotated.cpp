// Rotated colour images: angle normalisation, the 24.8 mapping, clipping
// to 320 x 284 and the refusal of anything but a colour record.
#include <vector>

#include "device/device_fixture.h"
#include "device/gfx/gfx_helpers.h"
#include "device/gfx/image.h"
#include "device/gfx/image_helpers.h"

namespace {

constexpr uint16_t kBackground = 0x0F0F;

/* A pattern in which every pixel of a large image differs from its
 * neighbours and none is the key colour or the background. */
uint16_t pattern(int i, int j) {
    return static_cast<uint16_t>(0x1000 + ((i * 7 + j * 13) & 0x0FFF));
}

std::vector<uint8_t> pattern_image(int w, int h) {
    std::vector<uint16_t> px;
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i)
            px.push_back(pattern(i, j));
    return colour_record(w, h, px);
}

class RotatedImageTest : public DeviceTest {
  protected:
    void SetUp() override {
        DeviceTest::SetUp();
        fill_layer(0, kBackground);
        fill_layer(1, kBackground);
    }
};

TEST_F(RotatedImageTest, WholeTurnsDrawTheImageUnrotatedClippedToTheFrame) {
    const auto image = pattern_image(330, 290); // larger than 320 x 284
    std::vector<uint16_t> first;
    for (int16_t angle : {0, 360, -360, 720}) {
        fill_layer(0, kBackground);
        GfxRect box{-1, -1, -1, -1};
        gfx_draw_image_rotated(0, 0, as_image(image), angle, 0, 0, &box);
        EXPECT_EQ(box.x0, 0);
        EXPECT_EQ(box.y0, 0);
        EXPECT_EQ(box.x1, 319);
        EXPECT_EQ(box.y1, 283);
        std::vector<uint16_t> layer(device_memory.layers[0],
                                    device_memory.layers[0] + GFX_LAYER_PIXELS);
        if (first.empty()) {
            first = layer;
            for (int y = 0; y < GFX_LAYER_ROWS; ++y)
                for (int x = 0; x < GFX_WIDTH; ++x)
                    ASSERT_EQ(pixel(0, x, y), y < GFX_FRAME_ROWS ? pattern(x, y) : kBackground)
                        << x << "," << y;
        } else {
            EXPECT_TRUE(layer == first) << "angle " << angle;
        }
    }
}

TEST_F(RotatedImageTest, PositiveAnglesTurnClockwiseAboutThePivot) {
    // 3 x 2 image, image point (0, 0) on layer point (10, 10).
    const auto image = colour_record(3, 2, {0xA000, 0xA001, 0xA002, 0xA010, 0xA011, 0xA012});
    struct Case {
        int16_t angle;
        int dx_per_i, dy_per_i, dx_per_j, dy_per_j; // layer step per image column / row
    };
    const Case cases[] = {
        {90, 0, 1, -1, 0},   // columns run down the screen, rows to the left
        {180, -1, 0, 0, -1}, // upside down
        {-90, 0, -1, 1, 0},  // 270
    };
    for (const Case& c : cases) {
        fill_layer(0, kBackground);
        gfx_draw_image_rotated(0, 0, as_image(image), c.angle, 10, 10, nullptr);
        PixelSet expected;
        for (int j = 0; j < 2; ++j) {
            for (int i = 0; i < 3; ++i) {
                const int x = 10 + i * c.dx_per_i + j * c.dx_per_j;
                const int y = 10 + i * c.dy_per_i + j * c.dy_per_j;
                expected.insert({x, y});
                EXPECT_EQ(pixel(0, x, y), 0xA000 + 16 * j + i)
                    << "angle " << c.angle << " i " << i << " j " << j;
            }
        }
        EXPECT_EQ(pixels_not(0, kBackground), expected) << "angle " << c.angle;
    }
}

TEST_F(RotatedImageTest, OnlyImageModeZeroSkipsKeyColouredPixels) {
    const auto image = colour_record(2, 1, {0xFFFF, 0x1234});
    struct Case {
        uint8_t mode;
        uint16_t at_key_pixel;
    };
    for (const Case& c : {Case{0, kBackground}, Case{1, 0xFFFF}, Case{2, 0xFFFF}}) {
        fill_layer(0, kBackground);
        gfx_set_image_mode(c.mode);
        gfx_draw_image_rotated(0, 0, as_image(image), 0, 50, 60, nullptr);
        EXPECT_EQ(pixel(0, 50, 60), c.at_key_pixel) << "mode " << int(c.mode);
        EXPECT_EQ(pixel(0, 51, 60), 0x1234) << "mode " << int(c.mode);
    }
}

TEST_F(RotatedImageTest, RefusesRecordsWhoseKindWordIsNotZero) {
    const auto half_colour = colour_record(1, 1, {0x5555}, 0x00000100);
    const auto bits = bit_record(1, 1, 1, {0xFF});
    GfxRect box{7, 7, 7, 7};
    gfx_draw_image_rotated(0, 0, as_image(half_colour), 0, 3, 3, &box);
    gfx_draw_image_rotated(0, 0, as_image(bits), 0, 3, 3, &box);
    EXPECT_TRUE(pixels_not(0, kBackground).empty());
    EXPECT_EQ(box.x0, 7);                        // untouched
    gfx_draw_image(3, 3, as_image(half_colour)); // the plain blitter takes it
    EXPECT_EQ(pixels_not(0, kBackground), (PixelSet{{3, 3}}));
}

TEST_F(RotatedImageTest, FarAwayPivotsWriteOnlyInsideTheFrame) {
    const auto image = pattern_image(40, 30);
    for (uint16_t& p : device_memory.frames[0])
        p = kBackground;
    const int32_t far[] = {-2147483647 - 1, -100000, -20, 300, 100000, 2147483647};
    for (int32_t q : far) {
        for (int32_t p : far) {
            for (int16_t angle : {0, 45, 90, 200, -32768}) {
                gfx_draw_image_rotated(p, q, as_image(image), angle, q, p, nullptr);
                gfx_draw_image_rotated(0, 0, as_image(image), angle, q, 100, nullptr);
                gfx_draw_image_rotated(20, 15, as_image(image), angle, 310, q, nullptr);
            }
        }
    }
    EXPECT_TRUE(pixels_not(1, kBackground).empty());
    for (uint16_t v : device_memory.frames[0])
        ASSERT_EQ(v, kBackground);
    for (int y = GFX_FRAME_ROWS; y < GFX_LAYER_ROWS; ++y)
        for (int x = 0; x < GFX_WIDTH; ++x)
            ASSERT_EQ(pixel(0, x, y), kBackground);
}

} // namespace
