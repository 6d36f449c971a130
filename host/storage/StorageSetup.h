#pragma once
// The unit's storage on the host: the base directory that holds "rootfs/"
// (the device's six roots) and "usb-sticks/", its options, its check before
// anything starts, the roots made before the device starts, and the USB
// stick actions of headless runs.
#include <cstdint>
#include <string>
#include <vector>

#include "host/CommandLine.h"

namespace pcsim {

class HeadlessRunner;
class UsbStick;

/* The least time between a scripted insert and eject, in either order, for
 * the unit to see both. Each writes the one command file and raises
 * Event 1; the unit reads the file in its next main loop iteration (every
 * 25 ms) and looks for the stick's folder at every tick (every 10 ms, before
 * that step's iteration). At worst an insert is read 20 ms after it, in an
 * iteration that shares its step with a tick, and the next tick, 10 ms
 * later, is the first to look for the announced stick: the eject must come
 * after that, 35 ms after the insert. An insert after an eject needs 25 ms
 * (the eject read; the missing folder is seen sooner). */
constexpr uint32_t kUsbActionGapMs = 35;

// Option readers of the command-line table (see CommandLine.cpp).
bool ReadStorageRoot(const std::string& value, CommandLineOptions* o, std::string* error);
bool ReadUsbInsert(const std::string& value, CommandLineOptions* o, std::string* error);
/* Run after every --usb-insert was read: refuses an eject closer than
 * kUsbActionGapMs to any insert. */
bool ReadUsbEject(const std::string& value, CommandLineOptions* o, std::string* error);

/* --root DIR, or empty for the working directory. */
std::string StorageBase(const CommandLineOptions& options);
/* Create the base directory (with its parents) and make sure files can be
 * made in it; false with a reason that names the directory. */
bool PrepareStorageBase(const CommandLineOptions& options, std::string* error);

/* Point the device's file system at the base. Part of ApplyDeviceOptions. */
void ApplyStorageOptions(const CommandLineOptions& options);
/* Create every root of the device's file system that is missing, with its
 * parents. Before sys_init, in the window and headless runs alike. */
void CreateStorageRoots();

/* Schedule the run's --usb-insert and --usb-eject actions on stick. A
 * failed action is reported on stderr when it happens and added to
 * failures. stick and failures must outlive the run. */
void ScheduleUsbStick(HeadlessRunner* runner, const CommandLineOptions& options, UsbStick* stick,
                      std::vector<std::string>* failures);

} // namespace pcsim
