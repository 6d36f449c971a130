#include "device/runtime/sys.h"

#include "device/can/can_queue.h"
#include "device/device_memory.h"
#include "device/events/event.h"
#include "device/gfx/gfx.h"
#include "device/gfx/text.h"
#include "device/runtime/app_hooks.h"
#include "device/runtime/call_trace.h"
#include "device/runtime/keys.h"
#include "device/screen/screen.h"
#include "device/services/board.h"
#include "device/services/io_channels.h"
#include "device/services/serial.h"
#include "device/services/time_base.h"
#include "device/storage/eeprom.h"

static SysState& ss() { return device_memory.sys; }

constexpr uint8_t BAR_SLIDING_OUT = 5; // soft-key bar states in which the tick
constexpr uint8_t BAR_SLIDING_END = 6; // slides the key strip off the screen

DisplaySettings* sys_display_settings(void) { return &ss().display; }

uint32_t sys_backlight_duty(uint8_t brightness) {
    if (brightness > 10) brightness = 10;
    return brightness != 0 ? brightness * 25u : 1u;
}

static void hardware_startup(void) {
    TRACE_CALL(board_power_init);
    TRACE_CALL(can_queues_init);
    TRACE_CALL(sys_time_start);
    TRACE_CALL(board_clock_init);
    TRACE_CALL(board_gpio_init);
    TRACE_CALL(board_adc_init);
    TRACE_CALL(eeprom_load);
    TRACE_CALL(board_watchdog_init);
    TRACE_CALL(backlight_output, 255);
    TRACE_CALL(text_build_blend_table);
    uint32_t font_count = 0;
    const FontEntry* fonts = app_font_registry(&font_count);
    TRACE_CALL(text_init, fonts, font_count);
    TRACE_CALL(serial_configure, SERIAL_UART_CHANNEL, 5, 1, 0, 0, uart_receive);
    TRACE_CALL(serial_enable, SERIAL_UART_CHANNEL, 1, 1);
    device_memory.keys.beep_enabled = 0;
    TRACE_CALL(gfx_clear_layers);
}

void sys_init(void) {
    hardware_startup();
    TRACE_CALL(io_reset);
    DisplaySettings& ds = ss().display;
    if (ds.initialised != 1) {
        ds.brightness = 10;
        ds.mode = 1;
        ds.initialised = 1;
    }
    TRACE_CALL(sys_set_event_handler, event_on_host);
    device_memory.time.start_stamp = TRACE_CALL(sys_time_ms);
    TRACE_CALL(app_init);
}

void sys_app_thread_start(void) {
    KeyState& k = device_memory.keys;
    gfx_set_pen_mode(1);
    k.release_events = 0;
    k.press_events = 0;
    k.handled = 0;
    k.hold_flags = 0;
    k.previous = 0;
}

void sys_task_50ms(void) { app_task_50ms(); }

void sys_task_100ms(void) {
    ScreenState& sc = device_memory.screen;
    if (sc.bar_hold > 0) sc.bar_hold.fetch_sub(1);
    app_task_100ms();
    static const uint8_t request[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    can_send(0, 0x421, 0, 8, request); // remote I/O request of type 0
}

void sys_task_500ms(void) { app_task_500ms(); }

void sys_task_1s(void) {
    app_task_1s();
    if (ss().blink_divider > 0) {
        ss().blink_divider.fetch_sub(1);
    } else {
        app_blink_hook();
        ss().blink_divider = 60;
    }
    ss().blink_phase = ss().blink_phase ^ 1;
}

void sys_tick_isr(void) {
    SysState& s = ss();
    KeyState& k = device_memory.keys;
    s.tick_count.fetch_add(1);

    const uint8_t bar = device_memory.screen.bar_state;
    if ((bar == BAR_SLIDING_OUT || bar == BAR_SLIDING_END) && gfx_get_key_bar_rows() > 0) {
        gfx_set_key_bar_rows(gfx_get_key_bar_rows() - 1);
    }
    app_task_10ms();

    if (k.beep_countdown > 0) {
        k.beep_countdown.fetch_sub(1);
        sound_output(1000);
    } else {
        sound_output(0);
    }

    key_scan();

    if (s.div_50ms == 0) {
        s.div_50ms = 5;
        sys_task_50ms();
    }
    s.div_50ms--;

    if (s.div_100ms == 0) {
        s.div_100ms = 10;
        for (int i = 0; i < KEY_COUNT; ++i) {
            if (k.hold_countdown[i] > 0) k.hold_countdown[i].fetch_sub(1);
        }
        sys_task_100ms();
    }
    s.div_100ms--;

    if (s.div_500ms == 0) {
        s.div_500ms = 50;
        sys_task_500ms();
    }
    s.div_500ms--;

    if (s.div_1s == 0) {
        s.div_1s = 100;
        sys_task_1s();
    }
    s.div_1s--;
}

void sys_main_loop_step(void) {
    SysState& s = ss();
    if (s.can_reset_request) {
        TRACE_CALL(can_queues_init);
        s.can_reset_request = 0;
    }
    TRACE_CALL(gfx_set_display_mode, s.display.mode);
    TRACE_CALL(backlight_output, sys_backlight_duty(s.display.brightness));

    ScreenState& sc = device_memory.screen;
    const page_fn_t request = sc.page_request;
    if (request && request != sc.page_entered.load()) {
        TRACE_CALL(request);
        // What was entered is the request just called. A newer request
        // (from the enter function, or from the tick's model step while it
        // ran) still differs from it and is entered on the next iteration;
        // recording the newer one would mark a page entered whose enter
        // function never ran.
        sc.page_entered = request;
    }

    TRACE_CALL(key_dispatch);
    TRACE_CALL(screen_bar_step);
    TRACE_CALL(screen_step);
    TRACE_CALL(gfx_present);
    TRACE_CALL(event_step);
    TRACE_CALL(app_main_hook);
    TRACE_CALL(can_receive_pass);
    TRACE_CALL(can_transmit_pass);
    s.loop_count.fetch_add(1);
}

void sys_set_event_handler(sys_event_handler_t handler) { ss().event_handler = handler; }

void sys_raise_event(int n) {
    if (n > 1) return;
    sys_event_handler_t handler = ss().event_handler;
    if (handler) handler(n);
}

void sys_request_exit(int code) {
    ss().exit_code = code;
    ss().exit_flag = 1;
}

int32_t sys_exit_requested(void) { return ss().exit_flag; }
int32_t sys_exit_code(void) { return ss().exit_code; }

void sys_beep(uint32_t duration, uint32_t frequency) {
    sound_output(frequency);
    device_memory.keys.beep_countdown = static_cast<uint8_t>(duration / 20);
}
