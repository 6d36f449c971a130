#pragma once
// Per-port CAN driver interface. Each port (0 and 1; shown to people as 1
// and 2) is carried by one adapter back-end, chosen with can_set_adapter:
// a vendor library loaded at run time (Kvaser CANlib, CANdo), the replay of
// a recorded trace file, or a SocketCAN interface. Every operation calls
// the back-end through the table of operations of the port's adapter type
// (can_driver.h); results are 0 for success and -1 for failure unless
// stated.
#include <cstdint>

#include "device/services/shared_var.h"

constexpr int CAN_PORT_COUNT = 2;

enum CanAdapterType : int32_t {
    CAN_ADAPTER_CANDO = 0,     // CANdo library; also every value not listed here
    CAN_ADAPTER_KVASER = 1,    // Kvaser CANlib; selector: decimal channel number
    CAN_ADAPTER_REPLAY = 2,    // trace file playback (receive only); selector: file path
    CAN_ADAPTER_SOCKETCAN = 3, // Linux raw CAN socket; selector: interface name
};

/* One message as passed between the adapters and their callers. */
struct CanMessage {
    uint32_t id;           // identifier, 11 or 29 bits, right-aligned
    uint8_t extended;      // 1 for a 29-bit identifier
    uint8_t remote;        // remote-request frame
    uint8_t dlc;           // number of data bytes, 0-8
    uint8_t data[8];       // payload; bytes at and beyond dlc are not meaningful
    uint64_t timestamp_us; // receive time in the adapter's own time base
};

/* t0 is the bitrate in bit/s; t3-t7 feed the CANdo timing call; t1 and t2
 * are stored and not used. */
struct CanBitTiming {
    uint32_t t[8];
};

/* The 56-byte status record of can_get_status (all zero on every adapter). */
struct CanStatus {
    uint8_t bytes[56];
};

struct CanDriverApi; // a back-end's table of operations (can_driver.h)

typedef void (*can_hook_t)(int port, CanMessage* message);          // receive hook
typedef void (*can_tx_hook_t)(int port, const CanMessage* message); // transmit hook

/* What the window's status bar shows of one port. */
struct CanPortStatus {
    int32_t adapter;    // CanAdapterType
    uint8_t open;       // 1 while the port is open
    uint32_t rx_frames; // messages received since start-up (wraps)
    uint32_t tx_frames; // messages sent since start-up (wraps)
};

/* Per-port tables of the layer. The adapter type, the open flag and the
 * counters are read by the host's window thread, hence SharedVar. */
struct CanAdapterState {
    SharedVar<int32_t> type[CAN_PORT_COUNT];       // CanAdapterType of each port
    const CanDriverApi* driver[CAN_PORT_COUNT] = {}; // table picked by can_set_adapter; null: CANdo
    const char* selector[CAN_PORT_COUNT] = {};     // stored, not copied; the caller keeps it alive
    can_hook_t rx_hook[CAN_PORT_COUNT] = {};       // called after each received message
    can_tx_hook_t tx_hook[CAN_PORT_COUNT] = {};    // called after each sent message
    SharedVar<uint8_t> open[CAN_PORT_COUNT];       // open state as last seen by an operation
    SharedVar<uint32_t> rx_frames[CAN_PORT_COUNT]; // received messages, for the status bar
    SharedVar<uint32_t> tx_frames[CAN_PORT_COUNT]; // sent messages, for the status bar
};

int can_set_adapter(int port, int32_t type, const char* selector);
int can_set_rx_hook(int port, can_hook_t hook);
int can_set_tx_hook(int port, can_tx_hook_t hook);
/* Bind the library of the port's adapter type (nothing for replay and
 * SocketCAN); returns 0. */
int can_bind(int port);
int can_open(int port);
int can_close(int port);
int can_set_bitrate(int port, uint32_t bitrate);
int can_set_bit_timing(int port, const CanBitTiming* timing);
/* 1 if the port is open, else 0 (binds the library first). */
int can_is_open(int port);
/* 0 if open, 4 if not open. */
int can_get_state(int port);
int can_get_status(int port, CanStatus* status);
/* Send now; 0 on success. The transmit hook sees every message that was
 * not refused. */
int can_transmit(int port, const CanMessage* message);
/* Fetch one received message: 0 = one written, -1 = none. */
int can_receive(int port, CanMessage* message);

/* Port-0 shorthands. */
int can_open0(void);
int can_close0(void);
int can_set_bitrate0(uint32_t bitrate);
int can_transmit0(const CanMessage* message);
int can_receive0(CanMessage* message);

/* Snapshot of a port for the host's status bar; safe from any thread.
 * Returns 0, or -1 for a port number out of range. */
int can_port_status(int port, CanPortStatus* status);
