// The CAN log end to end: the program replays a trace on CAN1 in a headless
// run, the USB stick goes in at 1 s and out at 3 s, and the stick's folder
// then holds both log files with the frames received in between, and the
// EEPROM image the new log numbers.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <sys/wait.h>
#include <vector>

#include "device/can/replay_file.h"
#include "host/storage_temp_dir.h"

namespace {

const std::string kHeader = "EXT   ID          DLC   DATA                              TIME\n";

struct TraceFrame {
    uint32_t dueMs;
    bool extended;
    uint32_t id;
    uint8_t dlc;
    uint8_t first; // data bytes first, first + 1, ...
};

/* Frames every 50 ms from 20 ms on, standard and extended in turn, every
 * length from 0 to 8; the run ends before the trace would start again. */
std::vector<TraceFrame> Frames() {
    std::vector<TraceFrame> frames;
    for (uint32_t i = 0; i < 100; ++i) {
        const bool ext = i % 2 == 1;
        frames.push_back({20 + 50 * i, ext, ext ? 0x18DA0000u + i : 0x100u + i,
                          static_cast<uint8_t>(i % 9), static_cast<uint8_t>(i)});
    }
    return frames;
}

std::string Hex(uint32_t v, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, v);
    return text;
}

/* The line of a frame received by the main loop iteration at ms. */
std::string Line(const TraceFrame& f, uint32_t ms) {
    std::string line = std::string(" ") + (f.extended ? "1" : "0") + "    " + Hex(f.id, 8) +
                       "    " + Hex(f.dlc, 1) + "     ";
    for (int i = 0; i < 8; ++i) {
        if (i > 0) line += "  ";
        line += i < f.dlc ? Hex(static_cast<uint8_t>(f.first + i), 2) : "  ";
    }
    char time[32];
    std::snprintf(time, sizeof time, "    %u.%03u000\n", ms / 1000, ms % 1000);
    return line + time;
}

int RunProgram(const std::string& args, std::string* output) {
    FILE* pipe = popen((std::string(PCSIM_BINARY) + " " + args + " 2>&1").c_str(), "r");
    if (!pipe) return -1;
    char buf[512];
    while (fgets(buf, sizeof buf, pipe))
        *output += buf;
    const int raw = pclose(pipe);
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

uint32_t U32(const std::string& bytes, size_t at) {
    uint32_t v = 0;
    std::memcpy(&v, bytes.data() + at, sizeof v);
    return v;
}

TEST(CanLogHeadless, RecordsTheReplayedFramesWhileTheStickIsIn) {
    pcsim_test::StorageTempDir base;
    const std::vector<TraceFrame> frames = Frames();
    ReplayFile trace;
    for (const TraceFrame& f : frames)
        trace.Record(uint64_t{f.dueMs} * 1000, f.id, f.extended ? 0x01 : 0x00, f.dlc, f.first);
    const std::string tracePath = base / "trace.ctb";
    ASSERT_TRUE(trace.Write(tracePath));

    std::string output;
    const int status =
        RunProgram("--headless --run-ms 4000 --root " + base.Path() +
                       " --can0 replay:" + tracePath + " --usb-insert 1000 --usb-eject 3000",
                   &output);
    ASSERT_EQ(status, 0) << output;

    const std::string can1 = base.Read(base / "usb-sticks/disk_sda1/QMX_v084_000001_CAN1.log");
    const std::string can2 = base.Read(base / "usb-sticks/disk_sda1/QMX_v084_000001_CAN2.log");
    EXPECT_EQ(can2, kHeader) << "nothing is received on CAN2";
    ASSERT_EQ(can1.compare(0, kHeader.size(), kHeader), 0) << can1;

    // The lines are the frames of one unbroken stretch of the trace, each
    // stamped with the main loop iteration that received it (the first at
    // or after its due time), beginning just after the insertion and
    // ending just after the ejection.
    ASSERT_GT(can1.size(), kHeader.size() + 14) << "no line recorded";
    const uint32_t firstId = std::stoul(can1.substr(kHeader.size() + 6, 8), nullptr, 16);
    size_t start = 0;
    while (start < frames.size() && frames[start].id != firstId)
        ++start;
    ASSERT_LT(start, frames.size()) << "not a frame of the trace: " << can1;
    std::string expected = kHeader;
    size_t end = start;
    while (expected.size() < can1.size() && end < frames.size()) {
        const uint32_t received = (frames[end].dueMs + 24) / 25 * 25;
        expected += Line(frames[end], received);
        ++end;
    }
    EXPECT_EQ(can1, expected);
    EXPECT_GE(frames[start].dueMs, 1000u);
    EXPECT_LE(frames[start].dueMs, 1100u) << "recording starts right after the insertion";
    EXPECT_GE(frames[end - 1].dueMs, 2900u);
    EXPECT_LE(frames[end - 1].dueMs, 3050u) << "and stops right after the ejection";

    const std::string eeprom = base.Read(base / "rootfs/app/data/config/eeprom.dat");
    ASSERT_EQ(eeprom.size(), 32768u);
    EXPECT_EQ(U32(eeprom, 12), 1u) << "log number of CAN1";
    EXPECT_EQ(U32(eeprom, 16), 1u) << "log number of CAN2";
}

} // namespace
