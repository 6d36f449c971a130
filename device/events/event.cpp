#include "device/events/event.h"

// Events are accepted and have no effect until the command exchange exists.
void event_on_host(int) {}

void event_step(void) {}
