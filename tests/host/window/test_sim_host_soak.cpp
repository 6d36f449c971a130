// Ten seconds of the real window with the real device threads while keys
// are pressed, bezel buttons clicked, the zoom and the grid changed, the
// simulation paused and resumed and user events raised. Its point is the
// ThreadSanitizer build, which must stay silent; every build checks that the
// device kept running and that the window closes promptly afterwards.
#include <QElapsedTimer>
#include <QtTest>
#include <memory>

#include "device/device_memory.h"
#include "host/qt_test_support.h"
#include "host/run/SimulationRunner.h"
#include "host/window/DisplayWidget.h"
#include "host/window/MenuIds.h"
#include "host/window/SimHost.h"

using pcsim::SimHost;

class SimHostSoakTest : public QObject {
    Q_OBJECT

  private:
    pcsim_test::TemporarySettings settings;
    pcsim_test::TemporaryStorage storage;

  private slots:
    void tenSecondsOfUse() {
        constexpr int kRunMs = 10000;
        constexpr int kStepMs = 40;
        static const int kZooms[] = {pcsim::kMenuZoom2, pcsim::kMenuZoom4, pcsim::kMenuZoom1};
        static const int kGrids[] = {pcsim::kMenuGrid40, pcsim::kMenuGrid5, pcsim::kMenuNoGrid};
        static const Qt::Key kKeys[] = {Qt::Key_F1, Qt::Key_F2, Qt::Key_F3, Qt::Key_F4, Qt::Key_F5};

        SimHost host(storage.Options());
        host.Run();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        QElapsedTimer clock;
        clock.start();
        for (int step = 0; clock.elapsed() < kRunMs; ++step) {
            const Qt::Key key = kKeys[step % 5];
            QTest::keyPress(&host, key);
            QTest::qWait(kStepMs / 2);
            QTest::keyRelease(&host, key);
            if (step % 7 == 3) {
                const QPoint button(host.Display()->width() / 2,
                                    host.Display()->height() * 88 / 100);
                QTest::mousePress(host.Display(), Qt::LeftButton, {}, button);
                QTest::mouseMove(host.Display(), button + QPoint(0, -100));
                QTest::mouseRelease(host.Display(), Qt::LeftButton, {}, button);
            }
            if (step % 25 == 12) host.OnCommand(kZooms[(step / 25) % 3]);
            if (step % 25 == 20) host.OnCommand(kGrids[(step / 25) % 3]);
            if (step % 40 == 30) host.OnCommand(pcsim::kMenuPause);
            if (step % 40 == 33) host.OnCommand(pcsim::kMenuPlay);
            if (step % 50 == 45) host.OnCommand(pcsim::kMenuEvent1);
            QTest::qWait(kStepMs / 2);
        }
        // Paused for about a tenth of the time; sanitizer builds run slower.
        QVERIFY2(device_memory.sys.tick_count > 300, "the tick kept running");
        QVERIFY2(device_memory.sys.loop_count > 100, "the main loop kept running");
        QElapsedTimer closing;
        closing.start();
        host.close();
        QVERIFY(closing.elapsed() < pcsim::SimulationRunner::kStopTimeoutMs);
        QVERIFY(!pcsim::SimulationRunner::ThreadsLeftBehind());
    }
};

QTEST_MAIN(SimHostSoakTest)
#include "test_sim_host_soak.moc"
