#include "device/can/can_log.h"

#include "device/events/usbstick.h"

// Nothing is recorded until the log files exist. The presence query that
// the recording control starts with already runs once per model step, so
// that the stick's state follows its folder.
void can_log_step(void) { usbstick_present(); }

void can_log_model_init(void) {}
