// Wild coordinates must never reach memory outside the drawing layer: every
// other buffer keeps its sentinel, and the sanitizer build watches the edges
// of DeviceMemory itself.
#include <functional>
#include <vector>

#include "device/device_fixture.h"
#include "device/gfx/gfx_helpers.h"

namespace {

constexpr uint16_t kSentinel = 0xA5A5;
constexpr uint32_t kMinus1 = 0xFFFFFFFFu;
constexpr uint32_t kMinus2 = 0xFFFFFFFEu;

class BoundsTest : public DeviceTest {
  protected:
    void SetUp() override {
        DeviceTest::SetUp();
        fill_sentinels();
        gfx_set_pen_colour(0x0F0F);
        gfx_set_fill_colour(0x0F0F);
        gfx_set_alt_colour(0x0F0F);
    }
    static void fill_sentinels() {
        for (uint16_t& p : device_memory.layers[0]) p = kSentinel;
        for (uint16_t& p : device_memory.layers[1]) p = kSentinel;
        for (uint16_t& p : device_memory.frames[0]) p = kSentinel;
        for (uint16_t& p : device_memory.frames[1]) p = kSentinel;
    }
    static bool untouched(const uint16_t* buf, int count) {
        for (int i = 0; i < count; ++i)
            if (buf[i] != kSentinel) return false;
        return true;
    }
};

struct WildCall {
    const char* name;
    std::function<void()> draw;
};

std::vector<WildCall> wild_calls() {
    std::vector<WildCall> calls;
    const uint32_t coords[] = {0, 319, 320, 287, 288, 400, 65535, 65536, 70000, kMinus2, kMinus1};
    for (uint32_t a : coords) {
        for (uint32_t b : coords) {
            calls.push_back({"fill_rect", [=] { gfx_fill_rect(a, b, b, a); }});
            calls.push_back({"pen_rect", [=] { gfx_pen_rect(a, a, b, b); }});
            calls.push_back({"pen_span", [=] { gfx_pen_span(a, b, 10); }});
            calls.push_back({"line", [=] { gfx_line(a, b, 5, 5); }});
            calls.push_back({"line_edge", [=] { gfx_line(a, 0, b, 287); }});
            calls.push_back({"hline", [=] { gfx_hline(a, b, 300); }});
            calls.push_back({"vline", [=] { gfx_vline(a, b, 0); }});
        }
    }
    return calls;
}

TEST_F(BoundsTest, WildCoordinatesStayInsideTheLayer) {
    const auto calls = wild_calls();
    for (uint16_t layer_code : {0, 1}) {
        for (uint8_t width : {1, 3, 4}) {
            for (uint8_t style : {0, 1, 2}) {
                fill_sentinels();
                gfx_select_layer(layer_code);
                gfx_set_line_style(style, width);
                for (const WildCall& c : calls) c.draw();
                const int other = layer_code == 1 ? 0 : 1;
                ASSERT_TRUE(untouched(device_memory.layers[other], GFX_LAYER_PIXELS))
                    << "layer code " << layer_code << " width " << int(width) << " style " << int(style);
                ASSERT_TRUE(untouched(device_memory.frames[0], GFX_FRAME_PIXELS));
                ASSERT_TRUE(untouched(device_memory.frames[1], GFX_FRAME_PIXELS));
            }
        }
    }
}

TEST_F(BoundsTest, RowsDoNotSpillIntoTheNextRow) {
    gfx_select_layer(0);
    gfx_fill_rect(300, 5, 400, 5);
    gfx_set_line_style(0, 4);
    gfx_hline(310, 10, 1000);
    gfx_line(300, 20, 500, 20);
    for (int y : {5, 10, 20}) {
        EXPECT_EQ(pixel(0, 319, y), 0x0F0F) << y;
        EXPECT_EQ(pixel(0, 0, y + 1), kSentinel) << y; // nothing wrapped to the next row
    }
}

TEST_F(BoundsTest, WidthPixelsBeyondAnEdgeAreDroppedAndTheRestDrawn) {
    gfx_select_layer(1);
    gfx_set_line_style(0, 4);
    gfx_hline(0, 0, 3); // rows -2 and -1 fall outside
    EXPECT_EQ(pixel(1, 0, 2), 0x0F0F);
    EXPECT_EQ(pixel(1, 3, 0), 0x0F0F);
    gfx_vline(319, 100, 100); // columns 320 and 321 fall outside
    EXPECT_EQ(pixel(1, 317, 100), 0x0F0F);
    EXPECT_EQ(pixel(1, 0, 101), kSentinel);
    gfx_hline(0, 287, 3); // bottom row of the layer's storage
    EXPECT_EQ(pixel(1, 2, 285), 0x0F0F);
}

} // namespace
