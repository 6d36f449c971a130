#include "device/can/remote_io.h"

// The periodic status frame is not sent yet.
void can_periodic_tx_step(void) {}
