#pragma once
// Key pipeline: key_scan turns the raw key bits into press, release and hold
// events on the tick; key_dispatch runs at most one handler per main loop
// iteration. Keys are numbered 1-5; key k is bit k-1 of every key byte.
#include <cstdint>

#include "device/services/shared_var.h"

constexpr int KEY_COUNT = 5;
constexpr uint8_t KEY_DEFAULT_HOLD_TIME = 20; // 100 ms units
constexpr uint8_t KEY_COMBO_MASK = 0x0F;      // keys 1-4 together

typedef void (*key_handler_t)(void);

struct KeyBinding {
    key_handler_t press;   // runs on a dispatched press
    key_handler_t release; // runs on the release of a short press
    key_handler_t hold;    // runs once when the key is held long enough
    key_handler_t bar_a;   // soft-key bar slots, unused by this application
    key_handler_t bar_b;
};

struct KeyState {
    SharedVar<uint8_t> key_input;               // raw key state, written only by the host
    SharedVar<uint8_t> previous;                // key_input as seen by the last key scan
    SharedVar<uint8_t> press_events;            // presses not yet dispatched
    SharedVar<uint8_t> release_events;          // releases of short presses not yet dispatched
    SharedVar<uint8_t> handled;                 // dispatched presses whose key is still down
    SharedVar<uint8_t> hold_flags;              // keys held long enough to count as a hold
    SharedVar<uint8_t> hold_countdown[KEY_COUNT]; // per key, 100 ms steps while down
    SharedVar<uint8_t> hold_time[KEY_COUNT];    // reload of the hold countdown (100 ms units)
    SharedVar<uint8_t> hold_armed = 1;          // a hold handler may run
    SharedVar<uint8_t> beep_enabled = 0;        // key_beep_enabled: beep on every press
    SharedVar<uint8_t> beep_countdown = 0;      // remaining ticks of a beep
    KeyBinding bindings[KEY_COUNT] = {};        // indexed by key number - 1
};

void key_scan(void);
void key_dispatch(void);
void key_set_press_handler(key_handler_t handler, uint8_t index);
void key_set_hold_handler(key_handler_t handler, uint8_t index, uint8_t hold_time);
void key_set_release_handler(key_handler_t handler, uint8_t index);
void key_clear_handlers(void);
/* Keys whose press the key scan has seen and that are not released yet
 * (press events | handled keys), bit k-1 for key k. */
uint8_t key_down_mask(void);

/* Host side of the raw key bits (key 1-5); other numbers are ignored. */
void key_input_set(int key, int pressed);
uint8_t key_input_get(void);
