#pragma once
// All CAN state of the device, one field of DeviceMemory.
#include "device/can/can_adapter.h"
#include "device/can/can_cando.h"
#include "device/can/can_kvaser.h"
#include "device/can/can_library.h"
#include "device/can/can_queue.h"
#include "device/can/can_replay.h"
#include "device/can/can_rx_fifo.h"
#include "device/can/can_socketcan.h"
#include "device/can/remote_io.h"

struct CanState {
    // --- Adapter layer ---
    CanAdapterState adapter;  // per-port adapter type, selector, hooks, status counters
    CanLibraryState library;  // where the vendor libraries are searched
    KvaserState kvaser;       // Kvaser CANlib binding and channels
    CandoState cando = {};    // CANdo binding, device list, receive buffers
    ReplayState replay = {};  // trace files being played back
    SocketcanState socketcan; // raw CAN sockets

    // --- Queues and application side ---
    CanQueueState queue; // frame rings and the host's adapter choice
    CanRxState rx;       // application FIFOs and the 0x700 mailbox
    RioState rio;        // remote I/O value store and periodic frame
};

/* Close every port and unload the libraries before the state is cleared. */
void can_shutdown(void);
