#include "device/can/can_log.h"

#include "device/can/can_rx_fifo.h"
#include "device/events/usbstick.h"

// Nothing is recorded until the log files exist. The presence query that
// the recording control starts with already runs once per model step, so
// that the stick's state follows its folder.
void can_log_step(void) { usbstick_present(); }

void can_log_model_init(void) {}

void can_log_frame(int stream) {
    uint32_t id = 0;
    uint8_t extended = 0;
    uint8_t data[8];
    // The FIFO is consumed whether or not a recording runs. Writing the
    // line (identifier, extended flag, data, time) comes with the recording.
    can_fifo_read(stream, nullptr, &id, &extended, data, 8);
}
