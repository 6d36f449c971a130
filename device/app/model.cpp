// The application's model: state initialisation, key-driven page selection
// and the per-tick model step.
#include <cmath>

#include "device/app/app.h"
#include "device/app/pages.h"
#include "device/can/can_log.h"
#include "device/can/can_queue.h"
#include "device/can/can_rx_fifo.h"
#include "device/can/remote_io.h"
#include "device/runtime/keys.h"
#include "device/screen/screen.h"
#include "device/services/board.h"
#include "device/services/io_channels.h"
#include "device/services/time_base.h"

static AppState& app() { return app_state; }

/* Page entered by each key, keys 1 to 5. */
static page_fn_t key_page(int key) {
    switch (key) {
    case 1:
        return page_fuel_enter;
    case 2:
        return page_splash_enter;
    case 3:
        return page_engine_a_enter;
    case 4:
        return page_engine_b_enter;
    default:
        return page_gauges_enter;
    }
}

void page_keys(bool current, PageKeyMemory* memory) {
    if (!current) return;
    const uint8_t seen = key_down_mask();
    for (int key = 1; key <= 5; ++key) {
        const uint8_t down = (seen >> (key - 1)) & 1u;
        uint8_t& flag = memory->flag[5 - key];
        // Only a fresh press acts: a key already down when the page became
        // current must be released first. The last key written wins.
        if (down && flag != 1) screen_request_page(key_page(key));
        flag = down;
    }
}

void model_state_init(void) {
    AppState& a = app();
    model_init_nonfinite();
    a.demo_frame_count = 0;
    a.demo = DemoSignals{};
    a.version_page_elapsed = 0;
    screen_request_page(page_splash_enter);
    io_output_off(1); // output 1: state 0, mode 0
    rio_set_analog_output(1, 0.75f);
    for (PageKeyMemory& m : a.page_keys)
        for (uint8_t& f : m.flag) f = 1;
    can_log_model_init();
    a.model_first_step = 1;
    a.version_page_stamp = sys_uptime_ms();
}

uint16_t model_encode_centi(float x) {
    // NaN would make the conversion undefined; it is sent as 0 like a
    // negative value.
    if (std::isnan(x) || x < 0) return 0;
    if (x > 655.35f) return 0xFFFF;
    return static_cast<uint16_t>(static_cast<double>(x) * 100);
}

static bool is_current(page_fn_t update) { return screen_update_handler() == update; }

void model_step(void) {
    AppState& a = app();
    page_keys(is_current(page_splash_update), &a.page_keys[PAGE_SPLASH]);
    demo_signals_compute(&a.demo, a.demo_frame_count);

    uint8_t mailbox[8];
    can_mailbox_700_read(mailbox); // read once; the application has no use for it
    const float analog = rio_analog(1);
    const float supply = rio_supply();

    page_keys(is_current(page_fuel_update), &a.page_keys[PAGE_FUEL]);
    page_keys(is_current(page_gauges_update), &a.page_keys[PAGE_GAUGES]);
    page_keys(is_current(page_engine_a_update), &a.page_keys[PAGE_ENGINE_A]);
    page_keys(is_current(page_engine_b_update), &a.page_keys[PAGE_ENGINE_B]);
    if (a.model_first_step == 1) screen_request_page(page_version_enter);
    page_keys(is_current(page_version_update), &a.page_keys[PAGE_VERSION]);

    uint8_t status[8] = {};
    const uint16_t a1 = model_encode_centi(analog);
    const uint16_t sv = model_encode_centi(supply);
    status[0] = static_cast<uint8_t>(a1);
    status[1] = static_cast<uint8_t>(a1 >> 8);
    status[2] = static_cast<uint8_t>(sv);
    status[3] = static_cast<uint8_t>(sv >> 8);
    can_periodic_tx_set(0x111, 0, 8, status);
    can_log_step();
    rio_set_output_duty(1, 0);
    rio_set_output_duty(2, 1);
    can_log_step_end();

    a.model_first_step = 0;
}
