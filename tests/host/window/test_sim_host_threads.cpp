// The device threads under the window: nothing runs before the first Play;
// the tick stands still while paused and goes on after Play; a hidden
// window does not stop the device; Step runs one iteration with its ticks;
// closing never hangs; a device exit request closes the window and the
// settings are saved.
#include <QElapsedTimer>
#include <QSet>
#include <QtTest>
#include <algorithm>
#include <memory>
#include <vector>

#include "device/app/pages.h"
#include "device/device_memory.h"
#include "device/gfx/gfx.h"
#include "device/runtime/sys.h"
#include "host/display/FrameConversion.h"
#include "host/qt_test_support.h"
#include "host/run/SimulationRunner.h"
#include "host/window/DisplayWidget.h"
#include "host/window/MenuIds.h"
#include "host/window/SimHost.h"

using pcsim::SimHost;
using pcsim::SimulationRunner;

namespace {
uint32_t Ticks() {
    return device_memory.sys.tick_count;
}
uint32_t Iterations() {
    return device_memory.sys.loop_count;
}

constexpr uint32_t kMarker = 0x12345678u; // no converted pixel looks like this

/* The colours the window shows inside rect. */
QSet<QRgb> DisplayedColours(SimHost& host, const QRect& rect) {
    const QImage shown = host.Display()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QSet<QRgb> colours;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            colours.insert(shown.pixel(x, y));
    return colours;
}

/* Share of the device pixels in the window that equal those of reference. */
double ShareOfPixelsLike(SimHost& host, const QImage& reference) {
    const QImage shown = host.Display()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRect screen = host.DisplayRect();
    int same = 0;
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x)
            same += (shown.pixel(screen.left() + x, screen.top() + y) & 0xFFFFFF) ==
                    (reference.pixel(x, y) & 0xFFFFFF);
    return same / (320.0 * 240.0);
}

/* The frame the device composed last, as the window converts it. */
std::vector<uint32_t> ComposedDeviceFrame() {
    std::vector<uint32_t> bits(320 * 240);
    display_read_composed_frame(
        [](const uint16_t* frame, void* out) {
            pcsim::ConvertFramePixels(frame, static_cast<uint32_t*>(out));
        },
        bits.data());
    return bits;
}

} // namespace

class SimHostThreadsTest : public QObject {
    Q_OBJECT

  private:
    pcsim_test::TemporarySettings settings;
    pcsim_test::TemporaryStorage storage;

  private slots:
    void init() {
        settings.Clear();
        storage.Renew();
    }

    void runsTheTickAndTheMainLoop() {
        SimHost host(storage.Options());
        host.Run();
        // 10 ms ticks and 25 ms iterations; generous bounds for slow builds.
        QTRY_VERIFY_WITH_TIMEOUT(Ticks() >= 20 && Iterations() >= 8, 5000);
        host.close();
        QVERIFY(!SimulationRunner::ThreadsLeftBehind());
    }

