#include "device/app/page_names.h"

#include "device/app/pages.h"

namespace {
struct PageName {
    page_fn_t enter;
    const char* name;
};

const PageName PAGE_NAMES[] = {
    {page_splash_enter, "splash"},     {page_version_enter, "version"},
    {page_fuel_enter, "fuel"},         {page_gauges_enter, "gauges"},
    {page_engine_a_enter, "engine_a"}, {page_engine_b_enter, "engine_b"},
};
} // namespace

const char* app_page_name(page_fn_t enter) {
    if (!enter) return "none";
    for (const PageName& p : PAGE_NAMES) {
        if (p.enter == enter) return p.name;
    }
    return "unknown";
}
