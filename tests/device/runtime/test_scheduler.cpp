#include "device/device_fixture.h"
#include "device/services/serial.h"
#include "device/services/time_base.h"

namespace {

class SchedulerTest : public DeviceTest {};

/* A divider is reloaded (and its task run) exactly on the ticks where it was
 * found at 0; right after such a tick it reads reload - 1. */
TEST_F(SchedulerTest, DividersRunEachTaskOnItsTicks) {
    struct Case {
        uint32_t tick;
        bool t50, t100, t500, t1s;
    };
    static const Case cases[] = {
        {1, true, true, true, true},      {2, false, false, false, false},
        {5, false, false, false, false},  {6, true, false, false, false},
        {11, true, true, false, false},   {21, true, true, false, false},
        {50, false, false, false, false}, {51, true, true, true, false},
        {100, false, false, false, false}, {101, true, true, true, true},
        {201, true, true, true, true},
    };
    const SysState& s = device_memory.sys;
    uint32_t ticks = 0;
    for (const Case& c : cases) {
        while (ticks < c.tick) {
            sys_tick_isr();
            ++ticks;
        }
        SCOPED_TRACE(testing::Message() << "tick " << c.tick);
        EXPECT_EQ(s.div_50ms == 4, c.t50);
        EXPECT_EQ(s.div_100ms == 9, c.t100);
        EXPECT_EQ(s.div_500ms == 49, c.t500);
        EXPECT_EQ(s.div_1s == 99, c.t1s);
    }
}

TEST_F(SchedulerTest, OneSecondTaskCountsBlinkAndTogglesPhase) {
    sys_tick_isr(); // tick 1: first 1 s task
    EXPECT_EQ(device_memory.sys.blink_divider, 59);
    EXPECT_EQ(device_memory.sys.blink_phase, 1);
    for (int i = 0; i < 100; ++i) sys_tick_isr(); // tick 101: second run
    EXPECT_EQ(device_memory.sys.blink_divider, 58);
    EXPECT_EQ(device_memory.sys.blink_phase, 0);
    // The 60th run counts it down to 0; the 61st finds it there and reloads it.
    for (int i = 0; i < 58 * 100; ++i) sys_tick_isr();
    EXPECT_EQ(device_memory.sys.blink_divider, 0);
    for (int i = 0; i < 100; ++i) sys_tick_isr();
    EXPECT_EQ(device_memory.sys.blink_divider, 60);
}

TEST_F(SchedulerTest, HundredMillisecondTaskCountsDownBarHold) {
    device_memory.screen.bar_hold = 2;
    sys_tick_isr();
    EXPECT_EQ(device_memory.screen.bar_hold, 1);
    for (int i = 0; i < 9; ++i) sys_tick_isr();
    EXPECT_EQ(device_memory.screen.bar_hold, 1);
    sys_tick_isr();
    EXPECT_EQ(device_memory.screen.bar_hold, 0);
    for (int i = 0; i < 20; ++i) sys_tick_isr();
    EXPECT_EQ(device_memory.screen.bar_hold, 0);
}

TEST_F(SchedulerTest, TickSlidesKeyBarOnlyWhileBarSlidesOut) {
    gfx_set_key_bar_rows(3);
    device_memory.screen.bar_state = 7;
    sys_tick_isr();
    EXPECT_EQ(gfx_get_key_bar_rows(), 3);
    device_memory.screen.bar_state = 5;
    sys_tick_isr();
    device_memory.screen.bar_state = 6;
    sys_tick_isr();
    sys_tick_isr();
    sys_tick_isr();
    EXPECT_EQ(gfx_get_key_bar_rows(), 0);
}

TEST_F(SchedulerTest, BeepSoundsForItsTicksThenFallsSilent) {
    sys_beep(60, 800); // 60 / 20 = 3 ticks
    EXPECT_EQ(device_memory.board.sound, 800u);
    for (int i = 0; i < 3; ++i) {
        sys_tick_isr();
        EXPECT_EQ(device_memory.board.sound, 1000u);
    }
    sys_tick_isr();
    EXPECT_EQ(device_memory.board.sound, 0u);
}

TEST_F(SchedulerTest, StartupSetsDefaultsAndServices) {
    sys_init();
    const DisplaySettings* ds = sys_display_settings();
    EXPECT_EQ(ds->brightness, 10);
    EXPECT_EQ(ds->mode, 1);
    EXPECT_EQ(ds->initialised, 1);
    EXPECT_EQ(device_memory.board.backlight, 255u);
    EXPECT_EQ(device_memory.board.startup_calls, 5u);
    EXPECT_EQ(device_memory.io.output_frequency, 55);
    EXPECT_EQ(device_memory.sys.can_reset_request, 0);
    EXPECT_EQ(sys_uptime_ms(), 0u);
    int32_t params[4];
    serial_rx_handler_t handler = nullptr;
    ASSERT_EQ(serial_get_config(3, params, &handler), 1);
    EXPECT_EQ(params[0], 5);
    EXPECT_EQ(params[1], 1);
    EXPECT_EQ(params[2], 0);
    EXPECT_EQ(params[3], 0);
    EXPECT_EQ(handler, &uart_receive);
    // Both layers cleared (key colour over the white fill colour).
    for (int i = 0; i < GFX_WIDTH * GFX_SCREEN_ROWS; ++i) {
        ASSERT_EQ(device_memory.layers[0][i], 0xFFFF) << i;
        ASSERT_EQ(device_memory.layers[1][i], 0xFFFF) << i;
    }
}

TEST_F(SchedulerTest, StartupKeepsDisplaySettingsOnceInitialised) {
    DisplaySettings* ds = sys_display_settings();
    ds->initialised = 1;
    ds->brightness = 3;
    ds->mode = 0;
    sys_init();
    EXPECT_EQ(ds->brightness, 3);
    EXPECT_EQ(ds->mode, 0);
}

TEST_F(SchedulerTest, BacklightFollowsBrightness) {
    static const struct {
        uint8_t brightness;
        uint32_t duty;
    } cases[] = {{0, 1}, {1, 25}, {4, 100}, {10, 250}, {11, 250}, {255, 250}};
    sys_init();
    for (const auto& c : cases) {
        EXPECT_EQ(sys_backlight_duty(c.brightness), c.duty) << int(c.brightness);
        sys_display_settings()->brightness = c.brightness;
        LoopStep();
        EXPECT_EQ(device_memory.board.backlight, c.duty) << int(c.brightness);
    }
}

TEST_F(SchedulerTest, MainLoopAppliesDisplayModeToInversion) {
    sys_init();
    gfx_set_inversion_enable(1);
    sys_display_settings()->mode = 2;
    LoopStep(); // composes frame 1
    EXPECT_EQ(device_memory.frames[1][0], 0x0000); // white screen inverted
    sys_display_settings()->mode = 1;
    LoopStep(); // composes frame 0
    EXPECT_EQ(device_memory.frames[0][0], 0xFFFF);
}

TEST_F(SchedulerTest, MainLoopRequeuesCanOnlyOnRequest) {
    sys_init();
    LoopStep();
    EXPECT_EQ(device_memory.sys.can_reset_request, 0);
    device_memory.sys.can_reset_request = 1;
    LoopStep();
    EXPECT_EQ(device_memory.sys.can_reset_request, 0);
}

int g_entered_a = 0;
int g_entered_b = 0;
void page_b_enter() { ++g_entered_b; }
/* Changes the request while it runs, as its own redirect or a tick's model
 * step preempting it would. */
void page_a_enter() {
    ++g_entered_a;
    device_memory.screen.page_request = page_b_enter;
}

TEST_F(SchedulerTest, RequestChangedDuringAnEnterIsEnteredOnTheNextIteration) {
    g_entered_a = g_entered_b = 0;
    sys_init();
    device_memory.screen.page_request = page_a_enter;
    LoopStep();
    EXPECT_EQ(g_entered_a, 1);
    EXPECT_EQ(g_entered_b, 0);
    EXPECT_EQ(device_memory.screen.page_entered.load(), &page_a_enter)
        << "a page must not be recorded as entered before its enter function ran";
    LoopStep();
    EXPECT_EQ(g_entered_b, 1);
    EXPECT_EQ(device_memory.screen.page_entered.load(), &page_b_enter);
    LoopStep();
    LoopStep();
    EXPECT_EQ(g_entered_a, 1); // each request is acted on once
    EXPECT_EQ(g_entered_b, 1);
}

int g_event_calls = 0;
int g_last_event = -1;
void record_event(int n) {
    ++g_event_calls;
    g_last_event = n;
}

TEST_F(SchedulerTest, RaiseEventPassesOnlyZeroAndOne) {
    g_event_calls = 0;
    sys_raise_event(0); // no handler: nothing
    EXPECT_EQ(g_event_calls, 0);
    sys_set_event_handler(record_event);
    sys_raise_event(2);
    EXPECT_EQ(g_event_calls, 0);
    sys_raise_event(1);
    EXPECT_EQ(g_event_calls, 1);
    EXPECT_EQ(g_last_event, 1);
    sys_raise_event(0);
    EXPECT_EQ(g_last_event, 0);
}

TEST_F(SchedulerTest, ExitRequestStoresCode) {
    EXPECT_EQ(sys_exit_requested(), 0);
    sys_request_exit(7);
    EXPECT_EQ(sys_exit_requested(), 1);
    EXPECT_EQ(sys_exit_code(), 7);
}

TEST_F(SchedulerTest, ResetRestoresEveryInitialValue) {
    sys_init();
    Run(5000);
    gfx_fill_rect(0, 0, 10, 10);
    device_memory_reset();
    EXPECT_EQ(device_memory.gfx.layer_code, 2);
    EXPECT_EQ(device_memory.gfx.frame_index, 1u);
    EXPECT_EQ(device_memory.gfx.frame_shown, 1u);
    EXPECT_EQ(device_memory.sys.blink_divider, 60);
    EXPECT_EQ(device_memory.sys.can_reset_request, 1);
    EXPECT_EQ(device_memory.keys.hold_armed, 1);
    EXPECT_EQ(device_memory.time.origin, 0u);
    EXPECT_EQ(device_memory.screen.page_request.load(), nullptr);
    EXPECT_EQ(device_memory.layers[1][0], 0);
    EXPECT_EQ(device_memory.frames[0][0], 0);
}

} // namespace
