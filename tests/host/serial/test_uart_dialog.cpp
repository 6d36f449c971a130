// Port › UART and the serial port under the window: the "UART Setup"
// dialog's texts and states, pausing around it, the port remembered and
// opened again at the next start, a port failure reported, and the device's
// bytes pumped out while the simulation runs. Pseudo-terminals stand in for
// the serial lines.
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QtTest>
#include <cstdio>
#include <functional>
#include <memory>
#include <unistd.h>

#include "device/services/serial.h"
#include "host/pty_pair.h"
#include "host/qt_test_support.h"
#include "host/run/SimulationRunner.h"
#include "host/serial/SerialPort.h"
#include "host/window/MenuIds.h"
#include "host/window/SimHost.h"

using pcsim::SerialPort;
using pcsim::SimHost;
using pcsim_test::ModalAnswer;
using pcsim_test::PtyPair;

namespace {
QByteArray Bytes(std::initializer_list<uint8_t> bytes) {
    QByteArray out;
    for (uint8_t b : bytes)
        out.append(static_cast<char>(b));
    return out;
}

/* The dialog's controls. */
struct DialogView {
    explicit DialogView(QDialog* dialog)
        : group(dialog->findChild<QGroupBox*>()),
          combo(dialog->findChild<QComboBox*>(QStringLiteral("portCombo"))),
          path(dialog->findChild<QLabel*>(QStringLiteral("portPath"))),
          status(dialog->findChild<QLabel*>(QStringLiteral("status"))),
          detail(dialog->findChild<QLabel*>(QStringLiteral("detail"))),
          open(dialog->findChild<QPushButton*>(QStringLiteral("openButton"))),
          exit(dialog->findChild<QPushButton*>(QStringLiteral("exitButton"))) {}
    QGroupBox* group;
    QComboBox* combo;
    QLabel* path;
    QLabel* status;
    QLabel* detail;
    QPushButton* open;
    QPushButton* exit;
};

/* Everything written to stderr while alive. */
class StderrCapture {
  public:
    StderrCapture() : file(std::tmpfile()) {
        std::fflush(stderr);
        saved = dup(STDERR_FILENO);
        dup2(fileno(file), STDERR_FILENO);
    }
    ~StderrCapture() {
        Restore();
        std::fclose(file);
    }
    QString Text() {
        Restore();
        std::rewind(file);
        QByteArray text;
        char buffer[512];
        while (size_t n = std::fread(buffer, 1, sizeof buffer, file))
            text.append(buffer, qsizetype(n));
        return QString::fromLocal8Bit(text);
    }

  private:
    void Restore() {
        if (saved < 0) return;
        std::fflush(stderr);
        dup2(saved, STDERR_FILENO);
        close(saved);
        saved = -1;
    }
    std::FILE* file;
    int saved = -1;
};
} // namespace

class UartDialogTest : public QObject {
    Q_OBJECT

  private:
    pcsim_test::TemporarySettings settings;
    pcsim_test::TemporaryStorage storage;
    std::unique_ptr<PtyPair> line1;
    std::unique_ptr<PtyPair> line2;
    std::unique_ptr<SimHost> host;

    pcsim::CommandLineOptions Options() const {
        pcsim::CommandLineOptions options;
        options.comPaths = {{1, line1->Path()}, {2, line2->Path()}, {3, "/dev/pcsim-no-such-port"}};
        return storage.Options(options);
    }

    /* Port › UART; script runs on the open dialog, which is then closed
     * with its Exit button. False when no dialog came up. */
    bool WithUartDialog(const std::function<void(QDialog*)>& script) {
        bool ran = false;
        ModalAnswer answer([&](QWidget* modal) {
            auto* dialog = qobject_cast<QDialog*>(modal);
            if (!dialog || dialog->windowTitle() != QStringLiteral("UART Setup")) return false;
            ran = true;
            script(dialog);
            DialogView(dialog).exit->click();
            return true;
        });
        host->MenuAction(pcsim::kMenuUart)->trigger();
        return ran;
    }

    /* Port › UART, COM number, Open Port: the port is then open. */
    void OpenInTheDialog(int number) {
        QVERIFY(WithUartDialog([number](QDialog* dialog) {
            DialogView view(dialog);
            view.combo->setCurrentIndex(number - 1);
            view.open->click();
            QCOMPARE(view.status->text(), QStringLiteral("COM%1 port open").arg(number));
        }));
    }

  private slots:
    void init() {
        settings.Clear();
        storage.Renew();
        line1 = std::make_unique<PtyPair>();
        line2 = std::make_unique<PtyPair>();
        host = std::make_unique<SimHost>(Options());
    }
    void cleanup() {
        host.reset();
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
    }

