#pragma once
// Remote I/O protocol and the periodic status frame.
#include <cstdint>

void can_periodic_tx_step(void);
/* Store the frame that can_periodic_tx_step sends every 200 ms; returns the
 * number of data bytes kept (at most 8). */
int can_periodic_tx_set(uint32_t id, uint8_t extended, uint8_t len, const uint8_t* data);

/* Commands to the remote I/O unit. */
int rio_set_analog_output(int channel, float value);
int rio_set_output_duty(int channel, uint8_t value);
/* Values the unit reported (0 until it has replied). */
float rio_analog(int channel);
float rio_supply(void);
