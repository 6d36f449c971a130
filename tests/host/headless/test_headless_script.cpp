// Scripted headless runs for CI: events at their virtual time, the key and
// page trace, numbered frames, PNG screenshots, and a run that a stop flag
// (a signal) ends early with its outputs intact.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <atomic>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "device/device_memory.h"
#include "device/runtime/sys.h"
#include "device/services/host_services.h"
#include "host/display/FrameConversion.h"
#include "host/display/ScreenFile.h"
#include "host/headless/FrameRecorder.h"
#include "host/headless/HeadlessProgram.h"
#include "host/headless/HeadlessRunner.h"
#include "host/storage_temp_dir.h"

namespace {

std::vector<std::pair<int, uint32_t>> g_events; // (device event, virtual ms since the start)
void RecordEvent(int n) {
    g_events.emplace_back(n, svc_tick_ms() - pcsim::HeadlessRunner::kVirtualEpochMs);
}

TEST(HeadlessScript, MenuEventsReachTheDeviceAsZeroAndOneAtTheirTime) {
    g_events.clear();
    pcsim_test::StorageTempDir base;
    pcsim::HeadlessRunner runner;
    runner.Schedule(0, [] { sys_set_event_handler(RecordEvent); }); // after the start-up's own
    pcsim::ScheduleEvents(runner, {{2, 250}, {1, 100}, {1, 3000}});
    runner.Run(base.Headless(1000));
    const std::vector<std::pair<int, uint32_t>> expected = {{0, 100}, {1, 250}};
    EXPECT_EQ(g_events, expected);
}

/* The program's headless run in this process, with its storage in a
 * temporary directory; its stdout as text. */
struct ProgramRun {
    int status = -1;
    std::string out;
};
ProgramRun RunProgram(pcsim::CommandLineOptions options) {
    const pcsim_test::StorageTempDir base;
    options.root = base.Path();
    ProgramRun r;
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    r.status = pcsim::RunHeadlessProgram(options, out, err);
    for (std::FILE* f : {out, err}) {
        std::rewind(f);
        char buf[512];
        while (std::fgets(buf, sizeof buf, f))
            r.out += buf;
        std::fclose(f);
    }
    return r;
}

pcsim::CommandLineOptions Headless(uint32_t runMs) {
    pcsim::CommandLineOptions o;
    o.headless = true;
    o.runMs = runMs;
    o.runMsGiven = true;
    return o;
}

TEST(HeadlessScript, TraceListsKeyChangesAndPageEntriesInOrder) {
    pcsim::CommandLineOptions o = Headless(4000);
    o.traceKeys = true;
    o.presses = {{5, 3000, 100},
                 {3, 3505, 5}}; // the second between two ticks: the device misses it
    const ProgramRun r = RunProgram(o);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "25 page version\n"
                     "2025 page fuel\n"
                     "3000 key F5 down\n"
                     "3025 page gauges\n"
                     "3100 key F5 up\n"
                     "3505 key F3 down\n"
                     "3510 key F3 up\n"
                     "ran 4000 ms of virtual time: 400 ticks, 160 main loop iterations\n");
}

/* A PNG file's pixels as the 320 x 240 bottom-up bits the window converts. */
std::vector<uint32_t> PngBits(const QString& path) {
    const QImage image = QImage(path).convertToFormat(QImage::Format_RGB32);
    std::vector<uint32_t> bits;
    if (image.size() != QSize(320, 240)) return bits;
    for (int y = 239; y >= 0; --y)
        for (int x = 0; x < 320; ++x)
            bits.push_back(image.pixel(x, y));
    return bits;
}

