// The device threads under the window: the tick stands still while paused
// and goes on after Play; closing never hangs, not even while the device
// waits for a paint; a device exit request closes the window and the
// settings are saved.
#include <QElapsedTimer>
#include <QtTest>
#include <memory>

#include "device/device_memory.h"
#include "device/gfx/gfx.h"
#include "device/runtime/sys.h"
#include "host/MenuIds.h"
#include "host/SimHost.h"
#include "host/SimulationRunner.h"
#include "qt_test_support.h"

using pcsim::SimHost;
using pcsim::SimulationRunner;

namespace {
uint32_t Ticks() {
    return device_memory.sys.tick_count;
}
uint32_t Iterations() {
    return device_memory.sys.loop_count;
}
} // namespace

class SimHostThreadsTest : public QObject {
    Q_OBJECT

  private:
    pcsim_test::TemporarySettings settings;

  private slots:
    void init() { settings.Clear(); }

    void runsTheTickAndTheMainLoop() {
        SimHost host;
        host.Run();
        // 10 ms ticks and 25 ms iterations; generous bounds for slow builds.
        QTRY_VERIFY_WITH_TIMEOUT(Ticks() >= 20 && Iterations() >= 8, 5000);
        host.close();
        QVERIFY(!SimulationRunner::ThreadsLeftBehind());
    }

    void pauseStopsTheTickAndPlayContinuesIt() {
        SimHost host;
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

    void closingWhileTheDeviceWaitsForAPaintDoesNotHang() {
        SimHost host;
        host.OnCreate(); // never shown: nothing paints, so the second present waits
        QTRY_VERIFY_WITH_TIMEOUT(Iterations() >= 1 && frame_shown() == 0, 5000);
        QTest::qWait(100);
        const uint32_t stuck = Iterations();
        QTest::qWait(100);
        QCOMPARE(Iterations(), stuck); // waiting in gfx_present
        QElapsedTimer clock;
        clock.start();
        host.close();
        QVERIFY2(clock.elapsed() < SimulationRunner::kStopTimeoutMs,
                 "Stop waited for its time-out");
        QVERIFY(!SimulationRunner::ThreadsLeftBehind());
    }

    void deviceExitRequestClosesTheWindowAndSavesTheSettings() {
        {
            SimHost host;
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
