// What the host shows of the gauge application: the names its pages go by
// in traces. The window keeps the simulator's own title.
#include "device/app/pages.h"
#include "device/runtime/app_hooks.h"

namespace {
const AppPageName PAGE_NAMES[] = {
    {page_splash_enter, "splash"},     {page_version_enter, "version"},
    {page_fuel_enter, "fuel"},         {page_gauges_enter, "gauges"},
    {page_engine_a_enter, "engine_a"}, {page_engine_b_enter, "engine_b"},
};

const AppInfo INFO = {nullptr, PAGE_NAMES, sizeof PAGE_NAMES / sizeof PAGE_NAMES[0]};
} // namespace

const AppInfo* app_info(void) { return &INFO; }
