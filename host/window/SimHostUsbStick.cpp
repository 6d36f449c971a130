// SimHost: Simulate › USB Stick › Insert and Eject. The menu shows the
// stick's state: Insert is checked (and greyed) while the stick is in,
// Eject is available only then.
#include <QAction>
#include <QMessageBox>

#include "host/storage/UsbStick.h"
#include "host/window/MenuIds.h"
#include "host/window/SimHost.h"

namespace pcsim {

namespace {
constexpr char kUsbStickTitle[] = "USB Stick";

void Report(QWidget* parent, const QString& what, const std::string& error) {
    QMessageBox box(QMessageBox::Warning, QString::fromLatin1(kUsbStickTitle), what,
                    QMessageBox::Ok, parent);
    box.setInformativeText(QString::fromStdString(error));
    box.exec();
}
} // namespace

void SimHost::InsertUsbStick() {
    std::string error;
    if (!usbStick->Insert(&error)) {
        Report(this,
               QStringLiteral("The USB stick %1 could not be inserted.")
                   .arg(QString::fromStdString(usbStick->Name())),
               error);
    }
    UpdateUsbStickMenu();
}

void SimHost::EjectUsbStick() {
    std::string error;
    if (!usbStick->Eject(&error)) {
        Report(this,
               QStringLiteral("The USB stick %1 could not be ejected.")
                   .arg(QString::fromStdString(usbStick->Name())),
               error);
    }
    UpdateUsbStickMenu();
}

void SimHost::UpdateUsbStickMenu() {
    const bool inserted = usbStick->IsInserted();
    if (QAction* insert = MenuAction(kMenuUsbInsert)) {
        insert->setChecked(inserted);
        insert->setEnabled(!inserted);
    }
    if (QAction* eject = MenuAction(kMenuUsbEject)) eject->setEnabled(inserted);
}

} // namespace pcsim
