// The converter end to end: files in, files out, through pcsim-trace itself
// and through the Linux CAN tools (log2asc, asc2log) for the ASC side.
#include <gtest/gtest.h>

#include <filesystem>

#include "host/trace/AscFormat.h"
#include "host/trace/CandumpFormat.h"
#include "host/trace/CtbFormat.h"
#include "host/trace/TraceConvert.h"
#include "host/trace/UnitLogFormat.h"
#include "trace_test_support.h"

using namespace pcsim;
using trace_test::OffsetFrames;
using trace_test::ReadFile;
using trace_test::WriteFile;

namespace {

const std::string kVehicleLog = std::string(PCSIM_TRACE_DATA) + "/vehicle.log";
const std::string kTool = PCSIM_TRACE_BINARY;

class TraceConvert : public testing::Test {
  protected:
    trace_test::TempFolder folder;

    trace_test::RunResult Tool(const std::string& args) { return trace_test::Run(kTool + " " + args, folder); }
    std::string File(const std::string& name) const { return folder.File(name); }
    /* Converts with pcsim-trace and expects success. */
    void Convert(const std::string& in, const std::string& out, const std::string& options = "") {
        const auto r = Tool("convert " + options + " " + in + " " + out);
        ASSERT_EQ(r.status, 0) << r.err;
    }
    void Log2Asc(const std::string& in, const std::string& out) {
        const auto r = trace_test::Run(std::string(PCSIM_LOG2ASC) + " -I " + in + " -O " + out + " can0 can1", folder);
        ASSERT_EQ(r.status, 0) << r.err;
    }
    /* The frames of a file (times from its first frame), one port only,
     * without the direction (CTB has none; the converter says so). */
    std::vector<std::string> PortFrames(TraceFormat format, const std::string& path, int port) {
        std::vector<std::string> out;
        TraceReadResult r;
        ReadTrace(format, ReadFile(path), {}, &r);
        const std::vector<TraceFrame> frames = SelectFrames(r.frames, port);
        for (TraceFrame f : frames) {
            f.direction = TraceDirection::Unknown;
            out.push_back(trace_test::Describe(f));
        }
        return out;
    }
};

} // namespace

