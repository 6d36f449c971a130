// The framework's defaults of the optional application hooks. They are weak
// definitions: a hook that the application defines replaces its default
// at link time, whichever object the linker met first. app_init has none on
// purpose, so that an application without it fails to link with its name.
#include "device/runtime/app_hooks.h"

#define APP_DEFAULT __attribute__((weak))

APP_DEFAULT void app_task_10ms(void) {}
APP_DEFAULT void app_task_50ms(void) {}
APP_DEFAULT void app_task_100ms(void) {}
APP_DEFAULT void app_task_500ms(void) {}
APP_DEFAULT void app_task_1s(void) {}
APP_DEFAULT void app_blink_hook(void) {}
APP_DEFAULT void app_main_hook(void) {}
APP_DEFAULT void app_can_receive(int, uint32_t, uint8_t, uint8_t, const uint8_t*) {}
APP_DEFAULT void app_reset(void) {}

APP_DEFAULT const AppInfo* app_info(void) {
    static const AppInfo none = {nullptr, nullptr, 0};
    return &none;
}
