#pragma once
// Kvaser back-end: the vendor's CANlib ("libcanlib.so.1" on Linux) loaded
// at run time. The selector of a port is its decimal channel number; without
// one, port n uses channel n.
#include <cstdint>

#include "device/can/can_adapter.h"
#include "device/can/can_driver.h"
#include "device/can/can_library.h"

constexpr char KVASER_LIBRARY_NAME[] = "libcanlib.so.1";
constexpr int32_t KVASER_OPEN_FLAGS =
    0x30; // extended identifiers required, virtual channels accepted
constexpr uint32_t KVASER_DRIVER_NORMAL = 4;     // bus output control: normal driver
constexpr uint32_t KVASER_MSG_EXT = 4;           // message flag: 29-bit identifier
constexpr int32_t KVASER_DATA_CHANNEL_NAME = 13; // canGetChannelData items probed at open
constexpr int32_t KVASER_DATA_SERIAL = 7;
constexpr int32_t KVASER_DATA_FIRMWARE = 9;
/* Bus parameters for a bitrate without a predefined constant: 16 time quanta
 * a bit, sampled once at 87.5 %. */
constexpr uint32_t KVASER_TSEG1 = 13;
constexpr uint32_t KVASER_TSEG2 = 2;
constexpr uint32_t KVASER_SJW = 1;
constexpr uint32_t KVASER_SAMPLES = 1;

/* The CANlib entry points, Linux prototypes (long is 64-bit). */
struct KvaserApi {
    void (*canInitializeLibrary)(void);
    int (*canOpenChannel)(int channel, int flags);
    int (*canGetNumberOfChannels)(int* count);
    int (*canGetChannelData)(int channel, int item, void* buffer, size_t size);
    int (*canClose)(int handle);
    int (*canBusOn)(int handle);
    int (*canBusOff)(int handle);
    int (*canSetBitrate)(int handle, int bitrate); // optional: absent from the Linux library
    int (*canSetBusParams)(int handle, long freq, unsigned tseg1, unsigned tseg2, unsigned sjw,
                           unsigned samples, unsigned syncmode);
    int (*canGetBusParams)(int handle, long* freq, unsigned* tseg1, unsigned* tseg2, unsigned* sjw,
                           unsigned* samples, unsigned* syncmode);
    int (*canSetBusOutputControl)(int handle, unsigned driver);
    int (*canGetBusOutputControl)(int handle, unsigned* driver);
    int (*canAccept)(int handle, long envelope, unsigned flag);
    int (*canReadStatus)(int handle, unsigned long* flags);
    int (*canReadErrorCounters)(int handle, unsigned* tx_errors, unsigned* rx_errors,
                                unsigned* overruns);
    int (*canWrite)(int handle, long id, void* data, unsigned dlc, unsigned flags);
    int (*canWriteSync)(int handle, unsigned long timeout);
    int (*canRead)(int handle, long* id, void* data, unsigned* dlc, unsigned* flags,
                   unsigned long* time);
    int (*canReadWait)(int handle, long* id, void* data, unsigned* dlc, unsigned* flags,
                       unsigned long* time, unsigned long timeout);
};

struct KvaserPort {
    uint8_t open = 0;               // 1 after a complete open sequence
    const char* selector = nullptr; // channel number text, or none
    int32_t handle = -1;            // channel handle from canOpenChannel
    uint32_t bitrate = 250000;      // bit/s used by the next open
};

struct KvaserState {
    void* library = nullptr;         // handle of the loaded library
    uint8_t bound = 0;               // all required entry points resolved
    KvaserApi api = {};              // entry points while bound
    int32_t channel_count = 0;       // reported at binding; kept, not used
    CanBindPacing pacing = {};       // retry pacing of a failed binding
    KvaserPort port[CAN_PORT_COUNT]; // per port
};

/* Bind the library unless bound; 1 when bound. forced: ignore the retry
 * pacing (an explicit open). */
int kvaser_bind(int forced);
int kvaser_open(int port, const char* selector);
int kvaser_close(int port);
int kvaser_set_bitrate(int port, uint32_t bitrate);
int kvaser_transmit(int port, const CanMessage* message);
int kvaser_receive(int port, CanMessage* message);
/* The port's open flag, without binding. */
int kvaser_port_open(int port);
/* Close open channels and unload the library. */
void kvaser_shutdown(void);

/* The back-end's operations for the per-port interface. */
extern const CanDriverApi kvaser_driver_api;
