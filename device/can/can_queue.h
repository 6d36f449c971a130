#pragma once
// CAN frame rings between the adapters and the application, and the main
// loop's receive and transmit passes.
#include <cstdint>

void can_queues_init(void);
/* Queue one frame on a port's transmit ring; 1 on success. */
int can_send(int port, uint32_t id, uint8_t extended, uint8_t dlc, const uint8_t* data);
void can_receive_pass(void);
void can_transmit_pass(void);
/* Reset the application's receive state of one port. */
void can_app_rx_reset(int port);
/* Take the frame waiting in the identifier-0x700 mailbox of port 0; 1 when
 * one was there. */
int can_mailbox_700_read(uint8_t data[8]);
