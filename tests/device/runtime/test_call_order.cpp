// The order of the start-up sequence and of the main loop's steps, read from
// the device's call trace: every step runs for real and notes which
// function it called.
#include <string>
#include <vector>

#include "device/app/app.h"
#include "device/app/pages.h"
#include "device/can/can_adapter.h"
#include "device/can/can_queue.h"
#include "device/device_fixture.h"
#include "device/events/event.h"
#include "device/gfx/text.h"
#include "device/runtime/call_trace.h"
#include "device/runtime/keys.h"
#include "device/services/board.h"
#include "device/services/io_channels.h"
#include "device/services/serial.h"
#include "device/services/time_base.h"
#include "device/storage/eeprom.h"
#include "device/storage/params.h"

namespace {

struct Named {
    call_trace_fn_t fn;
    const char* name;
};

template <typename R, typename... P> Named named(R (*fn)(P...), const char* name) {
    return {reinterpret_cast<call_trace_fn_t>(fn), name};
}
#define NAMED(fn) named(fn, #fn)

/* Every function a traced call site may name. */
const std::vector<Named>& known() {
    static const std::vector<Named> table = {
        NAMED(board_power_init),
        NAMED(can_queues_init),
        NAMED(sys_time_start),
        NAMED(board_clock_init),
        NAMED(board_gpio_init),
        NAMED(board_adc_init),
        NAMED(eeprom_load),
        NAMED(board_watchdog_init),
        NAMED(backlight_output),
        NAMED(text_build_blend_table),
        NAMED(text_init),
        NAMED(serial_configure),
        NAMED(serial_enable),
        NAMED(gfx_clear_layers),
        NAMED(io_reset),
        NAMED(sys_set_event_handler),
        NAMED(sys_time_ms),
        NAMED(app_init),
        NAMED(params_load),
        NAMED(can_app_rx_reset),
        NAMED(can_set_bitrate),
        NAMED(can_open),
        NAMED(model_state_init),
        NAMED(app_main_hook),
        NAMED(gfx_set_display_mode),
        NAMED(key_dispatch),
        NAMED(screen_bar_step),
        NAMED(screen_step),
        NAMED(gfx_present),
        NAMED(event_step),
        NAMED(can_receive_pass),
        NAMED(can_transmit_pass),
        NAMED(page_version_enter),
        NAMED(page_fuel_enter),
    };
    return table;
}

/* The trace as names, so that a failure shows what ran. */
std::vector<std::string> traced() {
    std::vector<std::string> names;
    const CallTrace& t = device_memory.trace;
    for (int i = 0; i < t.count; ++i) {
        std::string name = "(unknown)";
        for (const Named& n : known()) {
            if (n.fn == t.calls[i]) name = n.name;
        }
        names.push_back(name);
    }
    return names;
}

class CallOrderTest : public DeviceTest {};

TEST_F(CallOrderTest, StartUpRunsHardwareThenFrameworkThenApplication) {
    call_trace_start();
    sys_init();
    call_trace_stop();
    const std::vector<std::string> expected = {
        // hardware start-up
        "board_power_init", "can_queues_init", "sys_time_start", "board_clock_init",
        "board_gpio_init", "board_adc_init", "eeprom_load", "board_watchdog_init",
        "backlight_output", "text_build_blend_table", "text_init", "serial_configure",
        "serial_enable", "gfx_clear_layers",
        // framework
        "io_reset", "sys_set_event_handler", "sys_time_ms", "app_init",
        // application (inside app_init)
        "params_load", "can_app_rx_reset", "can_app_rx_reset", "can_set_bitrate", "can_open",
        "can_set_bitrate", "can_open", "model_state_init", "app_main_hook"};
    EXPECT_EQ(traced(), expected);
}

TEST_F(CallOrderTest, MainLoopRunsItsStepsInOrderAndTheConditionalOnesOnlyWhenDue) {
    sys_init();
    sys_app_thread_start();
    sys_tick_isr(); // the first model step requests the version page
    device_memory.sys.can_reset_request = 1;
    call_trace_start();
    LoopStep();
    const std::vector<std::string> first = {
        "can_queues_init", "gfx_set_display_mode", "backlight_output", "page_version_enter",
        "key_dispatch",    "screen_bar_step",      "screen_step",      "gfx_present",
        "event_step",      "app_main_hook",        "can_receive_pass", "can_transmit_pass"};
    EXPECT_EQ(traced(), first);

    call_trace_start(); // no reset request, the page already entered
    LoopStep();
    const std::vector<std::string> next = {
        "gfx_set_display_mode", "backlight_output", "key_dispatch", "screen_bar_step",
        "screen_step",          "gfx_present",      "event_step",   "app_main_hook",
        "can_receive_pass",     "can_transmit_pass"};
    EXPECT_EQ(traced(), next);
    call_trace_stop();
}

TEST_F(CallOrderTest, NothingIsNotedUnlessSwitchedOn) {
    sys_init();
    LoopStep();
    EXPECT_EQ(device_memory.trace.count, 0);
    call_trace_start();
    for (int i = 0; i < 10; ++i)
        LoopStep(); // more than the trace holds
    EXPECT_EQ(device_memory.trace.count, CALL_TRACE_CAPACITY);
}

} // namespace
