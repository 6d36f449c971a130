#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "host/trace/CtbFormat.h"
#include "trace_test_support.h"

using namespace pcsim;
using trace_test::Describe;
using trace_test::ReadBytes;

namespace {

std::string Record(uint64_t due, uint32_t id, uint8_t flags, uint8_t dlc, const std::string& data = {}) {
    char r[24] = {};
    for (int i = 0; i < 8; ++i) r[i] = static_cast<char>(due >> (8 * i));
    for (int i = 0; i < 4; ++i) r[8 + i] = static_cast<char>(id >> (8 * i));
    r[12] = static_cast<char>(flags);
    r[15] = static_cast<char>(dlc);
    std::memcpy(r + 16, data.data(), std::min<size_t>(data.size(), 8));
    return std::string(r, 24);
}

const std::string kHeader("CTB\0\2\0\0\0", 8);

} // namespace

TEST(CtbFormat, WrittenRecordsReadBackWithFlags) {
    TraceFrame a;
    a.id = 0x123;
    a.dlc = 2;
    a.data[0] = 0xAB, a.data[1] = 0xCD;
    TraceFrame b;
    b.id = 0x1ABCDEF0;
    b.extended = 1;
    b.remote = 1;
    b.dlc = 8;
    std::string file;
    AppendCtbHeader(&file);
    AppendCtbRecord(&file, a, 1500000);
    AppendCtbRecord(&file, b, 0x123456789AULL);
    // The bytes the replay adapter reads: a plain header, flags bit 0 for
    // 29 bits, bit 2 for remote, the dlc at offset 15.
    EXPECT_EQ(file, kHeader + Record(1500000, 0x123, 0x00, 2, "\xAB\xCD") +
                        Record(0x123456789AULL, 0x1ABCDEF0, 0x05, 8));
    const TraceReadResult r = ReadBytes(TraceFormat::Ctb, file);
    ASSERT_TRUE(r.bad.empty());
    EXPECT_EQ(Describe(r.frames), (std::vector<std::string>{"1.500000 p-1 s123 D dlc2 AB CD",
                                                             "78187.493530 p-1 x1ABCDEF0 R dlc8"}));
}

TEST(CtbFormat, SkippedRecordsAreLeftOutAndBadOnesNamed) {
    const std::string file = kHeader + Record(0, 0x100, 0x02, 0) + Record(1, 0x101, 0xF8, 1, "\x11") +
                             Record(2, 0x800, 0x00, 0) + Record(3, 0x102, 0x00, 9) + std::string(5, '\0');
    const TraceReadResult r = ReadBytes(TraceFormat::Ctb, file);
    EXPECT_EQ(r.skippedRecords, 1u);
    ASSERT_EQ(r.frames.size(), 1u); // unknown flag bits are ignored, as playback does
    EXPECT_EQ(Describe(r.frames[0]), "0.000001 p-1 s101 D dlc1 11");
    ASSERT_EQ(r.bad.size(), 3u);
    EXPECT_EQ(r.bad[0].line, 3u);
    EXPECT_NE(r.bad[0].reason.find("more than 11 bits"), std::string::npos);
    EXPECT_EQ(r.bad[1].line, 4u);
    EXPECT_NE(r.bad[1].reason.find("dlc 9"), std::string::npos);
    EXPECT_EQ(r.bad[2].line, 5u);
    EXPECT_NE(r.bad[2].reason.find("cut short: 5 of 24"), std::string::npos);
}

TEST(CtbFormat, WrongHeadersAreRefused) {
    struct Case {
        std::string bytes;
        const char* reason;
    };
    const Case cases[] = {
        {"CTB", "too short"},
        {std::string("CTX\0\2\0\0\0", 8), "not a CTB trace"},
        {std::string("CTB\0\1\0\0\0", 8), "version 1"},
    };
    for (const Case& c : cases) {
        const TraceReadResult r =
            ReadBytes(TraceFormat::Ctb, c.bytes.size() < 8 ? c.bytes : c.bytes + Record(0, 1, 0, 0));
        ASSERT_EQ(r.bad.size(), 1u);
        EXPECT_EQ(r.bad[0].line, 0u);
        EXPECT_NE(r.bad[0].reason.find(c.reason), std::string::npos) << r.bad[0].reason;
        EXPECT_TRUE(r.frames.empty());
    }
}

TEST(CtbFormat, DumpListsEveryRecord) {
    const std::string file = kHeader + Record(250, 0x123, 0x00, 3, "\x01\x02\x03") +
                             Record(1000000, 0x1FFFFFFF, 0x05, 4) + Record(2000000, 0x7FF, 0x02, 0);
    std::string listing, problems;
    EXPECT_TRUE(DumpCtb(file, &listing, &problems));
    EXPECT_EQ(problems, "");
    EXPECT_EQ(listing, "CTB version 2, 3 record(s)\n"
                       "record      time (s)  flags  id        dlc  data\n"
                       "     1      0.000250  00---  123       3    01 02 03\n"
                       "     2      1.000000  05XR-  1FFFFFFF  4\n"
                       "     3      2.000000  02--S  7FF       0\n");
    EXPECT_FALSE(DumpCtb(file + "xyz", &listing, &problems));
    EXPECT_EQ(problems, "record 4: the last record is cut short: 3 of 24 bytes\n");
}
