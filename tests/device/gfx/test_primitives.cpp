#include <cstring>

#include "device/device_fixture.h"
#include "device/gfx/gfx_helpers.h"

namespace {

constexpr uint16_t kBg = 0x1234; // neither a pen, fill nor alternate colour used below
constexpr uint16_t kPen = 0xF800;

class PrimitiveTest : public DeviceTest {
  protected:
    void SetUp() override {
        DeviceTest::SetUp();
        fill_layer(0, kBg);
        fill_layer(1, kBg);
        gfx_select_layer(0);
        gfx_set_pen_colour(kPen);
    }
    static PixelSet drawn() { return pixels_not(0, kBg); }
    static PixelSet rect(int x0, int y0, int x1, int y1) {
        PixelSet s;
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) s.insert({x, y});
        return s;
    }
};

TEST_F(PrimitiveTest, FillRectCornersInAnyOrderFillTheSamePixels) {
    gfx_set_fill_colour(0x07E0);
    gfx_fill_rect(30, 20, 10, 5);
    EXPECT_EQ(drawn(), rect(10, 5, 30, 20));
    EXPECT_EQ(pixel(0, 10, 5), 0x07E0);
    fill_layer(0, kBg);
    gfx_fill_rect(10, 5, 30, 20);
    EXPECT_EQ(drawn(), rect(10, 5, 30, 20));
    fill_layer(0, kBg);
    gfx_fill_rect(7, 0, 7, 239); // one column, every row
    EXPECT_EQ(drawn(), rect(7, 0, 7, 239));
    fill_layer(0, kBg);
    gfx_fill_rect(0, 0, 0, 0);
    EXPECT_EQ(drawn(), rect(0, 0, 0, 0));
}

TEST_F(PrimitiveTest, PenRectUsesPenColourOrWhiteInPenModeZero) {
    gfx_pen_rect(5, 9, 2, 3);
    EXPECT_EQ(drawn(), rect(2, 3, 5, 9));
    EXPECT_EQ(pixel(0, 2, 3), kPen);
    gfx_set_pen_mode(0);
    gfx_pen_span(8, 3, 6);
    EXPECT_EQ(pixel(0, 6, 3), 0xFFFF);
    EXPECT_EQ(pixel(0, 8, 3), 0xFFFF);
    EXPECT_EQ(pixel(0, 9, 3), kBg);
}

TEST_F(PrimitiveTest, PrimitivesDrawIntoTheSelectedLayer) {
    gfx_select_layer(1);
    gfx_fill_rect(0, 0, 3, 3);
    gfx_line(0, 10, 20, 12);
    EXPECT_TRUE(drawn().empty());
    EXPECT_FALSE(pixels_not(1, kBg).empty());
    gfx_select_layer(2); // codes 0 and 2 both select layer 0
    gfx_fill_rect(0, 0, 0, 0);
    EXPECT_EQ(drawn().size(), 1u);
}

TEST_F(PrimitiveTest, LineStepsTheMinorAxisOnATie) {
    // x-major, error exactly 0 on the second and fourth step.
    const PixelSet expected = {{0, 0}, {1, 1}, {2, 1}, {3, 2}, {4, 2}};
    gfx_line(0, 0, 4, 2);
    EXPECT_EQ(drawn(), expected);
    fill_layer(0, kBg);
    gfx_line(4, 2, 0, 0); // reversed end points: same pixels
    EXPECT_EQ(drawn(), expected);
    // y-major mirror image.
    fill_layer(0, kBg);
    gfx_line(0, 0, 2, 4);
    EXPECT_EQ(drawn(), (PixelSet{{0, 0}, {1, 1}, {1, 2}, {2, 3}, {2, 4}}));
    // |dx| = |dy| is y-major: a clean diagonal going left.
    fill_layer(0, kBg);
    gfx_line(3, 0, 0, 3);
    EXPECT_EQ(drawn(), (PixelSet{{3, 0}, {2, 1}, {1, 2}, {0, 3}}));
}

TEST_F(PrimitiveTest, ZeroLengthLinePlotsOnePenPixelWhateverTheStyle) {
    for (uint8_t style : {0, 2, 5}) {
        fill_layer(0, kBg);
        gfx_set_line_style(style, 4);
        gfx_line(50, 60, 50, 60);
        EXPECT_EQ(drawn(), (PixelSet{{50, 60}})) << int(style);
        EXPECT_EQ(pixel(0, 50, 60), kPen);
    }
}

TEST_F(PrimitiveTest, LineStylesThreeToNineDrawNothing) {
    for (uint8_t style = 3; style <= 9; ++style) {
        gfx_set_line_style(style, 4);
        gfx_line(10, 10, 40, 20);
        gfx_hline(10, 30, 40);
        gfx_vline(50, 10, 40);
        EXPECT_TRUE(drawn().empty()) << int(style);
    }
}

