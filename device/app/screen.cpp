#include "device/app/screen.h"

#include "device/device_memory.h"

void screen_step(void) {}

void screen_bar_step(void) {}
