#include <gtest/gtest.h>

#include "host/trace/CandumpFormat.h"
#include "trace_test_support.h"

using namespace pcsim;
using trace_test::Describe;
using trace_test::ReadBytes;

TEST(CandumpFormat, ReadsEveryFrameShape) {
    struct Case {
        const char* line;
        const char* frame;
    };
    const Case cases[] = {
        {"(1436509052.249713) can0 123#DEADBEEF", "1436509052.249713 p0 s123 D dlc4 DE AD BE EF"},
        {"(0.000001) vcan1 12345678#0102030405060708", "0.000001 p1 x12345678 D dlc8 01 02 03 04 05 06 07 08"},
        {"(5.000000) can0 0000007F#", "5.000000 p0 x7F D dlc0"},
        {"(5.5) can1 7FF#R", "5.500000 p1 s7FF R dlc0"},
        {"(5.000000) can0 1FFFFFFF#R8 T", "5.000000 p0 x1FFFFFFF R dlc8 T"},
        {"(5.000000) can0 001#11.22.33 R", "5.000000 p0 s1 D dlc3 11 22 33"},
        {"(5.0000004) can0 001#aa", "5.000000 p0 s1 D dlc1 AA"},
        {"(5.0000005) can0 001#\r", "5.000001 p0 s1 D dlc0"},
    };
    for (const Case& c : cases) {
        const TraceReadResult r = ReadBytes(TraceFormat::Candump, c.line);
        ASSERT_TRUE(r.bad.empty()) << c.line << ": " << r.bad.front().reason;
        ASSERT_EQ(r.frames.size(), 1u) << c.line;
        EXPECT_EQ(Describe(r.frames[0]), c.frame) << c.line;
    }
}

TEST(CandumpFormat, BadLinesSayWhatIsWrongAndWhere) {
    struct Case {
        const char* line;
        const char* reason; // part of the reason
    };
    const Case cases[] = {
        {"1436509052.249713 can0 123#00", "starts with the time"},
        {"(12x.5) can0 123#00", "is not (SECONDS.MICROSECONDS)"},
        {"(1.0) can0", "an interface and a frame"},
        {"(1.0) can0 123-00", "no '#'"},
        {"(1.0) can0 1234#00", "3 hexadecimal digits"},
        {"(1.0) can0 800#00", "more than 11 bits"},
        {"(1.0) can0 123#0", "pairs of hexadecimal digits"},
        {"(1.0) can0 123#001122334455667788", "more than 8 bytes"},
        {"(1.0) can0 123##1112233", "CAN FD"},
        {"(1.0) can0 123#R9", "one length digit 0-8"},
        {"(1.0) can0 123#1122334455667788_E", "above 8"},
        {"(1.0) can0 123#00 X", "R (received) or T (sent)"},
        {"(1.0) can0 123#00 R extra", "more after the direction"},
        {"(1.0) can2 123#00", "no port of the unit"},
        {"(1.0) slcan 123#00", "no port of the unit"},
    };
    for (const Case& c : cases) {
        const TraceReadResult r = ReadBytes(TraceFormat::Candump, std::string("(0.5) can0 100#01\n") + c.line);
        ASSERT_EQ(r.bad.size(), 1u) << c.line;
        EXPECT_EQ(r.bad[0].line, 2u) << c.line;
        EXPECT_NE(r.bad[0].reason.find(c.reason), std::string::npos) << c.line << ": " << r.bad[0].reason;
        EXPECT_EQ(r.frames.size(), 1u) << c.line;
    }
}

TEST(CandumpFormat, ErrorFramesAndForeignInterfacesAreLeftOut) {
    const std::string log = "(1.0) can0 20000080#0000000000000000\n"
                            "\n"
                            "(2.0) can3 123#00\n"
                            "(3.0) can1 124#01\n";
    TraceReadOptions keepCan2;
    keepCan2.portFilter = 1;
    const TraceReadResult r = ReadBytes(TraceFormat::Candump, log, keepCan2);
    EXPECT_TRUE(r.bad.empty());
    EXPECT_EQ(r.errorFrames, 1u);
    ASSERT_EQ(r.frames.size(), 1u);
    EXPECT_EQ(r.frames[0].line, 4u);
}

TEST(CandumpFormat, WritesTheLinesCandumpWrites) {
    TraceFrame std11;
    std11.id = 0x12;
    std11.dlc = 2;
    std11.data[0] = 0xDE;
    std11.data[1] = 0x0A;
    TraceFrame ext = std11;
    ext.extended = 1;
    ext.id = 0x7F;
    ext.port = 1;
    ext.direction = TraceDirection::Tx;
    TraceFrame remote;
    remote.remote = 1;
    remote.dlc = 4;
    remote.id = 0x7FF;
    remote.direction = TraceDirection::Rx;
    std::string out;
    AppendCandumpLine(&out, std11, 1436509052249713);
    AppendCandumpLine(&out, ext, 0);
    AppendCandumpLine(&out, remote, 12000001);
    EXPECT_EQ(out, "(1436509052.249713) can0 012#DE0A\n"
                   "(0.000000) can1 0000007F#DE0A T\n"
                   "(12.000001) can0 7FF#R4 R\n");
}
