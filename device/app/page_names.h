#pragma once
// The names the pages go by outside the device (traces, tools).
#include "device/app/screen.h"

/* "splash", "version", "fuel", "gauges", "engine_a" or "engine_b" for a
 * page's enter function; "none" for no page and "unknown" for any other. */
const char* app_page_name(page_fn_t enter);
