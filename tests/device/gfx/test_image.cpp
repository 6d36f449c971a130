// The blitter: colour images with their image modes and row spill, one- and
// two-plane bit images, and pixels beyond the layer's storage.
#include <vector>

#include "device/device_fixture.h"
#include "device/gfx/gfx_helpers.h"
#include "device/gfx/image.h"
#include "device/gfx/image_helpers.h"

namespace {

constexpr uint16_t kBackground = 0x0F0F;
constexpr uint16_t kPen = 0x1111;
constexpr uint16_t kFill = 0x2222;
constexpr uint16_t kAlt = 0x3333;
constexpr uint16_t kKey = 0xFFFF;

class ImageTest : public DeviceTest {
  protected:
    void SetUp() override {
        DeviceTest::SetUp();
        fill_layer(0, kBackground);
        fill_layer(1, kBackground);
        gfx_set_pen_colour(kPen);
        gfx_set_fill_colour(kFill);
        gfx_set_alt_colour(kAlt);
    }
};

struct SpillCase {
    uint16_t x;
    PixelSet written;
};

TEST_F(ImageTest, ColourRowsContinueOnTheNextLayerRow) {
    const SpillCase cases[] = {
        {318, {{318, 0}, {319, 0}, {318, 1}, {319, 1}}},
        {319, {{319, 0}, {0, 1}, {319, 1}, {0, 2}}},
    };
    const auto image = colour_record(2, 2, {0xA001, 0xA002, 0xA003, 0xA004});
    for (const SpillCase& c : cases) {
        fill_layer(0, kBackground);
        gfx_draw_image(c.x, 0, as_image(image));
        EXPECT_EQ(pixels_not(0, kBackground), c.written) << "x = " << c.x;
    }
    // Pixels keep their row-major order: the second pixel of row 0 is the
    // first of layer row 1.
    EXPECT_EQ(pixel(0, 319, 0), 0xA001);
    EXPECT_EQ(pixel(0, 0, 1), 0xA002);
    EXPECT_EQ(pixel(0, 319, 1), 0xA003);
    EXPECT_EQ(pixel(0, 0, 2), 0xA004);
}

TEST_F(ImageTest, ImageModeDecidesWhatKeyColouredPixelsDo) {
    struct Case {
        uint8_t mode;
        uint16_t at_key_pixel;   // layer pixel under the image's 0xFFFF pixel
        uint16_t at_other_pixel; // layer pixel under the image's 0x1234 pixel
    };
    const Case cases[] = {
        {0, kBackground, 0x1234},
        {1, 0xFFFF, 0x1234},
        {2, kBackground, kBackground},
        {200, kBackground, kBackground},
    };
    const auto image = colour_record(2, 1, {0xFFFF, 0x1234});
    for (const Case& c : cases) {
        fill_layer(0, kBackground);
        gfx_set_image_mode(c.mode);
        gfx_draw_image(10, 20, as_image(image));
        EXPECT_EQ(pixel(0, 10, 20), c.at_key_pixel) << "mode " << int(c.mode);
        EXPECT_EQ(pixel(0, 11, 20), c.at_other_pixel) << "mode " << int(c.mode);
    }
}

TEST_F(ImageTest, ColourImagesFollowTheLayerCode) {
    const auto image = colour_record(1, 1, {0x4321});
    gfx_select_layer(1);
    gfx_draw_image(5, 6, as_image(image));
    gfx_select_layer(0);
    gfx_draw_image(7, 8, as_image(image));
    EXPECT_EQ(pixels_not(1, kBackground), (PixelSet{{5, 6}}));
    EXPECT_EQ(pixels_not(0, kBackground), (PixelSet{{7, 8}}));
}

TEST_F(ImageTest, NonPositiveSizesDrawNothing) {
    for (const auto& image : {colour_record(0, 2, {}), colour_record(2, 0, {}),
                              colour_record(-1, 2, {}), colour_record(2, -3, {})}) {
        gfx_draw_image(0, 0, as_image(image));
    }
    EXPECT_TRUE(pixels_not(0, kBackground).empty());
}

TEST_F(ImageTest, FirstByteZeroIsAColourImageWhateverTheRestOfTheKindWord) {
    const auto image = colour_record(1, 1, {0x5555}, 0x00000100);
    gfx_draw_image(3, 3, as_image(image));
    EXPECT_EQ(pixels_not(0, kBackground), (PixelSet{{3, 3}}));
}

TEST_F(ImageTest, OnePlaneImagesStoreTheBottomRowFirst) {
    // Three rows of one byte: 0x80 in every row sets only the left column.
    gfx_draw_image(40, 50, as_image(bit_record(1, 3, 1, {0x80, 0x80, 0x80})));
    EXPECT_EQ(pixel(0, 40, 50), kPen);
    EXPECT_EQ(pixel(0, 40, 51), kPen);
    EXPECT_EQ(pixel(0, 40, 52), kPen);
    for (int y = 50; y <= 52; ++y)
        for (int x = 41; x < 48; ++x)
            ASSERT_EQ(pixel(0, x, y), kKey) << x << "," << y;

    // The first stored row lands on the image's bottom row.
    fill_layer(0, kBackground);
    gfx_draw_image(40, 50, as_image(bit_record(1, 3, 1, {0x80, 0x40, 0x20})));
    EXPECT_EQ(pixel(0, 40, 52), kPen);
    EXPECT_EQ(pixel(0, 41, 51), kPen);
    EXPECT_EQ(pixel(0, 42, 50), kPen);
    EXPECT_EQ(pixels_not(0, kBackground).size(), 24u);
}

TEST_F(ImageTest, GreyPenSendsOnePlaneImagesToTheBackground) {
    gfx_select_layer(0);
    gfx_set_pen_colour(2); // the grey preset 0x7BEF
    gfx_draw_image(0, 0, as_image(bit_record(1, 1, 1, {0xC0})));
    EXPECT_TRUE(pixels_not(0, kBackground).empty());
    EXPECT_EQ(pixel(1, 0, 0), GFX_GREY);
    EXPECT_EQ(pixel(1, 1, 0), GFX_GREY);
    EXPECT_EQ(pixel(1, 2, 0), kFill); // 0 bits paint the fill colour in layer 1
    EXPECT_EQ(pixel(1, 7, 0), kFill);
}

TEST_F(ImageTest, OnePlaneZeroBitsFollowTheOpaqueFlag) {
    gfx_set_bitmap_opaque(0);
    gfx_draw_image(0, 0, as_image(bit_record(1, 1, 1, {0x81})));
    EXPECT_EQ(pixels_not(0, kBackground), (PixelSet{{0, 0}, {7, 0}}));
    gfx_set_bitmap_opaque(1);
    gfx_draw_image(0, 0, as_image(bit_record(1, 1, 1, {0x81})));
    EXPECT_EQ(pixel(0, 3, 0), kKey);
}

TEST_F(ImageTest, TwoPlaneImagesWriteBothLayers) {
    // Columns 0..3: (B, A) = (1, 1), (1, 0), (0, 1), (0, 0).
    const auto image = bit_record(2, 1, 1, {/*A*/ 0xA0, /*B*/ 0xC0});
    struct Case {
        uint8_t opaque;
        uint16_t layer0[4];
        uint16_t layer1[4];
    };
    const Case cases[] = {
        {1, {kKey, kKey, kPen, kKey}, {kAlt, kAlt, kFill, kFill}},
        {0, {kKey, kKey, kPen, kBackground}, {kAlt, kAlt, kFill, kBackground}},
    };
    for (const Case& c : cases) {
        fill_layer(0, kBackground);
        fill_layer(1, kBackground);
        gfx_set_bitmap_opaque(c.opaque);
        gfx_select_layer(1); // bit images ignore the layer code
        gfx_draw_image(100, 100, as_image(image));
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(pixel(0, 100 + i, 100), c.layer0[i])
                << "opaque " << int(c.opaque) << " column " << i;
            EXPECT_EQ(pixel(1, 100 + i, 100), c.layer1[i])
                << "opaque " << int(c.opaque) << " column " << i;
        }
    }
}

