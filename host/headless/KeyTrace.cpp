#include "host/headless/KeyTrace.h"

#include <cinttypes>

#include "device/device_memory.h"
#include "device/screen/screen.h"

namespace pcsim {

void KeyTrace::OnKeys(uint32_t t, uint8_t before, uint8_t after) {
    for (int k = 1; k <= 5; ++k) {
        const uint8_t bit = static_cast<uint8_t>(1u << (k - 1));
        if ((before ^ after) & bit) {
            std::fprintf(out_, "%" PRIu32 " key F%d %s\n", t, k, (after & bit) ? "down" : "up");
        }
    }
}

bool KeyTrace::OnIteration(uint32_t t, HeadlessRunner&) {
    // The main loop records every entry it makes, and makes at most one per
    // iteration, so a change since the last iteration is one entry.
    const page_fn_t entered = device_memory.screen.page_entered;
    if (entered != entered_) {
        entered_ = entered;
        std::fprintf(out_, "%" PRIu32 " page %s\n", t, screen_page_name(entered));
    }
    return true;
}

} // namespace pcsim
