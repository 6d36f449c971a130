// The application's hooks: start-up, its periodic CAN frame, the reading
// of received frames, its reset and what the host shows of it.
#include "hello.h"

#include "device/can/can_adapter.h"
#include "device/can/can_queue.h"
#include "device/runtime/app_hooks.h"
#include "device/screen/screen.h"

HelloState hello;

void app_reset(void) { hello = HelloState{}; }

void app_init(void) {
    can_set_bitrate(HELLO_PORT, HELLO_BITRATE);
    can_open(HELLO_PORT);
    screen_request_page(page_hello_enter);
}

/* Tick, every 100 ms: count, and send our frame. can_send only queues it;
 * the main loop's transmit pass sends it at the end of its next iteration. */
void app_task_100ms(void) {
    hello.tenths.fetch_add(1);
    const uint8_t page = screen_update_handler() == page_can_update ? 2 : 1;
    const uint8_t data[4] = {page, hello.sequence, hello.coolant, hello.resets};
    can_send(HELLO_PORT, HELLO_TX_ID, 0, sizeof data, data);
    hello.sequence = static_cast<uint8_t>(hello.sequence + 1);
}

/* Main loop, receive pass: every frame received, one call each. */
void app_can_receive(int port, uint32_t id, uint8_t extended, uint8_t dlc, const uint8_t* data) {
    if (port != HELLO_PORT || extended || id != HELLO_RX_ID || dlc < 1) return;
    hello.coolant = data[0];
    hello.received.fetch_add(1);
}

namespace {
const AppPageName PAGE_NAMES[] = {{page_hello_enter, "hello"}, {page_can_enter, "can"}};
const AppInfo INFO = {"Hello - PC Simulator", PAGE_NAMES, 2};
} // namespace

const AppInfo* app_info(void) { return &INFO; }
