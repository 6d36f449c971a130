#include "device/app/app.h"

#include "device/can/can_adapter.h"
#include "device/can/can_log.h"
#include "device/can/can_queue.h"
#include "device/can/can_rx_fifo.h"
#include "device/can/remote_io.h"
#include "device/runtime/call_trace.h"
#include "device/services/time_base.h"
#include "device/storage/params.h"

AppState app_state;

void app_reset(void) { app_state = AppState{}; }

static void app_identity_hook(const char*) {}
static void app_empty_hook(void) {}

void app_init(void) {
    TRACE_CALL(params_load);
    app_identity_hook("QMX");
    TRACE_CALL(can_app_rx_reset, 0);
    TRACE_CALL(can_app_rx_reset, 1);
    for (int port = 0; port < 2; ++port) {
        TRACE_CALL(can_set_bitrate, port, 250000);
        TRACE_CALL(can_open, port);
    }
    TRACE_CALL(model_state_init);
    app_empty_hook();
    TRACE_CALL(app_main_hook);
}

void app_task_10ms(void) {
    model_step();
    can_periodic_tx_step();
    app_empty_hook();
}

void app_task_50ms(void) {}
void app_task_100ms(void) {}
void app_task_500ms(void) {}

void app_task_1s(void) {
    params_commit();
    sys_uptime_track();
}

void app_blink_hook(void) {}

void app_main_hook(void) {
    app_state.demo_frame_count.fetch_add(1);
    can_log_close_finished(); // outside any line write: see can_log.h
}
