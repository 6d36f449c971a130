#pragma once
// The desktop program's window: the device's screen inside the bezel picture
// at zoom 1, 2 or 4 with an optional pixel grid, the coordinate tooltip, the
// five device keys on F1-F5 and on the bezel buttons, the menu bar and the
// persisted settings. Owns the SimulationRunner that runs the device.
//
// Everything here runs on the window's (GUI) thread. The device threads ask
// for repaints and for closing through a WindowSignal that this window
// watches; they never touch a widget.
#include <QImage>
#include <QMainWindow>
#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "host/CommandLine.h"
#include "host/display/FrameConversion.h"

class QAction;
class QPainter;
class QSocketNotifier;

namespace pcsim {

class DisplayWidget;
class SerialPort;
class SimulationRunner;
class UsbStick;
class CanTrafficView;
class UartDialog;
class WindowSignal;

/* The Save Screen dialog: Qt's own file dialog (never the desktop's
 * native one), "Bitmap File (*.bmp)", new files allowed, default suffix
 * "bmp", asks before replacing a file. Empty when cancelled. */
QString DefaultSaveFileChooser(QWidget* parent);

class SimHost : public QMainWindow {
  public:
    static constexpr int kBezelWidth = 407; // client size at zoom 1
    static constexpr int kBezelHeight = 421;
    static constexpr int32_t kUnknownPosition =
        INT32_MIN; // 0x80000000: let the system place the window
    static constexpr int32_t kDefaultZoom = 1;
    static constexpr int32_t kDefaultGridWidth = 10;

    /* Asks for the file name of a screen capture; empty when cancelled.
     * Replaceable so that tests can answer without a dialog. */
    using SaveFileChooser = std::function<QString(QWidget* parent)>;

    /* Defaults, the runner, then the stored settings; the command line's
     * device-setup options are applied when the device starts. Throws when
     * the runner's timers or the compiled-in pictures are not available. */
    explicit SimHost(const CommandLineOptions& options = {});
    /* Stops the device threads (if the window was not closed) and saves
     * the settings. */
    ~SimHost() override;

    /* OnCreate, then show the window. */
    void Run();
    /* Apply zoom and grid, start the device and its threads, then Play. */
    void OnCreate();

    // Menu commands and settings.
    void OnCommand(int id);
    void SetZoom(int32_t z);
    void SetGrid(int32_t enabled, int32_t width);
    void SaveScreen();
    void LoadSettings();
    void SaveSettings();

    // Display geometry and painting.
    void RebuildBitmaps(int32_t zoom);
    int ResizeForZoom(int32_t zoom);
    void BuildGridOverlay();
    /* Device key (1-5) under client point (x, y), 0 for none. The
     * coordinates are taken as unsigned 16-bit values, as the window
     * system delivers them. */
    int HitTestKey(int x, int y) const;
    /* Paint dirty (client coordinates) of the client area. */
    void OnPaint(QPainter& painter, const QRect& dirty);
    void OnMouseMove(QPoint at);
    void OnMouseButton(QPoint at, bool pressed);
    void OnMouseLeave();

    // State, for the tests and the tools.
    SimulationRunner& Runner() { return *runner; }
    SerialPort& Port() { return *serialPort; }
    DisplayWidget* Display() const { return display; }
    QAction* MenuAction(int id) const;
    CanTrafficView* CanTraffic() const { return canTraffic; } // nullptr until first shown
    QRect DisplayRect() const { return displayRect; }
    int32_t Zoom() const { return zoom; }
    int32_t GridEnabled() const { return gridEnabled; }
    int32_t GridWidth() const { return gridWidth; }
    std::array<int32_t, 2> WindowPos() const { return windowPos; }
    const std::vector<uint32_t>& GridBits() const { return gridBits; }
    std::vector<uint32_t>& FrameBits() { return frameBits; }
    /* The text the coordinate tooltip was last given; empty while hidden. */
    QString ToolTipText() const { return toolTipText; }
    void SetSaveFileChooser(SaveFileChooser chooser) { chooseSaveFile = std::move(chooser); }

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

