// The default font registry: the framework's three standard fonts. In an
// object of its own, so that an application with fonts of its own does not
// carry the standard ones as well.
#include "device/assets/fonts.h"
#include "device/runtime/app_hooks.h"

__attribute__((weak)) const FontEntry* app_font_registry(uint32_t* count) {
    *count = FONT_REGISTRY_COUNT;
    return font_registry;
}
