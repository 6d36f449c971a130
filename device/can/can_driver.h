#pragma once
// The operations of one CAN back-end, as a constant table. Each back-end
// fills one table in its own file and declares it in its header; the
// per-port interface (can_adapter.cpp) picks the table of a port by the
// port's adapter type and calls through it, never switching on the
// back-end. A new back-end is one new file with its table and one entry in
// the adapter's list of back-ends.
//
// Contract of the entries. Every port argument is 0 or 1, checked by nobody
// (the per-port interface trusts its callers likewise). Results are 0 for
// success and -1 for failure unless stated. An entry marked "may be null"
// is left null by a back-end that has no such operation, and the per-port
// interface then does what is written there; every other entry is
// required. After open, close, set_bitrate and set_bit_timing the per-port
// interface reads port_open for the status bar (after receive only where
// receive_may_close says so).
#include <cstdint>

#include "device/can/can_adapter.h"

struct CanDriverApi {
    /* Bind the back-end's library unless bound: 1 when bound, 0 when not.
     * forced: ignore the retry pacing of failed attempts (an explicit
     * open); can_bind passes 0 and ignores the result.
     * May be null: nothing to bind. */
    int (*bind)(int forced);
    /* Open the port with its selector (the adapter type says what a
     * selector means; null for none): 0 when open, also when it already
     * was. A failure leaves the port closed, and a back-end that maps the
     * port to a device writes its "Failed to map" line first. */
    int (*open)(int port, const char* selector);
    /* Close the port if it is open; 0. */
    int (*close)(int port);
    /* Store the bitrate in bit/s for the next open and, if the port is
     * open, close and reopen it: the reopen's result, or -1 when the port
     * was closed (callers ignore that) or the library cannot be bound.
     * May be null: the bitrate is not the device's to set; can_set_bitrate
     * returns 0 and changes nothing. */
    int (*set_bitrate)(int port, uint32_t bitrate);
    /* The same with a full CanBitTiming (t0 the bitrate).
     * May be null: as set_bitrate. */
    int (*set_bit_timing)(int port, const CanBitTiming* timing);
    /* Send one message now: 0 when sent or accepted, -1 when refused
     * (closed port, unbound library, adapter error). can_transmit counts
     * and hooks every message that was not refused. */
    int (*transmit)(int port, const CanMessage* message);
    /* Fetch one received message: 0 = message written, -1 = none. A dlc
     * above 8 is taken as 8 by can_receive, which then counts and hooks the
     * message. */
    int (*receive)(int port, CanMessage* message);
    /* 1 if the port is open, else 0; binds nothing. */
    int (*port_open)(int port);
    /* Close every port of the back-end and unload its library, whatever
     * type the ports have now.
     * May be null: the back-end holds nothing but its ports; can_shutdown
     * closes each port with close instead. */
    void (*shutdown)(void);
    /* receive may close the port itself (replay: a file that cannot be read
     * again at its end), so the status bar's open flag is brought up to
     * date after every receive. */
    uint8_t receive_may_close;
};
