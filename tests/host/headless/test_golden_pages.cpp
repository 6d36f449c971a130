// Every page, reached by a headless run, must match its reference screen
// byte for byte. After an intended change: scripts/update-golden.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "host/CommandLine.h"
#include "host/display/FrameConversion.h"
#include "host/headless/HeadlessRunner.h"
#include "host/storage_temp_dir.h"

namespace {

struct GoldenPage {
    std::string name;
    std::vector<std::string> args;
};

std::vector<GoldenPage> golden_pages() {
    std::vector<GoldenPage> pages;
    std::ifstream list(std::string(PCSIM_GOLDEN_DIR) + "/pages.txt");
    std::string line;
    while (std::getline(list, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream words(line);
        GoldenPage p;
        words >> p.name;
        for (std::string w; words >> w;) p.args.push_back(w);
        pages.push_back(p);
    }
    return pages;
}

std::vector<char> read_file(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<char>((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

TEST(GoldenPages, EveryPageMatchesItsReference) {
    const auto pages = golden_pages();
    ASSERT_EQ(pages.size(), 6u) << "tests/golden/pages.txt lists the six pages";
    for (const GoldenPage& page : pages) {
        SCOPED_TRACE(page.name);
        std::vector<const char*> argv = {"pc-simulator", "--headless"};
        for (const std::string& a : page.args) argv.push_back(a.c_str());
        pcsim::CommandLineOptions options;
        std::string error;
        ASSERT_TRUE(pcsim::ParseCommandLine(static_cast<int>(argv.size()), argv.data(), &options, &error))
            << error;
        pcsim_test::StorageTempDir base;
        options.root = base.Path();
        pcsim::HeadlessRunner runner;
        runner.Run(options);
        const std::string actual = testing::TempDir() + "/golden_" + page.name + ".bmp";
        ASSERT_TRUE(pcsim::WriteBitmapFile(actual, runner.FrameBits(), &error)) << error;
        const std::vector<char> expected = read_file(std::string(PCSIM_GOLDEN_DIR) + "/" + page.name + ".bmp");
        ASSERT_EQ(expected.size(), 307254u) << "missing reference: run scripts/update-golden";
        EXPECT_TRUE(read_file(actual) == expected)
            << "screen differs from tests/golden/" << page.name << ".bmp; see " << actual;
    }
}

} // namespace