    void theDialogOpensAndClosesThePort() {
        host->OnCreate();
        QVERIFY(!host->Runner().IsPaused());
        bool pausedWhileOpen = false;
        QVERIFY(WithUartDialog([&](QDialog* dialog) {
            pausedWhileOpen = host->Runner().IsPaused();
            const QRect frame = host->frameGeometry();
            QCOMPARE(dialog->pos(), QPoint(frame.left() + (frame.width() - dialog->width()) / 2,
                                           frame.top() + (frame.height() - dialog->height()) / 2));
            DialogView view(dialog);
            QCOMPARE(view.group->title(), QStringLiteral("Port Settings"));
            QVERIFY(dialog->findChild<QLabel*>()->text() == QStringLiteral("COM"));
            QCOMPARE(view.combo->count(), 10);
            for (int i = 0; i < 10; ++i)
                QCOMPARE(view.combo->itemText(i), QString::number(i + 1));
            QCOMPARE(view.combo->currentIndex(), -1); // no port chosen yet
            QCOMPARE(view.status->text(), QStringLiteral("COM port closed"));
            QCOMPARE(view.open->text(), QStringLiteral("Open Port"));
            QCOMPARE(view.exit->text(), QStringLiteral("Exit"));

            view.open->click(); // nothing chosen
            QCOMPARE(view.status->text(), QStringLiteral("COM port closed"));
            QCOMPARE(view.open->text(), QStringLiteral("Open Port"));
            QVERIFY2(view.detail->text().contains("no COM port"), qPrintable(view.detail->text()));
            QVERIFY(!host->Port().IsOpen());

            view.combo->setCurrentIndex(2); // COM3: a device file that is not there
            QCOMPARE(view.path->text(), QStringLiteral("/dev/pcsim-no-such-port"));
            view.open->click();
            QCOMPARE(view.status->text(), QStringLiteral("COM port closed"));
            QVERIFY(view.combo->isEnabled());
            QVERIFY(!host->Port().IsOpen());

            view.combo->setCurrentIndex(1);
            QCOMPARE(view.path->text(), QString::fromStdString(line2->Path()));
            QCOMPARE(view.combo->itemText(4), QStringLiteral("5"));
            view.open->click();
            QCOMPARE(view.status->text(), QStringLiteral("COM2 port open"));
            QCOMPARE(view.open->text(), QStringLiteral("Close Port"));
            QVERIFY(!view.combo->isEnabled());
            QVERIFY(view.detail->text().isEmpty());
            QVERIFY(host->Port().IsOpen());
            QCOMPARE(int(host->Port().GetPortNumber()), 2);

            view.open->click();
            QCOMPARE(view.status->text(), QStringLiteral("COM port closed"));
            QCOMPARE(view.open->text(), QStringLiteral("Open Port"));
            QVERIFY(view.combo->isEnabled());
            QVERIFY(!host->Port().IsOpen());
        }));
        QVERIFY(pausedWhileOpen);
        QVERIFY2(!host->Runner().IsPaused(), "running again afterwards");
    }

    void closingTheDialogLeavesThePortOpen() {
        host->OnCreate();
        QVERIFY(WithUartDialog([](QDialog* dialog) {
            DialogView view(dialog);
            view.combo->setCurrentIndex(0);
            view.open->click();
        }));
        QVERIFY(host->Port().IsOpen());
        QVERIFY(WithUartDialog([](QDialog* dialog) {
            DialogView view(dialog);
            QCOMPARE(view.status->text(), QStringLiteral("COM1 port open"));
            QCOMPARE(view.open->text(), QStringLiteral("Close Port"));
            QCOMPARE(view.combo->currentIndex(), 0);
            QVERIFY(!view.combo->isEnabled());
        }));
        QVERIFY(host->Port().IsOpen());
    }

    void aPausedSimulationStaysPaused() {
        host->OnCreate();
        host->OnCommand(pcsim::kMenuPause);
        QVERIFY(WithUartDialog([](QDialog*) {}));
        QVERIFY(host->Runner().IsPaused());
        QVERIFY(host->MenuAction(pcsim::kMenuPause)->isChecked());
        QVERIFY(!host->MenuAction(pcsim::kMenuPlay)->isChecked());
    }

