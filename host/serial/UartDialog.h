#pragma once
// The modal "UART Setup" dialog: choose COM1 to COM10 and open or close the
// serial port. The port's state shows in the status line; closing the
// dialog leaves the port as it is.
#include <QDialog>
#include <QRect>
#include <QString>
#include <functional>

class QComboBox;
class QLabel;
class QPushButton;

namespace pcsim {

class SerialPort;

class UartDialog : public QDialog {
  public:
    static constexpr int kComboPorts = 10; // COM1 to COM10

    /* Set up for the port's current state, centred on hostFrame (the main
     * window's outer rectangle). */
    UartDialog(SerialPort& port, const QRect& hostFrame, QWidget* parent = nullptr);

    /* The port was closed under the dialog (an I/O error): show it closed,
     * with the reason. */
    void ShowPortClosed(const QString& reason);
    /* Called each time the dialog has opened the port. */
    void SetPortOpenedHook(std::function<void()> hook) { portOpened = std::move(hook); }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void OnOpenButton();
    void ShowPortOpen();
    void ShowSelectedPath();

    SerialPort& port;
    QComboBox* combo = nullptr;        // "1" to "10"
    QLabel* pathLabel = nullptr;       // device file of the chosen number
    QLabel* status = nullptr;          // "COM port closed" / "COM%d port open"
    QLabel* detail = nullptr;          // why an open failed or the port closed
    QPushButton* openButton = nullptr; // "Open Port" / "Close Port"
    QPushButton* exitButton = nullptr; // "Exit"
    std::function<void()> portOpened;  // see SetPortOpenedHook
};

} // namespace pcsim
