#include "device/events/usbstick.h"

#include "device/device_memory.h"
#include "device/events/event.h"
#include "device/storage/fs.h"

static EventState& es() { return device_memory.events; }

void usbstick_set_name(const char* name) {
    EventState& e = es();
    const uint32_t next = e.usb_name_version + 1;
    UsbStickName& copy = e.usb_stick_name[next & 1];
    // A tick that took this copy two versions ago may still be reading it.
    // Each byte is a release store (and read with acquire): a reader that
    // sees any new byte also sees the last publication, finds the version
    // moved on and reads again.
    size_t i = 0;
    for (; i + 1 < USB_STICK_NAME_SIZE && name[i] != '\0'; ++i) copy.text[i].store_release(name[i]);
    copy.text[i].store_release('\0');
    e.usb_name_version.store_release(next);
}

void usbstick_name(char* out, size_t size) {
    if (!out || size == 0) return;
    const EventState& e = es();
    for (;;) {
        const uint32_t version = e.usb_name_version.load_acquire();
        const UsbStickName& copy = e.usb_stick_name[version & 1];
        size_t i = 0;
        for (; i + 1 < size; ++i) {
            out[i] = copy.text[i].load_acquire();
            if (out[i] == '\0') break;
        }
        out[i] = '\0';
        // Unchanged version: no new name was written over this copy meanwhile.
        if (e.usb_name_version == version) return;
    }
}

uint32_t usbstick_state(void) { return es().usb_state.load_acquire(); }

int usbstick_present(void) {
    EventState& e = es();
    const uint32_t state = e.usb_state.load_acquire();
    if (state != USB_STATE_ANNOUNCED && state != USB_STATE_PRESENT && state != USB_STATE_EJECT_READY)
        return 0;
    char name[USB_STICK_NAME_SIZE];
    usbstick_name(name, sizeof name);
    const int exists = fs_dir_exists(FS_ROOT_MEDIA, name);
    // The moves are conditional: a command handled by the main loop in the
    // meantime (a new insertion) must not be undone by this older view.
    if (state == USB_STATE_ANNOUNCED) {
        if (!exists) return 0;
        uint32_t announced = USB_STATE_ANNOUNCED;
        e.usb_state.compare_exchange(announced, USB_STATE_PRESENT);
        return 1;
    }
    if (exists) return 1;
    uint32_t seen = state;
    e.usb_state.compare_exchange(seen, USB_STATE_NONE);
    return 0;
}
