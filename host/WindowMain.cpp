#include "host/WindowMain.h"

#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <exception>

#include "host/HostArt.h"
#include "host/SimHost.h"

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
    return RunHostWindow([&options] { return std::make_unique<SimHost>(options); });
}

} // namespace pcsim
