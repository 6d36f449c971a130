// The EEPROM image: the CRC-16, which file a load takes, how a save rotates
// the files, that a failed save leaves both files as they were, and what a
// rename that fails midway leaves.
#include <sys/stat.h>

#include "device/device_memory.h"
#include "device/storage/crc16.h"
#include "device/storage/eeprom.h"
#include "device/storage/rename_faults.h"
#include "device/storage/storage_fixture.h"

namespace {

namespace fs = std::filesystem;

TEST(Crc16, MatchesTheReferenceValues) {
    static const struct {
        const char* text;
        size_t len;
        uint16_t crc;
    } cases[] = {
        {"123456789", 9, 0x31C3},
        {"A", 1, 0x58E5},
        {"", 0, 0x0000},
        {"\0\0"
         "123456789",
         11, 0x31C3}, // leading zero bytes change nothing
    };
    for (const auto& c : cases)
        EXPECT_EQ(crc16(c.text, static_cast<uint32_t>(c.len)), c.crc) << c.text;
}

class Eeprom : public StorageTest {
  protected:
    void SetUp() override {
        StorageTest::SetUp();
        MakeRoots();
    }
    fs::path Dat() const { return Path(FS_ROOT_CONFIG, EEPROM_FILE); }
    fs::path Old() const { return Path(FS_ROOT_CONFIG, EEPROM_OLD_FILE); }
    fs::path Tmp() const { return Path(FS_ROOT_CONFIG, EEPROM_TMP_FILE); }
    static std::vector<uint8_t> Image(size_t size, uint8_t fill) {
        return std::vector<uint8_t>(size, fill);
    }
    static std::vector<uint8_t> Loaded() {
        return std::vector<uint8_t>(eeprom_image(), eeprom_image() + EEPROM_SIZE);
    }
};

TEST_F(Eeprom, LoadTakesTheFirstWholeImage) {
    // A file: 0 missing, -1 a directory, else that many bytes of its fill.
    struct File {
        long size;
        uint8_t fill;
    };
    static const struct {
        const char* what;
        File dat, old;
        uint8_t expected; // the fill the image must have (0xFF: erased)
    } cases[] = {
        {"no files", {0, 0}, {0, 0}, 0xFF},
        {"both whole", {EEPROM_SIZE, 0x11}, {EEPROM_SIZE, 0x22}, 0x11},
        {"short current", {100, 0x11}, {EEPROM_SIZE, 0x22}, 0x22},
        {"current missing", {0, 0}, {EEPROM_SIZE, 0x22}, 0x22},
        {"current a directory", {-1, 0}, {EEPROM_SIZE, 0x22}, 0x22},
        {"both short", {100, 0x11}, {EEPROM_SIZE - 1, 0x22}, 0xFF},
        {"empty current", {0, 0x11}, {0, 0}, 0xFF},
        {"longer current: its first 32 KiB", {EEPROM_SIZE + 1, 0x11}, {0, 0}, 0x11},
    };
    for (const auto& c : cases) {
        fs::remove_all(Dat());
        fs::remove_all(Old());
        auto make = [](const fs::path& path, const File& f) {
            if (f.size < 0) fs::create_directory(path);
            if (f.size > 0 || f.fill != 0)
                WriteBytes(path, Image(static_cast<size_t>(f.size), f.fill));
        };
        make(Dat(), c.dat);
        make(Old(), c.old);
        device_memory.storage.eeprom.eeprom_image[0] = 0x5A; // something a load must replace
        eeprom_load();
        EXPECT_EQ(Loaded(), Image(EEPROM_SIZE, c.expected)) << c.what;
    }
}

TEST_F(Eeprom, SavesRotateTheCurrentImageToOld) {
    eeprom_load();
    const uint8_t a[] = {0xA1, 0xA2};
    ASSERT_EQ(eeprom_write(0, a, sizeof a), 1);
    std::vector<uint8_t> first = Image(EEPROM_SIZE, 0xFF);
    first[0] = 0xA1;
    first[1] = 0xA2;
    EXPECT_EQ(ReadBytes(Dat()), first);
    EXPECT_EQ(List(Path(FS_ROOT_CONFIG)), std::vector<std::string>{EEPROM_FILE})
        << "the first save makes no old file and leaves no temporary one";

    const uint8_t b = 0xB0;
    ASSERT_EQ(eeprom_write(EEPROM_SIZE - 1, &b, 1), 1);
    std::vector<uint8_t> second = first;
    second.back() = 0xB0;
    EXPECT_EQ(ReadBytes(Dat()), second);
    EXPECT_EQ(ReadBytes(Old()), first);
    EXPECT_EQ(List(Path(FS_ROOT_CONFIG)), (std::vector<std::string>{EEPROM_FILE, EEPROM_OLD_FILE}));
    EXPECT_EQ(device_memory.storage.eeprom.saves, 2u);
}

TEST_F(Eeprom, AShortCurrentFileNeverPushesOutTheLastWholeImage) {
    WriteBytes(Dat(), Image(100, 0x11));
    WriteBytes(Old(), Image(EEPROM_SIZE, 0x22));
    eeprom_load();
    const uint8_t x = 0x33;
    ASSERT_EQ(eeprom_write(0, &x, 1), 1);
    std::vector<uint8_t> saved = Image(EEPROM_SIZE, 0x22);
    saved[0] = 0x33;
    EXPECT_EQ(ReadBytes(Dat()), saved);
    EXPECT_EQ(ReadBytes(Old()), Image(EEPROM_SIZE, 0x22));
}

TEST_F(Eeprom, AFailedSaveLeavesBothFilesAsTheyWere) {
    static const struct {
        const char* what;
        void (*block)(const fs::path& tmp); // makes writing the temporary file fail
    } cases[] = {
        {"cannot create", [](const fs::path& tmp) { fs::create_directory(tmp); }},
        {"disk full", [](const fs::path& tmp) { fs::create_symlink("/dev/full", tmp); }},
    };
    for (const auto& c : cases) {
        fs::remove_all(Tmp());
        WriteBytes(Dat(), Image(EEPROM_SIZE, 0x11));
        WriteBytes(Old(), Image(EEPROM_SIZE, 0x22));
        eeprom_load();
        c.block(Tmp());
        const uint8_t x = 0x44;
        EXPECT_EQ(eeprom_write(0, &x, 1), 0) << c.what;
        EXPECT_EQ(eeprom_image()[0], 0x44) << "the data stays in the image";
        EXPECT_EQ(ReadBytes(Dat()), Image(EEPROM_SIZE, 0x11)) << c.what;
        EXPECT_EQ(ReadBytes(Old()), Image(EEPROM_SIZE, 0x22)) << c.what;
    }
    // Without its folder nothing can be saved, and nothing is created.
    fs::remove_all(Path(FS_ROOT_CONFIG));
    const uint8_t y = 0x55;
    EXPECT_EQ(eeprom_write(0, &y, 1), 0);
    EXPECT_FALSE(fs::exists(Path(FS_ROOT_CONFIG)));
}

TEST_F(Eeprom, AFailedRenameNeverDeletesTheNewImage) {
    // A save renames twice: "eeprom.dat" to ".old", then the temporary file
    // to "eeprom.dat". The files before: current 0x11, old 0x22.
    const std::vector<uint8_t> current = Image(EEPROM_SIZE, 0x11);
    const std::vector<uint8_t> old = Image(EEPROM_SIZE, 0x22);
    std::vector<uint8_t> saved = current;
    saved[0] = 0x44;
    const std::vector<uint8_t> none;
    static const struct {
        const char* what;
        std::vector<int> renames; // 0: goes through, else fails with that errno
        int result;
        int dat, old, tmp; // what each file holds: 0 none, 1 current, 2 old, 3 saved
        int loaded;        // what a load then takes
    } cases[] = {
        {"the first fails", {EIO, 0}, 1, 3, 2, 0, 3},
        {"both fail", {EIO, EIO}, 0, 1, 2, 3, 1},
        {"the second fails", {0, EIO}, 0, 0, 1, 3, 1}, // last: the save below follows it
    };
    const std::vector<uint8_t>* contents[] = {&none, &current, &old, &saved};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(Tmp());
        WriteBytes(Dat(), current);
        WriteBytes(Old(), old);
        eeprom_load();
        int result = -1;
        std::string why;
        const int renames = pcsim_test::RenameFaults::Run(
            c.renames, [&] { result = eeprom_write(0, &saved[0], 1); }, &why);
        if (renames < 0) GTEST_SKIP() << why;
        EXPECT_EQ(renames, 2);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(ReadBytes(Dat()), *contents[c.dat]);
        EXPECT_EQ(ReadBytes(Old()), *contents[c.old]);
        EXPECT_EQ(ReadBytes(Tmp()), *contents[c.tmp]);
        device_memory.storage.eeprom.eeprom_image[0] = 0x5A;
        eeprom_load();
        EXPECT_EQ(Loaded(), *contents[c.loaded]) << "the load rules are unchanged";
    }
    // The next save after a failed second rename puts things right.
    const uint8_t y = 0x55;
    ASSERT_EQ(eeprom_write(1, &y, 1), 1);
    std::vector<uint8_t> next = current;
    next[1] = 0x55;
    EXPECT_EQ(ReadBytes(Dat()), next);
    EXPECT_EQ(ReadBytes(Old()), current);
    EXPECT_FALSE(fs::exists(Tmp()));
}

TEST_F(Eeprom, RefusesARangeOutsideTheImage) {
    eeprom_load();
    const std::vector<uint8_t> record(24, 0x66);
    EXPECT_EQ(eeprom_write(EEPROM_SIZE - 23, record.data(), 24), 0);
    EXPECT_EQ(eeprom_write(0xFFFFFFF0u, record.data(), 24), 0) << "an offset that wraps";
    EXPECT_EQ(Loaded(), Image(EEPROM_SIZE, 0xFF)) << "nothing copied";
    EXPECT_FALSE(fs::exists(Dat())) << "nothing saved";
    EXPECT_EQ(eeprom_write(EEPROM_SIZE - 24, record.data(), 24), 1);
    EXPECT_EQ(eeprom_image()[EEPROM_SIZE - 1], 0x66);
}

} // namespace
