// The emulated Windows machine: one host folder holding registry.ini (the
// registry hive), drives.ini (the drive map) and, usually, the folders of
// the drives. It is process-wide state: every path mapping, registry read
// and drive query goes through the machine chosen here.
//
// The folder is $VORN_MACHINE when set, otherwise
// $XDG_DATA_HOME/vorn-backup/machine (~/.local/share/vorn-backup/machine).
// drives.ini is read on first use and kept (Reload forgets it); registry.ini
// is read afresh by every registry call. Errors are EMachineError with a
// clear text, raised again at each use until the cause is fixed; nothing is
// written to repair them.
//
// drives.ini, one section per drive letter:
//   [A:]
//   type=removable        fixed, removable, remote, cdrom or ramdisk
//   path=drives/A         host folder, absolute or relative to the machine
//   capacity=1457664      emulated removable media only: bytes of a blank medium
// For an emulated removable drive (type removable with a capacity) the path
// is the box of media: medium1/, medium2/, ... each with its label in
// mediumN.label beside it, and the number of the inserted one in "inserted"
// (medium 1 when absent, 0 for an empty drive).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/PlatformError.h"

// Windows GetDriveType numbers.
enum TDriveType : unsigned {
    dtUnknown = 0,
    dtNoRootDir = 1,
    dtRemovable = 2,
    dtFixed = 3,
    dtRemote = 4,
    dtCDRom = 5,
    dtRamDisk = 6,
};

struct TDriveEntry {
    char Letter = 'C';          // upper case
    TDriveType Type = dtFixed;
    std::string HostPath;       // absolute, no trailing "/" (except "/")
    int64_t Capacity = 0;       // > 0 only for emulated removable media

    bool Emulated() const { return Type == dtRemovable && Capacity > 0; }
    // Emulated media: the inserted medium's number (from the box; 0 when the
    // drive is empty), and the folder of medium n and of its label.
    int InsertedNumber() const;
    std::string MediumHostPath(int n) const;
    std::string LabelHostPath(int n) const;
    // The host folder of the drive's root directory now.
    std::string RootHostPath() const;
};

class TMachine {
public:
    // The machine in use, loading it on first use (throws EMachineError).
    static const TMachine& Current();
    // Points the process at another machine folder (tests, tools). The
    // folder is loaded on next use. Resets the current folder too.
    static void Use(const std::string& hostFolder);
    // Back to the folder the environment names.
    static void UseDefault();
    // Forgets what was loaded; the next use reads drives.ini again.
    static void Reload();
    // The folder the environment names (not checked).
    static std::string DefaultFolder();
    // The folder in use (not checked, not loaded).
    static std::string CurrentFolder();
    // The folder given to Use, or "" while the environment's is in use.
    static std::string ChosenFolder();

    const std::string& Folder() const { return folder_; }
    std::string RegistryFile() const { return folder_ + "/registry.ini"; }
    std::string DrivesFile() const { return folder_ + "/drives.ini"; }
    // The drive of a letter (either case), or null: a drive without root.
    const TDriveEntry* Drive(char letter) const;
    const std::vector<TDriveEntry>& Drives() const { return drives_; }

    // Parses drives.ini text; throws EMachineError naming shownName and the
    // line. Relative paths are taken against machineFolder.
    static std::vector<TDriveEntry> ParseDrives(const std::string& text, const std::string& machineFolder,
                                                const std::string& shownName);

private:
    std::string folder_;
    std::vector<TDriveEntry> drives_;
};