TEST_F(PrimitiveTest, StyleTwoDrawsInTheAlternateColourWithWidth) {
    gfx_set_alt_colour(0x001F);
    gfx_set_line_style(2, 3);
    gfx_hline(10, 50, 12);
    EXPECT_EQ(drawn(), rect(10, 49, 12, 51));
    EXPECT_EQ(pixel(0, 11, 49), 0x001F);
}

TEST_F(PrimitiveTest, DottedLineHasNoWidthButDottedHlineDoes) {
    gfx_set_line_style(1, 4);
    gfx_line(0, 0, 9, 0);
    EXPECT_EQ(drawn(), (PixelSet{{0, 0}, {2, 0}, {4, 0}, {6, 0}, {8, 0}}));

    fill_layer(0, kBg);
    gfx_hline(0, 10, 9);
    PixelSet expected;
    for (int x = 0; x <= 8; x += 2)
        for (int y = 8; y <= 12; ++y) expected.insert({x, y});
    EXPECT_EQ(drawn(), expected);

    fill_layer(0, kBg);
    gfx_vline(20, 3, 7); // dotted on even y, five wide across x
    expected.clear();
    for (int y = 4; y <= 6; y += 2)
        for (int x = 18; x <= 22; ++x) expected.insert({x, y});
    EXPECT_EQ(drawn(), expected);
}

TEST_F(PrimitiveTest, DottedYMajorLineUsesTheYParity) {
    gfx_set_line_style(1, 0);
    gfx_line(5, 0, 5, 5);
    EXPECT_EQ(drawn(), (PixelSet{{5, 0}, {5, 2}, {5, 4}}));
}

TEST_F(PrimitiveTest, WideSolidLineCoversFivePixelsPerColumn) {
    gfx_set_line_style(0, 4);
    gfx_line(10, 10, 30, 15);
    const PixelSet d = drawn();
    for (int x = 10; x <= 30; ++x) {
        int count = 0;
        for (const auto& p : d) count += p.first == x;
        EXPECT_EQ(count, 5) << "column " << x;
    }
    EXPECT_EQ(d.size(), 21u * 5u);
    // A y-major line is widened across x instead.
    fill_layer(0, kBg);
    gfx_set_line_style(0, 3);
    gfx_line(40, 10, 40, 12);
    EXPECT_EQ(drawn(), rect(39, 10, 41, 12));
}

TEST_F(PrimitiveTest, HlineAndVlineSortTheirEnds) {
    gfx_hline(40, 7, 30);
    EXPECT_EQ(drawn(), rect(30, 7, 40, 7));
    fill_layer(0, kBg);
    gfx_vline(319, 20, 10);
    EXPECT_EQ(drawn(), rect(319, 10, 319, 20));
}

TEST_F(PrimitiveTest, VlineAtX320DrawsNothing) {
    gfx_set_line_style(0, 4);
    gfx_vline(320, 0, 100);
    EXPECT_TRUE(drawn().empty());
}

TEST_F(PrimitiveTest, RotatePointAroundPivot) {
    static const struct {
        float angle;
        int32_t x, y;
    } cases[] = {{0.0f, 290, 180}, {90.0f, 135, 335}, {-90.0f, 135, 25}, {180.0f, -20, 180}};
    for (const auto& c : cases) {
        const GfxPoint p = gfx_rotate_point(135, 180, 290, 180, c.angle);
        EXPECT_EQ(p.x, c.x) << c.angle;
        EXPECT_EQ(p.y, c.y) << c.angle;
    }
    // A reference point straight above the pivot turns clockwise on screen.
    const GfxPoint up = gfx_rotate_point(100, 100, 100, 50, 90.0f);
    EXPECT_EQ(up.x, 150);
    EXPECT_EQ(up.y, 100);
    const GfxPoint left = gfx_rotate_point(100, 100, 60, 100, 0.0f);
    EXPECT_EQ(left.x, 60);
    EXPECT_EQ(left.y, 100);
}

TEST_F(PrimitiveTest, ClearLayersUsesKeyAndFillColoursOnScreenRowsOnly) {
    gfx_set_key_colour(0x0101);
    gfx_set_fill_colour(0x0202);
    gfx_clear_layers();
    EXPECT_EQ(pixel(0, 0, 0), 0x0101);
    EXPECT_EQ(pixel(0, 319, 239), 0x0101);
    EXPECT_EQ(pixel(0, 0, 240), kBg); // key strip untouched
    EXPECT_EQ(pixel(1, 319, 239), 0x0202);
    EXPECT_EQ(pixel(1, 0, 240), kBg);
    device_memory.frames[0][5] = 9;
    device_memory.frames[1][GFX_FRAME_PIXELS - 1] = 9;
    gfx_clear_frames();
    EXPECT_EQ(device_memory.frames[0][5], 0);
    EXPECT_EQ(device_memory.frames[1][GFX_FRAME_PIXELS - 1], 0);
}

} // namespace
