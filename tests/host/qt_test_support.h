#pragma once
// Support for the window's Qt tests: settings and the unit's storage kept in
// temporary directories (never the user's own settings, never the working
// directory), and an answer for modal dialogs so that no test blocks on one.
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QObject>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

#include "host/CommandLine.h"

namespace pcsim_test {

/* Points QSettings at a fresh temporary directory for the life of this
 * object. Create it before any SimHost. */
class TemporarySettings {
  public:
    TemporarySettings() {
        QStandardPaths::setTestModeEnabled(true);
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
    }
    /* Forget everything stored: the next SimHost sees a first run. */
    void Clear() { Store().clear(); }
    /* The store SimHost reads and writes. */
    static QSettings Store() {
        return QSettings(QStringLiteral("VELK"), QStringLiteral("Simulator"));
    }
    QString Path() const { return dir.path(); }

  private:
    QTemporaryDir dir;
};

/* The unit's storage (rootfs/, usb-sticks/) in a temporary directory of its
 * own: a window that starts the device without a root would write into the
 * working directory, which test processes running in parallel share. */
class TemporaryStorage {
  public:
    TemporaryStorage() { Renew(); }
    /* A fresh, empty directory from now on. */
    void Renew() { dir = std::make_unique<QTemporaryDir>(); }
    /* options with the storage in this directory. */
    pcsim::CommandLineOptions Options(pcsim::CommandLineOptions options = {}) const {
        options.root = dir->path().toStdString();
        return options;
    }

  private:
    std::unique_ptr<QTemporaryDir> dir;
};

/* While alive, offers every active modal widget to handle, which returns
 * true once it has dealt with (closed) it. Polls, so it works whenever and
 * however deep in a nested event loop the dialog opens. */
class ModalAnswer : public QObject {
  public:
    explicit ModalAnswer(std::function<bool(QWidget*)> handle) : handler(std::move(handle)) {
        connect(&timer, &QTimer::timeout, this, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal && modal->isVisible() && handler(modal)) ++answered;
        });
        timer.start(10);
    }
    int Answered() const { return answered; }

  private:
    std::function<bool(QWidget*)> handler;
    QTimer timer;
    int answered = 0;
};

/* What the last message box said. */
struct MessageBoxSeen {
    QString title;
    QString text;
    QString details; // the informative text
};

/* While the returned object lives, every message box is recorded in seen
 * and closed with OK. */
inline std::unique_ptr<ModalAnswer> CloseMessageBoxes(MessageBoxSeen* seen) {
    return std::make_unique<ModalAnswer>([seen](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (!box) return false;
        *seen = {box->windowTitle(), box->text(), box->informativeText()};
        box->accept();
        return true;
    });
}

} // namespace pcsim_test
