// The parameter record: the first run's defaults and their first commit,
// which stored records load and which fall back to defaults, one write per
// change and none without, and log numbers that survive a restart.
#include <cstring>
#include <sys/stat.h>

#include "device/device_memory.h"
#include "device/storage/crc16.h"
#include "device/storage/eeprom.h"
#include "device/storage/params.h"
#include "device/storage/storage_fixture.h"

namespace {

namespace fs = std::filesystem;

class Params : public StorageTest {
  protected:
    void SetUp() override {
        StorageTest::SetUp();
        MakeRoots();
    }
    fs::path Dat() const { return Path(FS_ROOT_CONFIG, EEPROM_FILE); }
    fs::path Old() const { return Path(FS_ROOT_CONFIG, EEPROM_OLD_FILE); }

    /* A stored image: the record's bytes at offset 0, erased after them. */
    void Store(const AppParams& record) {
        std::vector<uint8_t> image(EEPROM_SIZE, 0xFF);
        std::memcpy(image.data(), &record, sizeof record);
        WriteBytes(Dat(), image);
    }
    /* The record as a commit leaves it: its block CRC as 32 bits at 0. */
    static AppParams Committed(AppParams p) {
        const uint32_t crc = crc16(reinterpret_cast<const uint8_t*>(&p) + 4, 20);
        std::memcpy(&p, &crc, sizeof crc);
        return p;
    }
    static uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
        uint32_t v;
        std::memcpy(&v, b.data() + at, sizeof v);
        return v;
    }
    static ino_t Inode(const fs::path& path) {
        struct stat st {};
        return stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
    }
    const AppParams& P() const { return *params_get(); }
};

TEST_F(Params, FirstRunCommitsTheDefaultsOnce) {
    sys_init();
    for (uint32_t i = 0; i < EEPROM_SIZE; ++i)
        ASSERT_EQ(eeprom_image()[i], 0xFF) << i;
    EXPECT_EQ(P().param0, 4);
    EXPECT_EQ(P().write_count, 0u);
    EXPECT_EQ(P().signature, PARAMS_SIGNATURE);
    EXPECT_EQ(device_memory.storage.params.nv_dirty, 1);
    EXPECT_FALSE(fs::exists(Dat())) << "nothing is written at start-up";

    Run(1000);
    const std::vector<uint8_t> file = ReadBytes(Dat());
    ASSERT_EQ(file.size(), EEPROM_SIZE);
    EXPECT_EQ(U32(file, 4), 1u) << "write_count";
    EXPECT_EQ(U32(file, 8), PARAMS_SIGNATURE);
    EXPECT_EQ(U32(file, 0), crc16(file.data() + 4, 20))
        << "checksum as 32 bits: bytes 2 and 3 zero";
    for (size_t i = 24; i < file.size(); ++i)
        ASSERT_EQ(file[i], 0xFF) << i;
    EXPECT_FALSE(fs::exists(Old())) << "the first write makes no old file";
    EXPECT_EQ(device_memory.storage.eeprom.saves, 1u);
}

TEST_F(Params, LoadKeepsAValidRecordAndOtherwiseFallsBackToDefaults) {
    const AppParams valid = Committed({0, 0, 0, 7, PARAMS_SIGNATURE, 3, 4, 0});
    AppParams wrong_signature = Committed({0, 0, 0, 600000, 0x12345678, 3, 4, 0});
    AppParams wrong_block_crc = wrong_signature;
    wrong_block_crc.checksum ^= 1;
    AppParams param0_set = Committed({0, 0, 0, 600001, PARAMS_SIGNATURE, 3, 4, 0});
    param0_set.param0 = 4; // part of the 32-bit block CRC
    static const AppParams erased = [] {
        AppParams p;
        std::memset(&p, 0xFF, sizeof p);
        return p;
    }();
    const struct {
        const char* what;
        AppParams stored;
        int valid;
        uint32_t write_count; // after the load
    } cases[] = {
        {"committed record", valid, 1, 7},
        {"wrong signature, worn EEPROM", wrong_signature, 0, 1000},
        {"also a wrong block CRC: defaults twice", wrong_block_crc, 0, 0},
        {"defaults never committed (param0 set)", param0_set, 0, 0},
        {"erased", erased, 0, 0},
    };
    for (const auto& c : cases) {
        device_memory_reset();
        fs_set_base(base_.c_str());
        Store(c.stored);
        eeprom_load();
        EXPECT_EQ(params_load(), c.valid) << c.what;
        EXPECT_EQ(P().write_count, c.write_count) << c.what;
        EXPECT_EQ(P().signature, PARAMS_SIGNATURE) << c.what;
        if (c.valid) {
            EXPECT_EQ(std::memcmp(&P(), &c.stored, sizeof(AppParams)), 0) << c.what;
            EXPECT_EQ(device_memory.storage.params.nv_dirty, 0) << c.what;
        } else {
            EXPECT_EQ(P().param0, 4) << c.what;
            EXPECT_EQ(P().log_number_can1, 0u) << c.what;
            EXPECT_EQ(device_memory.storage.params.nv_dirty, 1) << c.what;
        }
    }
}

TEST_F(Params, WritesOncePerChangeAndNeverWithoutOne) {
    Store(Committed({0, 0, 0, 41, PARAMS_SIGNATURE, 0, 0, 0}));
    sys_init();
    const std::vector<uint8_t> before = ReadBytes(Dat());
    const ino_t inode = Inode(Dat());
    Run(30000); // 30 commit steps
    EXPECT_EQ(device_memory.storage.eeprom.saves, 0u);
    EXPECT_EQ(Inode(Dat()), inode) << "the file was never replaced";
    EXPECT_FALSE(fs::exists(Old()));

    EXPECT_EQ(params_next_log_number(0), 1u);
    Run(1000);
    EXPECT_EQ(device_memory.storage.eeprom.saves, 1u);
    const std::vector<uint8_t> after = ReadBytes(Dat());
    EXPECT_EQ(U32(after, 4), 42u) << "write_count one higher";
    EXPECT_EQ(U32(after, 12), 1u) << "log_number_can1";
    EXPECT_EQ(ReadBytes(Old()), before) << "the previous content moved to the old file";
    Run(10000);
    EXPECT_EQ(device_memory.storage.eeprom.saves, 1u);
}

TEST_F(Params, LogNumbersSurviveARestart) {
    sys_init();
    for (int recording = 1; recording <= 2; ++recording) {
        EXPECT_EQ(params_next_log_number(0), static_cast<uint32_t>(recording));
        EXPECT_EQ(params_next_log_number(1), static_cast<uint32_t>(recording));
    }
    EXPECT_EQ(params_next_log_number(2), 0u) << "no third port";
    Run(1000);

    device_memory_reset();
    fs_set_base(base_.c_str());
    sys_init();
    EXPECT_EQ(params_log_number(0), 2u);
    EXPECT_EQ(params_log_number(1), 2u);
    EXPECT_EQ(params_next_log_number(0), 3u) << "the next recording's file number";
}

} // namespace
