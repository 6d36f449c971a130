// Laying out a line: alignment boxes, clamping, kerning, letter spacing,
// clipping to the box, and the glyph limit.
#include <string>

#include "device/gfx/text_helpers.h"

namespace {

TEST_F(TextTest, CentredBoxesAreCentredOnX) {
    struct Case {
        int32_t x;
        int left, right; // the box, seen by clipping a line wider than it
    };
    const Case cases[] = {{100, 0, 200}, {250, 181, 319}, {159, 0, 318}, {160, 1, 319}};
    const std::string wide(40, '_'); // underscores join into one unbroken bar
    for (const Case& c : cases) {
        clear();
        gfx_set_font(24, TEXT_ALIGN_CENTRE, 0);
        gfx_draw_text(c.x, 50, wide.c_str());
        const Ink k = ink(0, kBackground);
        EXPECT_EQ(k.x0, c.left) << "x = " << c.x;
        EXPECT_EQ(k.x1, c.right) << "x = " << c.x;

        // A short line starts half its width left of x.
        const auto centred = drawn_alone(c.x, 50, "H8");
        gfx_set_font(24, TEXT_ALIGN_LEFT, 0);
        EXPECT_TRUE(drawn_alone(c.x - line_width(0, 24, "H8") / 2, 50, "H8") == centred)
            << "x = " << c.x;
    }
}

TEST_F(TextTest, RightAlignedLinesEndAtX) {
    // (Texts whose first glyph has no negative bearing: left alignment clips
    // what lies left of x.)
    for (const char* text : {"AV", "VA 12", "123.4"}) {
        gfx_set_font(24, TEXT_ALIGN_RIGHT, 0);
        const auto right = drawn_alone(200, 40, text);
        gfx_set_font(24, TEXT_ALIGN_LEFT, 0);
        EXPECT_TRUE(drawn_alone(200 - line_width(0, 24, text), 40, text) == right) << text;
    }
    // The text face kerns: "AV" is narrower than its two letters apart.
    EXPECT_LT(line_width(0, 24, "AV"), line_width(0, 24, "A") + line_width(0, 24, "V"));
}

/* Width of a drawn line, from where right alignment at x = 300 puts it. */
int drawn_width(const char* text, uint8_t spacing) {
    fill_layer(0, 0xFFFF);
    gfx_set_font(24, TEXT_ALIGN_LEFT, spacing);
    gfx_draw_text(0, 40, text);
    const int left_start = ink(0, 0xFFFF).x0;
    fill_layer(0, 0xFFFF);
    gfx_set_font(24, TEXT_ALIGN_RIGHT, spacing);
    gfx_draw_text(300, 40, text);
    return 300 - (ink(0, 0xFFFF).x0 - left_start);
}

TEST_F(TextTest, LetterSpacingGoesBetweenGlyphsOnly) {
    EXPECT_EQ(drawn_width("AB", 1), drawn_width("AB", 0) + 1);
    EXPECT_EQ(drawn_width("A", 1), drawn_width("A", 0));
    EXPECT_EQ(drawn_width("1234", 3), drawn_width("1234", 0) + 9);
}

TEST_F(TextTest, PositionsAreClampedToTheLayer) {
    gfx_set_font(24, TEXT_ALIGN_LEFT, 0);
    EXPECT_EQ(gfx_draw_text(-5, 300, "Key 12"), 6);
    EXPECT_TRUE(drawn_alone(-5, 300, "Key 12") == drawn_alone(0, 283, "Key 12"));
    EXPECT_TRUE(drawn_alone(-100, 20, "W") == drawn_alone(0, 20, "W"));
    EXPECT_TRUE(drawn_alone(400, 250, "W") == drawn_alone(319, 250, "W"));
}

TEST_F(TextTest, ScreenTextStopsAtRow239AndKeyStripTextAt283) {
    gfx_set_font(24, TEXT_ALIGN_LEFT, 0);
    gfx_draw_text(10, 225, "gjpqy");
    EXPECT_EQ(ink(0, kBackground).y1, 239);

    clear();
    gfx_draw_text(10, 245, "gjpqy");
    const Ink strip = ink(0, kBackground);
    EXPECT_GT(strip.y1, 260);
    EXPECT_LE(strip.y1, 283);

    clear();
    gfx_draw_text(10, 270, "gjpqy");
    EXPECT_EQ(ink(0, kBackground).y1, 283);
}

TEST_F(TextTest, LinesAreClippedAtTheRightEdge) {
    gfx_set_font(30, TEXT_ALIGN_LEFT, 0);
    gfx_draw_text(300, 10, "WWWW");
    const Ink k = ink(0, kBackground);
    EXPECT_FALSE(k.empty());
    EXPECT_LE(k.x1, 319);
    EXPECT_EQ(ink(1, kBackground).x1, -1); // nothing spilled into other rows or layers
    EXPECT_LT(k.y1, 10 + 30);
}

TEST_F(TextTest, EmptyStringsAndUnknownFontsDrawNothing) {
    gfx_set_font(24, TEXT_ALIGN_LEFT, 0);
    EXPECT_EQ(gfx_draw_text(10, 10, ""), 0);
    gfx_set_text_font(3); // refused: the style keeps font 0
    gfx_set_text_font(-1);
    EXPECT_EQ(device_memory.text.style.font_index, 0);
    EXPECT_TRUE(ink(0, kBackground).empty());

    gfx_set_fill_colour(0x07E0);
    gfx_draw_text_boxed(10, 10, 100, 40, 0, 0, 24, 3, GFX_BLACK, "123");
    const PixelSet box = pixels_not(0, kBackground);
    EXPECT_EQ(box.size(), 101u * 41u); // the filled box and nothing else
    for (const auto& [x, y] : box)
        ASSERT_EQ(pixel(0, x, y), 0x07E0) << "text at " << x << "," << y;
}

TEST_F(TextTest, LinesOfMoreThan200GlyphsDrawTheFirst200) {
    gfx_set_font(10, TEXT_ALIGN_LEFT, 0);
    const std::string long_line(450, '1');
    EXPECT_EQ(gfx_draw_text(0, 0, long_line.c_str()), TEXT_MAX_GLYPHS);
    // The decoder was not left holding the cut line: the next one draws.
    EXPECT_EQ(gfx_draw_text(0, 40, "7"), 1);

    std::string accents;
    for (int i = 0; i < 230; ++i)
        accents += "\xC3\xA9"; // two-byte sequences
    EXPECT_EQ(gfx_draw_text(0, 80, accents.c_str()), TEXT_MAX_GLYPHS);
    EXPECT_EQ(gfx_draw_text(0, 120, "AB"), 2);
}

TEST_F(TextTest, MalformedBytesShowAsQuestionMarks) {
    gfx_set_font(24, TEXT_ALIGN_LEFT, 0);
    EXPECT_EQ(gfx_draw_text(10, 10, "\x41\xFF\x42"), 3);
    EXPECT_TRUE(drawn_alone(10, 10, "\x41\xFF\x42") == drawn_alone(10, 10, "A?B"));
    EXPECT_EQ(gfx_draw_text(10, 10, "12\xE2\x82"), 3); // cut short: one "?" at the end
    EXPECT_TRUE(drawn_alone(10, 10, "12\xE2\x82") == drawn_alone(10, 10, "12?"));
}

TEST_F(TextTest, SecondStyleIsIndependentOfTheFirst) {
    gfx_set_font(30, TEXT_ALIGN_RIGHT, 4);
    gfx_set_text_font(1);
    gfx_draw_text2(20, 20, "12:30");
    const auto second = layer0();
    // The second style starts as font 2, size 10, left, no spacing.
    gfx_set_font(10, TEXT_ALIGN_LEFT, 0);
    gfx_set_text_font(2);
    EXPECT_TRUE(drawn_alone(20, 20, "12:30") == second);

    gfx_set_font2(24, TEXT_ALIGN_CENTRE, 1);
    gfx_set_text_font2(0);
    gfx_set_text_font2(7);
    EXPECT_EQ(device_memory.text.style2.font_index, 0);
    EXPECT_EQ(device_memory.text.style2.size, 24);
    EXPECT_EQ(device_memory.text.style.size, 10);
    EXPECT_EQ(device_memory.text.style.font_index, 2);
}

} // namespace
