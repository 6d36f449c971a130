#pragma once
// The six pages. Each has an enter function (the page protocol), a static
// handler (background into layer 1, on a full redraw) and an update handler
// (everything that changes, into the overlay, on every screen step).

#define PAGE_DECLARE(name)        \
    void page_##name##_enter(void);  \
    void page_##name##_static(void); \
    void page_##name##_update(void);

PAGE_DECLARE(splash)
PAGE_DECLARE(version)
PAGE_DECLARE(fuel)
PAGE_DECLARE(gauges)
PAGE_DECLARE(engine_a)
PAGE_DECLARE(engine_b)

#undef PAGE_DECLARE
