#pragma once
// Screen manager: the current page's drawing handlers, the page request and
// the soft-key bar state.
//
// A page is three functions of the application: its enter function, which
// follows the enter protocol (screen_enter_page), a static handler that
// draws what does not change into layer 1 on a full redraw, and an update
// handler that draws what changes into the overlay in every iteration. The
// application asks for a page with screen_request_page; the main loop calls
// the enter function at the start of its next iteration, and the update
// handler then identifies the page as the current one.
#include <cstdint>

#include "device/services/shared_var.h"

typedef void (*page_fn_t)(void);

constexpr uint8_t SCREEN_BAR_ENTERED = 3; // a page has just been entered
constexpr uint8_t SCREEN_BAR_CLOSING = 2;
constexpr uint8_t SCREEN_BAR_IDLE = 7;

struct ScreenState {
    page_fn_t static_handler = nullptr;           // page's unchanging parts, on a full redraw
    SharedVar<page_fn_t> update_handler = nullptr; // page's changing parts; also the current page
    page_fn_t overlay_handler = nullptr;          // optional third drawing pass
    uint8_t overlay_remove = 0;                   // 1: the next screen step drops the overlay
    uint8_t full_redraw = 0;                      // 1: the next screen step runs the static handler
    SharedVar<uint8_t> bar_state = 1;             // screen_bar_state: soft-key bar state
    SharedVar<uint8_t> bar_hold = 0;              // soft-key bar hold counter (100 ms steps)
    SharedVar<page_fn_t> page_request = nullptr;  // page the application wants shown
    SharedVar<page_fn_t> page_entered = nullptr;  // enter function the main loop called last
};

void screen_set_draw_handlers(page_fn_t static_handler, page_fn_t update_handler);
/* A handler becomes the overlay pass; none removes it at the next step. */
void screen_set_overlay(page_fn_t handler);
void screen_step(void);
void screen_bar_step(void);
/* The enter protocol every page follows: key handlers cleared (bind the
 * page's keys after it), the two handlers installed, the overlay removed, a
 * full redraw due. */
void screen_enter_page(page_fn_t static_handler, page_fn_t update_handler);

/* Ask for a page by its enter function (tick or main loop). A request for
 * the page entered last does nothing; the newest request wins. */
void screen_request_page(page_fn_t enter);
/* The current page's update handler, which identifies the page shown. */
page_fn_t screen_update_handler(void);
/* A page's name from the application's app_info: "none" for no page,
 * "unknown" for one the application does not name. */
const char* screen_page_name(page_fn_t enter);
