// The menu bar and its commands: texts and check marks, Play and Pause,
// Save Screen with Qt's own file dialog (new files, the question before
// replacing one, the report when writing fails), and the message box when
// the host cannot be built.
#include <QAbstractButton>
#include <QAction>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QtTest>
#include <algorithm>
#include <memory>
#include <stdexcept>
#include <vector>

#include "device/device_memory.h"
#include "device/gfx/gfx.h"
#include "device/runtime/sys.h"
#include "host/qt_test_support.h"
#include "host/run/SimulationRunner.h"
#include "host/window/MenuIds.h"
#include "host/window/SimHost.h"
#include "host/window/WindowMain.h"

using pcsim::SimHost;
using pcsim_test::ModalAnswer;

namespace {
QStringList Texts(const QList<QAction*>& actions) {
    QStringList texts;
    for (QAction* a : actions)
        texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return texts;
}

QMenu* SubMenu(QMenuBar* bar, const QString& title) {
    for (QAction* a : bar->actions()) {
        if (a->text() == title) return a->menu();
    }
    return nullptr;
}

std::vector<int> g_events; // what the device's event handler received
void RecordEvent(int n) {
    g_events.push_back(n);
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

class SimHostCommandsTest : public QObject {
    Q_OBJECT

  private:
    pcsim_test::TemporarySettings settings;
    pcsim_test::TemporaryStorage storage;
    std::unique_ptr<SimHost> host;
    std::unique_ptr<QTemporaryDir> folder; // fresh for each test

    QString FilePath(const char* name) const { return folder->filePath(QString::fromLatin1(name)); }

    bool Checked(int id) const { return host->MenuAction(id)->isChecked(); }

    /* A device frame with a colour in each corner, converted as a paint
     * converts it (no device thread runs). */
    void ShowCornerFrame() {
        uint16_t* frame = display_frame_buffer();
        std::fill(frame, frame + GFX_WIDTH * GFX_SCREEN_ROWS, 0x0000);
        frame[239 * GFX_WIDTH + 0] = 0xF800;   // bottom-left: red
        frame[0] = 0x001F;                     // top-left: blue
        frame[239 * GFX_WIDTH + 319] = 0x07E0; // bottom-right: green
        host->Runner().ConvertFrame(host->FrameBits().data());
    }

  private slots:
    void init() {
        settings.Clear();
        device_memory_reset();
        folder = std::make_unique<QTemporaryDir>();
        storage.Renew();
        host = std::make_unique<SimHost>(storage.Options());
    }
    void cleanup() {
        host.reset();
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
    }

    void menuBarTextsAndMarks() {
        QMenuBar* bar = host->menuBar();
        QCOMPARE(Texts(bar->actions()), QStringList({"&File", "&View", "&Simulate", "&Port"}));
        QCOMPARE(Texts(SubMenu(bar, "&File")->actions()),
                 QStringList({"&Save Screen", "-", "&Exit"}));
        QMenu* view = SubMenu(bar, "&View");
        QCOMPARE(Texts(view->actions()), QStringList({"&Zoom Factor", "&Pixel Grid", "-", "CAN &Traffic"}));
        QCOMPARE(Texts(view->actions()[0]->menu()->actions()),
                 QStringList({"1:&1", "1:&2", "1:&4"}));
        QCOMPARE(Texts(view->actions()[1]->menu()->actions()),
                 QStringList({"No Grid", "-", "40 x 40", "20 x 20", "10 x 10", "5 x 5"}));
        QMenu* simulate = SubMenu(bar, "&Simulate");
        QCOMPARE(Texts(simulate->actions()),
                 QStringList({"&Play", "P&ause", "&Step", "-", "&Event", "&USB Stick"}));
        // The menu shows the shortcut beside the item; F10 is avoided (it
        // opens the menu bar on several desktops).
        QCOMPARE(host->MenuAction(pcsim::kMenuStep)->shortcut(), QKeySequence(Qt::Key_F6));
        QCOMPARE(Texts(simulate->actions()[4]->menu()->actions()),
                 QStringList({"Event &1", "Event &2"}));
        QCOMPARE(Texts(simulate->actions()[5]->menu()->actions()),
                 QStringList({"&Insert", "&Eject"}));
        QCOMPARE(Texts(SubMenu(bar, "&Port")->actions()), QStringList({"&UART"}));
        QVERIFY(host->MenuAction(pcsim::kMenuUart)->isEnabled());
        // The marks the menu starts with.
        QVERIFY(Checked(pcsim::kMenuZoom1));
        QVERIFY(Checked(pcsim::kMenuNoGrid));
        QVERIFY(Checked(pcsim::kMenuPlay));
        QVERIFY(!Checked(pcsim::kMenuPause));
    }

    void gridMarksFollowTheChoice_data() {
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("marked");
        QTest::newRow("40 x 40") << int(pcsim::kMenuGrid40) << int(pcsim::kMenuGrid40);
        QTest::newRow("20 x 20") << int(pcsim::kMenuGrid20) << int(pcsim::kMenuGrid20);
        QTest::newRow("10 x 10") << int(pcsim::kMenuGrid10) << int(pcsim::kMenuGrid10);
        QTest::newRow("5 x 5") << int(pcsim::kMenuGrid5) << int(pcsim::kMenuGrid5);
        QTest::newRow("No Grid") << int(pcsim::kMenuNoGrid) << int(pcsim::kMenuNoGrid);
    }
    void gridMarksFollowTheChoice() {
        QFETCH(int, command);
        QFETCH(int, marked);
        host->OnCreate();
        host->OnCommand(pcsim::kMenuGrid10);
        host->MenuAction(command)->trigger(); // as a click on the item does
        for (int id : {pcsim::kMenuNoGrid, pcsim::kMenuGrid40, pcsim::kMenuGrid20,
                       pcsim::kMenuGrid10, pcsim::kMenuGrid5}) {
            QCOMPARE(Checked(id), id == marked);
        }
        QCOMPARE(host->GridEnabled(), marked == pcsim::kMenuNoGrid ? 0 : 1);
    }

    void playAndPauseMarks() {
        host->OnCreate();
        QVERIFY(!host->Runner().IsPaused());
        host->MenuAction(pcsim::kMenuPause)->trigger();
        QVERIFY(Checked(pcsim::kMenuPause));
        QVERIFY(!Checked(pcsim::kMenuPlay));
        QVERIFY(host->Runner().IsPaused());
        host->MenuAction(pcsim::kMenuPause)->trigger(); // again: stays paused
        QVERIFY(Checked(pcsim::kMenuPause));
        QVERIFY(host->Runner().IsPaused());
        QVERIFY2(host->MenuAction(pcsim::kMenuStep)->isEnabled(), "Step while paused");
        host->MenuAction(pcsim::kMenuPlay)->trigger();
        QVERIFY(Checked(pcsim::kMenuPlay));
        QVERIFY(!Checked(pcsim::kMenuPause));
        QVERIFY(!host->Runner().IsPaused());
        QVERIFY2(!host->MenuAction(pcsim::kMenuStep)->isEnabled(), "no Step while running");
    }

    void eventItemsReachTheDeviceAsEventsZeroAndOne() {
        // The device started, its threads not needed.
        host->Runner().Attach(nullptr, storage.Options());
        sys_set_event_handler(RecordEvent);
        g_events.clear();
        host->MenuAction(pcsim::kMenuEvent1)->trigger();
        host->MenuAction(pcsim::kMenuEvent2)->trigger();
        host->MenuAction(pcsim::kMenuEvent1)->trigger();
        QCOMPARE(g_events, std::vector<int>({0, 1, 0}));
    }

    void saveScreenWritesTheLastShownFrame() {
        host->OnCommand(pcsim::kMenuPlay);
        ShowCornerFrame();
        const QString path = FilePath("screen.bmp");
        bool pausedWhileAsked = false;
        host->SetSaveFileChooser([&](QWidget*) {
            pausedWhileAsked = host->Runner().IsPaused();
            return path;
        });
        host->OnCommand(pcsim::kMenuSaveScreen);
        QVERIFY(pausedWhileAsked);
        QVERIFY2(!host->Runner().IsPaused(), "running again afterwards");
        QVERIFY2(Checked(pcsim::kMenuPlay), "the marks do not change");
        const QByteArray bytes = ReadAll(path);
        QCOMPARE(bytes.size(), 307254);
        QCOMPARE(bytes.left(2), QByteArray("BM"));
        // First pixel: the bottom-left device pixel, bytes blue, green, red, 0xFF.
        QCOMPARE(bytes.mid(54, 4), QByteArray("\x00\x00\xF8\xFF", 4));
        QCOMPARE(bytes.mid(54 + 319 * 4, 4), QByteArray("\x00\xFC\x00\xFF", 4));
        QCOMPARE(bytes.mid(54 + 239 * 1280, 4), QByteArray("\xF8\x00\x00\xFF", 4));
    }

    void saveScreenWhilePausedStaysPaused() {
        host->OnCommand(pcsim::kMenuPause);
        host->SetSaveFileChooser([](QWidget*) { return QString(); }); // cancelled
        host->OnCommand(pcsim::kMenuSaveScreen);
        QVERIFY(host->Runner().IsPaused());
        QVERIFY(Checked(pcsim::kMenuPause));
        QVERIFY(QDir(folder->path()).isEmpty());
    }

    void saveDialogCreatesANewFileAndAsksBeforeReplacing() {
        ShowCornerFrame();
        const QString base = FilePath("capture"); // no suffix: the dialog adds ".bmp"
        QStringList questions;
        ModalAnswer answer([&](QWidget* modal) {
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                questions << box->text();
                box->button(QMessageBox::Yes)->click();
                return true;
            }
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            if (!dialog) return false;
            // Qt's own dialog, set up for saving a new file.
            if (!dialog->testOption(QFileDialog::DontUseNativeDialog) ||
                dialog->acceptMode() != QFileDialog::AcceptSave ||
                dialog->fileMode() != QFileDialog::AnyFile ||
                dialog->testOption(QFileDialog::DontConfirmOverwrite) ||
                dialog->defaultSuffix() != "bmp" ||
                !dialog->nameFilters().contains("Bitmap File (*.bmp)")) {
                dialog->reject();
                return true;
            }
            // Type the name as a user would (selectFile leaves a focused
            // name field alone).
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            if (!name) {
                dialog->reject();
                return true;
            }
            name->setText(base);
            // The Save button's slot, queued: it may open the question,
            // which this answer must be free to handle.
            QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
            return true;
        });
        host->OnCommand(pcsim::kMenuSaveScreen);
        QCOMPARE(ReadAll(base + ".bmp").size(), 307254);
        QVERIFY2(questions.isEmpty(), "no question for a new file");

        QFile::resize(base + ".bmp", 10);
        host->OnCommand(pcsim::kMenuSaveScreen);
        QCOMPARE(questions.size(), 1);
        QVERIFY2(questions[0].contains("capture.bmp"), qPrintable(questions[0]));
        QCOMPARE(ReadAll(base + ".bmp").size(), 307254);
    }

    void failedSaveIsReported() {
        const QString path = FilePath("no/such/folder/screen.bmp");
        host->SetSaveFileChooser([&](QWidget*) { return path; });
        pcsim_test::MessageBoxSeen seen;
        const auto answer = pcsim_test::CloseMessageBoxes(&seen);
        host->OnCommand(pcsim::kMenuSaveScreen);
        QCOMPARE(answer->Answered(), 1);
        QCOMPARE(seen.title, QString("Save Screen"));
        QVERIFY2(seen.text.contains(path), qPrintable(seen.text));
        QVERIFY2(seen.details.contains("cannot create") && seen.details.contains("No such file"),
                 qPrintable(seen.details));
    }

    void failedHostConstructionIsReported() {
        pcsim_test::MessageBoxSeen seen;
        const auto answer = pcsim_test::CloseMessageBoxes(&seen);
        const int result = pcsim::RunHostWindow(
            []() -> std::unique_ptr<SimHost> { throw std::runtime_error("no timers"); });
        QCOMPARE(result, -1);
        QCOMPARE(answer->Answered(), 1);
        QCOMPARE(seen.title, QString("Main initialization"));
        QCOMPARE(seen.text, QString("Error"));
    }

    void exitClosesTheWindow() {
        host->Run();
        QVERIFY(QTest::qWaitForWindowExposed(host.get()));
        host->MenuAction(pcsim::kMenuExit)->trigger();
        QVERIFY(!host->isVisible());
    }
};

QTEST_MAIN(SimHostCommandsTest)
#include "test_sim_host_commands.moc"
