#include "device/device_fixture.h"

namespace {

class DrawStateTest : public DeviceTest {};

TEST_F(DrawStateTest, PenColourCodes) {
    static const struct {
        uint16_t code, colour;
    } cases[] = {{0, 0x0000}, {1, 0x0000}, {2, 0x7BEF}, {3, 0x0003}, {0xF800, 0xF800}, {0xFFFF, 0xFFFF}};
    for (const auto& c : cases) {
        gfx_set_pen_colour(c.code);
        EXPECT_EQ(device_memory.gfx.pen_colour, c.colour) << c.code;
    }
}

TEST_F(DrawStateTest, SettersIgnoreOutOfRangeValues) {
    gfx_set_line_style(5, 0);
    EXPECT_EQ(device_memory.gfx.line_style, 5);
    EXPECT_EQ(device_memory.gfx.width_code, 0);
    gfx_set_line_style(12, 4);
    EXPECT_EQ(device_memory.gfx.line_style, 5);
    EXPECT_EQ(device_memory.gfx.width_code, 4);
    gfx_set_line_style(10, 0);
    EXPECT_EQ(device_memory.gfx.line_style, 5);

    gfx_select_layer(1);
    gfx_select_layer(3);
    EXPECT_EQ(device_memory.gfx.layer_code, 1);
    EXPECT_EQ(gfx_current_layer(), device_memory.layers[1]);
    gfx_select_layer(0);
    EXPECT_EQ(gfx_current_layer(), device_memory.layers[0]);

    gfx_set_pen_mode(6);
    gfx_set_pen_mode(7);
    EXPECT_EQ(device_memory.gfx.pen_mode, 6);
}

TEST_F(DrawStateTest, DisplayModeInversionPerPolarity) {
    static const struct {
        uint8_t polarity, mode, active;
    } cases[] = {
        {0, 0, 0}, {0, 1, 0}, {0, 2, 1}, {0, 3, 1}, {0, 255, 1},
        {1, 0, 1}, {1, 1, 1}, {1, 2, 0}, {1, 3, 0},
    };
    for (const auto& c : cases) {
        gfx_set_inversion_polarity(c.polarity);
        gfx_set_display_mode(c.mode);
        EXPECT_EQ(device_memory.gfx.inversion_active, c.active)
            << "polarity " << int(c.polarity) << " mode " << int(c.mode);
    }
}

} // namespace
