#pragma once
// Recording of the CAN traffic to the USB stick.

/* Recording control, once per model step. */
void can_log_step(void);
/* Start values of the recording switches, set by the model's initialisation. */
void can_log_model_init(void);
