#include <gtest/gtest.h>

#include "host/trace/UnitLogFormat.h"
#include "trace_test_support.h"

using namespace pcsim;
using trace_test::Describe;
using trace_test::ReadBytes;

namespace {

/* Lines as the unit writes them: its printf format (%.8X prints what its
 * %0.8X does). */
std::string UnitLine(int ext, uint32_t id, int dlc, const char* const cells[8], double seconds) {
    char line[128];
    std::snprintf(line, sizeof line, " %X    %.8X    %X     %s  %s  %s  %s  %s  %s  %s  %s    %.6f\n", ext, id,
                  dlc, cells[0], cells[1], cells[2], cells[3], cells[4], cells[5], cells[6], cells[7], seconds);
    return line;
}

const char* const kEight[8] = {"01", "02", "03", "04", "05", "06", "07", "08"};
const char* const kThree[8] = {"0A", "0B", "0C", "  ", "  ", "  ", "  ", "  "};
const char* const kNone[8] = {"  ", "  ", "  ", "  ", "  ", "  ", "  ", "  "};

} // namespace

TEST(UnitLogFormat, ReadsTheUnitsLines) {
    EXPECT_EQ(sizeof kUnitLogHeader - 1, 63u);
    const std::string log = std::string(kUnitLogHeader) + UnitLine(0, 0x700, 8, kEight, 12.345) +
                            UnitLine(1, 0x1ABCDEF0, 3, kThree, 13.5) + UnitLine(0, 0x1, 0, kNone, 14.0);
    TraceReadOptions options;
    options.filePort = UnitLogPortOfName("QMX_v084_000001_CAN2.log");
    const TraceReadResult r = ReadBytes(TraceFormat::UnitLog, log, options);
    ASSERT_TRUE(r.bad.empty()) << r.bad.front().reason;
    EXPECT_EQ(Describe(r.frames), (std::vector<std::string>{
                                      "12.345000 p1 s700 D dlc8 01 02 03 04 05 06 07 08",
                                      "13.500000 p1 x1ABCDEF0 D dlc3 0A 0B 0C",
                                      "14.000000 p1 s1 D dlc0",
                                  }));
    EXPECT_EQ(UnitLogPortOfName("qmx_v084_000002_can1.LOG"), 0);
    EXPECT_EQ(UnitLogPortOfName("recording.log"), kTracePortNone);
}

TEST(UnitLogFormat, WritesTheUnitsLines) {
    TraceFrame f;
    f.extended = 1;
    f.id = 0x1ABCDEF0;
    f.dlc = 3;
    f.data[0] = 0x0A, f.data[1] = 0x0B, f.data[2] = 0x0C;
    std::string out;
    AppendUnitLogLine(&out, f, 1500000);
    EXPECT_EQ(out, UnitLine(1, 0x1ABCDEF0, 3, kThree, 1.5));
}

TEST(UnitLogFormat, AppendedRecordingAfterARestartFollowsThePreviousOne) {
    // The unit appends a new recording with its own header; after a restart
    // its clock begins again near zero.
    const std::string log = std::string(kUnitLogHeader) + UnitLine(0, 0x100, 0, kNone, 50.0) +
                            UnitLine(0, 0x101, 0, kNone, 51.0) + kUnitLogHeader +
                            UnitLine(0, 0x102, 0, kNone, 2.0) + UnitLine(0, 0x103, 0, kNone, 2.25) +
                            kUnitLogHeader + UnitLine(0, 0x104, 0, kNone, 60.0);
    const TraceReadResult r = ReadBytes(TraceFormat::UnitLog, log);
    ASSERT_TRUE(r.bad.empty());
    EXPECT_EQ(r.restartedRecordings, 1u);
    ASSERT_EQ(r.notes.size(), 1u);
    ASSERT_EQ(r.frames.size(), 5u);
    EXPECT_EQ(r.frames[2].timeUs, 51000000);
    EXPECT_EQ(r.frames[3].timeUs, 51250000);
    // A later recording of the same run (its clock ran on) keeps the shift.
    EXPECT_EQ(r.frames[4].timeUs, 109000000);
}

TEST(UnitLogFormat, BadLinesSayWhatIsWrong) {
    struct Case {
        std::string line;
        const char* reason;
    };
    const Case cases[] = {
        {"EXT ID DLC DATA TIME", "header line reads exactly"},
        {" 2    00000700    0     1.0", "EXT '2'"},
        {" 0    700    0     1.0", "8 hexadecimal digits"},
        {" 0    00000800    0     1.0", "11-bit"},
        {" 0    00000700    9     1.0", "DLC '9'"},
        {" 0    00000700    2     01  1.0", "is not two hexadecimal digits"},
        {" 0    00000700    2     01  02", "no TIME"},
        {" 0    00000700    1     01  02    1.0", "more data cells"},
        {" 0    00000700    0     1.0 x", "more after the TIME"},
        {UnitLine(0, 0x700, 0, kNone, 0.5), "goes back"},
    };
    for (const Case& c : cases) {
        const TraceReadResult r =
            ReadBytes(TraceFormat::UnitLog, std::string(kUnitLogHeader) + UnitLine(0, 1, 0, kNone, 0.75) + c.line);
        ASSERT_EQ(r.bad.size(), 1u) << c.line;
        EXPECT_EQ(r.bad[0].line, 3u);
        EXPECT_NE(r.bad[0].reason.find(c.reason), std::string::npos) << c.line << ": " << r.bad[0].reason;
    }
}