    void pauseStopsTheTickAndPlayContinuesIt() {
        SimHost host(storage.Options());
        host.Run();
        QTRY_VERIFY_WITH_TIMEOUT(Ticks() >= 5, 5000);
        host.OnCommand(pcsim::kMenuPause);
        QTest::qWait(30); // a tick already under way may still finish
        const uint32_t ticks = Ticks();
        const uint32_t iterations = Iterations();
        QTest::qWait(250);
        QCOMPARE(Ticks(), ticks);
        QCOMPARE(Iterations(), iterations);
        host.OnCommand(pcsim::kMenuPlay);
        QTRY_VERIFY_WITH_TIMEOUT(Ticks() >= ticks + 5, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(Iterations() > iterations, 5000);
    }

    void noTickNoIterationAndABlackPictureBeforeTheFirstPlay() {
        SimHost host(storage.Options());
        host.SetZoom(1);
        host.Runner().Attach(nullptr, storage.Options()); // OnCreate's start-up, without its Play
        host.Runner().StartThreads();
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        QTest::qWait(300);
        QCOMPARE(Ticks(), 0u);
        QCOMPARE(Iterations(), 0u);
        const QRect screen = host.DisplayRect();
        QCOMPARE(DisplayedColours(host, screen), QSet<QRgb>({0xFF000000u}));
        host.OnCommand(pcsim::kMenuPlay);
        QTRY_VERIFY_WITH_TIMEOUT(Ticks() > 0 && Iterations() > 0, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(!DisplayedColours(host, screen).contains(0xFF000000u), 5000);
    }

    void aHiddenWindowDoesNotStopTheDeviceAndShowsItsNewPictureAgain() {
        SimHost host(storage.Options());
        host.Run();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        QTRY_VERIFY_WITH_TIMEOUT(device_memory.screen.update_handler.load() == &page_fuel_update,
                                 10000);
        host.hide(); // nothing paints from here on
        QTest::qWait(100);
        const uint32_t hiddenAt = Iterations();
        QTest::qWait(2000);
        // 80 iterations at the nominal rate; a stalled device makes 0 or 1.
        QVERIFY2(Iterations() - hiddenAt >= 40,
                 qPrintable(QString("%1 iterations in 2 s hidden").arg(Iterations() - hiddenAt)));
        // Key 5 while hidden: the device moves on to the gauges page...
        host.Runner().SetKey(5, true);
        QTest::qWait(200);
        host.Runner().SetKey(5, false);
        QTRY_VERIFY_WITH_TIMEOUT(device_memory.screen.update_handler.load() == &page_gauges_update,
                                 5000);
        // ...and that is what the window shows once it is back.
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        const QImage gauges(QStringLiteral(PCSIM_GOLDEN_DIR "/gauges.bmp"));
        QCOMPARE(gauges.size(), QSize(320, 240));
        QTRY_VERIFY_WITH_TIMEOUT(ShareOfPixelsLike(host, gauges) > 0.9, 5000);
        QElapsedTimer clock;
        clock.start();
        host.close();
        QVERIFY(clock.elapsed() < SimulationRunner::kStopTimeoutMs);
        QVERIFY(!SimulationRunner::ThreadsLeftBehind());
    }

    void stepRunsOneIterationAndTheTicksDueBeforeItThenShowsTheFrame() {
        SimHost host(storage.Options());
        host.Run();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        QTRY_VERIFY_WITH_TIMEOUT(device_memory.screen.update_handler.load() == &page_fuel_update,
                                 10000);
        QVERIFY2(!host.Runner().Step(), "no Step while running");
        host.OnCommand(pcsim::kMenuPause);
        QTest::qWait(150);
        // A paused paint converts nothing: a marker in the converted frame stays.
        const std::vector<uint32_t> shown = host.FrameBits();
        std::fill(host.FrameBits().begin(), host.FrameBits().end(), kMarker);
        host.Display()->repaint();
        QCOMPARE(host.FrameBits()[0], kMarker);
        host.FrameBits() = shown;

        // Key 5 down while paused: only the steps' ticks see it.
        host.Runner().SetKey(5, true);
        uint32_t ticks = Ticks();
        uint32_t iterations = Iterations();
        std::vector<uint32_t> ticksPerStep;
        const QImage gauges(QStringLiteral(PCSIM_GOLDEN_DIR "/gauges.bmp"));
        bool entered = false;
        for (int step = 0; step < 4; ++step) {
            host.MenuAction(pcsim::kMenuStep)->trigger();
            QTRY_COMPARE_WITH_TIMEOUT(Iterations(), iterations + 1, 5000);
            QTest::qWait(100); // nothing more comes
            QCOMPARE(Iterations(), iterations + 1);
            ticksPerStep.push_back(Ticks() - ticks);
            ticks = Ticks();
            iterations = Iterations();
            // The step that enters the gauges page shows it: the window
            // shows each step's own frame, not the one before it.
            if (!entered && device_memory.screen.update_handler.load() == &page_gauges_update) {
                entered = true;
                QTRY_VERIFY_WITH_TIMEOUT(ShareOfPixelsLike(host, gauges) > 0.9, 5000);
            }
        }
        QVERIFY(entered);
        host.Runner().SetKey(5, false);
        // 10 ms ticks in 25 ms steps: 2 and 3 in turn.
        QCOMPARE(ticksPerStep[0] + ticksPerStep[1], 5u);
        QCOMPARE(ticksPerStep[2] + ticksPerStep[3], 5u);
        QVERIFY(ticksPerStep[0] == 2 || ticksPerStep[0] == 3);
        QCOMPARE(ticksPerStep[0], ticksPerStep[2]);
        // The steps entered the gauges page, and the paused window shows it.
        QVERIFY(device_memory.screen.update_handler.load() == &page_gauges_update);
        QTRY_VERIFY_WITH_TIMEOUT(ShareOfPixelsLike(host, gauges) > 0.9, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(host.FrameBits(), ComposedDeviceFrame(), 5000);
        QVERIFY(host.Runner().IsPaused());
        host.close();
        QVERIFY(!SimulationRunner::ThreadsLeftBehind());
    }

    void deviceExitRequestClosesTheWindowAndSavesTheSettings() {
        {
            SimHost host(storage.Options());
            host.Run();
            host.OnCommand(pcsim::kMenuGrid5);
            QTRY_VERIFY_WITH_TIMEOUT(Iterations() >= 2, 5000);
            sys_request_exit(0);
            QTRY_VERIFY_WITH_TIMEOUT(!host.isVisible(), 2000);
            QVERIFY(!SimulationRunner::ThreadsLeftBehind());
        }
        QCOMPARE(pcsim_test::TemporarySettings::Store().value("GridWidth").toByteArray(),
                 QByteArray("\x05\x00\x00\x00", 4));
    }
};

QTEST_MAIN(SimHostThreadsTest)
#include "test_sim_host_threads.moc"