  private:
    enum class PointerShape { kArrow, kHand, kDevice };

    void CreateMenuBar();
    void SetCheck(int id, bool checked);
    void OnWindowSignal();
    /* Where screen pixels of area appear in the client area, one device
     * pixel wider all round (smooth scaling reaches that far). */
    QRect ClientRectOf(const FrameArea& area) const;
    /* The screen pixels that a paint of client rectangle r shows (or
     * leans on), within the screen. */
    FrameArea FrameAreaOf(const QRect& r) const;
    void SetPointer(PointerShape shape);
    void ReportSaveFailure(const QString& path, const std::string& error);
    // Simulate › USB Stick (SimHostUsbStick.cpp).
    void InsertUsbStick();
    void EjectUsbStick();
    void UpdateUsbStickMenu();
    // The serial port (SimHostSerial.cpp).
    void SetUpSerialPort();
    void OpenSerialPortAtStart();
    void RunUartDialog();
    void OnSerialPortError();
    void ReportSerialPort(const QString& message);
    void ClearSerialPortReport();
    // View › CAN Traffic (SimHostCanTraffic.cpp).
    void ShowCanTraffic();

    CommandLineOptions options;                 // the command line the program was started with
    std::shared_ptr<SerialPort> serialPort;     // the UART's stand-in; created first
    std::unique_ptr<SimulationRunner> runner;   // device threads and frame hand-over
    std::shared_ptr<WindowSignal> windowSignal; // repaint and close requests from them
    std::unique_ptr<UsbStick> usbStick;         // the stick of Simulate › USB Stick
    CanTrafficView* canTraffic = nullptr;       // View › CAN Traffic window, made when first asked for
    QSocketNotifier* signalNotifier = nullptr;  // watches windowSignal on this thread
    DisplayWidget* display = nullptr;           // the client area
    std::map<int, QAction*> menuActions;        // menu commands by identifier
    QString toolTipText;                        // coordinate tooltip text, empty while hidden
    QRect displayRect;                          // where the device image goes, client coordinates
    // The window's top-left on screen (persisted); kUnknownPosition until placed.
    std::array<int32_t, 2> windowPos{kUnknownPosition, kUnknownPosition};
    // Left and right edge of each bezel key, fractions of the client width.
    std::array<std::array<float, 2>, 5> keyZones{};
    float keyZoneTop = 0.0f;               // top of the key row, fraction of the height
    float keyZoneBottom = 0.0f;            // bottom of the key row, fraction of the height
    int32_t gridEnabled = 0;               // 0 or 1 (persisted)
    int32_t gridWidth = kDefaultGridWidth; // 40, 20, 10 or 5 device pixels (persisted)
    int32_t zoom = kDefaultZoom;           // 1, 2 or 4 (persisted)
    std::vector<uint32_t> frameBits;       // last converted frame, 320 x 240, bottom-up
    QImage frameImage;                     // frameBits the right way up, for painting
    QImage backBuffer;                     // bezel scaled to the client size (black at zoom 4)
    std::vector<uint32_t> gridBits;        // grid overlay, (320 z) x (240 z), bottom-up
    QImage gridImage;                      // gridBits the right way up, for painting
    uint8_t comPortNumber = 0;             // serial port number (persisted)
    int32_t comPortConnected = 0;          // open the serial port at start (persisted)
    int mouseKey = 0;                      // key held by the left mouse button, 0 for none
    PointerShape pointer = PointerShape::kArrow; // shape last set over the client area
    QImage bezel;                                // the 407 x 421 bezel picture
    QPixmap deviceCursorPixmap;                  // the cursor shown over the device image
    SaveFileChooser chooseSaveFile;              // asks for the Save Screen file name
    QSocketNotifier* serialErrorNotifier = nullptr; // the serial port ended with an error
    UartDialog* uartDialog = nullptr;               // the "UART Setup" dialog while it runs
    QString serialPortReport; // the status bar message ReportSerialPort showed last
};

} // namespace pcsim
