#pragma once
// The application's receive buffers, filled by the receive dispatch: four
// ten-slot FIFOs (port 0 and port 1, standard and extended identifiers) and
// a one-slot mailbox for standard identifier 0x700 on port 0 with dlc 8.
//
// A FIFO that overflows loses its oldest entries; a reader that is faster
// than the traffic reads the newest entry again with a growing age (the
// reads since it arrived; 0xFFFF: nothing has arrived yet). Every push into
// one of the four FIFOs hands the entry on to the traffic log.
//
// The FIFOs are used by the main loop alone; the mailbox is written by the
// main loop and read by the tick. Its hand-over goes through a sequence
// counter and atomic slot accesses: the tick never waits and never takes a
// half-written frame, and a read that races with a push delivers nothing.
#include <cstdint>

#include "device/services/shared_var.h"

constexpr int CAN_FIFO_DEPTH = 10;
constexpr uint16_t CAN_FIFO_AGE_NONE = 0xFFFF; // nothing received yet
constexpr uint16_t CAN_MAILBOX_ID = 0x700;

/* The five instances; the first four are also the traffic log's streams. */
enum CanFifoId {
    CAN_FIFO_PORT0_STD = 0,
    CAN_FIFO_PORT0_EXT = 1,
    CAN_FIFO_PORT1_STD = 2,
    CAN_FIFO_PORT1_EXT = 3,
    CAN_FIFO_MAILBOX_700 = 4,
    CAN_FIFO_COUNT = 5,
};

struct CanRxSlot {
    uint32_t id;     // identifier
    uint8_t len;     // number of data bytes kept, at most 8
    uint8_t data[8]; // payload
};

struct CanRxFifo {
    CanRxSlot slot[CAN_FIFO_DEPTH] = {};         // entries (the mailbox uses slot 0)
    SharedVar<uint8_t> write;                    // slot to be written next
    SharedVar<uint8_t> read;                     // current slot of the reader
    SharedVar<uint16_t> age = CAN_FIFO_AGE_NONE; // reads since the newest entry arrived
    SharedVar<uint32_t> seq;                     // odd while a push is under way
};

struct CanRxState {
    CanRxFifo fifo[CAN_FIFO_COUNT]; // indexed by CanFifoId
};

/* Push and read on one instance of the given depth (1 or CAN_FIFO_DEPTH),
 * without the traffic log. The reader may run on another thread than the
 * pusher; rx_fifo_read then returns 0 and changes nothing when it met a
 * push half-way. */
void rx_fifo_push(CanRxFifo* fifo, int depth, uint32_t id, uint8_t len, const uint8_t* data);
uint8_t rx_fifo_read(CanRxFifo* fifo, int depth, uint16_t* age, uint32_t* id, uint8_t* data,
                     uint8_t max);

/* Push into an instance; the mailbox ignores anything but dlc 8, the four
 * FIFOs pass the entry on to their log stream. */
void can_fifo_push(int fifo, uint32_t id, uint8_t len, const uint8_t* data);
/* Read the current entry of an instance: its age, identifier, the
 * instance's extended value and up to max (and 8) data bytes; any out
 * pointer may be NULL. Returns the number of bytes delivered. */
uint8_t can_fifo_read(int fifo, uint16_t* age, uint32_t* id, uint8_t* extended, uint8_t* data,
                      uint8_t max);

/* Reset the receive state of one port: its instances empty, ages 0xFFFF. */
void can_app_rx_reset(int port);
/* Read the 0x700 mailbox (in the tick); the number of bytes delivered, 0
 * before the first frame. */
int can_mailbox_700_read(uint8_t data[8]);

/* Receive handlers of the application, called by the dispatch. */
void app_can0_std_rx(uint32_t id, uint8_t dlc, const uint8_t* data);
void app_can0_ext_rx(uint32_t id, uint8_t dlc, const uint8_t* data);
void app_can1_std_rx(uint32_t id, uint8_t dlc, const uint8_t* data);
void app_can1_ext_rx(uint32_t id, uint8_t dlc, const uint8_t* data);
