#include "device/runtime/keys.h"

#include "device/device_memory.h"
#include "device/runtime/sys.h"

static KeyState& ks() { return device_memory.keys; }

/* Lowest key index whose bit is set in mask; mask must not be 0. */
static int lowest_key(uint8_t mask) {
    int i = 0;
    while (!(mask & (1u << i))) ++i;
    return i;
}

void key_scan(void) {
    KeyState& k = ks();
    const uint8_t cur = k.key_input.load();
    const uint8_t prev = k.previous.load();
    for (int i = 0; i < KEY_COUNT; ++i) {
        const uint8_t b = static_cast<uint8_t>(1u << i);
        const bool down = cur & b;
        const bool new_press = down && !(prev & b);
        if (new_press) k.hold_countdown[i] = k.hold_time[i].load();
        if (k.hold_countdown[i] == 1 && down) k.hold_flags.fetch_or(b);
        if (new_press && !(k.handled.load() & b)) {
            k.press_events.fetch_or(b);
            if (k.beep_enabled) sys_beep(200, 800);
        }
        if (!(k.hold_flags.load() & b) && !down && (prev & b)) {
            // Release of a short press; a hold ends without a release event.
            k.release_events.fetch_or(b);
            k.hold_countdown[i] = 0;
        }
        if ((k.hold_flags.load() & b) && !down) k.hold_flags.fetch_and(static_cast<uint8_t>(~b));
        if ((k.handled.load() & b) && !down) k.handled.fetch_and(static_cast<uint8_t>(~b));
    }
    k.previous = cur;
}

void key_dispatch(void) {
    KeyState& k = ks();
    const uint8_t presses = k.press_events.load();

    // Keys 1-4 down together (key 5 not): display defaults, no press handler.
    if (static_cast<uint8_t>(presses | k.handled.load()) == KEY_COMBO_MASK) {
        k.press_events.fetch_and(static_cast<uint8_t>(~KEY_COMBO_MASK));
        k.handled.fetch_or(KEY_COMBO_MASK);
        DisplaySettings* ds = sys_display_settings();
        ds->brightness = 10;
        ds->mode = 2;
        return;
    }

    // While any key is held, presses wait and releases are discarded.
    const uint8_t holds = k.hold_flags.load();
    if (holds) {
        k.release_events = 0;
        const int i = lowest_key(holds);
        if (k.bindings[i].hold && k.hold_armed == 1) {
            k.bindings[i].hold();
            k.hold_armed = 0;
            k.hold_countdown[i] = k.hold_time[i].load();
        }
        return;
    }

    const uint8_t pending = static_cast<uint8_t>(presses & ~k.handled.load() & 0x1F);
    if (pending) {
        k.hold_armed = 1;
        const int i = lowest_key(pending);
        const uint8_t b = static_cast<uint8_t>(1u << i);
        k.handled.fetch_or(b);
        k.press_events.fetch_and(static_cast<uint8_t>(~b));
        if (k.bindings[i].press) {
            k.bindings[i].press();
            return;
        }
        // No press handler: a release that already arrived is handled now.
        if ((k.release_events.load() & b) && k.bindings[i].release) {
            k.release_events.fetch_and(static_cast<uint8_t>(~b));
            k.bindings[i].release();
        }
        return;
    }

    const uint8_t releases = k.release_events.load() & 0x1F;
    if (releases) {
        const int i = lowest_key(releases);
        k.release_events.fetch_and(static_cast<uint8_t>(~(1u << i)));
        if (k.bindings[i].release) k.bindings[i].release();
    }
}

void key_set_press_handler(key_handler_t handler, uint8_t index) {
    if (index < KEY_COUNT) ks().bindings[index].press = handler;
}

void key_set_hold_handler(key_handler_t handler, uint8_t index, uint8_t hold_time) {
    if (index >= KEY_COUNT) return;
    ks().bindings[index].hold = handler;
    ks().hold_time[index] = hold_time;
}

void key_set_release_handler(key_handler_t handler, uint8_t index) {
    if (index < KEY_COUNT) ks().bindings[index].release = handler;
}

void key_clear_handlers(void) {
    for (int i = 0; i < KEY_COUNT; ++i) {
        ks().bindings[i].press = nullptr;
        ks().bindings[i].release = nullptr;
        ks().bindings[i].hold = nullptr;
        ks().hold_time[i] = KEY_DEFAULT_HOLD_TIME;
    }
}

uint8_t key_down_mask(void) { return ks().press_events | ks().handled; }

void key_input_set(int key, int pressed) {
    if (key < 1 || key > KEY_COUNT) return;
    const uint8_t bit = static_cast<uint8_t>(1u << (key - 1));
    if (pressed) {
        ks().key_input.fetch_or(bit);
    } else {
        ks().key_input.fetch_and(static_cast<uint8_t>(~bit));
    }
}

uint8_t key_input_get(void) { return ks().key_input.load(); }
