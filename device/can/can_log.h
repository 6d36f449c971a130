#pragma once
// Recording of the CAN traffic to the USB stick.

/* Recording control, once per model step. */
void can_log_step(void);
/* Start values of the recording switches, set by the model's initialisation. */
void can_log_model_init(void);
/* The log writer of one stream (a CanFifoId of the four FIFOs), called by
 * that FIFO's push: takes the entry just pushed out of the FIFO. */
void can_log_frame(int stream);
