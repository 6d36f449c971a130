#include "device/events/event.h"

#include <cstring>

#include "device/device_memory.h"
#include "device/events/usbstick.h"
#include "device/storage/fs.h"

static EventState& es() { return device_memory.events; }

constexpr size_t INSERTED_LEN = sizeof EVENT_USB_INSERTED - 1;        // 17
constexpr size_t EJECT_READY_LEN = sizeof EVENT_USB_EJECT_READY - 1; // 19

void event_on_host(int event) {
    EventState& e = es();
    e.event_index = event;
    e.event_pending.store_release(1); // the index is visible before the flag
}

void event_step(void) {
    EventState& e = es();
    if (!e.event_pending.load_acquire()) return;
    e.event_pending = 0;
    if (e.event_index == 0) event_command_exchange(EVENT_COMMAND_FILE, EVENT_REPLY_FILE);
    // Event 2 is accepted and has no effect in this application.
}

int event_handle_command(const char* text) {
    EventState& e = es();
    if (std::strncmp(text, EVENT_USB_INSERTED, INSERTED_LEN) == 0) {
        // The name is what follows the last "/"; without one it starts one
        // character after the prefix, whatever that character is. A
        // trailing line break stays in it.
        size_t i = std::strlen(text) - 1;
        while (i > INSERTED_LEN && text[i] != '/') --i;
        usbstick_set_name(text + i + 1);
        e.usb_state.store_release(USB_STATE_ANNOUNCED); // after the name: the tick reads state first
        return 1;
    }
    if (std::strncmp(text, EVENT_USB_EJECT_READY, EJECT_READY_LEN) == 0) {
        e.usb_state.store_release(USB_STATE_EJECT_READY);
        return 1;
    }
    return 0;
}

int event_command_exchange(const char* command_file, const char* reply_file) {
    FILE* command = fs_open(FS_ROOT_EVENT, command_file, "r");
    if (!command) return 0;
    char text[EVENT_COMMAND_MAX + 1];
    const uint32_t n = fs_read(command, text, EVENT_COMMAND_MAX);
    text[n] = '\0';
    fs_close(command);
    fs_remove(FS_ROOT_EVENT, command_file);

    const char* reply = event_handle_command(text) ? "OK" : "KO";
    FILE* out = fs_open(FS_ROOT_EVENT, reply_file, "w");
    if (out) {
        fs_write(out, reply, 2);
        fs_close(out);
        es().replies.fetch_add(1);
    }
    return 1;
}
