#pragma once
// CANdo back-end: the vendor library ("libCANdo.so" on Linux) loaded at run
// time. The selector of a port is the serial number of its CANdo device;
// without one, port n uses device n, or device 0 when there are fewer.
#include <cstdint>

#include "device/can/can_adapter.h"
#include "device/can/can_driver.h"
#include "device/can/can_library.h"

constexpr char CANDO_LIBRARY_NAME[] = "libCANdo.so";
constexpr int CANDO_MAX_DEVICES = 10;          // capacity of the device list
constexpr int CANDO_DEVICE_RECORD_BYTES = 260; // 4 bytes the layer does not read, then the serial
constexpr int CANDO_SERIAL_OFFSET = 4;
constexpr int CANDO_HANDLE_AREA_BYTES = 528; // opaque, filled by the library at open
constexpr int CANDO_STATUS_BYTES = 12;
// The receive buffer shared with the library, little-endian.
constexpr int CANDO_RX_SLOTS = 2048;
constexpr int CANDO_RX_SLOT_BYTES = 24; // ext@0, id@4, dlc@8, data@9, timestamp@20 (25.6 us units)
constexpr int CANDO_RX_WRITE_INDEX =
    CANDO_RX_SLOTS * CANDO_RX_SLOT_BYTES;                     // 32-bit, the library advances it
constexpr int CANDO_RX_READ_INDEX = CANDO_RX_WRITE_INDEX + 4; // 32-bit, this layer advances it
constexpr int CANDO_RX_FULL_FLAG = CANDO_RX_READ_INDEX + 4;   // 8-bit
constexpr int CANDO_RX_BUFFER_BYTES = CANDO_RX_FULL_FLAG + 1;
constexpr uint32_t CANDO_FETCH_INTERVAL_MS = 10; // bulk fetches at most this often

/* The CANdo entry points. Every result is 0 for success. */
struct CandoApi {
    int (*CANdoGetDevices)(void* list, int* count);
    int (*CANdoOpen)(void* handle_area);
    int (*CANdoOpenDevice)(void* handle_area, const void* device_record);
    int (*CANdoClose)(void* handle_area);
    int (*CANdoFlushBuffers)(void* handle_area);
    int (*CANdoSetBaudRate)(void* handle_area, uint8_t sjw, uint8_t brp, uint8_t phseg1,
                            uint8_t phseg2, uint8_t propseg, uint8_t sam);
    int (*CANdoSetMode)(void* handle_area, uint8_t mode);
    int (*CANdoSetFilters)(void* handle_area, const void* filters);
    int (*CANdoSetState)(void* handle_area, uint8_t state);
    int (*CANdoReceive)(void* handle_area, void* rx_buffer, void* status);
    int (*CANdoTransmit)(void* handle_area, uint8_t extended, uint32_t id, uint8_t remote,
                         uint8_t dlc, const uint8_t* data, uint8_t flags, uint8_t interval);
    int (*CANdoRequestStatus)(void* handle_area);
};

struct CandoPort {
    uint8_t open;          // 1 after a complete open sequence
    const char* selector;  // serial number text, or none
    uint32_t bitrate;      // bit/s (250000 after binding)
    uint8_t custom_timing; // set by can_set_bit_timing, never cleared
    uint32_t timing[8];    // CanBitTiming t0-t7
    alignas(8) uint8_t handle_area[CANDO_HANDLE_AREA_BYTES]; // the library's per-device state
    alignas(8) uint8_t rx_buffer[CANDO_RX_BUFFER_BYTES];     // cyclic receive buffer (layout above)
    uint8_t status[CANDO_STATUS_BYTES];                      // status record of the last fetch
    uint32_t last_fetch_ms; // device clock of the last successful fetch
    uint32_t last_tx_ms;    // device clock of the last successful transmission
};

/* Zeroed by binding, as a whole. */
struct CandoState {
    void* library;                                                 // handle of the loaded library
    uint8_t bound;                                                 // all entry points resolved
    CandoApi api;                                                  // entry points while bound
    uint8_t devices[CANDO_MAX_DEVICES][CANDO_DEVICE_RECORD_BYTES]; // filled by CANdoGetDevices
    int32_t device_count;                                          // valid records
    CanBindPacing pacing;           // retry pacing of a failed binding
    CandoPort port[CAN_PORT_COUNT]; // per port
};

int cando_bind(int forced);
/* Index of the device a port would use, -1 for none. */
int cando_find_device(int port, const char* selector);
int cando_open(int port, const char* selector);
int cando_close(int port);
int cando_set_bitrate(int port, uint32_t bitrate);
int cando_set_bit_timing(int port, const CanBitTiming* timing);
int cando_transmit(int port, const CanMessage* message);
int cando_receive(int port, CanMessage* message);
int cando_port_open(int port);
void cando_shutdown(void);

/* The back-end's operations for the per-port interface. */
extern const CanDriverApi cando_driver_api;
