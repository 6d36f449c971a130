// SimHost: the serial port that stands in for the unit's UART, the
// "UART Setup" dialog, and what the window says when the port fails.
#include <QSocketNotifier>
#include <QStatusBar>
#include <cstdio>

#include "host/run/SimulationRunner.h"
#include "host/serial/SerialPort.h"
#include "host/serial/UartDialog.h"
#include "host/window/SimHost.h"

namespace pcsim {

void SimHost::SetUpSerialPort() {
    // The port keeps the stored number from the start, so that the number
    // saved at exit is the one loaded unless the dialog changed it.
    serialPort->SetPortNumber(static_cast<int8_t>(comPortNumber));
    runner->SetSerialPort(serialPort);
    if (serialPort->ErrorFd() >= 0) {
        serialErrorNotifier =
            new QSocketNotifier(serialPort->ErrorFd(), QSocketNotifier::Read, this);
        connect(serialErrorNotifier, &QSocketNotifier::activated, this,
                &SimHost::OnSerialPortError);
    }
}

void SimHost::OpenSerialPortAtStart() {
    if (serialPort->Open() == SerialPort::kOpened) return;
    ReportSerialPort(QStringLiteral("COM%1 port could not be opened again: %2")
                         .arg(serialPort->GetPortNumber())
                         .arg(QString::fromStdString(serialPort->LastError())));
}

void SimHost::RunUartDialog() {
    const bool wasPaused = runner->SetPaused(true);
    UartDialog dialog(*serialPort, frameGeometry(), this);
    dialog.SetPortOpenedHook([this] { ClearSerialPortReport(); });
    uartDialog = &dialog;
    dialog.exec();
    uartDialog = nullptr;
    if (!wasPaused) runner->SetPaused(false);
}

void SimHost::OnSerialPortError() {
    std::string reason;
    if (!serialPort->TakeIoError(&reason)) return;
    const QString why = QString::fromStdString(reason);
    ReportSerialPort(
        QStringLiteral("COM%1 port closed: %2").arg(serialPort->GetPortNumber()).arg(why));
    if (uartDialog) uartDialog->ShowPortClosed(why);
}

void SimHost::ReportSerialPort(const QString& message) {
    serialPortReport = message;
    statusBar()->showMessage(message);
    std::fprintf(stderr, "pc-simulator: %s\n", message.toLocal8Bit().constData());
}

void SimHost::ClearSerialPortReport() {
    // Only the port's own message: it is out of date once the port is open.
    if (statusBar()->currentMessage() == serialPortReport) statusBar()->clearMessage();
    serialPortReport.clear();
}

} // namespace pcsim
