#pragma once
// State of the storage area: the file system's base, the EEPROM image and
// the parameter record.
#include "device/storage/eeprom.h"
#include "device/storage/fs.h"
#include "device/storage/params.h"

struct StorageState {
    FsState fs;         // base directory of the six roots
    EepromState eeprom; // the EEPROM image
    ParamsState params; // the parameter record and its dirty flag
};