TEST_F(TraceConvert, CandumpThroughCtbAndBackKeepsEveryFrame) {
    // CTB has no port: one trace per port, as for a replay on each port.
    for (int port = 0; port < 2; ++port) {
        const std::string p = std::to_string(port + 1);
        Convert(kVehicleLog, File("port" + p + ".ctb"), "--port " + p);
        Convert(File("port" + p + ".ctb"), File("back" + p + ".log"), "--port CAN" + p);
        EXPECT_EQ(PortFrames(TraceFormat::Candump, File("back" + p + ".log"), port),
                  PortFrames(TraceFormat::Candump, kVehicleLog, port));
    }
    // Both ports into one trace: the same frames, and a note that the port is gone.
    const auto r = Tool("convert " + kVehicleLog + " " + File("both.ctb"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("CTB has no port"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("1 frame sent by the recording node"), std::string::npos) << r.err;
    EXPECT_NE(
        r.err.find(
            "pcsim-trace: note: CTB keeps the remote flag, but a replay port does not: 2 remote "
            "frames are played as data frames of their length, the bytes zero\n"),
        std::string::npos)
        << r.err;
    EXPECT_NE(r.out.find("10 frames"), std::string::npos) << r.out;
    EXPECT_EQ(OffsetFrames(TraceFormat::Ctb, ReadFile(File("both.ctb")), false).size(), 10u);
}

TEST_F(TraceConvert, AscFromLog2ascThroughCtbAndBackKeepsEveryFrame) {
    Log2Asc(kVehicleLog, File("vehicle.asc"));
    for (int port = 0; port < 2; ++port) {
        const std::string p = std::to_string(port + 1);
        Convert(File("vehicle.asc"), File("asc" + p + ".ctb"), "--port " + p);
        Convert(File("asc" + p + ".ctb"), File("back" + p + ".asc"), "--port " + p);
        EXPECT_EQ(PortFrames(TraceFormat::Asc, File("back" + p + ".asc"), port),
                  PortFrames(TraceFormat::Asc, File("vehicle.asc"), port));
    }
    // Our ASC is read back by asc2log into the frames of the original log.
    Convert(kVehicleLog, File("ours.asc"));
    const auto r = trace_test::Run(std::string(PCSIM_ASC2LOG) + " -I " + File("ours.asc") + " -O " + File("asc2log.log"),
                                   folder);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(OffsetFrames(TraceFormat::Candump, ReadFile(File("asc2log.log"))),
              OffsetFrames(TraceFormat::Candump, ReadFile(kVehicleLog)));
}

TEST_F(TraceConvert, UnitLogKeepsWhatItCanAndSaysWhatItCannot) {
    Convert(kVehicleLog, File("QMX_v084_000001_CAN1.log"), "--port 1");
    const auto r = Tool("convert " + kVehicleLog + " " + File("QMX_v084_000002_CAN1.log") + " --port 1");
    EXPECT_NE(r.err.find("no remote flag: 1 remote frame left out"), std::string::npos) << r.err;
    // Read back from the unit's format: CAN1 by the name, the data frames kept.
    Convert(File("QMX_v084_000001_CAN1.log"), File("from_unit.log"));
    std::vector<std::string> expected;
    for (const std::string& f : PortFrames(TraceFormat::Candump, kVehicleLog, 0)) {
        if (f.find(" R ") == std::string::npos) expected.push_back(f.substr(0, f.find(" T")));
    }
    EXPECT_EQ(PortFrames(TraceFormat::Candump, File("from_unit.log"), 0), expected);
}

/* Every time a CTB trace can hold (up to 2^63 - 1 microseconds) is written
 * by each text format and read back the same; a microsecond more, or a
 * time of more digits, is refused with the reason. */
TEST_F(TraceConvert, LargestTimesSurviveEveryTextFormat) {
    TraceFrame f;
    f.id = 0x124;
    f.dlc = 1;
    f.data[0] = 0x22;
    std::string ctb;
    AppendCtbHeader(&ctb);
    for (const uint64_t due : {uint64_t{0}, uint64_t{1} << 62, uint64_t{INT64_MAX}})
        AppendCtbRecord(&ctb, f, due);
    WriteFile(File("far.ctb"), ctb);

    struct Case {
        const char* name;
        TraceFormat format;
        void (*line)(std::string*, const TraceFrame&, int64_t);
    };
    static const Case cases[] = {
        {"far.log", TraceFormat::Candump, AppendCandumpLine},
        {"far.asc", TraceFormat::Asc, AppendAscLine},
        {"far_CAN1.log", TraceFormat::UnitLog, AppendUnitLogLine},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Convert(File("far.ctb"), File(c.name));
        Convert(File(c.name), File("back.ctb"));
        EXPECT_EQ(ReadFile(File("back.ctb")), ctb);

        std::string largest;
        c.line(&largest, f, INT64_MAX);
        ASSERT_NE(largest.find("9223372036854.775807"), std::string::npos) << largest;
        for (const char* beyond : {"9223372036854.775808", "99999999999999.000000"}) {
            std::string line = largest;
            line.replace(line.find("9223372036854.775807"), 20, beyond);
            const TraceReadResult r = trace_test::ReadBytes(c.format, line);
            ASSERT_EQ(r.bad.size(), 1u) << line;
            EXPECT_NE(r.bad[0].reason.find(
                          std::string(beyond) +
                          "' is beyond the largest time a trace carries, 9223372036854.775807 s"),
                      std::string::npos)
                << r.bad[0].reason;
        }
    }
}

/* A candump log is told by its content, whatever its name; the unit log's
 * header and CTB's signature win over the name as well. */
TEST_F(TraceConvert, ContentTellsTheInputFormatBeforeTheName) {
    struct Case {
        const char* name;
        std::string bytes;
        TraceFormat format;
    };
    const std::string unitLog =
        std::string(kUnitLogHeader) +
        " 0    00000123    1     11                                  1.000000\n";
    const Case cases[] = {
        {"QMX_v084_000001_CAN1.log", "(1.000000) can0 123#11\n", TraceFormat::Candump},
        {"bus_can2.log", "\r\n  \n\t(1436509052.249713) vcan1 123#R\n", TraceFormat::Candump},
        {"recording.asc", "(1.000000) can0 123#11\n", TraceFormat::Candump},
        {"recording.log", unitLog, TraceFormat::UnitLog},
        {"recording.log", std::string("CTB\0\2\0\0\0", 8), TraceFormat::Ctb},
        {"QMX_v084_000001_CAN1.log", unitLog, TraceFormat::UnitLog},
        {"QMX_v084_000001_CAN1.log", "", TraceFormat::UnitLog},
        {"QMX_v084_000001_CAN1.log", "(1.000000)\n",
         TraceFormat::UnitLog}, // no interface: not candump form
        {"QMX_v084_000001_CAN1.log", "(soon) can0 123#11\n", TraceFormat::UnitLog},
        {"recording.asc", "date Thu Jan  1 00:00:00 1970\n", TraceFormat::Asc},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TraceFormatOfInput(c.name, c.bytes), c.format) << c.name << ": " << c.bytes;
    }

    WriteFile(File("bus_CAN1.log"), "(1436509052.249713) can1 123#DEADBEEF\n");
    const auto r = Tool("convert " + File("bus_CAN1.log") + " " + File("bus.ctb"));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("(candump)"), std::string::npos) << r.out;
    EXPECT_EQ(OffsetFrames(TraceFormat::Ctb, ReadFile(File("bus.ctb")), false),
              (std::vector<std::string>{"0.000000 p9 s123 D dlc4 DE AD BE EF"}));
}