TEST(HeadlessScript, FramesAreNumberedInShowingOrderAtTheirInterval) {
    QTemporaryDir dir;
    const struct {
        uint32_t everyMs;
        uint32_t frames; // in 1000 ms: iterations every 25 ms
    } cases[] = {{0, 40}, {100, 11}, {40, 26}, {1000, 2}};
    for (const auto& c : cases) {
        const QString sub = dir.filePath(QString("every_%1/nested").arg(c.everyMs)); // created
        pcsim::CommandLineOptions o = Headless(1000);
        o.framesDir = sub.toStdString();
        o.frameEveryMs = c.everyMs;
        o.screenshot = dir.filePath(QString("last_%1.png").arg(c.everyMs)).toStdString();
        const ProgramRun r = RunProgram(o);
        ASSERT_EQ(r.status, 0) << r.out;
        EXPECT_EQ(QDir(sub).entryList(QDir::Files).size(), static_cast<int>(c.frames)) << c.everyMs;
        EXPECT_NE(r.out.find("wrote " + std::to_string(c.frames) + " frames to"), std::string::npos)
            << r.out;
        // Each interval divides 1000: the last frame is the screen the run ended on.
        const pcsim::FrameRecorder names(sub.toStdString(), 0);
        EXPECT_EQ(PngBits(QString::fromStdString(names.FramePath(c.frames - 1))),
                  PngBits(QString::fromStdString(o.screenshot)))
            << c.everyMs;
    }
}

TEST(HeadlessScript, PngAndBitmapScreenshotsHoldTheSamePixels) {
    QTemporaryDir dir;
    pcsim_test::StorageTempDir base;
    pcsim::HeadlessRunner runner;
    runner.Run(base.Headless(4000, {{5, 3000, 100}}));
    const std::vector<uint32_t> shown(runner.FrameBits(), runner.FrameBits() + 320 * 240);
    for (const char* name : {"s.png", "s.PNG", "s.bmp", "s.png.bmp"}) {
        const std::string path = dir.filePath(name).toStdString();
        std::string error;
        ASSERT_TRUE(pcsim::WriteScreenFile(path, shown.data(), &error)) << error;
        std::FILE* f = std::fopen(path.c_str(), "rb");
        ASSERT_NE(f, nullptr);
        char magic[4] = {};
        ASSERT_EQ(std::fread(magic, 1, 4, f), 4u);
        std::fclose(f);
        const bool png = pcsim::IsPngPath(path);
        EXPECT_EQ(std::string(magic, png ? 4 : 2), png ? std::string("\x89PNG") : std::string("BM"))
            << name;
        EXPECT_EQ(PngBits(QString::fromStdString(path)), shown) << name; // QImage reads both
    }
    std::string error;
    EXPECT_FALSE(
        pcsim::WriteScreenFile(dir.filePath("no/dir/s.png").toStdString(), shown.data(), &error));
    EXPECT_NE(error.find("cannot write"), std::string::npos) << error;
}

TEST(HeadlessScript, AFrameThatCannotBeWrittenEndsTheRunWithTheReason) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath("frames/frame-000002.png")); // a directory in the way
    pcsim::CommandLineOptions o = Headless(1000);
    o.framesDir = dir.filePath("frames").toStdString();
    const ProgramRun r = RunProgram(o);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("frame-000002.png"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("ran 75 ms"), std::string::npos) << r.out; // stopped at the third frame
    EXPECT_NE(r.out.find("wrote 2 frames"), std::string::npos) << r.out;

    const std::string file = dir.filePath("plain").toStdString();
    std::fclose(std::fopen(file.c_str(), "w"));
    o.framesDir = file;
    const ProgramRun notADir = RunProgram(o);
    EXPECT_EQ(notADir.status, 1);
    EXPECT_NE(notADir.out.find("cannot create the directory"), std::string::npos) << notADir.out;
}

TEST(HeadlessScript, StopFlagEndsTheRunAfterItsStepWithTheLastScreen) {
    std::atomic<bool> stop{false};
    pcsim_test::StorageTempDir base;
    pcsim::HeadlessRunner runner;
    runner.SetStopFlag(&stop);
    runner.Schedule(500, [&stop] { stop = true; });
    runner.Run(base.Headless(10000));
    EXPECT_TRUE(runner.Stopped());
    EXPECT_EQ(runner.RanMs(), 500u);
    EXPECT_EQ(runner.Iterations(), 20u);
    EXPECT_EQ(runner.FrameBits()[0], 0xFFF8FCF8u) << "the version page's white corner";
}

} // namespace
