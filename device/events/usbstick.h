#pragma once
// The USB stick's state as the event channel and the stick's folder below
// the media root show it.
//
// The main loop (event step) writes the stick name and the state; the tick
// (the CAN logging's presence query) reads them. The name is double
// buffered: a new name goes into the copy the tick is not meant to read and
// is then published by a version count, so the tick never waits for the
// main loop and never sees a name half written.
#include <cstddef>
#include <cstdint>

/* 1 while a stick is reported and its folder exists; moves the state:
 * 1 → 2 once the folder is seen, 2 or 4 → 0 once it is gone. */
int usbstick_present(void);
/* The current state (USB_STATE_*). */
uint32_t usbstick_state(void);
/* Copy the current name (terminated, cut to size) into out. */
void usbstick_name(char* out, size_t size);
/* Publish a new name (cut to USB_STICK_NAME_SIZE - 1 characters). Main
 * loop only: there is one writer. */
void usbstick_set_name(const char* name);
