// The two pages. Each enter function follows the framework's enter protocol
// and then binds the page's keys (entering a page clears every binding).
// Static handlers draw the background into layer 1 once; update handlers
// clear the overlay to the key colour and draw what changes, every
// iteration.
#include <cstdio>

#include "assets/images.h"
#include "device/gfx/gfx.h"
#include "device/gfx/image.h"
#include "device/gfx/text.h"
#include "device/runtime/keys.h"
#include "device/screen/screen.h"
#include "hello.h"

namespace {

constexpr uint16_t COLOUR_NAVY = 0x110E;    // page 1 background
constexpr uint16_t COLOUR_SLATE = 0x2965;   // page 2 background
constexpr uint16_t COLOUR_TEXT = 0xFFFE;    // white that stays visible on the overlay
constexpr uint16_t COLOUR_CAPTION = 0xAD55; // light grey
constexpr uint16_t COLOUR_VALUE = 0xFFE0;   // yellow

// Font indices of the registry this application brings (CMakeLists.txt).
constexpr int32_t FONT_TEXT = 0;
constexpr int32_t FONT_NUMERALS = 1;

void show_hello(void) { screen_request_page(page_hello_enter); }
void show_can(void) { screen_request_page(page_can_enter); }

/* Hold handler of F3: runs once when the key has been held long enough. */
void reset_count(void) {
    hello.tenths = 0;
    hello.resets.fetch_add(1);
}

void bind_page_keys(void) {
    key_set_press_handler(show_hello, 0); // F1
    key_set_press_handler(show_can, 1);   // F2
}

/* Background of a page: layer 1 in one colour, a title and the keys. */
void draw_background(uint16_t colour, const char* title, const char* keys) {
    gfx_select_layer(1);
    gfx_clear_layers();
    gfx_fill_block(gfx_layer(1), 0, 0, GFX_WIDTH - 1, GFX_SCREEN_ROWS - 1, colour);
    gfx_set_text_font(FONT_TEXT);
    gfx_set_pen_colour(COLOUR_TEXT);
    gfx_set_font(24, TEXT_ALIGN_LEFT, 0);
    gfx_draw_text(16, 18, title);
    gfx_set_pen_colour(COLOUR_CAPTION);
    gfx_set_font(12, TEXT_ALIGN_LEFT, 0);
    gfx_draw_text(16, 216, keys);
}

/* The overlay starts transparent: the fill colour is the key colour. */
void clear_overlay(void) {
    gfx_select_layer(2);
    gfx_fill_rect(0, 0, GFX_WIDTH - 1, GFX_SCREEN_ROWS - 1);
}

void draw_value(int32_t x, int32_t y, const char* text) {
    gfx_set_text_font(FONT_NUMERALS);
    gfx_set_pen_colour(COLOUR_VALUE);
    gfx_set_font(48, TEXT_ALIGN_RIGHT, 0);
    gfx_draw_text(x, y, text);
    gfx_set_text_font(FONT_TEXT);
}

void draw_label(int32_t x, int32_t y, uint8_t size, const char* text) {
    gfx_set_pen_colour(COLOUR_TEXT);
    gfx_set_font(size, TEXT_ALIGN_LEFT, 0);
    gfx_draw_text(x, y, text);
}

} // namespace

void page_hello_enter(void) {
    screen_enter_page(page_hello_static, page_hello_update);
    bind_page_keys();
    key_set_hold_handler(reset_count, 2, HELLO_RESET_HOLD); // F3
}

void page_hello_static(void) {
    draw_background(COLOUR_NAVY, "Hello, unit", "F1 hello    F2 CAN    hold F3: reset the count");
    // Mode 0 leaves out the picture's transparent corners (key colour).
    gfx_set_image_mode(0);
    gfx_draw_image(232, 12, img_badge);
    gfx_set_image_mode(1);
    draw_label(16, 60, 14, "Seconds counted");
}

void page_hello_update(void) {
    clear_overlay();
    char text[16];
    const uint32_t tenths = hello.tenths;
    std::snprintf(text, sizeof text, "%u.%u", static_cast<unsigned>(tenths / 10),
                  static_cast<unsigned>(tenths % 10));
    draw_value(250, 100, text);
    draw_label(258, 124, 24, "s");
    std::snprintf(text, sizeof text, "resets: %u", static_cast<unsigned>(hello.resets));
    draw_label(16, 180, 14, text);
}

void page_can_enter(void) {
    screen_enter_page(page_can_static, page_can_update);
    bind_page_keys();
}

void page_can_static(void) {
    draw_background(COLOUR_SLATE, "CAN1", "F1 hello    F2 CAN");
    draw_label(16, 60, 14, "Coolant (frame 120h, byte 0)");
}

void page_can_update(void) {
    clear_overlay();
    char text[16];
    const uint8_t coolant = hello.coolant;
    if (coolant == HELLO_NO_VALUE) {
        std::snprintf(text, sizeof text, "--");
    } else {
        std::snprintf(text, sizeof text, "%d", coolant - 40);
    }
    draw_value(250, 100, text);
    draw_label(258, 124, 24, "\xC2\xB0" "C");
    std::snprintf(text, sizeof text, "frames: %u", static_cast<unsigned>(hello.received));
    draw_label(16, 180, 14, text);
}
