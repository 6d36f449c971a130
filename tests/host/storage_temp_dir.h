#pragma once
// A temporary storage base for one host test, removed with the object. Any
// run of the device needs one: without a root it would write "rootfs/" into
// the working directory, which test processes running in parallel share.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "host/CommandLine.h"

namespace pcsim_test {

class StorageTempDir {
  public:
    StorageTempDir() {
        std::string pattern = testing::TempDir() + "/pcsim_base_XXXXXX";
        if (mkdtemp(pattern.data())) path_ = pattern;
    }
    ~StorageTempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    StorageTempDir(const StorageTempDir&) = delete;
    StorageTempDir& operator=(const StorageTempDir&) = delete;

    const std::string& Path() const { return path_; }
    /* A headless run of runMs with the scripted presses and its storage here. */
    pcsim::CommandLineOptions
    Headless(uint32_t runMs, const std::vector<pcsim::ScriptedPress>& presses = {}) const {
        pcsim::CommandLineOptions o;
        o.headless = true;
        o.runMs = runMs;
        o.runMsGiven = true;
        o.presses = presses;
        o.root = path_;
        return o;
    }
    std::filesystem::path operator/(const std::string& relative) const {
        return std::filesystem::path(path_) / relative;
    }

    static std::string Read(const std::filesystem::path& file) {
        std::ifstream f(file, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    }
    static void Write(const std::filesystem::path& file, const std::string& text) {
        std::ofstream(file, std::ios::binary) << text;
    }

  private:
    std::string path_;
};

} // namespace pcsim_test
