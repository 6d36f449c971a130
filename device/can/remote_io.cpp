#include "device/can/remote_io.h"

// The remote I/O unit is not served yet: commands go nowhere and every
// reported value reads 0, as before the unit's first reply.

void can_periodic_tx_step(void) {}

int can_periodic_tx_set(uint32_t, uint8_t, uint8_t len, const uint8_t*) { return len > 8 ? 8 : len; }

int rio_set_analog_output(int, float) { return 1; }

int rio_set_output_duty(int, uint8_t) { return 1; }

float rio_analog(int) { return 0.0f; }

float rio_supply(void) { return 0.0f; }
