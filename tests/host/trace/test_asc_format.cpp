#include <gtest/gtest.h>

#include "host/trace/AscFormat.h"
#include "host/trace/CandumpFormat.h"
#include "trace_test_support.h"

using namespace pcsim;
using trace_test::Describe;
using trace_test::ReadBytes;
using trace_test::ReadFile;

namespace {

const std::string kVehicleLog = std::string(PCSIM_TRACE_DATA) + "/vehicle.log";

/* The sample log as the Linux log2asc tool writes it (can0 is channel 1). */
std::string Log2Asc(const trace_test::TempFolder& folder) {
    const std::string asc = folder.File("vehicle.asc");
    const auto r = trace_test::Run(std::string(PCSIM_LOG2ASC) + " -I " + kVehicleLog + " -O " + asc + " can0 can1",
                                   folder);
    EXPECT_EQ(r.status, 0) << r.err;
    return ReadFile(asc);
}

} // namespace

TEST(AscFormat, ReadsWhatLog2ascWrites) {
    const trace_test::TempFolder folder;
    const std::string asc = Log2Asc(folder);
    ASSERT_FALSE(asc.empty());
    const TraceReadResult r = ReadBytes(TraceFormat::Asc, asc);
    ASSERT_TRUE(r.bad.empty()) << r.bad.front().reason;
    // Same frames, ports, kinds and microseconds as the candump log it came
    // from (log2asc counts from the first frame).
    EXPECT_EQ(Describe(r.frames), trace_test::OffsetFrames(TraceFormat::Candump, ReadFile(kVehicleLog)));
}

TEST(AscFormat, WritesWhatLog2ascWrites) {
    const trace_test::TempFolder folder;
    const std::string expected = Log2Asc(folder);
    TraceReadResult log = ReadBytes(TraceFormat::Candump, ReadFile(kVehicleLog));
    const int64_t start = log.frames.front().timeUs;
    std::string out;
    AppendAscHeader(&out, start / 1000000);
    for (const TraceFrame& f : log.frames) AppendAscLine(&out, f, f.timeUs - start);
    EXPECT_EQ(out, expected);
}

TEST(AscFormat, TakesTheDesktopToolsVariants) {
    const std::string asc = "date Mon Jan 6 10:00:00.000 am 2025\n"
                            "base dec  timestamps relative\n"
                            "internal events logged\n"
                            "// version 13.0.0\n"
                            "Begin Triggerblock Mon Jan 6 10:00:00.000 am 2025\n"
                            "   0.000000 Start of measurement\n"
                            "   0.5000 1  291             Rx   d 2 222 10  Length = 0 BitCount = 0 ID = 291\n"
                            "   0.250000 2  Statistic: D 1 R 0 XD 0 XR 0 E 0 O 0 B 0.10%\n"
                            "   0.250000 1  ErrorFrame\n"
                            "   0.000001 2  1000x           Tx   r\n"
                            "End TriggerBlock\n";
    const TraceReadResult r = ReadBytes(TraceFormat::Asc, asc);
    ASSERT_TRUE(r.bad.empty()) << r.bad.front().line << ": " << r.bad.front().reason;
    EXPECT_EQ(r.errorFrames, 1u);
    EXPECT_EQ(r.events, 1u);
    ASSERT_EQ(r.frames.size(), 2u);
    EXPECT_EQ(Describe(r.frames[0]), "0.500000 p0 s123 D dlc2 DE 0A");
    EXPECT_EQ(Describe(r.frames[1]), "1.000001 p1 x3E8 R dlc0 T");
}

TEST(AscFormat, BadLinesSayWhatIsWrong) {
    struct Case {
        const char* line;
        const char* reason;
    };
    const Case cases[] = {
        {"hello world", "not an ASC line"},
        {"base oct timestamps absolute", "hex or dec"},
        {"   1.0 1  800             Rx   d 0", "not an 11-bit"},
        {"   1.0 1  20000000x       Rx   d 0", "not a 29-bit"},
        {"   1.0 1  123             Rq   d 0", "Rx or Tx"},
        {"   1.0 1  123             Rx   e 0", "d (data) or r (remote)"},
        {"   1.0 1  123             Rx   d 9", "0-8 bytes"},
        {"   1.0 1  123             Rx   d 3 01 02", "fewer data bytes"},
        {"   1.0 1  123             Rx   d 2 01 2", "is not a byte"},
        {"   1.0 1  123             Rx   d 1 01 02", "more data bytes"},
        {"   1.0 1  123             Rx   r 9", "0-8"},
        {"   1.0 3  123             Rx   d 0", "channel 3 is no port"},
        {"   1.0 CANFD   1 Rx        123   1 0 3  3 11 22 33", "CAN FD"},
    };
    for (const Case& c : cases) {
        const TraceReadResult r = ReadBytes(TraceFormat::Asc, std::string("base hex  timestamps absolute\n") + c.line);
        ASSERT_EQ(r.bad.size(), 1u) << c.line;
        EXPECT_EQ(r.bad[0].line, 2u);
        EXPECT_NE(r.bad[0].reason.find(c.reason), std::string::npos) << c.line << ": " << r.bad[0].reason;
    }
}
