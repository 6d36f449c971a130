// Start-up and shut-down of the font engine: FreeType, its cache manager
// with the character-map and small-bitmap caches, and the blend table.
//
// Faces are opened lazily by the cache manager from the registry's bytes,
// evicted under the 1 MiB ceiling and reopened when needed again; nothing
// here allocates outside FreeType.
#include <cstdlib>
#include <cstring>

#include "device/device_memory.h"
#include "device/gfx/text_engine.h"
#include FT_MODULE_H

static TextState& ts() {
    return device_memory.text;
}

void text_build_blend_table(void) {
    for (int k = 0; k < 256; ++k) {
        for (int v = 0; v < 64; ++v)
            ts().blend[k][v] = static_cast<uint8_t>(v * k / 256);
    }
}

// FreeType's memory, handed out zeroed. The cache manager of FreeType 2.12
// leaves its running cache weight uninitialised; with whatever the heap held
// there the manager may believe it is always over its ceiling and throw
// every glyph away as soon as it is drawn, so that each text is rendered
// anew on every frame (four times the cost of a frame, depending on what
// the process allocated before). Zeroed blocks start that count at 0.
static void* zeroed_alloc(FT_Memory, long size) {
    ++ts().engine_allocations;
    return std::calloc(1, static_cast<size_t>(size));
}
static void zeroed_free(FT_Memory, void* block) {
    std::free(block);
}
static void* zeroed_realloc(FT_Memory, long current, long wanted, void* block) {
    ++ts().engine_allocations;
    void* grown = std::realloc(block, static_cast<size_t>(wanted));
    if (grown && wanted > current) std::memset(static_cast<char*>(grown) + current, 0, static_cast<size_t>(wanted - current));
    return grown;
}
// Only function pointers: the same for the whole run, not device state.
static FT_MemoryRec_ zeroed_memory = {nullptr, zeroed_alloc, zeroed_free, zeroed_realloc};

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
    if (FT_New_Library(&zeroed_memory, &library) != 0) return 0;
    t.library = library;
    FT_Add_Default_Modules(library);
    FT_Set_Default_Properties(library);
    FTC_Manager manager = nullptr;
    // Every face and the sizes the pages use stay open: with FreeType's
    // defaults (2 faces, 4 sizes) a page that draws in all three fonts
    // closed and reopened a face, and re-ran its font program, several
    // times a frame.
    const FT_UInt faces = count > 0 ? count : 1;
    if (FTC_Manager_New(library, faces, TEXT_CACHE_SIZES, TEXT_CACHE_BYTES, request_face, nullptr, &manager) != 0)
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
    if (t.library) FT_Done_Library(t.library); // the memory record is ours: not FT_Done_FreeType
    t.cache_manager = nullptr;
    t.cmap_cache = nullptr;
    t.sbit_cache = nullptr;
    t.library = nullptr;
}

void text_flush_cache(void) {
    if (ts().cache_manager) FTC_Manager_Reset(ts().cache_manager);
}
