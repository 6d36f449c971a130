#pragma once
// The application's parameter record in the non-volatile image.

/* Load the record, or fall back to defaults; 1 when loaded. */
int params_load(void);
/* Write the record back when it changed. */
void params_commit(void);
