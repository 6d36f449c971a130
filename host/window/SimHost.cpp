// SimHost: construction, start-up, keyboard, closing and the requests that
// arrive from the device threads.
#include "host/window/SimHost.h"

#include <QCloseEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QLayout>
#include <QSocketNotifier>
#include <stdexcept>

#include "device/runtime/app_hooks.h"
#include "host/canview/CanStatusView.h"
#include "host/display/DisplayPainter.h"
#include "host/display/FrameConversion.h"
#include "host/run/SimulationRunner.h"
#include "host/run/WindowSignal.h"
#include "host/serial/SerialPort.h"
#include "host/storage/StorageSetup.h"
#include "host/storage/UsbStick.h"
#include "host/window/DisplayWidget.h"
#include "host/window/HostArt.h"
#include "host/window/MenuIds.h"

namespace pcsim {

namespace {
constexpr char kWindowTitle[] = "PC Simulator";

// The bezel buttons as fractions of the client area (the single-precision
// values nearest to the decimals the key zones were measured in).
constexpr std::array<std::array<float, 2>, 5> kKeyZones{{
    {0.16216215f, 0.24324325f},
    {0.31449631f, 0.39557740f},
    {0.46191648f, 0.54299754f},
    {0.61425060f, 0.69533169f},
    {0.76412779f, 0.84520882f},
}};
constexpr float kKeyZoneTop = 0.85035628f;
constexpr float kKeyZoneBottom = 0.91448933f;

/* Device key 1-5 of a function key, 0 for any other key. */
int DeviceKeyOf(int qtKey) {
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F5) return qtKey - Qt::Key_F1 + 1;
    return 0;
}
} // namespace

SimHost::SimHost(const CommandLineOptions& commandLine)
    : options(commandLine), serialPort(SerialPort::Create(commandLine.comPaths)),
      runner(std::make_unique<SimulationRunner>()), windowSignal(std::make_shared<WindowSignal>()),
      usbStick(
          std::make_unique<UsbStick>(StorageBase(commandLine), [this] { runner->RaiseEvent(0); })),
      frameBits(kScreenWidth * kScreenHeight, 0xFF000000u), frameImage(MakeFrameImage()),
      bezel(QString::fromLatin1(kBezelPicture)),
      deviceCursorPixmap(QString::fromLatin1(kDeviceCursor)),
      chooseSaveFile(DefaultSaveFileChooser) {
    if (bezel.size() != QSize(kBezelWidth, kBezelHeight) || deviceCursorPixmap.isNull()) {
        throw std::runtime_error("the compiled-in bezel or cursor picture is missing");
    }
    // The application may name the window; "PC Simulator" otherwise.
    const AppInfo* info = app_info();
    setWindowTitle(info && info->window_title ? QString::fromUtf8(info->window_title)
                                              : QString::fromLatin1(kWindowTitle));
    setWindowIcon(QIcon(QString::fromLatin1(kWindowIcon)));
    // Fixed size: title, system menu and minimise box, no maximise box.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    display = new DisplayWidget(this);
    setCentralWidget(display);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    CreateMenuBar();
    new CanStatusView(statusBar()); // owned by the status bar

    signalNotifier = new QSocketNotifier(windowSignal->Fd(), QSocketNotifier::Read, this);
    connect(signalNotifier, &QSocketNotifier::activated, this, &SimHost::OnWindowSignal);

    LoadSettings();
    SetUpSerialPort();
}

SimHost::~SimHost() {
    // The device threads end before any widget goes away.
    runner->Stop();
    SaveSettings();
    serialPort->Close();
}

void SimHost::Run() {
    OnCreate();
    show();
}

void SimHost::OnCreate() {
    keyZones = kKeyZones;
    keyZoneTop = kKeyZoneTop;
    keyZoneBottom = kKeyZoneBottom;
    SetZoom(zoom);
    SetGrid(gridEnabled, gridWidth);
    runner->Attach(windowSignal, options);
    UpdateUsbStickMenu();
    runner->StartThreads();
    if (comPortConnected) OpenSerialPortAtStart();
    OnCommand(kMenuPlay);
}

void SimHost::OnWindowSignal() {
    const uint32_t requests = windowSignal->Take();
    if (requests & WindowSignal::kClose) {
        close();
        return;
    }
    if (!(requests & WindowSignal::kRepaint)) return;
    // While paused a request comes only after a Step, whose frame is shown
    // whole. Running, only the part of the screen that changed is painted:
    // a frame the same as the one on screen needs no paint at all.
    if (runner->IsPaused()) {
        display->update(displayRect);
    } else if (const FrameArea changed = runner->ChangedSinceConversion(); !changed.Empty()) {
        display->update(ClientRectOf(changed));
    }
}

void SimHost::keyPressEvent(QKeyEvent* event) {
    // Held keys repeat as release-press pairs; the device must see one
    // press until the real release.
    if (event->isAutoRepeat()) return;
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    if (const int k = DeviceKeyOf(event->key())) {
        runner->SetKey(k, true);
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void SimHost::keyReleaseEvent(QKeyEvent* event) {
    if (event->isAutoRepeat()) return;
    if (const int k = DeviceKeyOf(event->key())) {
        runner->SetKey(k, false);
        return;
    }
    QMainWindow::keyReleaseEvent(event);
}

void SimHost::closeEvent(QCloseEvent* event) {
    runner->Stop();
    event->accept();
}

void SimHost::moveEvent(QMoveEvent* event) {
    windowPos = {pos().x(), pos().y()};
    QMainWindow::moveEvent(event);
}

} // namespace pcsim
