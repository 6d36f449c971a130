#pragma once
// Anti-aliased text with the embedded TrueType fonts, and number formatting.
//
// text_build_blend_table and text_init run once at start-up; the font engine
// (FreeType with its cache manager) then lives until text_shutdown, which
// device_memory_reset calls so that a reset device starts without fonts, as
// at power-up. Text is drawn only on the application thread.
#include <cstdint>

// FreeType's handle types, declared here so that the device state does not
// pull FreeType's headers into every file that includes it.
struct FT_LibraryRec_;
struct FTC_ManagerRec_;
struct FTC_CMapCacheRec_;
struct FTC_SBitCacheRec_;

/* One font of the registry: the bytes of a TrueType file compiled into the
 * program. */
struct FontEntry {
    const uint8_t* data; // the font file's bytes
    uint32_t size;       // their count
    uint32_t reserved;   // always 0
};

constexpr uint32_t TEXT_CACHE_BYTES = 1048576; // ceiling of the font engine's caches
constexpr uint32_t TEXT_CACHE_SIZES = 8;       // font sizes kept open (the pages use 6)
constexpr int TEXT_MAX_GLYPHS = 200;           // glyphs of one line; further ones are dropped
constexpr int TEXT_BUFFER_SIZE = 128;          // the shared text buffer of format_fixed
constexpr int TEXT_MAX_FONT_INDEX = 2;         // the style setters accept 0..2

constexpr uint8_t TEXT_ALIGN_LEFT = 0;
constexpr uint8_t TEXT_ALIGN_CENTRE = 1;
constexpr uint8_t TEXT_ALIGN_RIGHT = 2;

struct TextStyle {
    int32_t font_index; // registry index
    uint8_t size;       // pixel size of the em square
    uint8_t align;      // 0 left, 1 centred, 2 right, anything else left
    uint8_t spacing;    // extra pixels before every glyph after the first
};

/* Position of a string the UTF-8 decoder is part-way through. */
struct Utf8Decoder {
    const char* position = nullptr; // where the unfinished string continues; null when none
};

struct TextState {
    TextStyle style = {0, 10, 0, 0};          // style of gfx_draw_text
    TextStyle style2 = {2, 10, 0, 0};         // style of gfx_draw_text2
    const FontEntry* registry = nullptr;      // fonts handed to text_init
    uint32_t registry_count = 0;              // entries of the registry
    FT_LibraryRec_* library = nullptr;        // FreeType library
    FTC_ManagerRec_* cache_manager = nullptr; // opens faces and sizes, holds the caches
    FTC_CMapCacheRec_* cmap_cache = nullptr;  // character to glyph index
    FTC_SBitCacheRec_* sbit_cache = nullptr;  // rendered glyph bitmaps
    uint8_t fonts_ready = 0;                  // start-up succeeded; text is drawn only then
    uint32_t engine_allocations = 0;          // blocks FreeType has asked for (a warm cache asks none)
    Utf8Decoder decoder;                      // the decoder's remembered position
    uint8_t blend[256][64] = {};              // [k][v] = v * k / 256, built at start-up
    char buffer[TEXT_BUFFER_SIZE] = {};       // the shared text buffer of format_fixed
};

/* Start-up. */
void text_build_blend_table(void);
/* Start FreeType and its caches on the registry; 1 when the fonts are ready,
 * 0 when any step failed (text is then silently not drawn). Calling it again
 * first shuts the previous engine down. */
int text_init(const FontEntry* registry, uint32_t count);
/* Release everything FreeType holds; the fonts are no longer ready. */
void text_shutdown(void);
/* Drop every cached face, size and glyph (the next draws start cold). */
void text_flush_cache(void);

/* The text style. Setters take the values as given, except the font index,
 * which is stored only if it is 0..2. */
void gfx_set_font(uint8_t size, uint8_t align, uint8_t spacing);
void gfx_set_text_font(int32_t font_index);
void gfx_set_text_size(uint8_t size);
void gfx_set_text_align(uint8_t align);
void gfx_set_text_spacing(uint8_t spacing);

/* Draw one line of NUL-terminated UTF-8 at (x, y), y being the top of the
 * line, in the pen colour and the layer of the current layer code. Returns
 * the number of glyphs drawn. */
int gfx_draw_text(int32_t x, int32_t y, const char* text);

/* The second text style: independent of the first, same behaviour. */
void gfx_set_font2(uint8_t size, uint8_t align, uint8_t spacing);
void gfx_set_text_font2(int32_t font_index);
void gfx_set_text_size2(uint8_t size);
void gfx_set_text_align2(uint8_t align);
void gfx_set_text_spacing2(uint8_t spacing);
int gfx_draw_text2(int32_t x, int32_t y, const char* text);

/* Fill the box (x, y)..(x + w, y + h) with the fill colour; with a border
 * thickness t, paint the border colour over it and the key colour inside
 * the border; then draw the text in the box with the given size, font and
 * colour and the first style's alignment. */
void gfx_draw_text_boxed(uint16_t x, uint16_t y, uint16_t w, uint16_t h, uint16_t t,
                         uint16_t border_colour, uint8_t size, int32_t font_index,
                         uint16_t text_colour, const char* text);

/* UTF-8 decoding, one code point per call. Pass the string's start, then
 * each *next the previous call gave back; nullptr resets the decoder. */
constexpr int UTF8_OK = 0;       // a code point (U+003F for a malformed sequence)
constexpr int UTF8_END = 1;      // the terminating NUL: the string is finished
constexpr int UTF8_MISMATCH = 2; // another position while a string was unfinished
uint32_t text_utf8_next(const char* position, const char** next, int* status);

/* Fit value into max_len characters with at most decimals decimals (fewer
 * if needed), zero-padded to pad characters when pad is non-zero; too large
 * a value becomes max_len nines. The result is in text_shared_buffer(). */
void format_fixed(float value, uint8_t max_len, uint8_t decimals, uint8_t pad);
/* The same, with every format carrying an explicit terminating NUL. */
void format_fixed_nul(float value, uint8_t max_len, uint8_t decimals, uint8_t pad);
const char* text_shared_buffer(void);
