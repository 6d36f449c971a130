#include "device/device_fixture.h"
#include "device/gfx/gfx_helpers.h"

namespace {

class ComposeTest : public DeviceTest {
  protected:
    /* Layer 0 carries its row number + 1 (never the key colour), layer 1 a
     * distinct pattern, so each output pixel tells where it came from. */
    static void pattern_layers() {
        for (int y = 0; y < GFX_LAYER_ROWS; ++y)
            for (int x = 0; x < GFX_WIDTH; ++x) {
                device_memory.layers[0][y * GFX_WIDTH + x] = static_cast<uint16_t>(y + 1);
                device_memory.layers[1][y * GFX_WIDTH + x] = static_cast<uint16_t>(0x8000 | (x * 7 + y));
            }
    }
    static uint16_t out(int x, int y) { return display_frame_buffer()[y * GFX_WIDTH + x]; }
};

TEST_F(ComposeTest, KeyColourShowsTheBackground) {
    gfx_clear_layers();
    gfx_compose();
    for (int i = 0; i < GFX_WIDTH * GFX_SCREEN_ROWS; ++i) ASSERT_EQ(display_frame_buffer()[i], 0xFFFF);

    gfx_select_layer(1);
    gfx_set_fill_colour(0x001F);
    gfx_fill_rect(0, 0, 319, 239);
    gfx_select_layer(0);
    gfx_set_fill_colour(0xFFFE); // one bit off the key colour: opaque
    gfx_fill_rect(10, 10, 10, 10);
    gfx_set_fill_colour(0x7FFF);
    gfx_fill_rect(11, 10, 11, 10);
    gfx_compose();
    EXPECT_EQ(out(10, 10), 0xFFFE);
    EXPECT_EQ(out(11, 10), 0x7FFF);
    EXPECT_EQ(out(12, 10), 0x001F);
    EXPECT_EQ(out(9, 10), 0x001F);
}

TEST_F(ComposeTest, KeyBarRowsSlideTheKeyStripUp) {
    pattern_layers();
    uint16_t* frame = display_frame_buffer();
    frame[240 * GFX_WIDTH] = 0x4242; // rows 240 and below are never written
    gfx_set_key_bar_rows(0);
    gfx_compose();
    for (int y : {0, 195, 196, 239}) EXPECT_EQ(out(5, y), y + 1) << y;

    gfx_set_key_bar_rows(22);
    gfx_compose();
    EXPECT_EQ(out(5, 195), 196);           // above the bar: layer 0 row 195
    EXPECT_EQ(out(5, 196), 241);           // bar: layer 0 row 240
    EXPECT_EQ(out(5, 239), 284);           // bar: layer 0 row 283
    EXPECT_EQ(frame[240 * GFX_WIDTH], 0x4242);

    // A transparent key-strip pixel shows layer 1's screen row, not its strip.
    device_memory.layers[0][250 * GFX_WIDTH + 7] = 0xFFFF;
    gfx_compose();
    EXPECT_EQ(out(7, 206), 0x8000 | (7 * 7 + 206));

    gfx_set_key_bar_rows(200); // beyond the strip: shown as 22
    gfx_compose();
    EXPECT_EQ(out(5, 196), 241);
}

TEST_F(ComposeTest, InversionNeedsEnableAndActiveMode) {
    static const struct {
        uint8_t enable, polarity, mode;
        bool inverted;
    } cases[] = {
        {0, 0, 2, false}, {1, 0, 1, false}, {1, 0, 2, true},
        {1, 1, 0, true},  {1, 1, 1, true},  {1, 1, 3, false},
    };
    pattern_layers();
    device_memory.layers[0][0] = 0xFFFF; // transparent: background inverted too
    for (const auto& c : cases) {
        gfx_set_inversion_enable(c.enable);
        gfx_set_inversion_polarity(c.polarity);
        gfx_set_display_mode(c.mode);
        gfx_compose();
        const uint16_t top = 1, bottom = 0x8000;
        EXPECT_EQ(out(1, 0), c.inverted ? uint16_t(~top) : top);
        EXPECT_EQ(out(0, 0), c.inverted ? uint16_t(~bottom) : bottom);
    }
}

TEST_F(ComposeTest, RotatedCompositionTurnsTheScreenAndIgnoresBarAndInversion) {
    pattern_layers();
    device_memory.layers[0][(239 - 3) * GFX_WIDTH + (319 - 2)] = 0xFFFF;
    gfx_set_key_bar_rows(22);
    gfx_set_inversion_enable(1);
    gfx_set_display_mode(3);
    gfx_compose_rotated();
    EXPECT_EQ(out(0, 0), 240);   // layer 0 at (319, 239)
    EXPECT_EQ(out(319, 239), 1); // layer 0 at (0, 0)
    EXPECT_EQ(out(2, 3), 0x8000 | ((319 - 2) * 7 + 236)); // transparent: layer 1
}

} // namespace
