#pragma once
// Non-volatile image kept in a file of the working directory.

/* Load the image; 1 on success, 0 when the defaults stay. */
int eeprom_load(void);
