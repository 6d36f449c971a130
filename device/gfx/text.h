#pragma once
// Anti-aliased text with the embedded fonts.

/* Precompute the coverage blend table. */
void text_build_blend_table(void);
/* Start the font engine with the font registry; 1 when fonts are ready. */
int text_init(void);
