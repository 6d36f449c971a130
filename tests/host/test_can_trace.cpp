// --can-trace and the CAN tap: a recording converted for replay reaches the
// application on time, and the session trace shows what the device got.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

#include "device/can/can_rx_fifo.h"
#include "device/device_memory.h"
#include "host/CanTap.h"
#include "host/CanTraceSetup.h"
#include "host/CommandLine.h"
#include "host/HeadlessRunner.h"
#include "host/StorageSetup.h"
#include "host/trace/CandumpFormat.h"
#include "host/trace/TraceConvert.h"
#include "storage_temp_dir.h"

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
