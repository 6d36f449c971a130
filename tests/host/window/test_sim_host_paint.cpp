// What the window paints: the device frame converted and placed in the
// display rectangle, the bezel at zooms 1 and 2 and none at 4, smooth and
// pixel-exact stretching, the grid overlay's bytes and its blend, and a
// paused window that keeps its picture.
//
// No device thread runs here: the tests write the device's output frame
// themselves and let the window convert it, as its paint does.
#include <QPainter>
#include <QtTest>
#include <algorithm>
#include <cstring>
#include <memory>

#include "device/device_memory.h"
#include "device/gfx/gfx.h"
#include "host/qt_test_support.h"
#include "host/run/SimulationRunner.h"
#include "host/window/DisplayWidget.h"
#include "host/window/MenuIds.h"
#include "host/window/SimHost.h"

using pcsim::SimHost;

namespace {
constexpr uint32_t kGridDot = 0x7F7F7F7Fu;

/* Fill the output frame that the next paint converts. */
void FillDeviceFrame(uint16_t colour) {
    uint16_t* frame = display_frame_buffer();
    std::fill(frame, frame + GFX_WIDTH * GFX_SCREEN_ROWS, colour);
}

void SetDevicePixel(int x, int y, uint16_t colour) {
    display_frame_buffer()[y * GFX_WIDTH + x] = colour;
}
} // namespace

class SimHostPaintTest : public QObject {
    Q_OBJECT

  private:
    pcsim_test::TemporarySettings settings;
    std::unique_ptr<SimHost> host;

    /* Paint the client area as the window would and return it. */
    QImage Paint() {
        return host->Display()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }

  private slots:
    void init() {
        settings.Clear();
        device_memory_reset();
        host = std::make_unique<SimHost>();
        host->SetZoom(1);
        host->OnCommand(pcsim::kMenuPlay); // paints convert (no thread runs)
    }
    void cleanup() { host.reset(); }

    void deviceColoursAsTheWindowShowsThem_data() {
        QTest::addColumn<int>("rgb565");
        QTest::addColumn<QRgb>("shown");
        QTest::newRow("0x8000 (shown as 0x8001)") << 0x8000 << QRgb(0xFF800008);
        QTest::newRow("0xFFFF") << 0xFFFF << QRgb(0xFFF8FCF8);
        QTest::newRow("0x0000") << 0x0000 << QRgb(0xFF000000);
        QTest::newRow("pure green") << 0x07E0 << QRgb(0xFF00FC00);
    }
    void deviceColoursAsTheWindowShowsThem() {
        QFETCH(int, rgb565);
        QFETCH(QRgb, shown);
        FillDeviceFrame(static_cast<uint16_t>(rgb565));
        const QImage window = Paint();
        QCOMPARE(window.pixel(43, 60), shown);
        QCOMPARE(window.pixel(362, 299), shown);
        QCOMPARE(window.pixel(200, 180), shown);
    }

    void onlyAChangedFrameAsksForAPaint() {
        auto& runner = host->Runner();
        QVERIFY2(runner.FrameChangedSinceConversion(), "nothing converted yet");
        FillDeviceFrame(0x1234);
        Paint();
        QVERIFY(!runner.FrameChangedSinceConversion());
        SetDevicePixel(319, 239, 0x1235); // one pixel, the last one
        QVERIFY(runner.FrameChangedSinceConversion());
        Paint();
        QVERIFY(!runner.FrameChangedSinceConversion());
    }

