#pragma once
// The gauge application: its model state (its own, outside the framework's
// DeviceMemory) and the model step that its 10 ms hook runs on every tick.
// Its hooks are the framework's (device/runtime/app_hooks.h).
#include <cstdint>

#include "device/app/demo_signals.h"
#include "device/runtime/app_hooks.h"
#include "device/services/shared_var.h"

constexpr int APP_PAGE_COUNT = 6;
constexpr uint32_t APP_VERSION_PAGE_MS = 2000; // the version page shows this long

/* Last seen down state of keys 1-5 on one page, stored key 5 first. */
struct PageKeyMemory {
    uint8_t flag[5]; // flag[5 - k] belongs to key k
};

/* Pages in the order of their key memories. */
enum AppPage { PAGE_SPLASH, PAGE_VERSION, PAGE_FUEL, PAGE_GAUGES, PAGE_ENGINE_A, PAGE_ENGINE_B };

struct AppState {
    SharedVar<uint32_t> demo_frame_count = 0;  // main loop iterations; drives the demo signals
    uint8_t model_first_step = 0;              // 1 until the end of the first model step
    uint32_t version_page_stamp = 0;           // ms stamp of the version page's time-out
    uint32_t version_page_elapsed = 0;         // ms the version page has been shown; never reset
    PageKeyMemory page_keys[APP_PAGE_COUNT] = {}; // per page, indexed by AppPage
    DemoSignals demo;                            // outputs of the demo signal model
};

/* The application's state, one static instance; app_reset restores it. */
extern AppState app_state;

void model_state_init(void);
void model_step(void);
/* Key-driven page selection for one page (no effect unless it is current). */
void page_keys(bool current, PageKeyMemory* memory);
/* 16-bit encoding of a value in the status frame: hundredths, saturated. */
uint16_t model_encode_centi(float x);
