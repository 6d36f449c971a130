#pragma once
// Host user events and their processing in the main loop.

/* Event handler registered at start-up; runs on the host's thread. */
void event_on_host(int event);
/* Main loop step: process a recorded event. */
void event_step(void);