    void thePortIsOpenedAgainAtTheNextStart() {
        host->OnCreate();
        QVERIFY(!host->Port().IsOpen()); // first run: closed
        QVERIFY(WithUartDialog([](QDialog* dialog) {
            DialogView view(dialog);
            view.combo->setCurrentIndex(1);
            view.open->click();
        }));
        host.reset();
        {
            QSettings store = pcsim_test::TemporarySettings::Store();
            QCOMPARE(store.value("COMPort").toByteArray(), Bytes({2}));
            QCOMPARE(store.value("COMPortConnected").toByteArray(), Bytes({1, 0, 0, 0}));
        }
        host = std::make_unique<SimHost>(Options());
        host->OnCreate();
        QVERIFY(host->Port().IsOpen());
        QCOMPARE(int(host->Port().GetPortNumber()), 2);
        host->Port().Close(); // closed at exit: not opened at the next start
        host.reset();
        QSettings store = pcsim_test::TemporarySettings::Store();
        QCOMPARE(store.value("COMPort").toByteArray(), Bytes({2}));
        QCOMPARE(store.value("COMPortConnected").toByteArray(), Bytes({0, 0, 0, 0}));
    }

    void aStoredPortThatIsGoneIsReported() {
        host.reset();
        {
            QSettings store = pcsim_test::TemporarySettings::Store();
            store.setValue("COMPort", Bytes({3}));
            store.setValue("COMPortConnected", Bytes({1, 0, 0, 0}));
        }
        StderrCapture stderrText;
        host = std::make_unique<SimHost>(Options());
        host->OnCreate();
        QVERIFY(!host->Port().IsOpen());
        const QString message = host->statusBar()->currentMessage();
        QVERIFY2(message.contains("COM3") && message.contains("/dev/pcsim-no-such-port"),
                 qPrintable(message));
        QVERIFY2(stderrText.Text().contains(message), "and on stderr");
        host.reset();
        QSettings store = pcsim_test::TemporarySettings::Store();
        QCOMPARE(store.value("COMPort").toByteArray(), Bytes({3}));
        QCOMPARE(store.value("COMPortConnected").toByteArray(), Bytes({0, 0, 0, 0}));
    }

    void aPortThatFailsIsShownClosed() {
        host->OnCreate();
        StderrCapture stderrText;
        QVERIFY(WithUartDialog([&](QDialog* dialog) {
            DialogView view(dialog);
            view.combo->setCurrentIndex(0);
            view.open->click();
            QCOMPARE(view.status->text(), QStringLiteral("COM1 port open"));
            line1->CloseMaster(); // the far end goes away
            QTRY_COMPARE(view.status->text(), QStringLiteral("COM port closed"));
            QCOMPARE(view.open->text(), QStringLiteral("Open Port"));
            QVERIFY(view.combo->isEnabled());
            QVERIFY2(view.detail->text().contains(QString::fromStdString(line1->Path())),
                     qPrintable(view.detail->text()));
        }));
        QVERIFY(!host->Port().IsOpen());
        const QString message = host->statusBar()->currentMessage();
        QVERIFY2(message.startsWith("COM1 port closed: ") &&
                     message.contains(QString::fromStdString(line1->Path())),
                 qPrintable(message));
        QVERIFY2(stderrText.Text().contains(message), "and on stderr");
    }

    void aFailureMessageGoesWhenAPortOpens_data() {
        QTest::addColumn<bool>("atStart");
        QTest::newRow("could not be opened again") << true;
        QTest::newRow("port closed") << false;
    }
    void aFailureMessageGoesWhenAPortOpens() {
        QFETCH(bool, atStart);
        StderrCapture stderrText; // the messages go there too; not shown in the test's output
        if (atStart) {
            host.reset();
            {
                QSettings store = pcsim_test::TemporarySettings::Store();
                store.setValue("COMPort", Bytes({3}));
                store.setValue("COMPortConnected", Bytes({1, 0, 0, 0}));
            }
            host = std::make_unique<SimHost>(Options());
            host->OnCreate();
        } else {
            host->OnCreate();
            OpenInTheDialog(1);
            line1->CloseMaster();
        }
        QTRY_VERIFY(!host->statusBar()->currentMessage().isEmpty());
        OpenInTheDialog(2);
        QCOMPARE(host->statusBar()->currentMessage(), QString());
    }

    void deviceBytesGoOutWhileTheSimulationRuns() {
        host->Run();
        host->Port().SetPortNumber(1);
        QCOMPARE(host->Port().Open(), SerialPort::kOpened);
        const std::vector<uint8_t> data = pcsim_test::Sequence(400, 3);
        uart_write(SERIAL_UART_CHANNEL, data.data(), static_cast<uint32_t>(data.size()));
        // The application thread pumps after its iterations (two pieces);
        // the window keeps painting meanwhile, so the iterations go on.
        std::vector<uint8_t> got;
        auto arrived = [&] {
            const std::vector<uint8_t> more = line1->Receive(data.size() - got.size(), 0);
            got.insert(got.end(), more.begin(), more.end());
            return got.size() >= data.size();
        };
        QTRY_VERIFY_WITH_TIMEOUT(arrived(), 5000);
        QCOMPARE(got, data);
    }
};

QTEST_MAIN(UartDialogTest)
#include "test_uart_dialog.moc"
