#include "host/storage/UsbStick.h"

#include <QSaveFile>
#include <QString>
#include <system_error>

#include "device/events/event.h"
#include "device/storage/fs.h"

namespace pcsim {

namespace fs = std::filesystem;

namespace {
/* The link's target, relative to the media root: the pair moves as one. */
fs::path LinkTarget(const std::string& name) {
    return fs::path("..") / ".." / UsbStick::kSticksFolder / name;
}

std::string Quoted(const fs::path& path) {
    return "'" + path.string() + "'";
}
} // namespace

UsbStick::UsbStick(const std::string& baseDir, std::function<void()> raiseEvent1,
                   const std::string& stickName)
    : base(baseDir.empty() ? fs::path(".") : fs::path(baseDir)), raiseEvent(std::move(raiseEvent1)),
      name(stickName) {}

fs::path UsbStick::Folder() const {
    return base / kSticksFolder / name;
}

fs::path UsbStick::Link() const {
    return base / fs_root_dir(FS_ROOT_MEDIA) / name;
}

bool UsbStick::IsInserted() const {
    std::error_code ec;
    return fs::is_symlink(fs::symlink_status(Link(), ec));
}

bool UsbStick::WriteCommand(const std::string& text, std::string* error) const {
    const fs::path path = base / fs_root_dir(FS_ROOT_EVENT) / EVENT_COMMAND_FILE;
    // Written to a temporary file in the same folder and renamed into place.
    QSaveFile file(QString::fromStdString(path.string()));
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(text.data(), static_cast<qint64>(text.size())) !=
            static_cast<qint64>(text.size()) ||
        !file.commit()) {
        *error = "cannot write the command file " + Quoted(path) + ": " +
                 file.errorString().toStdString();
        return false;
    }
    return true;
}

bool UsbStick::Insert(std::string* error) {
    std::error_code ec;
    const fs::path folder = Folder();
    fs::create_directories(folder, ec);
    if (ec || !fs::is_directory(folder)) {
        *error = "cannot create the USB stick folder " + Quoted(folder) + ": " +
                 (ec ? ec.message() : std::string("something else is in its place"));
        return false;
    }
    const fs::path link = Link();
    const fs::file_status status = fs::symlink_status(link, ec);
    if (fs::exists(status) && !fs::is_symlink(status)) {
        *error = Quoted(link) + " is in the way: it is not a link to a USB stick (left as it is)";
        return false;
    }
    if (fs::is_symlink(status)) fs::remove(link, ec); // an older link: made afresh
    fs::create_directory_symlink(LinkTarget(name), link, ec);
    if (ec) {
        *error = "cannot link the USB stick into " + Quoted(link) + ": " + ec.message();
        return false;
    }
    if (!WriteCommand(std::string(EVENT_USB_INSERTED) + " /media/" + name, error)) {
        fs::remove(link, ec);
        return false;
    }
    raiseEvent();
    return true;
}

bool UsbStick::Eject(std::string* error) {
    if (!IsInserted()) {
        *error = "the USB stick " + name + " is not inserted";
        return false;
    }
    if (!WriteCommand(EVENT_USB_EJECT_READY, error)) return false;
    raiseEvent();
    std::error_code ec;
    fs::remove(Link(), ec); // the link only: the stick's files stay in its folder
    if (ec) {
        *error = "cannot remove the link " + Quoted(Link()) + ": " + ec.message();
        return false;
    }
    return true;
}

} // namespace pcsim
