#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "host/display/FrameConversion.h"

namespace {

TEST(FrameConversion, PixelsKeepChannelBitsAtTheTopOfEachByte) {
    static const struct {
        uint16_t in;
        uint32_t out;
    } cases[] = {
        {0x8000, 0xFF800008}, // shown as 0x8001
        {0xFFFF, 0xFFF8FCF8},
        {0x0000, 0xFF000000},
        {0xF800, 0xFFF80000},
        {0x07E0, 0xFF00FC00},
        {0x001F, 0xFF0000F8},
        {0x8001, 0xFF800008},
    };
    for (const auto& c : cases) EXPECT_EQ(pcsim::ConvertPixel(c.in), c.out) << std::hex << c.in;
}

TEST(FrameConversion, DeviceTopRowBecomesTheLastBitmapRow) {
    std::vector<uint16_t> frame(320 * 284, 0);
    frame[0] = 0xF800;             // device (0, 0)
    frame[239 * 320 + 319] = 0x001F; // device (319, 239)
    frame[240 * 320] = 0xFFFF;     // key strip row: never converted
    std::vector<uint32_t> bits(320 * 240, 0);
    pcsim::ConvertFramePixels(frame.data(), bits.data());
    EXPECT_EQ(bits[239 * 320], 0xFFF80000u);
    EXPECT_EQ(bits[319], 0xFF0000F8u);
    EXPECT_EQ(bits[0], 0xFF000000u);
}

TEST(FrameConversion, WholeFramesConvertEveryColourAsOnePixelDoes) {
    // All 65536 colours (0x8000 among them) in one frame, through both frame
    // conversions; the upright copy has a wider row than the frame.
    std::vector<uint16_t> frame(320 * 284, 0);
    for (int i = 0; i < 320 * 240; ++i) frame[i] = static_cast<uint16_t>(i);
    constexpr int kStride = 336;
    std::vector<uint32_t> bits(320 * 240, 0), again(320 * 240, 0), upright(kStride * 240, 0);
    pcsim::ConvertFramePixels(frame.data(), bits.data());
    pcsim::ConvertFramePixels(frame.data(), again.data(), upright.data(), kStride);
    EXPECT_EQ(bits, again);
    int wrong = 0;
    for (int y = 0; y < 240; ++y) {
        for (int x = 0; x < 320; ++x) {
            const uint32_t expected = pcsim::ConvertPixel(frame[y * 320 + x]);
            wrong += bits[(239 - y) * 320 + x] != expected;
            wrong += upright[y * kStride + x] != expected;
        }
        wrong += upright[y * kStride + 320] != 0; // nothing beyond the row
    }
    EXPECT_EQ(wrong, 0);
}

TEST(BitmapFile, WritesHeaderAndBottomUpPixels) {
    std::vector<uint32_t> bits(320 * 240, 0xFF000000u);
    bits[0] = 0xFF112233u; // bottom-left device pixel
    const std::string path = testing::TempDir() + "/capture.bmp";
    std::string error;
    ASSERT_TRUE(pcsim::WriteBitmapFile(path, bits.data(), &error)) << error;
    std::ifstream f(path, std::ios::binary);
    std::vector<uint8_t> b((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    ASSERT_EQ(b.size(), 307254u);
    auto u32 = [&](size_t at) { return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24; };
    auto u16 = [&](size_t at) { return b[at] | b[at + 1] << 8; };
    EXPECT_EQ(u16(0), 0x4D42);
    EXPECT_EQ(u32(2), 307254u);
    EXPECT_EQ(u32(6), 0u);
    EXPECT_EQ(u32(10), 54u);
    EXPECT_EQ(u32(14), 40u);
    EXPECT_EQ(u32(18), 320u);
    EXPECT_EQ(u32(22), 240u);
    EXPECT_EQ(u16(26), 1);
    EXPECT_EQ(u16(28), 32);
    for (size_t at = 30; at < 54; at += 4) EXPECT_EQ(u32(at), 0u) << at;
    EXPECT_EQ(b[54], 0x33); // blue, green, red, alpha
    EXPECT_EQ(b[55], 0x22);
    EXPECT_EQ(b[56], 0x11);
    EXPECT_EQ(b[57], 0xFF);
    std::remove(path.c_str());
}

TEST(BitmapFile, ReportsAFileThatCannotBeCreated) {
    std::vector<uint32_t> bits(320 * 240, 0);
    std::string error;
    EXPECT_FALSE(pcsim::WriteBitmapFile(testing::TempDir() + "/no/such/dir/x.bmp", bits.data(), &error));
    EXPECT_NE(error.find("cannot create"), std::string::npos) << error;
}

} // namespace
