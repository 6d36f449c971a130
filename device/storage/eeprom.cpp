#include "device/storage/eeprom.h"

// No image file is read yet; the device starts from its defaults.
int eeprom_load(void) { return 0; }
