// The screen manager: page entry, the enter protocol, the drawing passes
// and the names of pages.
#include <string>

#include "device/device_fixture.h"
#include "device/runtime/keys.h"
#include "device/screen/screen.h"

namespace {

std::string g_trace;
void trace_static() { g_trace += 'S'; }
void trace_update() { g_trace += 'U'; }
void trace_overlay() { g_trace += 'O'; }
int g_enters = 0;
void trace_page_enter() {
    ++g_enters;
    screen_enter_page(trace_static, trace_update);
}
void other_page_enter() { screen_enter_page(nullptr, nullptr); }

class ScreenManagerTest : public DeviceTest {
  protected:
    void SetUp() override {
        DeviceTest::SetUp();
        g_trace.clear();
        g_enters = 0;
    }
};

TEST_F(ScreenManagerTest, FullRedrawRunsStaticBeforeUpdateOnce) {
    device_memory.screen.page_request = trace_page_enter;
    LoopStep();
    LoopStep();
    LoopStep();
    EXPECT_EQ(g_trace, "SUUU");
    EXPECT_EQ(g_enters, 1);
}

TEST_F(ScreenManagerTest, RequestingTheEnteredPageDoesNothing) {
    device_memory.screen.page_request = trace_page_enter;
    LoopStep();
    device_memory.screen.page_request = trace_page_enter;
    LoopStep();
    EXPECT_EQ(g_enters, 1);
    EXPECT_EQ(g_trace, "SUU");
    // Another page in between makes it enterable again.
    device_memory.screen.page_request = other_page_enter;
    LoopStep();
    device_memory.screen.page_request = trace_page_enter;
    LoopStep();
    EXPECT_EQ(g_enters, 2);
    EXPECT_EQ(g_trace, "SUUSU");
}

TEST_F(ScreenManagerTest, EnterClearsKeysAndSettlesTheBar) {
    key_set_press_handler(trace_static, 0);
    key_set_hold_handler(trace_static, 1, 5);
    gfx_set_key_bar_rows(9);
    device_memory.screen.bar_hold = 4;
    screen_set_overlay(trace_overlay);
    device_memory.screen.page_request = trace_page_enter;
    LoopStep();
    EXPECT_EQ(device_memory.keys.bindings[0].press, nullptr);
    EXPECT_EQ(device_memory.keys.hold_time[1], KEY_DEFAULT_HOLD_TIME);
    EXPECT_EQ(device_memory.screen.bar_state, SCREEN_BAR_IDLE);
    EXPECT_EQ(gfx_get_key_bar_rows(), 0);
    EXPECT_EQ(device_memory.screen.bar_hold, 0);
    EXPECT_EQ(device_memory.screen.overlay_handler, nullptr); // removed by the enter
    EXPECT_EQ(g_trace, "SU");
}

TEST_F(ScreenManagerTest, OverlayRunsAfterUpdateUntilRemoved) {
    screen_set_draw_handlers(nullptr, trace_update);
    screen_set_overlay(trace_overlay);
    screen_step();
    screen_set_overlay(nullptr);
    EXPECT_EQ(device_memory.screen.overlay_handler, trace_overlay); // goes at the next step
    screen_step();
    EXPECT_EQ(g_trace, "UOU");
}

TEST_F(ScreenManagerTest, RequestedPageIsEnteredAndBecomesCurrent) {
    screen_request_page(trace_page_enter);
    EXPECT_EQ(screen_update_handler(), nullptr); // only the next iteration enters it
    LoopStep();
    EXPECT_EQ(screen_update_handler(), &trace_update);
    EXPECT_EQ(device_memory.screen.page_entered.load(), &trace_page_enter);
}

TEST_F(ScreenManagerTest, PagesTheApplicationDoesNotNameAreUnknown) {
    EXPECT_STREQ(screen_page_name(nullptr), "none");
    EXPECT_STREQ(screen_page_name(trace_page_enter), "unknown");
}

} // namespace
