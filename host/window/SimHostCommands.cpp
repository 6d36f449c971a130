// SimHost: the menu bar, its commands and check marks, and Save Screen.
#include <QActionGroup>
#include <QFile>
#include <QFileDialog>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>

#include "host/display/FrameConversion.h"
#include "host/run/SimulationRunner.h"
#include "host/window/DisplayWidget.h"
#include "host/window/MenuIds.h"
#include "host/window/SimHost.h"

namespace pcsim {

namespace {
constexpr char kSaveScreenTitle[] = "Save Screen";
constexpr char kBitmapFilter[] = "Bitmap File (*.bmp)";
constexpr char kBitmapSuffix[] = "bmp";
// F10 opens the menu bar on several desktops; F6 is free on all of them.
constexpr Qt::Key kStepShortcut = Qt::Key_F6;

QString Text(const char* text) {
    return QString::fromLatin1(text);
}
} // namespace

QString DefaultSaveFileChooser(QWidget* parent) {
    QFileDialog dialog(parent, Text(kSaveScreenTitle), QString(), Text(kBitmapFilter));
    // Qt's own dialog: the same on every desktop, and one that a test can
    // drive and close.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave); // asks before replacing a file
    dialog.setFileMode(QFileDialog::AnyFile);      // a new file is the usual case
    dialog.setDefaultSuffix(Text(kBitmapSuffix));
    if (dialog.exec() != QDialog::Accepted) return QString();
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}

void SimHost::CreateMenuBar() {
    QMenuBar* bar = menuBar();
    auto add = [this](QMenu* menu, const char* text, int id, QActionGroup* group = nullptr) {
        QAction* action = menu->addAction(Text(text));
        if (group) {
            action->setCheckable(true);
            group->addAction(action);
        }
        connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
        menuActions[id] = action;
        return action;
    };
    auto radioGroup = [this] {
        auto* group = new QActionGroup(this);
        group->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
        return group;
    };

    QMenu* file = bar->addMenu(Text("&File"));
    add(file, "&Save Screen", kMenuSaveScreen);
    file->addSeparator();
    add(file, "&Exit", kMenuExit);

    QMenu* view = bar->addMenu(Text("&View"));
    QMenu* zoomMenu = view->addMenu(Text("&Zoom Factor"));
    QActionGroup* zoomGroup = radioGroup();
    add(zoomMenu, "1:&1", kMenuZoom1, zoomGroup);
    add(zoomMenu, "1:&2", kMenuZoom2, zoomGroup);
    add(zoomMenu, "1:&4", kMenuZoom4, zoomGroup);
    QMenu* gridMenu = view->addMenu(Text("&Pixel Grid"));
    QActionGroup* gridGroup = radioGroup();
    add(gridMenu, "No Grid", kMenuNoGrid, gridGroup);
    gridMenu->addSeparator();
    add(gridMenu, "40 x 40", kMenuGrid40, gridGroup);
    add(gridMenu, "20 x 20", kMenuGrid20, gridGroup);
    add(gridMenu, "10 x 10", kMenuGrid10, gridGroup);
    add(gridMenu, "5 x 5", kMenuGrid5, gridGroup);
    view->addSeparator();
    add(view, "CAN &Traffic", kMenuCanTraffic);

    QMenu* simulate = bar->addMenu(Text("&Simulate"));
    QActionGroup* runGroup = radioGroup();
    add(simulate, "&Play", kMenuPlay, runGroup);
    add(simulate, "P&ause", kMenuPause, runGroup);
    QAction* step = add(simulate, "&Step", kMenuStep);
    step->setShortcut(QKeySequence(kStepShortcut));
    step->setEnabled(false); // only while paused
    simulate->addSeparator();
    QMenu* event = simulate->addMenu(Text("&Event"));
    add(event, "Event &1", kMenuEvent1);
    add(event, "Event &2", kMenuEvent2);
    QMenu* usb = simulate->addMenu(Text("&USB Stick"));
    add(usb, "&Insert", kMenuUsbInsert)->setCheckable(true);
    add(usb, "&Eject", kMenuUsbEject);
    connect(usb, &QMenu::aboutToShow, this, &SimHost::UpdateUsbStickMenu); // the folder may change outside

    QMenu* port = bar->addMenu(Text("&Port"));
    add(port, "&UART", kMenuUart);

    // The marks the menu starts with, before the settings apply theirs.
    SetCheck(kMenuZoom1, true);
    SetCheck(kMenuNoGrid, true);
    SetCheck(kMenuPlay, true);
}

QAction* SimHost::MenuAction(int id) const {
    const auto found = menuActions.find(id);
    return found == menuActions.end() ? nullptr : found->second;
}

void SimHost::SetCheck(int id, bool checked) {
    if (QAction* action = MenuAction(id)) action->setChecked(checked);
}

void SimHost::OnCommand(int id) {
    switch (id) {
    case kMenuSaveScreen:
        SaveScreen();
        break;
    case kMenuExit:
        close();
        break;
    case kMenuPlay:
        SetCheck(kMenuPlay, true);
        SetCheck(kMenuPause, false);
        MenuAction(kMenuStep)->setEnabled(false);
        runner->SetPaused(false);
        break;
    case kMenuPause:
        SetCheck(kMenuPause, true);
        SetCheck(kMenuPlay, false);
        MenuAction(kMenuStep)->setEnabled(true);
        runner->SetPaused(true);
        break;
    case kMenuStep:
        runner->Step();
        break;
    case kMenuZoom1:
        SetZoom(1);
        break;
    case kMenuZoom2:
        SetZoom(2);
        break;
    case kMenuZoom4:
        SetZoom(4);
        break;
    case kMenuGrid40:
        SetGrid(1, 40);
        break;
    case kMenuGrid20:
        SetGrid(1, 20);
        break;
    case kMenuGrid10:
        SetGrid(1, 10);
        break;
    case kMenuGrid5:
        SetGrid(1, 5);
        break;
    case kMenuNoGrid:
        SetGrid(0, gridWidth);
        break;
    case kMenuEvent1:
        runner->RaiseEvent(0);
        break;
    case kMenuEvent2:
        runner->RaiseEvent(1);
        break;
    case kMenuUsbInsert:
        InsertUsbStick();
        break;
    case kMenuUsbEject:
        EjectUsbStick();
        break;
    case kMenuUart:
        RunUartDialog();
        break;
    case kMenuCanTraffic:
        ShowCanTraffic();
        break;
    default:
        break; // not one of ours
    }
}

void SimHost::SetZoom(int32_t z) {
    zoom = z;
    // Twice: the second pass measures the frame (and the menu bar, which
    // may wrap) at the new width.
    ResizeForZoom(z);
    ResizeForZoom(zoom);
    SetCheck(kMenuZoom1, zoom == 1);
    SetCheck(kMenuZoom2, zoom == 2);
    SetCheck(kMenuZoom4, zoom == 4);
}

void SimHost::SetGrid(int32_t enabled, int32_t width) {
    gridEnabled = enabled;
    gridWidth = width;
    if (enabled == 1) {
        SetCheck(kMenuNoGrid, false);
        SetCheck(kMenuGrid40, gridWidth == 40);
        SetCheck(kMenuGrid20, gridWidth == 20);
        SetCheck(kMenuGrid10, gridWidth == 10);
        SetCheck(kMenuGrid5, gridWidth == 5);
        BuildGridOverlay();
    } else {
        // The overlay stays as it is: painting skips it while disabled.
        SetCheck(kMenuNoGrid, true);
        for (int id : {kMenuGrid40, kMenuGrid20, kMenuGrid10, kMenuGrid5})
            SetCheck(id, false);
    }
    display->update();
}

void SimHost::SaveScreen() {
    // Paused, nothing is converted: the file gets the frame last shown.
    const bool wasPaused = runner->SetPaused(true);
    const QString path = chooseSaveFile(this);
    if (!path.isEmpty()) {
        display->update();
        std::string error;
        if (!WriteBitmapFile(QFile::encodeName(path).toStdString(), frameBits.data(), &error)) {
            ReportSaveFailure(path, error);
        }
    }
    runner->SetPaused(wasPaused);
}

void SimHost::ReportSaveFailure(const QString& path, const std::string& error) {
    QMessageBox box(QMessageBox::Warning, Text(kSaveScreenTitle),
                    QStringLiteral("The screen could not be saved to %1.").arg(path),
                    QMessageBox::Ok, this);
    box.setInformativeText(QString::fromLocal8Bit(error.c_str()));
    box.exec();
}

} // namespace pcsim
