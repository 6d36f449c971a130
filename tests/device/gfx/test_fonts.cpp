// The font registry compiled into the device, and the font engine's life:
// start-up, failure to start, restart and release at reset.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "device/gfx/text_helpers.h"

namespace {

struct FaceFacts {
    long glyphs;
    int units_per_em;
    bool kerning;
    int bitmap_strikes;
};

FaceFacts facts(int font) {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    FT_Init_FreeType(&library);
    const FontEntry& f = font_registry[font];
    EXPECT_EQ(FT_New_Memory_Face(library, f.data, static_cast<FT_Long>(f.size), 0, &face), 0);
    const FaceFacts out{face->num_glyphs, face->units_per_EM, FT_HAS_KERNING(face) != 0,
                        face->num_fixed_sizes};
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    return out;
}

TEST(FontRegistry, HoldsATextFaceWithKerningOneWithoutAndANumeralsFace) {
    ASSERT_EQ(FONT_REGISTRY_COUNT, 3u);
    for (uint32_t i = 0; i < FONT_REGISTRY_COUNT; ++i) {
        EXPECT_EQ(font_registry[i].reserved, 0u);
        EXPECT_EQ(facts(static_cast<int>(i)).units_per_em, 2048) << "font " << i;
    }
    EXPECT_TRUE(facts(0).kerning);
    EXPECT_FALSE(facts(1).kerning);
    EXPECT_EQ(facts(1).bitmap_strikes, 3); // 10, 12 and 14 pixels per em
    EXPECT_EQ(facts(2).glyphs, 14);
}

TEST_F(TextTest, EmbeddedStrikesDrawLikeOutlines) {
    // At 12 pixels the second face draws from its grey bitmap strike, at 13
    // from its outlines; both go through the same 8-bit coverage path.
    gfx_set_text_font(1);
    for (uint8_t size : {12, 13}) {
        clear();
        gfx_set_font(size, TEXT_ALIGN_LEFT, 0);
        EXPECT_EQ(gfx_draw_text(10, 10, "Mono 42"), 7);
        const Ink k = ink(0, kBackground);
        EXPECT_GE(k.x1 - k.x0, 6 * size / 2)
            << int(size); // seven monospaced cells of about half an em
        EXPECT_LE(k.y1 - k.y0, size) << int(size);
    }
}

TEST(FontRegistry, NumeralsFaceHasExactlyItsCharacters) {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    FT_Init_FreeType(&library);
    FT_New_Memory_Face(library, font_registry[2].data, static_cast<FT_Long>(font_registry[2].size),
                       0, &face);
    const char* present = "-.0123456789:";
    for (const char* c = present; *c; ++c)
        EXPECT_NE(FT_Get_Char_Index(face, static_cast<FT_ULong>(*c)), 0u) << *c;
    EXPECT_EQ(FT_Get_Char_Index(face, 0xAD), FT_Get_Char_Index(face, '-')); // soft hyphen
    EXPECT_EQ(FT_Get_Char_Index(face, ' '), 0u); // glyph 0 is the space: others show blank
    EXPECT_EQ(FT_Get_Char_Index(face, 'A'), 0u);
    FT_Done_Face(face);
    FT_Done_FreeType(library);
}

TEST_F(DeviceTest, TextIsNotDrawnBeforeTheFontsStart) {
    text_build_blend_table();
    fill_layer(0, 0xFFFF);
    gfx_set_font(24, 0, 0);
    EXPECT_EQ(gfx_draw_text(10, 10, "123"), 0);
    EXPECT_TRUE(pixels_not(0, 0xFFFF).empty());
}

TEST_F(DeviceTest, AFailedStartLeavesTextSilentlyUndrawn) {
    // A registry whose font bytes are not a font: the engine starts (faces
    // open lazily) but no size can be looked up, so nothing is drawn.
    static const uint8_t junk[64] = {1, 2, 3};
    static const FontEntry broken[1] = {{junk, sizeof junk, 0}};
    text_build_blend_table();
    EXPECT_EQ(text_init(broken, 1), 1);
    fill_layer(0, 0xFFFF);
    gfx_set_font(24, 0, 0);
    EXPECT_EQ(gfx_draw_text(10, 10, "123"), 0);
    EXPECT_EQ(gfx_draw_text2(10, 10, "123"), 0); // font 2 is beyond this registry
    EXPECT_TRUE(pixels_not(0, 0xFFFF).empty());
}

TEST_F(TextTest, RestartAndResetReleaseTheEngine) {
    gfx_set_font(24, 0, 0);
    EXPECT_EQ(gfx_draw_text(10, 10, "12"), 2);
    // Starting again replaces the engine (the sanitizer build checks that
    // the first one's memory is released) and text keeps working.
    ASSERT_EQ(text_init(font_registry, FONT_REGISTRY_COUNT), 1);
    EXPECT_EQ(gfx_draw_text(10, 10, "12"), 2);
    text_flush_cache();
    EXPECT_EQ(gfx_draw_text(10, 10, "12"), 2);

    device_memory_reset();
    EXPECT_EQ(device_memory.text.library, nullptr);
    EXPECT_EQ(device_memory.text.fonts_ready, 0);
    EXPECT_EQ(gfx_draw_text(10, 10, "12"), 0);
}

TEST_F(DeviceTest, AWarmGlyphCacheDrawsInAllThreeFacesWithoutRenderingAgain) {
    // Garbage in freed heap blocks of the sizes FreeType's start-up asks
    // for: its cache manager reads a field it never set from such a block
    // (and then threw glyphs away after each use), so the engine's memory
    // must come from the device, zeroed. All three faces are drawn in turn,
    // as the gauges page does: they must all stay open.
    text_shutdown();
    std::vector<void*> blocks;
    for (size_t size = 16; size <= 4096; size += 8) {
        for (int i = 0; i < 8; ++i) {
            void* b = std::malloc(size);
            std::memset(b, 0xFF, size);
            blocks.push_back(b);
        }
    }
    for (void* b : blocks) std::free(b);
    text_build_blend_table();
    ASSERT_EQ(text_init(font_registry, FONT_REGISTRY_COUNT), 1);
    ASSERT_GT(device_memory.text.engine_allocations, 0u) << "FreeType's memory goes through the device";
    gfx_select_layer(0);
    for (int font = 0; font < 3; ++font) {
        gfx_set_text_font(font);
        gfx_set_font(24, 0, 0);
        ASSERT_EQ(gfx_draw_text(10, 10, "0123"), 4); // renders and caches the glyphs
    }
    const uint32_t warm = device_memory.text.engine_allocations;
    for (int frame = 0; frame < 20; ++frame) {
        for (int font = 0; font < 3; ++font) {
            gfx_set_text_font(font);
            gfx_draw_text(10, 10, "0123");
        }
    }
    EXPECT_EQ(device_memory.text.engine_allocations, warm) << "cached glyphs were rendered again";
}

TEST_F(DeviceTest, StartUpBringsTheFontsUp) {
    sys_init();
    EXPECT_EQ(device_memory.text.fonts_ready, 1);
    EXPECT_EQ(device_memory.text.blend[255][63], 62);
}

} // namespace
