#pragma once
// A USB stick for the device: a folder in "usb-sticks/" beside "rootfs/"
// that Insert links into the device's media root and Eject unlinks again.
// Its files stay in the folder (log files, anything put there by hand).
//
// Insert: create the stick's folder if it is new, put the link
// "rootfs/media/NAME" → "../../usb-sticks/NAME" in place, write the
// insertion command "USBSTICK_INSERTED /media/NAME" (no line break) into
// the device's "app_command" and raise Event 1.
// Eject: write "USBSTICK_EJECTREADY", raise Event 1, then remove the link at
// once. The device handles the command in its next main loop iteration
// (stick state 4) and finds the folder gone at its next tick (state 0):
// it sees the stick go whether or not it has handled the command yet, and
// files it still has open keep writing into the stick's folder.
//
// The command file is written whole before it takes its name, so the
// device never reads half a command. Used by the window's menu (window
// thread) and by headless runs; not thread-safe itself.
#include <filesystem>
#include <functional>
#include <string>

namespace pcsim {

class UsbStick {
  public:
    static constexpr char kDefaultName[] = "disk_sda1";
    static constexpr char kSticksFolder[] = "usb-sticks"; // beside "rootfs"

    /* base: the directory holding "rootfs" (empty: the working directory);
     * raiseEvent1 delivers Event 1 to the device. */
    UsbStick(const std::string& base, std::function<void()> raiseEvent1,
             const std::string& name = kDefaultName);

    /* False, with the reason naming the path, when the folder, the link or
     * the command cannot be made, or when something other than a link is
     * in the link's place (it is left alone). Nothing is half done: a link
     * made for a command that could not be written is removed again. */
    bool Insert(std::string* error);
    /* False when the stick is not inserted, or the command cannot be
     * written (then the link stays), or the link cannot be removed. */
    bool Eject(std::string* error);
    /* The link is in the media root. */
    bool IsInserted() const;

    const std::string& Name() const { return name; }
    std::filesystem::path Folder() const; // usb-sticks/NAME
    std::filesystem::path Link() const;   // rootfs/media/NAME

  private:
    bool WriteCommand(const std::string& text, std::string* error) const;

    std::filesystem::path base;       // directory holding rootfs/ and usb-sticks/
    std::function<void()> raiseEvent; // Event 1
    std::string name;                 // the stick's folder name
};

} // namespace pcsim
