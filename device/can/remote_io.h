#pragma once
// Remote I/O protocol and the periodic status frame.
//
// The device commands its remote I/O unit with standard frames 0x421 on
// port 0 and keeps what the unit answers in standard frames 0x422 (handed
// over by the receive dispatch). The value store is written by the main
// loop (rio_handle_reply) and read by the tick (the model step): every value
// is one atomic word, a counter's value and flag share one, so no reader can
// see a value half replaced.
#include <cstdint>

#include "device/can/can_queue.h"
#include "device/services/shared_var.h"

constexpr uint16_t RIO_COMMAND_ID = 0x421;
constexpr int RIO_ANALOG_CHANNELS = 8;
constexpr int RIO_INPUT_CHANNELS = 5;
constexpr int RIO_COUNTER_CHANNELS = 3;
constexpr uint32_t RIO_STATUS_PERIOD_MS = 200; // the periodic frame leaves this often
constexpr uint32_t RIO_TICK_MS = 10;

/* Reply types and what they store. */
enum RioReply : uint8_t {
    RIO_REPLY_ANALOG = 5,
    RIO_REPLY_SUPPLY = 6,
    RIO_REPLY_READING_A = 7,
    RIO_REPLY_READING_B = 8,
    RIO_REPLY_INPUT = 10,
    RIO_REPLY_COUNTER = 11,
    RIO_REPLY_READY = 12,
};

struct RioState {
    // --- Reply value store (main loop writes, tick reads) ---
    SharedVar<uint32_t> analog[RIO_ANALOG_CHANNELS]; // type 5: float bit patterns, channels 0-7
    SharedVar<uint32_t> supply;                      // type 6: float bit pattern
    SharedVar<uint32_t> reading_a;                   // type 7: float bit pattern
    SharedVar<uint32_t> reading_b;                   // type 8: float bit pattern
    SharedVar<uint32_t> input[RIO_INPUT_CHANNELS]; // type 10: threshold input states, channels 0-4
    SharedVar<uint64_t>
        counter[RIO_COUNTER_CHANNELS]; // type 11: float bits (low word), flag (high)
    SharedVar<uint32_t> ready;         // type 12: I/O ready indication

    // --- Periodic transmit slot (tick only) ---
    uint32_t periodic_id = 0;      // identifier of the periodic frame
    uint8_t periodic_data[8] = {}; // its data bytes
    uint32_t periodic_pace = 0;    // ms counted towards the next send
};

/* Commands to the remote I/O unit; each returns 1. */
int rio_request_all(void);
/* type 1 on, 2 off, 3 second mode. */
int rio_switch_output(uint8_t type, uint8_t channel);
/* Sends value x 1000, truncated toward zero, low 16 bits. */
int rio_set_analog_output(int channel, float value);
int rio_set_output_duty(int channel, uint8_t value);

/* Store what a 0x422 reply reports; other types and channels outside their
 * table change nothing. */
void rio_handle_reply(const CanFrame* frame);

/* Values the unit reported (0 until it has replied). */
float rio_analog(int channel);
float rio_supply(void);
float rio_reading_a(void);
float rio_reading_b(void);
/* 1 with the value for a channel in range, else 0 and nothing written. */
int rio_input_state(int channel, uint32_t* state);
int rio_counter(int channel, uint32_t* value, uint16_t* flag);
uint32_t rio_ready(void);

/* Store the frame that can_periodic_tx_step sends every 200 ms; returns the
 * number of data bytes kept (at most 8). */
int can_periodic_tx_set(uint32_t id, uint8_t extended, uint8_t len, const uint8_t* data);
/* Once per 10 ms tick: send the stored frame on every 20th call. */
void can_periodic_tx_step(void);
