// The window's input: function keys and bezel clicks as device keys, the key
// zones at every zoom, the display rectangle, the coordinate tooltip and the
// cursor shapes.
#include <QKeyEvent>
#include <QtTest>
#include <memory>

#include "device/runtime/keys.h"
#include "host/qt_test_support.h"
#include "host/window/DisplayWidget.h"
#include "host/window/SimHost.h"

using pcsim::SimHost;

class SimHostInputTest : public QObject {
    Q_OBJECT

  private:
    pcsim_test::TemporarySettings settings;
    pcsim_test::TemporaryStorage storage;
    std::unique_ptr<SimHost> host;

    QWidget* Display() { return host->Display(); }

  private slots:
    void init() {
        settings.Clear();
        storage.Renew();
        host = std::make_unique<SimHost>(storage.Options());
        host->Run();
        QVERIFY(QTest::qWaitForWindowExposed(host.get()));
    }
    void cleanup() { host.reset(); }

    void functionKeysHoldDeviceKeys_data() {
        QTest::addColumn<int>("qtKey");
        QTest::addColumn<int>("bit");
        QTest::newRow("F1") << int(Qt::Key_F1) << 0x01;
        QTest::newRow("F2") << int(Qt::Key_F2) << 0x02;
        QTest::newRow("F3") << int(Qt::Key_F3) << 0x04;
        QTest::newRow("F4") << int(Qt::Key_F4) << 0x08;
        QTest::newRow("F5") << int(Qt::Key_F5) << 0x10;
    }
    void functionKeysHoldDeviceKeys() {
        QFETCH(int, qtKey);
        QFETCH(int, bit);
        const auto key = static_cast<Qt::Key>(qtKey);
        QTest::keyPress(host.get(), key);
        QCOMPARE(int(key_input_get()), bit);
        // Held keys repeat as release-press pairs: the device must keep
        // seeing the key down.
        QKeyEvent repeatRelease(QEvent::KeyRelease, key, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(host.get(), &repeatRelease);
        QCOMPARE(int(key_input_get()), bit);
        QTest::keyRelease(host.get(), key);
        QCOMPARE(int(key_input_get()), 0);
    }

    void otherKeysAreNotDeviceKeys() {
        QTest::keyClick(host.get(), Qt::Key_F6);
        QTest::keyPress(host.get(), Qt::Key_A);
        QCOMPARE(int(key_input_get()), 0);
        QTest::keyRelease(host.get(), Qt::Key_A);
    }

    void clicksOnTheBezelPressKeys_data() {
        QTest::addColumn<int>("zoom");
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<int>("bit");
        QTest::newRow("zoom 1, key 3") << 1 << QPoint(200, 370) << 0x04;
        QTest::newRow("zoom 1, between keys 1 and 2") << 1 << QPoint(100, 370) << 0;
        QTest::newRow("zoom 1, above the key row") << 1 << QPoint(200, 357) << 0;
        QTest::newRow("zoom 1, key 1") << 1 << QPoint(66, 384) << 0x01;
        QTest::newRow("zoom 1, key 5") << 1 << QPoint(343, 358) << 0x10;
        QTest::newRow("zoom 2, key 3") << 2 << QPoint(400, 740) << 0x04;
        QTest::newRow("zoom 4, key 4 over the image") << 4 << QPoint(832, 850) << 0x08;
    }
    void clicksOnTheBezelPressKeys() {
        QFETCH(int, zoom);
        QFETCH(QPoint, at);
        QFETCH(int, bit);
        host->SetZoom(zoom);
        QTest::mousePress(Display(), Qt::LeftButton, {}, at);
        QCOMPARE(int(key_input_get()), bit);
        QTest::mouseRelease(Display(), Qt::LeftButton, {}, at);
        QCOMPARE(int(key_input_get()), 0);
    }

    void releasingOffTheButtonReleasesItsKey() {
        QTest::mousePress(Display(), Qt::LeftButton, {}, QPoint(200, 370));
        QCOMPARE(int(key_input_get()), 0x04);
        QTest::mouseRelease(Display(), Qt::LeftButton, {}, QPoint(200, 200)); // over the screen
        QCOMPARE(int(key_input_get()), 0);
        QTest::mousePress(Display(), Qt::LeftButton, {}, QPoint(200, 370));
        QTest::mouseRelease(Display(), Qt::LeftButton, {}, QPoint(266, 370)); // onto key 4
        QCOMPARE(int(key_input_get()), 0);
    }

    void keyZoneEdges_data() {
        QTest::addColumn<int>("zoom");
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<int>("key");
        // Zoom 2: key 3 covers columns 377-441 and rows 716-769.
        QTest::newRow("left edge") << 2 << 377 << 740 << 3;
        QTest::newRow("left of it") << 2 << 376 << 740 << 0;
        QTest::newRow("right edge") << 2 << 441 << 740 << 3;
        QTest::newRow("right of it") << 2 << 442 << 740 << 0;
        QTest::newRow("top edge") << 2 << 400 << 716 << 3;
        QTest::newRow("above it") << 2 << 400 << 715 << 0;
        QTest::newRow("bottom edge") << 2 << 400 << 769 << 3;
        QTest::newRow("below it") << 2 << 400 << 770 << 0;
        // Zoom 1 columns of each key: 66-99, 128-161, 189-220, 250-282, 312-343.
        QTest::newRow("key 1 first column") << 1 << 66 << 370 << 1;
        QTest::newRow("key 1 last column") << 1 << 99 << 370 << 1;
        QTest::newRow("before key 1") << 1 << 65 << 370 << 0;
        QTest::newRow("key 2 last column") << 1 << 161 << 370 << 2;
        QTest::newRow("after key 2") << 1 << 162 << 370 << 0;
        QTest::newRow("key 3 last column") << 1 << 220 << 370 << 3;
        QTest::newRow("key 4 first column") << 1 << 250 << 370 << 4;
        QTest::newRow("key 4 last column") << 1 << 282 << 370 << 4;
        QTest::newRow("key 5 last column") << 1 << 343 << 370 << 5;
        QTest::newRow("after key 5") << 1 << 344 << 370 << 0;
        QTest::newRow("zoom 1 bottom row") << 1 << 200 << 384 << 3;
        QTest::newRow("zoom 1 below the row") << 1 << 200 << 385 << 0;
        // Coordinates are unsigned 16-bit: a negative one wraps and misses.
        QTest::newRow("negative x") << 1 << -200 << 370 << 0;
        QTest::newRow("zoom 4 inside the image") << 4 << 643 << 845 << 3;
    }
    void keyZoneEdges() {
        QFETCH(int, zoom);
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(int, key);
        host->SetZoom(zoom);
        QCOMPARE(host->HitTestKey(x, y), key);
    }

    void displayRectanglePerZoom_data() {
        QTest::addColumn<int>("zoom");
        QTest::addColumn<QSize>("client");
        QTest::addColumn<QRect>("display");
        QTest::newRow("1:1") << 1 << QSize(407, 421) << QRect(QPoint(43, 60), QPoint(362, 299));
        QTest::newRow("1:2") << 2 << QSize(814, 842) << QRect(QPoint(86, 120), QPoint(725, 599));
        QTest::newRow("1:4") << 4 << QSize(1280, 960) << QRect(0, 0, 1280, 960);
    }
    void displayRectanglePerZoom() {
        QFETCH(int, zoom);
        QFETCH(QSize, client);
        QFETCH(QRect, display);
        host->SetZoom(zoom);
        QCOMPARE(Display()->size(), client);
        QCOMPARE(host->DisplayRect(), display);
        // The zoom menu follows.
        QCOMPARE(host->Zoom(), zoom);
    }

    void toolTipAndCursor_data() {
        QTest::addColumn<int>("zoom");
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("shape");
        QTest::newRow("zoom 1 top-left pixel")
            << 1 << QPoint(43, 60) << "X:0 Y:0" << int(Qt::BitmapCursor);
        QTest::newRow("zoom 1 bottom-right pixel")
            << 1 << QPoint(362, 299) << "X:319 Y:239" << int(Qt::BitmapCursor);
        QTest::newRow("zoom 2 top-left pixel")
            << 2 << QPoint(87, 121) << "X:0 Y:0" << int(Qt::BitmapCursor);
        QTest::newRow("zoom 2 middle")
            << 2 << QPoint(406, 360) << "X:160 Y:120" << int(Qt::BitmapCursor);
        QTest::newRow("zoom 4 over a key")
            << 4 << QPoint(643, 845) << "X:160 Y:211" << int(Qt::BitmapCursor);
        QTest::newRow("zoom 1 left of the image")
            << 1 << QPoint(42, 60) << "" << int(Qt::ArrowCursor);
        QTest::newRow("zoom 1 over key 3")
            << 1 << QPoint(200, 370) << "" << int(Qt::PointingHandCursor);
    }
    void toolTipAndCursor() {
        QFETCH(int, zoom);
        QFETCH(QPoint, at);
        QFETCH(QString, text);
        QFETCH(int, shape);
        host->SetZoom(zoom);
        // Start from a point inside the image, so that "hidden" is a change.
        QTest::mouseMove(Display(), QPoint(200, 200));
        QTest::mouseMove(Display(), at);
        QCOMPARE(host->ToolTipText(), text);
        QCOMPARE(int(Display()->cursor().shape()), shape);
    }

    void escapeClosesTheWindow() {
        QTest::keyClick(host.get(), Qt::Key_Escape);
        QVERIFY(!host->isVisible());
    }
};

QTEST_MAIN(SimHostInputTest)
#include "test_sim_host_input.moc"
