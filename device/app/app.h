#pragma once
// The application's hooks called by the device framework.
#include <cstdint>

struct AppState {
    uint32_t demo_frame_count = 0; // main loop iterations; drives the demo signals
};

void app_init(void);
void app_task_10ms(void);
void app_task_50ms(void);
void app_task_100ms(void);
void app_task_500ms(void);
void app_task_1s(void);
void app_blink_hook(void);
void app_main_hook(void);

/* Application model. */
void model_state_init(void);
void model_step(void);
