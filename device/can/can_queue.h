#pragma once
// CAN frame rings between the adapters and the application, and the main
// loop's receive and transmit passes.
//
// Four rings of 240 slots: receive and transmit for each port. A ring's
// write index names the slot written most recently, its read index the slot
// read most recently; the ring is empty when they are equal, so at most 239
// frames wait. Receive rings are used by the main loop alone. A transmit
// ring is filled by can_send in the tick (and at start-up) and drained by
// the main loop's transmit pass: each index has one writer and is published
// with release/acquire, and a full ring's newest frame, which can_send
// replaces in place, is guarded by a sequence counter so that the pass
// never sends a half-replaced frame.
#include <cstdint>

#include "device/can/can_adapter.h"
#include "device/services/shared_var.h"

constexpr int CAN_RING_SLOTS = 240;
constexpr int CAN_SELECTOR_MAX = 512;          // bytes of a chosen selector, NUL included
constexpr uint8_t CAN_CONTROL_EXTENDED = 0x04; // control byte: 29-bit identifier
constexpr uint8_t CAN_CONTROL_TRANSMIT = 0x08; // control byte: queued for transmission
constexpr uint16_t CAN_REPLY_ID = 0x422;       // remote I/O replies, port 0

/* One 16-byte ring slot. */
struct CanFrame {
    uint32_t id_word; // identifier << 3
    uint8_t control;  // bit 2 extended, bit 3 transmit, bits 4-7 dlc
    uint8_t data[8];  // payload; zero at and beyond dlc in transmit frames
    uint8_t spare[3]; // not used
};
static_assert(sizeof(CanFrame) == 16, "a ring slot is 16 bytes");

struct CanRing {
    CanFrame slot[CAN_RING_SLOTS] = {}; // the frames
    SharedVar<uint16_t> write;          // slot written most recently
    SharedVar<uint16_t> read;           // slot read most recently
    SharedVar<uint32_t> replace_seq;    // odd while can_send rewrites the newest frame in place
};

/* Adapter of a port as the host chose it, applied by can_queues_init. */
struct CanAdapterChoice {
    uint8_t chosen;                  // 0: the default (Kvaser, no selector)
    int32_t type;                    // CanAdapterType
    uint8_t has_selector;            // 0: no selector
    char selector[CAN_SELECTOR_MAX]; // copied text of the selector
};

struct CanQueueState {
    CanRing rx[CAN_PORT_COUNT];                   // receive rings, main loop only
    CanRing tx[CAN_PORT_COUNT];                   // transmit rings, tick -> main loop
    CanAdapterChoice choice[CAN_PORT_COUNT] = {}; // set by the host before start-up
};

/* Choose the adapter that can_queues_init gives a port (the host's --can0
 * and --can1); the selector is copied, NULL for none. Returns 0, or -1 for a
 * port out of range or a selector too long to keep. */
int can_choose_adapter(int port, int32_t type, const char* selector);

/* Set the chosen adapters (Kvaser without a selector where nothing was
 * chosen), empty all four rings, clear the queue-initialisation request. */
void can_queues_init(void);
/* Queue one frame on a port's transmit ring; always 1. When the ring is
 * full the new frame replaces the newest queued one. */
int can_send(int port, uint32_t id, uint8_t extended, uint8_t dlc, const uint8_t* data);
/* Drain both adapters into the receive rings, port 0 first, then hand every
 * frame to the application. A full ring stops the draining of its port;
 * the rest waits in the adapter for the next pass. */
void can_receive_pass(void);
/* Send every queued frame, port 0 first. Refused frames are dropped. */
void can_transmit_pass(void);
/* Frames waiting in a ring. */
int can_ring_count(const CanRing* ring);
