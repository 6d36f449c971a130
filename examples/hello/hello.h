#pragma once
// A small application of the device framework: two pages switched by keys
// F1 and F2, a value taken from a received CAN frame and a frame of its own
// sent every 100 ms on CAN1.
//
// The tick (app_task_100ms) and the main loop (pages, key handlers,
// app_main_hook) share this state, so every field that both touch is a
// SharedVar: each access is one whole word, never half written.
#include <cstdint>

#include "device/services/shared_var.h"

constexpr uint32_t HELLO_RX_ID = 0x120;     // coolant temperature: byte 0, degrees C + 40
constexpr uint32_t HELLO_TX_ID = 0x310;     // our status frame, every 100 ms on CAN1
constexpr int HELLO_PORT = 0;               // CAN1
constexpr uint32_t HELLO_BITRATE = 250000;  // bit/s
constexpr uint8_t HELLO_RESET_HOLD = 10;    // hold F3 this long (100 ms units) to reset the count
constexpr uint8_t HELLO_NO_VALUE = 0xFF;    // coolant byte before any frame came

struct HelloState {
    SharedVar<uint32_t> tenths;                  // 100 ms steps counted (tick), shown on page 1
    SharedVar<uint8_t> coolant = HELLO_NO_VALUE; // byte 0 of the last HELLO_RX_ID frame
    SharedVar<uint32_t> received;                // HELLO_RX_ID frames received
    SharedVar<uint8_t> sequence;                 // sequence byte of our frame (tick only)
    SharedVar<uint8_t> resets;                   // times the hold of F3 reset the count
};

/* The application's own state; app_reset gives it its power-up values. */
extern HelloState hello;

/* The two pages: enter, static and update handler each. */
void page_hello_enter(void);
void page_hello_static(void);
void page_hello_update(void);
void page_can_enter(void);
void page_can_static(void);
void page_can_update(void);
