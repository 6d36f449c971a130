#pragma once
// The emulated EEPROM: a 32 KiB image in device memory, loaded at start-up
// from "eeprom.dat" (or, when that is not a whole image, "eeprom.dat.old")
// in the configuration root, and saved whole after every write.
//
// A save never leaves the unit without a whole image on disk: the new image
// goes to "eeprom.dat.tmp" in the same folder and is made durable first;
// then "eeprom.dat" becomes "eeprom.dat.old" and the new file becomes
// "eeprom.dat", each by a single rename. A save that fails before the
// renames leaves both previous files as they were (the data then exists
// only in the image). When the second rename fails after the first went
// through, the previous image is under "eeprom.dat.old" (and still the one
// a load takes) and the new one stays in "eeprom.dat.tmp"; it is never
// deleted, since nothing else on disk holds it.
#include <cstdint>

constexpr uint32_t EEPROM_SIZE = 0x8000;
constexpr uint8_t EEPROM_ERASED = 0xFF; // what an erased EEPROM reads

constexpr char EEPROM_FILE[] = "eeprom.dat";         // the current image
constexpr char EEPROM_OLD_FILE[] = "eeprom.dat.old"; // the image before the last save
constexpr char EEPROM_TMP_FILE[] = "eeprom.dat.tmp"; // a save under way

struct EepromState {
    uint8_t eeprom_image[EEPROM_SIZE] = {}; // the emulated EEPROM contents
    uint32_t saves = 0;                     // saves attempted since reset (diagnostics)
};

/* Fill the image from "eeprom.dat", else "eeprom.dat.old", else erase it.
 * A file counts only when a whole image can be read from it. */
void eeprom_load(void);
/* Copy length bytes into the image at offset and save the image. 1 when the
 * save succeeded; 0 when it failed or the range lies outside the image (then
 * nothing is copied). */
int eeprom_write(uint32_t offset, const void* data, uint32_t length);
/* The image (EEPROM_SIZE bytes). */
const uint8_t* eeprom_image(void);
