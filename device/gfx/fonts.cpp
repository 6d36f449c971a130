// Start-up and shut-down of the font engine: FreeType, its cache manager
// with the character-map and small-bitmap caches, and the blend table.
//
// Faces are opened lazily by the cache manager from the registry's bytes,
// evicted under the 1 MiB ceiling and reopened when needed again; nothing
// here allocates outside FreeType.
#include "device/device_memory.h"
#include "device/gfx/text_engine.h"

static TextState& ts() {
    return device_memory.text;
}

void text_build_blend_table(void) {
    for (int k = 0; k < 256; ++k) {
        for (int v = 0; v < 64; ++v)
            ts().blend[k][v] = static_cast<uint8_t>(v * k / 256);
    }
}

/* Called by the cache manager with a face identifier from text_face_id. */
static FT_Error request_face(FTC_FaceID face_id, FT_Library library, FT_Pointer, FT_Face* face) {
    const uint32_t index = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(face_id) - 1);
    if (index >= ts().registry_count) return FT_Err_Invalid_Argument;
    const FontEntry& font = ts().registry[index];
    return FT_New_Memory_Face(library, font.data, static_cast<FT_Long>(font.size), 0, face);
}

int text_init(const FontEntry* registry, uint32_t count) {
    text_shutdown();
    TextState& t = ts();
    t.registry = registry;
    t.registry_count = count;

    // Each handle is stored as soon as it exists, so that text_shutdown
    // releases whatever a failed start-up had already created.
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) return 0;
    t.library = library;
    FTC_Manager manager = nullptr;
    if (FTC_Manager_New(library, 0, 0, TEXT_CACHE_BYTES, request_face, nullptr, &manager) != 0)
        return 0;
    t.cache_manager = manager;
    FTC_CMapCache cmap_cache = nullptr;
    if (FTC_CMapCache_New(manager, &cmap_cache) != 0) return 0;
    t.cmap_cache = cmap_cache;
    FTC_SBitCache sbit_cache = nullptr;
    if (FTC_SBitCache_New(manager, &sbit_cache) != 0) return 0;
    t.sbit_cache = sbit_cache;

    t.fonts_ready = 1;
    return 1;
}

void text_shutdown(void) {
    TextState& t = ts();
    t.fonts_ready = 0;
    // The manager owns the caches, faces and sizes; the library goes last.
    if (t.cache_manager) FTC_Manager_Done(t.cache_manager);
    if (t.library) FT_Done_FreeType(t.library);
    t.cache_manager = nullptr;
    t.cmap_cache = nullptr;
    t.sbit_cache = nullptr;
    t.library = nullptr;
}

void text_flush_cache(void) {
    if (ts().cache_manager) FTC_Manager_Reset(ts().cache_manager);
}
