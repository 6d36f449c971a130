// Blending glyph coverage into the layers: the blend table, the overlay's
// edge rule for layer code 2, and boxed text.
#include "device/gfx/text_engine.h"
#include "device/gfx/text_helpers.h"

namespace {

constexpr uint16_t kRed = 0xF800;

uint16_t red(uint16_t p) {
    return p >> 11;
}
uint16_t green(uint16_t p) {
    return (p >> 5) & 0x3F;
}
uint16_t blue(uint16_t p) {
    return p & 0x1F;
}

TEST_F(TextTest, BlendTableMixesEachChannel) {
    struct Case {
        uint16_t under, colour;
        uint8_t coverage;
        uint16_t expected;
    };
    const Case cases[] = {
        {0x0000, kRed, 128, 15 << 11}, // 31 × 128 / 256
        {0xFFFF, 0x0000, 128, 0x7BEF}, // 31 × 127 / 256 = 15, 63 × 127 / 256 = 31
        {0xFFFF, 0x0000, 1, 0xF7DE},   // d × 254 / 256 rounds every channel down
        {0x0000, 0xFFFF, 254, 0xF7DE}, // 31 × 254 / 256 = 30, 63 × 254 / 256 = 62
        {0x07E0, kRed, 64, (7 << 11) | (47 << 5)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(text_blend_pixel(c.under, c.colour, c.coverage), c.expected)
            << std::hex << c.under << " " << c.colour << " " << std::dec << int(c.coverage);
    }
}

TEST_F(TextTest, OverlayEdgesBlendWithTheBackgroundUnderLayerCode2) {
    // Black text on the transparent overlay over a red background.
    fill_layer(1, kRed);
    gfx_set_font(24, TEXT_ALIGN_LEFT, 0);
    gfx_select_layer(2);
    gfx_draw_text(10, 10, "Oil 88");
    const PixelSet drawn = pixels_not(0, kBackground);
    int edges = 0;
    for (const auto& [x, y] : drawn) {
        const uint16_t p = pixel(0, x, y);
        ASSERT_EQ(green(p), 0) << x << "," << y; // black or a darker red, never grey
        ASSERT_EQ(blue(p), 0) << x << "," << y;
        if (red(p) > 0) ++edges;
    }
    EXPECT_GT(edges, 20);
    EXPECT_TRUE(pixels_not(1, kRed).empty());

    // With code 0 the same pixels blend with the key colour, white: greys.
    fill_layer(0, kBackground);
    gfx_select_layer(0);
    gfx_draw_text(10, 10, "Oil 88");
    EXPECT_EQ(pixels_not(0, kBackground), drawn);
    int greys = 0;
    for (const auto& [x, y] : drawn) {
        const uint16_t p = pixel(0, x, y);
        ASSERT_EQ(red(p), blue(p)) << x << "," << y;
        if (green(p) > 0) ++greys;
    }
    EXPECT_GT(greys, 20);
}

TEST_F(TextTest, LayerCode1DrawsIntoTheBackground) {
    gfx_set_font(24, TEXT_ALIGN_LEFT, 0);
    gfx_select_layer(1);
    EXPECT_EQ(gfx_draw_text(10, 10, "km/h"), 4);
    EXPECT_TRUE(pixels_not(0, kBackground).empty());
    EXPECT_FALSE(pixels_not(1, kBackground).empty());
}

TEST_F(TextTest, BoxedTextFramesTheBoxAndKeepsTheTextInside) {
    constexpr uint16_t kFill = 0x001F, kBorder = 0x07E0, kText = 0xF800;
    gfx_set_fill_colour(kFill);
    gfx_set_font(24, TEXT_ALIGN_CENTRE, 5); // the alignment is used, the spacing is not
    gfx_draw_text_boxed(20, 30, 100, 40, 2, kBorder, 12, 0, kText, "12");
    const Ink all = ink(0, kBackground);
    EXPECT_EQ(all.x0, 20);
    EXPECT_EQ(all.x1, 120);
    EXPECT_EQ(all.y0, 30);
    EXPECT_EQ(all.y1, 70);
    for (int i = 0; i < 2; ++i) { // a border 2 pixels thick on every side
        for (int x = 20; x <= 120; ++x) {
            ASSERT_EQ(pixel(0, x, 30 + i), kBorder) << x;
            ASSERT_EQ(pixel(0, x, 70 - i), kBorder) << x;
        }
        for (int y = 30; y <= 70; ++y) {
            ASSERT_EQ(pixel(0, 20 + i, y), kBorder) << y;
            ASSERT_EQ(pixel(0, 120 - i, y), kBorder) << y;
        }
    }
    EXPECT_EQ(pixel(0, 22, 32), kBackground); // inside the border: the key colour
    EXPECT_EQ(pixel(0, 118, 68), kBackground);
    // The text is centred in the box, in its own colour.
    Ink text;
    for (const auto& [x, y] : pixels_not(0, kBackground)) {
        if (pixel(0, x, y) == kBorder) continue;
        text.x0 = std::min(text.x0, x);
        text.x1 = std::max(text.x1, x);
    }
    EXPECT_NEAR((text.x0 + text.x1) / 2.0, 70.0, 1.5);

    // A line wider than the box is clipped to it, border included.
    clear();
    gfx_draw_text_boxed(20, 30, 100, 40, 3, kBorder, 24, 0, kText, "WWWWWWWWWW");
    const Ink wide = ink(0, kBackground);
    EXPECT_EQ(wide.x0, 20);
    EXPECT_EQ(wide.x1, 120);

    // No border: the whole box is the fill colour.
    clear();
    gfx_draw_text_boxed(20, 30, 10, 10, 0, kBorder, 10, 0, kText, "");
    EXPECT_EQ(pixels_not(0, kBackground).size(), 121u);
    EXPECT_EQ(pixel(0, 25, 35), kFill);

    // A border thicker than half the box leaves no inside.
    clear();
    gfx_draw_text_boxed(20, 30, 10, 10, 6, kBorder, 10, 0, kText, "");
    EXPECT_EQ(pixel(0, 25, 35), kBorder);
}

} // namespace
