// The root file system: the roots made on first start, one file under
// different spellings of its name, missing files, names too long for the
// path buffer, and the stream operations.
#include <cstring>

#include "device/storage/storage_fixture.h"

namespace {

namespace fs = std::filesystem;

using FileSystem = StorageTest;

TEST_F(FileSystem, StartUpMakesEveryRootEvenWithoutRootfs) {
    ASSERT_FALSE(fs::exists(fs::path(base_) / "rootfs"));
    static const char* const dirs[FS_ROOT_COUNT] = {"rootfs/app/bin",         "rootfs/app/data",
                                                    "rootfs/app/data/config", "rootfs/app/data/log",
                                                    "rootfs/app/event",       "rootfs/media"};
    for (int root = 0; root < FS_ROOT_COUNT; ++root) {
        EXPECT_STREQ(fs_root_dir(root), dirs[root]);
        EXPECT_EQ(fs_dir_exists(root, ""), 0) << root;
    }
    MakeRoots();
    for (int root = 0; root < FS_ROOT_COUNT; ++root) {
        EXPECT_EQ(fs_dir_exists(root, ""), 1) << root;
        EXPECT_TRUE(fs::is_directory(fs::path(base_) / dirs[root])) << root;
        EXPECT_EQ(fs_make_root(root), 1) << "making an existing root again is harmless";
    }
    EXPECT_EQ(fs_root_dir(6), nullptr);
    EXPECT_EQ(fs_make_root(-1), 0);
    EXPECT_EQ(fs_dir_exists(6, ""), 0);
}

TEST_F(FileSystem, MakesAMissingBaseWithItsParents) {
    const std::string nested = base_ + "/a/b/";
    ASSERT_EQ(fs_set_base(nested.c_str()), 1);
    EXPECT_STREQ(fs_base(), (base_ + "/a/b").c_str()) << "trailing separators are dropped";
    EXPECT_EQ(fs_make_root(FS_ROOT_MEDIA), 1);
    EXPECT_TRUE(fs::is_directory(base_ + "/a/b/rootfs/media"));
}

TEST_F(FileSystem, SeparatorsAndTrailingSlashesNameOneFile) {
    MakeRoots();
    ASSERT_TRUE(fs::create_directory(Path(FS_ROOT_DATA, "dir")));
    FILE* f = fs_open(FS_ROOT_DATA, "dir\\file.txt\\", "w");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(fs_write(f, "abc", 3), 3u);
    fs_close(f);
    EXPECT_EQ(List(Path(FS_ROOT_DATA, "dir")), std::vector<std::string>{"file.txt"});
    for (const char* name :
         {"dir/file.txt", "dir\\file.txt", "dir/file.txt//", "dir\\\\file.txt\\/"}) {
        EXPECT_EQ(fs_file_exists(FS_ROOT_DATA, name), 1) << name;
        EXPECT_EQ(fs_dir_exists(FS_ROOT_DATA, name), 0) << name;
        f = fs_open(FS_ROOT_DATA, name, "r");
        ASSERT_NE(f, nullptr) << name;
        char buf[8] = {};
        EXPECT_EQ(fs_read(f, buf, sizeof buf), 3u) << name;
        EXPECT_STREQ(buf, "abc");
        fs_close(f);
    }
    EXPECT_EQ(fs_dir_exists(FS_ROOT_DATA, "dir\\"), 1);
    EXPECT_EQ(fs_file_exists(FS_ROOT_DATA, "dir"), 0);
    EXPECT_EQ(fs_dir_exists(FS_ROOT_MEDIA, ""), 1) << "an empty name is the root itself";
}

TEST_F(FileSystem, MissingFilesCreateNothingAndFailQuietly) {
    MakeRoots();
    EXPECT_EQ(fs_open(FS_ROOT_CONFIG, "eeprom.dat", "r"), nullptr);
    EXPECT_EQ(fs_open(FS_ROOT_CONFIG, "eeprom.dat", "r+"), nullptr);
    EXPECT_EQ(fs_file_exists(FS_ROOT_CONFIG, "eeprom.dat"), 0);
    EXPECT_EQ(fs_file_size(FS_ROOT_CONFIG, "eeprom.dat"), -1);
    EXPECT_EQ(fs_remove(FS_ROOT_CONFIG, "eeprom.dat"), 0);
    EXPECT_EQ(fs_rename(FS_ROOT_CONFIG, "eeprom.dat", FS_ROOT_CONFIG, "eeprom.dat.old"), 0);
    EXPECT_TRUE(List(Path(FS_ROOT_CONFIG)).empty());
    // A directory is never removed as if it were a file.
    ASSERT_TRUE(fs::create_directory(Path(FS_ROOT_CONFIG, "sub")));
    EXPECT_EQ(fs_remove(FS_ROOT_CONFIG, "sub"), 0);
    EXPECT_TRUE(fs::is_directory(Path(FS_ROOT_CONFIG, "sub")));
}

TEST_F(FileSystem, RefusesANameTooLongForThePathBuffer) {
    MakeRoots();
    // "rootfs/app/data/config/" is 23 characters: 236 more fill 259, the
    // most the 260-byte buffer holds with its terminator.
    const std::string fits(236, 'x');
    const std::string too_long = fits + "y";
    FILE* f = fs_open(FS_ROOT_CONFIG, fits.c_str(), "w");
    ASSERT_NE(f, nullptr);
    fs_close(f);
    // Cutting the long name would reach the file above: each operation
    // must fail instead, and leave it alone.
    EXPECT_EQ(fs_open(FS_ROOT_CONFIG, too_long.c_str(), "r"), nullptr);
    EXPECT_EQ(fs_open(FS_ROOT_CONFIG, too_long.c_str(), "w"), nullptr);
    EXPECT_EQ(fs_file_exists(FS_ROOT_CONFIG, too_long.c_str()), 0);
    EXPECT_EQ(fs_remove(FS_ROOT_CONFIG, too_long.c_str()), 0);
    EXPECT_EQ(fs_rename(FS_ROOT_CONFIG, too_long.c_str(), FS_ROOT_CONFIG, "other"), 0);
    EXPECT_EQ(fs_rename(FS_ROOT_CONFIG, fits.c_str(), FS_ROOT_CONFIG, too_long.c_str()), 0);
    EXPECT_EQ(List(Path(FS_ROOT_CONFIG)), std::vector<std::string>{fits});
    EXPECT_EQ(fs_file_exists(FS_ROOT_CONFIG, fits.c_str()), 1);
    // The limit is the unit's: a long base does not shorten it.
    char path[FS_HOST_PATH_SIZE];
    const std::string long_base = "/" + std::string(FS_BASE_SIZE - 2, 'b');
    ASSERT_EQ(fs_set_base(long_base.c_str()), 1);
    EXPECT_EQ(fs_host_path(FS_ROOT_CONFIG, fits.c_str(), path, sizeof path), 1);
    EXPECT_EQ(std::strlen(path), long_base.size() + 1 + 259);
    EXPECT_EQ(fs_set_base((long_base + "b").c_str()), 0) << "a base that does not fit is refused";
    EXPECT_STREQ(fs_base(), long_base.c_str());
}

TEST_F(FileSystem, StreamsAreBinaryAndSeekFromEachOrigin) {
    MakeRoots();
    FILE* f = fs_open(FS_ROOT_LOG, "data.bin", "w");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(fs_write(f, "0123\n56789", 10), 10u);
    EXPECT_EQ(fs_flush(f), 1);
    fs_close(f);
    EXPECT_EQ(fs_file_size(FS_ROOT_LOG, "data.bin"), 10);

    f = fs_open(FS_ROOT_LOG, "data.bin", "r+"); // opened "r+b"
    ASSERT_NE(f, nullptr);
    static const struct {
        int32_t offset;
        int origin;
        char expected; // the byte read after the seek
    } seeks[] = {
        {3, 0, '3'},  // from the start (any origin but 1 and 2)
        {2, 1, '6'},  // from the byte after '3'
        {-2, 2, '8'}, // from the end
        {4, 7, '\n'}, // unknown origin: from the start
    };
    for (const auto& s : seeks) {
        ASSERT_EQ(fs_seek(f, s.offset, s.origin), 1) << s.origin;
        char c = 0;
        ASSERT_EQ(fs_read(f, &c, 1), 1u);
        EXPECT_EQ(c, s.expected) << s.offset << " from " << s.origin;
    }
    EXPECT_EQ(fs_seek(f, -20, 0), 0) << "before the start";
    EXPECT_EQ(fs_seek(f, 0, 2), 1);
    EXPECT_EQ(fs_write(f, "!", 1), 1u);
    fs_close(f);
    EXPECT_EQ(ReadText(Path(FS_ROOT_LOG, "data.bin")), "0123\n56789!");

    f = fs_open(FS_ROOT_LOG, "data.bin", "rbbbbbbbbb"); // 10 characters: the longest mode
    EXPECT_NE(f, nullptr);
    fs_close(f);
    EXPECT_EQ(fs_open(FS_ROOT_LOG, "data.bin", "rrrrrrrrrrr"), nullptr)
        << "a mode of 11 characters";
    EXPECT_EQ(fs_read(nullptr, nullptr, 4), 0u);
    EXPECT_EQ(fs_write(nullptr, "a", 1), 0u);
    EXPECT_EQ(fs_seek(nullptr, 0, 0), 0);
    EXPECT_EQ(fs_flush(nullptr), 0);
    fs_close(nullptr);
}

} // namespace
