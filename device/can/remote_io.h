#pragma once
// Remote I/O protocol and the periodic status frame.

void can_periodic_tx_step(void);
