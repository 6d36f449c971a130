#include <cmath>

#include "device/app/app.h"
#include "device/app/images.h"
#include "device/app/page_draw.h"
#include "device/app/pages.h"
#include "device/device_fixture.h"
#include "device/gfx/image.h"
#include "device/runtime/sys.h"
#include "device/gfx/gfx_helpers.h"

namespace {

class NeedleTest : public DeviceTest {
  protected:
    void SetUp() override {
        DeviceTest::SetUp();
        gfx_select_layer(0);
        fill_layer(0, 0xFFFF);
    }
};

TEST_F(NeedleTest, DeflectionColourAndClamp) {
    static const struct {
        const NeedleGauge* gauge;
        double value;
        double deflection;
        uint16_t colour;
    } cases[] = {
        {&GAUGE_LARGE, 50, 50, COLOUR_IN_RANGE},
        {&GAUGE_LARGE, -10, 0, COLOUR_OUT_RANGE},  // -7.6 clamped
        {&GAUGE_LARGE, 150, 100, COLOUR_OUT_RANGE}, // 146 clamped
        {&GAUGE_LARGE, 0, 2, COLOUR_IN_RANGE},
        {&GAUGE_LARGE, 100, 98, COLOUR_IN_RANGE},
        {&GAUGE_BATTERY, 14, 32.8, COLOUR_IN_RANGE},
        {&GAUGE_BATTERY, 9.5, 0.4, COLOUR_OUT_RANGE},
        {&GAUGE_BATTERY, 10, 4, COLOUR_IN_RANGE},
        {&GAUGE_BATTERY, 20, 76, COLOUR_IN_RANGE},
        {&GAUGE_AMBIENT, -20, 4, COLOUR_IN_RANGE},
        {&GAUGE_COOLANT, 200, 76, COLOUR_IN_RANGE},
        {&GAUGE_OIL, 300, 80, COLOUR_OUT_RANGE},
        {&GAUGE_ENGINE_SPEED, 2000, 81, COLOUR_IN_RANGE},
        {&GAUGE_ENGINE_SPEED, 2100, 84.85, COLOUR_OUT_RANGE},
        {&GAUGE_ENGINE_SPEED, 2104, 85, COLOUR_OUT_RANGE},
        {&GAUGE_ENGINE_SPEED, 5000, 85, COLOUR_OUT_RANGE},
        {&GAUGE_LARGE, NAN, 0, COLOUR_OUT_RANGE},
    };
    for (const auto& c : cases) {
        EXPECT_NEAR(needle_deflection(*c.gauge, c.value), c.deflection, 1e-9) << c.value;
        needle_set_colour(*c.gauge, c.value);
        EXPECT_EQ(device_memory.gfx.pen_colour, c.colour) << c.value;
    }
}

TEST_F(NeedleTest, FuelNeedleAtFiftyPointsStraightUp) {
    needle_draw(GAUGE_LARGE, 135, 180, 50);
    EXPECT_EQ(pixel(0, 135, 180), COLOUR_IN_RANGE);
    EXPECT_EQ(pixel(0, 135, 25), COLOUR_IN_RANGE);
    EXPECT_EQ(pixel(0, 133, 25), COLOUR_IN_RANGE); // five pixels wide
    EXPECT_EQ(pixel(0, 135, 24), 0xFFFF);
    EXPECT_EQ(pixel(0, 135, 181), 0xFFFF);
}

TEST_F(NeedleTest, BatteryFourteenLeansLeftOfUp) {
    needle_draw(GAUGE_BATTERY, 58, 214, 14);
    const GfxPoint end = gfx_rotate_point(58, 214, 58 + 88, 214, -97.2f);
    EXPECT_EQ(pixel(0, end.x, end.y), COLOUR_IN_RANGE);
    EXPECT_LT(end.x, 58);
}

TEST_F(NeedleTest, EndPointOffTheScreenIsPulledOntoTheEdge) {
    // A large needle at -140 degrees from a pivot near the left edge ends
    // left of column 0: the line is drawn to column 0, not dropped.
    needle_draw(GAUGE_LARGE, 20, 180, -10);
    const GfxPoint end = gfx_rotate_point(20, 180, 20 + 155, 180, -140.0f);
    ASSERT_LT(end.x, 0);
    EXPECT_EQ(pixel(0, 0, end.y + 0), COLOUR_OUT_RANGE);
    // Engine speed above range: held at 85, the last mark.
    fill_layer(0, 0xFFFF);
    needle_draw(GAUGE_ENGINE_SPEED, 58, 213, 9999);
    const GfxPoint held = gfx_rotate_point(58, 213, 58 + 88, 213, -45.0f);
    EXPECT_EQ(pixel(0, held.x, held.y), COLOUR_OUT_RANGE);
}

TEST(DemoSignals, FollowTheMainLoopCount) {
    DemoSignals s;
    demo_signals_compute(&s, 0);
    EXPECT_DOUBLE_EQ(s.fuel_gauge, 50);
    EXPECT_DOUBLE_EQ(s.aux_b1, 140);
    EXPECT_DOUBLE_EQ(s.aux_b2, 5);
    EXPECT_DOUBLE_EQ(s.aux_a1, 40000);
    EXPECT_DOUBLE_EQ(s.aux_a2, 1545.4);
    EXPECT_DOUBLE_EQ(s.engine_speed, 1200);
    EXPECT_DOUBLE_EQ(s.battery, 14);
    EXPECT_EQ(s.ind_a, 1); // sin(pi/2) + 1 > 1
    EXPECT_EQ(s.ind_b, 0); // sin(0) + 1 is not > 1
    const uint32_t k = 1000;
    demo_signals_compute(&s, k);
    EXPECT_DOUBLE_EQ(s.fuel_gauge, std::sin(k * 0.02) * 33 + 50);
    EXPECT_DOUBLE_EQ(s.ambient, std::sin(k * 0.02 * 0.5) * 60 + 20);
    EXPECT_DOUBLE_EQ(s.coolant, std::sin(k * 0.02 * 0.5) * 30 + 100);
    EXPECT_DOUBLE_EQ(s.oil_pressure, std::sin(k * 0.02 * 0.3) * 10 + 20);
    EXPECT_DOUBLE_EQ(s.main_gauge, std::sin(k * 0.02 * 0.3) * 22 + 23);
    EXPECT_DOUBLE_EQ(s.fuel_econ, std::sin(k * 0.02 * 0.5) + 1.5);
    EXPECT_EQ(s.ind_b, std::sin(k * 0.02) + 1 > 1 ? 1 : 0);
}

/* Share of the pixels of the colour image that layer 0 shows at (x, y). */
double shown_share(const ImageResource* image, int x, int y) {
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(image);
    auto word = [bytes](int at) {
        return static_cast<int32_t>(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | bytes[at + 3] << 24);
    };
    const int w = word(4), h = word(8);
    int same = 0;
    for (int r = 0; r < h; ++r) {
        for (int c = 0; c < w; ++c) {
            const uint8_t* p = bytes + IMAGE_COLOUR_HEADER_BYTES + 2 * (r * w + c);
            same += pixel(0, x + c, y + r) == (p[0] | p[1] << 8);
        }
    }
    return static_cast<double>(same) / (w * h);
}

TEST(Indicators, EachWarningFlagDrivesItsOwnIconAndTheGaugesPageFollowsTheAmbient) {
    // Main loop counts at which the demo model sets one flag alone (or the
    // ambient temperature is above or below 0 with the flags the other way).
    static const struct {
        const char* page;
        page_fn_t enter;
        uint32_t count;
        uint8_t ind_a, ind_b; // the model's flags at that count
        bool ambient_above_zero;
        bool icon_1, icon_2; // expected on the screen
    } cases[] = {
        {"fuel", page_fuel_enter, 400, 0, 1, false, true, false},
        {"fuel", page_fuel_enter, 550, 1, 0, false, false, true},
        {"engine_a", page_engine_a_enter, 400, 0, 1, false, true, false},
        {"engine_a", page_engine_a_enter, 550, 1, 0, false, false, true},
        {"engine_b", page_engine_b_enter, 400, 0, 1, false, true, false},
        {"engine_b", page_engine_b_enter, 550, 1, 0, false, false, true},
        {"gauges", page_gauges_enter, 250, 0, 0, true, true, true},
        {"gauges", page_gauges_enter, 400, 0, 1, false, false, false},
        {"gauges", page_gauges_enter, 480, 1, 0, false, false, false},
    };
    for (const auto& c : cases) {
        device_memory_reset();
        svc_clock_use_virtual(0x10000);
        sys_init();
        sys_app_thread_start();
        sys_tick_isr(); // the first model step and its version request are over
        device_memory.screen.page_request = c.enter;
        app_state.demo_frame_count = c.count;
        sys_tick_isr(); // the model computes the signals at that count
        const DemoSignals& s = app_state.demo;
        ASSERT_EQ(s.ind_a, c.ind_a) << c.page << " at " << c.count;
        ASSERT_EQ(s.ind_b, c.ind_b) << c.page << " at " << c.count;
        ASSERT_EQ(s.ambient > 0, c.ambient_above_zero) << c.page << " at " << c.count;
        sys_main_loop_step(); // enters the page and draws it
        ASSERT_EQ(device_memory.screen.page_entered.load(), c.enter) << c.page;
        // A shown icon covers its place completely; an absent one leaves
        // little of it (only pixels that happen to match).
        EXPECT_EQ(shown_share(img_indicator_1, 278, 30) == 1.0, c.icon_1) << c.page << " at " << c.count;
        EXPECT_EQ(shown_share(img_indicator_2, 279, 90) == 1.0, c.icon_2) << c.page << " at " << c.count;
        EXPECT_LT(shown_share(img_indicator_1, 278, 30), c.icon_1 ? 1.1 : 0.5) << c.page;
        EXPECT_LT(shown_share(img_indicator_2, 279, 90), c.icon_2 ? 1.1 : 0.5) << c.page;
    }
}

} // namespace
