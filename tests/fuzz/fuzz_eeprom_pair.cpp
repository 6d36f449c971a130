// Fuzz target: any "eeprom.dat" / "eeprom.dat.old" pair. The load must take
// the first whole image (or none), the parameter record must come out valid
// or as defaults, and a commit must leave a whole, valid current file with
// the previous whole image as the old one.
//
// Input: byte 0 and byte 1 say how each file is made (0: missing, 1: a whole
// image, its bytes padded with 0xFF; 2: exactly its bytes), bytes 2-3 the
// length of the current file's bytes (little-endian); the rest are the
// bytes, the current file's first.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "device/device_memory.h"
#include "device/storage/crc16.h"
#include "device/storage/eeprom.h"
#include "device/storage/params.h"
#include "fuzz/fuzz_base_dir.h"

namespace {
void check(bool ok) {
    if (!ok) std::abort();
}

enum FileKind { kMissing, kWhole, kExact };

/* Write a file as its kind says; returns what a load would see as a whole
 * image (empty when it is not one). */
std::vector<uint8_t> make_file(const char* name, int kind, const uint8_t* bytes, size_t len) {
    fs_remove(FS_ROOT_CONFIG, name);
    if (kind == kMissing) return {};
    std::vector<uint8_t> content(bytes, bytes + len);
    if (kind == kWhole) content.resize(EEPROM_SIZE, EEPROM_ERASED);
    FILE* f = fs_open(FS_ROOT_CONFIG, name, "w");
    check(f != nullptr);
    check(fs_write(f, content.data(), static_cast<uint32_t>(content.size())) == content.size());
    fs_close(f);
    if (content.size() < EEPROM_SIZE) return {};
    content.resize(EEPROM_SIZE);
    return content;
}

std::vector<uint8_t> read_file(const char* name) {
    std::vector<uint8_t> content(EEPROM_SIZE + 1);
    FILE* f = fs_open(FS_ROOT_CONFIG, name, "r");
    if (!f) return {};
    content.resize(fs_read(f, content.data(), static_cast<uint32_t>(content.size())));
    fs_close(f);
    return content;
}

bool block_valid(const uint8_t* record) {
    uint32_t stored;
    std::memcpy(&stored, record, sizeof stored);
    return crc16(record + 4, 20) == stored;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    device_memory.storage = StorageState{};
    fuzz_use_base_dir();
    const size_t payload = size - 4;
    const size_t split = std::min<size_t>(payload, data[2] | (data[3] << 8));
    const std::vector<uint8_t> dat = make_file(EEPROM_FILE, data[0] % 3, data + 4, split);
    const std::vector<uint8_t> old =
        make_file(EEPROM_OLD_FILE, data[1] % 3, data + 4 + split, payload - split);

    eeprom_load();
    const std::vector<uint8_t> image(eeprom_image(), eeprom_image() + EEPROM_SIZE);
    const std::vector<uint8_t> expected = !dat.empty() ? dat
                                          : !old.empty()
                                              ? old
                                              : std::vector<uint8_t>(EEPROM_SIZE, EEPROM_ERASED);
    check(image == expected);

    const int valid = params_load();
    const AppParams& p = *params_get();
    check(p.signature == PARAMS_SIGNATURE);
    if (valid) {
        check(std::memcmp(&p, image.data(), sizeof p) == 0 && block_valid(image.data()));
    } else {
        check(p.param0 == 4 && p.log_number_can1 == 0 && p.log_number_can2 == 0);
        check(p.write_count == 0 || p.write_count == 1000);
    }

    const std::vector<uint8_t> current_before = read_file(EEPROM_FILE);
    const std::vector<uint8_t> old_before = read_file(EEPROM_OLD_FILE);
    params_commit();
    const std::vector<uint8_t> current = read_file(EEPROM_FILE);
    if (valid) {
        check(current == current_before &&
              read_file(EEPROM_OLD_FILE) == old_before); // nothing written
    } else {
        check(current.size() == EEPROM_SIZE && block_valid(current.data()));
        check(std::memcmp(current.data(), eeprom_image(), EEPROM_SIZE) == 0);
        check(read_file(EEPROM_OLD_FILE) == (dat.empty() ? old_before : current_before));
        check(!fs_file_exists(FS_ROOT_CONFIG, EEPROM_TMP_FILE));
    }
    return 0;
}
