// --can-trace and the CAN tap: a recording converted for replay reaches the
// application on time, and the session trace shows what the device got.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <sys/wait.h>
#include <thread>
#include <vector>

#include "device/can/can_rx_fifo.h"
#include "device/can/replay_file.h"
#include "device/device_memory.h"
#include "host/CommandLine.h"
#include "host/can/CanTap.h"
#include "host/can/CanTraceFile.h"
#include "host/can/CanTraceSetup.h"
#include "host/headless/HeadlessRunner.h"
#include "host/storage/StorageSetup.h"
#include "host/storage_temp_dir.h"
#include "host/trace/CandumpFormat.h"
#include "host/trace/TraceConvert.h"

namespace {

using pcsim_test::StorageTempDir;

bool Parse(std::vector<std::string> args, pcsim::CommandLineOptions* options, std::string* error) {
    std::vector<const char*> argv{"pc-simulator"};
    for (const std::string& a : args) argv.push_back(a.c_str());
    return pcsim::ParseCommandLine(static_cast<int>(argv.size()), argv.data(), options, error);
}

/* A frame as the application or the trace saw it: time since the run
 * started (ms), identifier, extended, data. */
struct Seen {
    uint32_t ms;
    uint32_t id;
    bool extended;
    std::vector<uint8_t> data;
    bool operator==(const Seen&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Seen& s) {
    os << s.ms << "ms " << std::hex << s.id << (s.extended ? "x" : "") << std::dec << " [";
    for (uint8_t b : s.data) os << int(b) << ' ';
    return os << "]";
}

/* Run the program with args; its status (137 when it was killed after a
 * minute: a run stuck in the device does not answer SIGTERM) and
 * everything it printed. */
int RunProgram(const std::string& args, std::string* output) {
    const std::string command = "timeout -s KILL 60 " + std::string(PCSIM_BINARY) + " " + args;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return -1;
    char buf[512];
    while (fgets(buf, sizeof buf, pipe))
        *output += buf;
    const int raw = pclose(pipe);
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

} // namespace

TEST(CanTrace, ReplayedRecordingReachesTheFifosOnTimeAndTheTraceShowsItReceived) {
    StorageTempDir temp;
    // A vehicle recording on can0 (CAN1); vcan1 traffic is for the other port.
    StorageTempDir::Write(temp / "vehicle.log", "(1436509052.000000) can0 100#01\n"
                                                "(1436509052.050000) vcan1 200#FF\n"
                                                "(1436509052.100000) can0 12345678#0203\n"
                                                "(1436509052.262500) can0 101#\n"
                                                "(1436509052.400000) can0 7FF#0102030405060708\n");
    pcsim::ConvertRequest request;
    request.inPath = (temp / "vehicle.log").string();
    request.outPath = (temp / "vehicle.ctb").string();
    request.port = 0;
    pcsim::ConvertReport report;
    ASSERT_TRUE(pcsim::ConvertTrace(request, &report)) << report.errors.front();

    pcsim::CommandLineOptions options;
    std::string error;
    const std::string trace = (temp / "session.log").string();
    ASSERT_TRUE(Parse({"--headless", "--run-ms", "450", "--root", temp.Path(), "--can0", "replay:" + request.outPath,
                       "--can-trace", trace},
                      &options, &error))
        << error;
    ASSERT_TRUE(pcsim::PrepareStorageBase(options, &error)) << error;

    // Between main loop iterations (every 25 ms), the entries pushed into
    // the port-0 FIFOs by the iteration just run (the traffic log reads
    // each one at once, so they are taken from the slots behind the write
    // index).
    pcsim::HeadlessRunner runner;
    std::vector<Seen> fifo;
    uint8_t written[2] = {0, 0};
    for (uint32_t t = 30; t <= 450; t += 25) {
        runner.Schedule(t, [&fifo, &written, t] {
            for (int stream : {CAN_FIFO_PORT0_STD, CAN_FIFO_PORT0_EXT}) {
                const CanRxFifo& f = device_memory.can.rx.fifo[stream];
                uint8_t& w = written[stream];
                for (; w != f.write; w = static_cast<uint8_t>((w + 1) % CAN_FIFO_DEPTH)) {
                    const CanRxSlot& slot = f.slot[w];
                    fifo.push_back({t - 5, slot.id, stream == CAN_FIFO_PORT0_EXT,
                                    std::vector<uint8_t>(slot.data, slot.data + slot.len)});
                }
            }
        });
    }
    runner.Run(options);
    ASSERT_TRUE(pcsim::FinishCanTrace());

    // Due 0, 100, 262.5 and 400 ms after the replay opened at start-up: each
    // at the first iteration at or after its time. After the last record
    // playback starts again at once, so the first one comes again at 400.
    const std::vector<Seen> expected = {
        {25, 0x100, false, {0x01}},
        {100, 0x12345678, true, {0x02, 0x03}},
        {275, 0x101, false, {}},
        {400, 0x7FF, false, {1, 2, 3, 4, 5, 6, 7, 8}},
        {400, 0x100, false, {0x01}},
    };
    EXPECT_EQ(fifo, expected);

    // The session trace: the same frames marked received (R), at the device
    // clock of their iteration; the device's own frames marked sent (T).
    pcsim::TraceReadResult read;
    pcsim::ReadCandump(StorageTempDir::Read(trace), {}, &read);
    ASSERT_TRUE(read.bad.empty()) << read.bad.front().reason;
    std::vector<Seen> received;
    size_t sent = 0;
    for (const pcsim::TraceFrame& f : read.frames) {
        EXPECT_EQ(f.port, 0);
        if (f.direction == pcsim::TraceDirection::Tx) {
            ++sent;
            continue;
        }
        ASSERT_EQ(f.direction, pcsim::TraceDirection::Rx);
        const int64_t ms = f.timeUs / 1000 - pcsim::HeadlessRunner::kVirtualEpochMs;
        received.push_back({static_cast<uint32_t>(ms), f.id, f.extended != 0, std::vector<uint8_t>(f.data, f.data + f.dlc)});
    }
    EXPECT_EQ(received, expected);
    EXPECT_GT(sent, 0u); // the remote I/O requests on 0x421
}

TEST(CanTrace, OptionNeedsAFileItCanMake) {
    StorageTempDir temp;
    struct Case {
        std::string value;
        const char* message;
    };
    const Case cases[] = {
        {"", "needs a file name"},
        {temp.Path(), "is a directory"},
        {temp.Path() + "/missing/trace.log", "does not exist"},
    };
    for (const Case& c : cases) {
        pcsim::CommandLineOptions options;
        std::string error;
        EXPECT_FALSE(Parse({"--can-trace", c.value}, &options, &error)) << c.value;
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
    }
    pcsim::CommandLineOptions options;
    std::string error;
    EXPECT_TRUE(Parse({"--can-trace", temp.Path() + "/trace.log"}, &options, &error)) << error;
    EXPECT_EQ(options.canTrace, temp.Path() + "/trace.log");
}

TEST(CanTapRing, DropsWhenFullOrWaitsForItsReader) {
    pcsim::TapFrame frame{};
    pcsim::CanTapRing lossy(4);
    lossy.SetEnabled(true);
    for (uint32_t i = 0; i < 6; ++i) {
        frame.id = i;
        lossy.Put(frame);
    }
    pcsim::TapFrame out[8];
    ASSERT_EQ(lossy.Take(out, 8), 4u);
    EXPECT_EQ(out[3].id, 3u);
    EXPECT_EQ(lossy.Dropped(), 2u);

    // A lossless ring hands every frame over, in order, to a reader on
    // another thread that is slower than the producer.
    constexpr uint32_t kFrames = 20000;
    pcsim::CanTapRing lossless(16);
    lossless.SetLossless(true);
    lossless.SetEnabled(true);
    std::vector<uint32_t> ids;
    std::thread reader([&] {
        pcsim::TapFrame batch[3];
        while (ids.size() < kFrames) {
            const uint32_t n = lossless.Take(batch, 3);
            for (uint32_t i = 0; i < n; ++i) ids.push_back(batch[i].id);
            if (n == 0) std::this_thread::yield();
        }
    });
    for (uint32_t i = 0; i < kFrames; ++i) {
        frame.id = i;
        lossless.Put(frame);
    }
    reader.join();
    EXPECT_EQ(lossless.Dropped(), 0u);
    for (uint32_t i = 0; i < kFrames; ++i) ASSERT_EQ(ids[i], i);
}

/* A trace that cannot be written does not hold the run up: the writer goes
 * on taking the frames the device waits to hand over (a headless run loses
 * none), so the run ends, says why with the writer's own error and how many
 * frames are missing, and exits 1, as its trace is incomplete. The replay
 * delivers far more frames than the ring holds; the same run traced to a
 * file that can be written tells how many there are. */
TEST(CanTrace, WriteErrorEndsTheHeadlessRunWithTheReason) {
    StorageTempDir temp;
    ReplayFile replay;
    for (uint32_t i = 0; i < 300; ++i)
        replay.Record(0, 0x100 + i, 0, 8, static_cast<uint8_t>(i));
    const std::string replayPath = (temp / "busy.ctb").string();
    ASSERT_TRUE(replay.Write(replayPath));
    const std::string run =
        "--headless --run-ms 20000 --root " + temp.Path() + " --can0 replay:" + replayPath;

    std::string output;
    const std::string written = (temp / "whole.log").string();
    ASSERT_EQ(RunProgram(run + " --can-trace " + written, &output), 0) << output;
    const std::string text = StorageTempDir::Read(written);
    const auto frames = std::count(text.begin(), text.end(), '\n');
    ASSERT_GT(frames, 1 << 16) << "more than the trace ring holds";

    output.clear();
    EXPECT_EQ(RunProgram(run + " --can-trace /dev/full", &output), 1) << output;
    EXPECT_NE(output.find("pc-simulator: --can-trace: cannot write /dev/full: No space left on "
                          "device; the last " +
                          std::to_string(frames) + " frame(s) not written\n"),
              std::string::npos)
        << output;
    EXPECT_NE(output.find("ran 20000 ms of virtual time"), std::string::npos) << output;
}

/* Every frame the ring took is in the file, however the device's frames
 * and the end of the trace meet: a producer that goes on putting while the
 * trace finishes (a device thread left behind in the window) has none of
 * its accepted frames left between the writer's last drain and the close. */
TEST(CanTraceFile, EveryFrameTheRingTookIsWrittenThoughTheProducerGoesOn) {
    StorageTempDir temp;
    pcsim::CanTapRing ring(1u << 12);
    for (int round = 0; round < 10; ++round) {
        SCOPED_TRACE(round);
        const std::string path = (temp / ("trace" + std::to_string(round) + ".log")).string();
        std::string error;
        std::unique_ptr<pcsim::CanTraceFile> file =
            pcsim::CanTraceFile::Open(path, &ring, false, &error);
        ASSERT_TRUE(file) << error;
        std::atomic<bool> stop{false};
        uint64_t taken = 0; // read after the join
        std::thread producer([&] {
            pcsim::TapFrame f{};
            f.dlc = 1;
            for (uint32_t i = 0; !stop.load(std::memory_order_relaxed); ++i) {
                f.id = i & 0x7FF;
                taken += ring.Put(f);
            }
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(1 + round % 3));
        std::string problem;
        file->Finish(
            &problem); // frames are dropped when the writer falls behind: not a concern here
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        stop = true;
        producer.join();
        const std::string text = StorageTempDir::Read(path);
        EXPECT_EQ(static_cast<uint64_t>(std::count(text.begin(), text.end(), '\n')), taken);
        EXPECT_FALSE(ring.Put(pcsim::TapFrame{})) << "a finished trace's ring takes nothing";
    }
}