    void aPaintOfPartOfTheScreenTakesThatPartAndLeavesTheRestForLater() {
        auto& runner = host->Runner();
        for (int zoom : {1, 2, 4}) {
            host->SetZoom(zoom);
            FillDeviceFrame(0x0000);
            Paint();
            QVERIFY(!runner.FrameChangedSinceConversion());
            // Two changed pixels far apart: the changed area holds both.
            SetDevicePixel(10, 20, 0xF800);
            SetDevicePixel(200, 100, 0x001F);
            const pcsim::FrameArea changed = runner.ChangedSinceConversion();
            QCOMPARE(changed.left, 10);
            QCOMPARE(changed.top, 20);
            QCOMPARE(changed.right, 201);
            QCOMPARE(changed.bottom, 101);
            // A paint of the client area around the first pixel only (an
            // expose): it shows that pixel, the other one is still to come.
            const QRect screen = host->DisplayRect();
            const QPoint first = screen.topLeft() + QPoint(10, 20) * zoom;
            const QImage part =
                host->Display()->grab(QRect(first - QPoint(5, 5), QSize(10, 10))).toImage();
            QVERIFY(qRed(part.pixel(5, 5)) > 0x40); // smooth scaling at zoom 2 blends it
            const pcsim::FrameArea rest = runner.ChangedSinceConversion();
            QCOMPARE(rest.left, 200);
            QCOMPARE(rest.top, 100);
            QCOMPARE(rest.right, 201);
            QCOMPARE(rest.bottom, 101);
            const QImage window = Paint();
            QVERIFY(qBlue(window.pixel(screen.topLeft() + QPoint(200, 100) * zoom)) > 0x40);
            QVERIFY(!runner.FrameChangedSinceConversion());
        }
    }

    void frameSitsInTheOpeningOfTheBezel() {
        FillDeviceFrame(0xFFFF);
        SetDevicePixel(0, 0, 0xF800);     // top-left: red
        SetDevicePixel(319, 239, 0x001F); // bottom-right: blue
        const QImage window = Paint();
        QCOMPARE(window.pixel(43, 60), QRgb(0xFFF80000));
        QCOMPARE(window.pixel(362, 299), QRgb(0xFF0000F8));
        // Outside the opening: the bezel picture, untouched.
        const QImage bezel =
            QImage(QStringLiteral(":/art/bezel.png")).convertToFormat(QImage::Format_RGB32);
        for (QPoint p : {QPoint(42, 60), QPoint(43, 59), QPoint(363, 299), QPoint(362, 300),
                         QPoint(200, 370), QPoint(0, 0), QPoint(406, 420)}) {
            QCOMPARE(window.pixel(p), bezel.pixel(p));
        }
    }

    void zoomTwoStretchesSmoothly() {
        host->SetZoom(2);
        FillDeviceFrame(0x0000);
        SetDevicePixel(100, 100, 0xFFFF); // one white pixel on black
        const QImage window = Paint();
        // The pixel covers client (286..287, 320..321); its neighbours get
        // some of its light, and it is not a hard-edged square.
        const QRgb centre = window.pixel(287, 321);
        const QRgb beside = window.pixel(288, 321);
        QVERIFY2(qRed(centre) > 0x80, "the pixel itself is bright");
        QVERIFY2(qRed(beside) > 0 && qRed(beside) < qRed(centre),
                 "a smooth stretch spills into its neighbours");
        // The bezel is scaled too.
        QCOMPARE(window.size(), QSize(814, 842));
        QVERIFY(window.pixel(10, 10) != window.pixel(400, 200));
    }

    void zoomFourIsPixelExactWithoutBezel() {
        host->SetZoom(4);
        FillDeviceFrame(0x0000);
        SetDevicePixel(0, 0, 0xFFFF);
        SetDevicePixel(319, 239, 0xF800);
        SetDevicePixel(100, 50, 0x07E0);
        const QImage window = Paint();
        QCOMPARE(window.size(), QSize(1280, 960));
        for (int dy = 0; dy < 4; ++dy) {
            for (int dx = 0; dx < 4; ++dx) {
                QCOMPARE(window.pixel(dx, dy), QRgb(0xFFF8FCF8));
                QCOMPARE(window.pixel(1276 + dx, 956 + dy), QRgb(0xFFF80000));
                QCOMPARE(window.pixel(400 + dx, 200 + dy), QRgb(0xFF00FC00));
            }
        }
        QCOMPARE(window.pixel(4, 0), QRgb(0xFF000000)); // the next device pixel, not a blend
        QCOMPARE(window.pixel(404, 200), QRgb(0xFF000000));
    }

