#include "host/window/WindowMain.h"

#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <QSocketNotifier>
#include <exception>

#include "host/run/TerminationSignals.h"
#include "host/window/HostArt.h"
#include "host/window/SimHost.h"

namespace pcsim {

int RunHostWindow(const std::function<std::unique_ptr<SimHost>()>& makeHost) {
    std::unique_ptr<SimHost> host;
    try {
        host = makeHost();
    } catch (const std::exception&) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Main initialization"),
                        QStringLiteral("Error"), QMessageBox::Ok);
        box.exec();
        return -1;
    }
    host->Run();
    const int result = QApplication::exec();
    host.reset();
    return result;
}

int RunSimulatorWindow(int& argc, char** argv, const CommandLineOptions& options) {
    QApplication app(argc, argv);
    QApplication::setWindowIcon(QIcon(QString::fromLatin1(kWindowIcon)));
    // SIGINT and SIGTERM close the program as File > Exit does: every
    // window closes (an open dialog first gives up), the device threads
    // stop, the settings are saved and the exit code is 0.
    TerminationSignals termination;
    std::unique_ptr<QSocketNotifier> onSignal;
    if (termination.Fd() >= 0) {
        onSignal = std::make_unique<QSocketNotifier>(termination.Fd(), QSocketNotifier::Read);
        QObject::connect(onSignal.get(), &QSocketNotifier::activated, [&onSignal] {
            onSignal->setEnabled(false); // once is enough
            QApplication::closeAllWindows();
        });
    }
    return RunHostWindow([&options] { return std::make_unique<SimHost>(options); });
}

} // namespace pcsim