TEST_F(TraceConvert, BadLinesAreReportedAndNothingIsWrittenHalf) {
    WriteFile(File("broken.log"), "(1.000000) can0 123#11\n"
                                  "(1.000100) can0 123#1\n"
                                  "(1.000200) can0 124#22\n"
                                  "(1.000300) can0 XYZ#22\n");
    WriteFile(File("out.ctb"), "old");
    auto r = Tool("convert " + File("broken.log") + " " + File("out.ctb"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(File("broken.log") + ":2: data '1'"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(File("broken.log") + ":4: identifier 'XYZ'"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("2 bad lines"), std::string::npos) << r.err;
    EXPECT_EQ(ReadFile(File("out.ctb")), "old");

    r = Tool("convert --skip-bad " + File("broken.log") + " " + File("out.ctb"));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find(":2: "), std::string::npos);
    EXPECT_NE(r.out.find("2 frames; skipped 2 bad lines"), std::string::npos) << r.out;
    EXPECT_EQ(OffsetFrames(TraceFormat::Ctb, ReadFile(File("out.ctb")), false),
              (std::vector<std::string>{"0.000000 p9 s123 D dlc1 11", "0.000200 p9 s124 D dlc1 22"}));

    // An output that cannot be made leaves nothing behind.
    r = Tool("convert " + kVehicleLog + " " + File("missing/out.ctb"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot create " + File("missing/out.ctb")), std::string::npos) << r.err;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path()))
        EXPECT_EQ(entry.path().string().find(".tmp-"), std::string::npos) << entry.path();
}

TEST_F(TraceConvert, CommandLineMistakesExitWithTwo) {
    struct Case {
        std::string args;
        const char* message;
    };
    const Case cases[] = {
        {"", "give a command"},
        {"split a b", "unknown command 'split'"},
        {"convert " + kVehicleLog, "convert takes IN and OUT"},
        {"convert --from pcap a.log b.ctb", "--from 'pcap'"},
        {"convert --port 3 a.log b.ctb", "--port '3'"},
        {"convert --bogus a.log b.ctb", "bogus"},
        {"dump", "dump takes one FILE"},
    };
    for (const Case& c : cases) {
        const auto r = Tool(c.args);
        EXPECT_EQ(r.status, 2) << c.args;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.args << ": " << r.err;
    }
    auto r = Tool("convert " + kVehicleLog + " " + File("out.txt"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("give --to"), std::string::npos) << r.err;
    r = Tool("convert --to asc " + kVehicleLog + " " + File("out.txt"));
    EXPECT_EQ(r.status, 0) << r.err;
    r = Tool("convert " + File("absent.log") + " " + File("out.ctb"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot read"), std::string::npos) << r.err;
}

TEST_F(TraceConvert, DumpListsACtbFile) {
    Convert(kVehicleLog, File("one.ctb"), "--port 2");
    auto r = Tool("dump " + File("one.ctb"));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "CTB version 2, 4 record(s)\n"
                     "record      time (s)  flags  id        dlc  data\n"
                     "     1      0.000000  00---  7FF       0\n"
                     "     2      0.020002  05XR-  1ABCDEF0  8\n"
                     "     3      0.739999  00---  100       8    00 11 22 33 44 55 66 77\n"
                     "     4      8.739998  00---  000       1    00\n");
    r = Tool("dump " + kVehicleLog);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("not a CTB trace"), std::string::npos) << r.err;
}
