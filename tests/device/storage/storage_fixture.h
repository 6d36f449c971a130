#pragma once
// A freshly reset device whose file system lies in a temporary base
// directory of its own, removed again after the test; helpers to look at
// and prepare the files below it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "device/device_fixture.h"
#include "device/storage/fs.h"

class StorageTest : public DeviceTest {
  protected:
    void SetUp() override {
        DeviceTest::SetUp();
        std::string pattern = testing::TempDir() + "/storage_XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        base_ = pattern;
        ASSERT_EQ(fs_set_base(base_.c_str()), 1);
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(base_, ec);
    }

    /* The host's start-up step: every root that is missing. */
    static void MakeRoots() {
        for (int root = 0; root < FS_ROOT_COUNT; ++root) {
            if (!fs_dir_exists(root, "")) fs_make_root(root);
        }
    }

    std::filesystem::path Path(int root, const std::string& name = "") const {
        return std::filesystem::path(base_) / fs_root_dir(root) / name;
    }

    static void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
        std::ofstream f(path, std::ios::binary);
        f.write(reinterpret_cast<const char*>(bytes.data()),
                static_cast<std::streamsize>(bytes.size()));
    }
    static void WriteText(const std::filesystem::path& path, const std::string& text) {
        WriteBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
    }
    static std::vector<uint8_t> ReadBytes(const std::filesystem::path& path) {
        std::ifstream f(path, std::ios::binary);
        return std::vector<uint8_t>((std::istreambuf_iterator<char>(f)),
                                    std::istreambuf_iterator<char>());
    }
    static std::string ReadText(const std::filesystem::path& path) {
        const std::vector<uint8_t> b = ReadBytes(path);
        return std::string(b.begin(), b.end());
    }
    /* Names in a directory, sorted. */
    static std::vector<std::string> List(const std::filesystem::path& dir) {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir))
            names.push_back(e.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string base_;
};
