#include "device/storage/eeprom.h"

#include <cstring>

#include "device/device_memory.h"
#include "device/storage/fs.h"

static EepromState& ee() { return device_memory.storage.eeprom; }

const uint8_t* eeprom_image(void) { return ee().eeprom_image; }

/* Read one file into the image; 1 when a whole image was read. */
static int eeprom_load_file(const char* name) {
    FILE* file = fs_open(FS_ROOT_CONFIG, name, "r");
    if (!file) return 0;
    const uint32_t n = fs_read(file, ee().eeprom_image, EEPROM_SIZE);
    fs_close(file);
    return n == EEPROM_SIZE ? 1 : 0;
}

void eeprom_load(void) {
    if (eeprom_load_file(EEPROM_FILE)) return;
    if (eeprom_load_file(EEPROM_OLD_FILE)) return;
    std::memset(ee().eeprom_image, EEPROM_ERASED, EEPROM_SIZE);
}

/* Write the image to the temporary file and make it durable; 1 on success.
 * On failure the temporary file is removed again. */
static int eeprom_write_temporary(void) {
    FILE* file = fs_open(FS_ROOT_CONFIG, EEPROM_TMP_FILE, "w");
    if (!file) return 0;
    int ok = fs_write(file, ee().eeprom_image, EEPROM_SIZE) == EEPROM_SIZE;
    ok = fs_sync(file) && ok;
    fs_close(file);
    if (!ok) fs_remove(FS_ROOT_CONFIG, EEPROM_TMP_FILE);
    return ok;
}

static int eeprom_save(void) {
    ee().saves++;
    if (!eeprom_write_temporary()) return 0;
    // Only a whole image moves on to ".old": after a short or broken
    // "eeprom.dat" the old file is the last good image and stays.
    if (fs_file_size(FS_ROOT_CONFIG, EEPROM_FILE) >= static_cast<int64_t>(EEPROM_SIZE)) {
        fs_rename(FS_ROOT_CONFIG, EEPROM_FILE, FS_ROOT_CONFIG, EEPROM_OLD_FILE);
    }
    if (!fs_rename(FS_ROOT_CONFIG, EEPROM_TMP_FILE, FS_ROOT_CONFIG, EEPROM_FILE)) {
        // The temporary file is a whole, durable image and may be the only
        // copy of it on disk: it stays. The previous image is still loaded
        // (from "eeprom.dat.old" when the first rename went through), and
        // the next save writes the temporary file afresh.
        fs_sync_dir(FS_ROOT_CONFIG);
        return 0;
    }
    fs_sync_dir(FS_ROOT_CONFIG);
    return 1;
}

int eeprom_write(uint32_t offset, const void* data, uint32_t length) {
    if (!data || offset > EEPROM_SIZE || length > EEPROM_SIZE - offset) return 0;
    std::memmove(ee().eeprom_image + offset, data, length);
    return eeprom_save();
}