TEST_F(ImageTest, NothingIsWrittenBeyondTheLayer) {
    // In memory layer 0 is followed by layer 1, and layer 1 by frame 0: a
    // write past a layer's last pixel would show in the next one's sentinel.
    for (uint16_t& p : device_memory.frames[0])
        p = kBackground;
    const auto tall = colour_record(2, 10, std::vector<uint16_t>(20, 0xB00B));
    const auto wide = colour_record(1000, 2, std::vector<uint16_t>(2000, 0xB00B));
    const auto one_plane = bit_record(1, 6, 2, std::vector<uint8_t>(12, 0xFF));
    const auto two_planes = bit_record(2, 6, 2, std::vector<uint8_t>(24, 0xFF));

    gfx_select_layer(0);
    gfx_draw_image(316, 282, as_image(one_plane)); // rows 282..287, 16 wide: row 287 spills out
    gfx_draw_image(0, 286, as_image(tall));
    gfx_draw_image(100, 287, as_image(wide));
    gfx_draw_image(65535, 65535, as_image(tall));
    EXPECT_TRUE(pixels_not(1, kBackground).empty());
    // What lies inside the storage is drawn.
    EXPECT_EQ(pixel(0, 316, 282), kPen);
    EXPECT_EQ(pixel(0, 11, 283), kPen);
    EXPECT_EQ(pixel(0, 0, 286), 0xB00B);
    EXPECT_EQ(pixel(0, 1, 287), 0xB00B);
    EXPECT_EQ(pixel(0, 319, 287), 0xB00B);

    gfx_draw_image(316, 284, as_image(two_planes));
    for (uint16_t p : device_memory.frames[0])
        ASSERT_EQ(p, kBackground);
    EXPECT_EQ(pixel(1, 316, 284), kAlt);
    EXPECT_EQ(pixel(1, 11, 287), kAlt);
}

} // namespace