    void gridBytesForWidth40AtZoom1() {
        host->OnCommand(pcsim::kMenuGrid40);
        const std::vector<uint32_t>& bits = host->GridBits();
        QCOMPARE(bits.size(), size_t(320 * 240));
        auto dotsIn = [&](int row) {
            std::vector<int> columns;
            for (int x = 0; x < 320; ++x) {
                const uint32_t v = bits[row * 320 + x];
                if (v == kGridDot)
                    columns.push_back(x);
                else if (v != 0)
                    return std::vector<int>{-1}; // nothing but dots and transparency
            }
            return columns;
        };
        std::vector<int> dotted; // every second pixel of the row, up to x = 318
        for (int x = 0; x < 319; x += 2)
            dotted.push_back(x);
        const std::vector<int> verticals{0, 40, 80, 120, 160, 200, 240, 280};
        // Buffer rows count from the bottom: row 0 is the device's line 239.
        for (int row : {0, 40, 80, 120, 160, 200})
            QCOMPARE(dotsIn(row), dotted);
        for (int row : {2, 38, 42, 238})
            QCOMPARE(dotsIn(row), verticals);
        for (int row : {1, 39, 41, 237})
            QCOMPARE(dotsIn(row), std::vector<int>{});
        QCOMPARE(dotsIn(239), std::vector<int>{}); // the top screen line has no dots
    }

    void gridBlendsHalfwayToGrey() {
        FillDeviceFrame(0xFFFF);
        host->OnCommand(pcsim::kMenuGrid40);
        QImage window = Paint();
        // Device line 239 (buffer row 0) has a dot at device x = 0, none at 1.
        const QRgb dot = window.pixel(43, 299);
        // Premultiplied source-over: 0x7F + channel * (255 - 0x7F) / 255.
        QVERIFY(std::abs(qRed(dot) - (0x7F + 0xF8 * 128 / 255)) <= 1);
        QVERIFY(std::abs(qGreen(dot) - (0x7F + 0xFC * 128 / 255)) <= 1);
        QCOMPARE(window.pixel(44, 299), QRgb(0xFFF8FCF8));
        QCOMPARE(window.pixel(43, 60), QRgb(0xFFF8FCF8)); // top line: no dot
        host->OnCommand(pcsim::kMenuNoGrid);
        window = Paint();
        QCOMPARE(window.pixel(43, 299), QRgb(0xFFF8FCF8));
    }

    void gridFollowsTheZoom() {
        host->OnCommand(pcsim::kMenuGrid10);
        host->SetZoom(2);
        const std::vector<uint32_t>& bits = host->GridBits();
        QCOMPARE(bits.size(), size_t(640 * 480));
        QCOMPARE(bits[20 * 640 + 2], kGridDot); // horizontal line every 10 device pixels = 20 rows
        QCOMPARE(bits[2 * 640 + 20], kGridDot); // vertical dots every 20 columns
        QCOMPARE(bits[2 * 640 + 10], 0u);
    }

    void pausedWindowKeepsItsPicture() {
        FillDeviceFrame(0xF800);
        QCOMPARE(Paint().pixel(100, 100), QRgb(0xFFF80000));
        host->OnCommand(pcsim::kMenuPause);
        FillDeviceFrame(0x001F);
        QCOMPARE(Paint().pixel(100, 100), QRgb(0xFFF80000));
        host->OnCommand(pcsim::kMenuPlay);
        QCOMPARE(Paint().pixel(100, 100), QRgb(0xFF0000F8));
    }
};

QTEST_MAIN(SimHostPaintTest)
#include "test_sim_host_paint.moc"
