#pragma once
// All device state in one statically allocated object. Every field has a
// fixed initial value; device_memory_reset restores all of them, so that a
// test (or a restart) begins from the device as it is at power-up. The
// application keeps its own state; the reset restores it through app_reset.
#include <cstdint>

#include "device/can/can_log.h"
#include "device/can/can_state.h"
#include "device/events/event.h"
#include "device/gfx/gfx.h"
#include "device/gfx/image.h"
#include "device/gfx/text.h"
#include "device/runtime/call_trace.h"
#include "device/runtime/keys.h"
#include "device/runtime/sys.h"
#include "device/screen/screen.h"
#include "device/services/board.h"
#include "device/services/io_channels.h"
#include "device/services/serial.h"
#include "device/services/time_base.h"
#include "device/storage/storage.h"

struct DeviceMemory {
    // --- Graphics buffers (RGB565, 320 pixels a row, rows top to bottom) ---
    uint16_t layers[2][GFX_LAYER_PIXELS]; // 0: overlay, 1: background
    uint16_t frames[2][GFX_FRAME_PIXELS]; // alternating output frames

    // --- Framework ---
    GfxState gfx;          // drawing state and frame hand-over flags
    ImageState image;      // image mode and bit-image opaque flag
    TextState text;        // text styles, font engine handles, blend table, text buffer
    SysState sys;          // scheduler dividers, exit request, display settings
    KeyState keys;         // key bytes, countdowns and bindings
    TimeBase time;         // millisecond time base and uptime tracking
    IoChannels io = {};    // I/O channel table
    SerialState serial = {}; // serial channel table and UART transmit ring
    BoardState board;      // last values given to the board outputs
    NonFinite nonfinite = {}; // NaN and infinities of the model
    StorageState storage;  // file system base, EEPROM image, parameter record
    EventState events;     // event entry, USB stick state and name
    CanState can;          // CAN adapters, frame rings, receive FIFOs, remote I/O
    CanLogState can_log;   // CAN traffic recording: switches, log files, flush times
    CallTrace trace;       // order of start-up and main loop calls, for tests (off)
    ScreenState screen;    // screen manager and page request
};

extern DeviceMemory device_memory;

/* Restore every device variable to its initial value, then the
 * application's (app_reset). Not to be called while a device thread runs. */
void device_memory_reset(void);
