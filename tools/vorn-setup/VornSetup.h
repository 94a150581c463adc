// The installer's work, as a library: the vorn-setup program is a thin
// command line over it, and tests build machines in-process with it.
//
// Every step keeps what exists: files, table files, registry values and
// drive sections already present are left as they are. Each function points
// the platform layer at machineFolder while it works and back afterwards.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "platform/Exception.h"

class ESetupError : public Exception {
public:
    using Exception::Exception;
};

// The registry key and value the utility reads, and the data folder the
// installer gives it.
inline constexpr const char* VornBackupKey = "\\SOFTWARE\\TessaroInc\\VornBackup";
inline constexpr const char* DefaultDataDir = "C:\\Program Files\\TessaroInc\\VornBackup\\Data";
inline constexpr long long DisketteCapacity = 1457664;

// The machine folder, drives.ini (A: an emulated 1.44 MB diskette drive,
// C: a folder of the machine, Z: the host root), the registry key with
// DataDir, the data folder and the two empty tables. Returns the data folder
// (Windows path). Raises ESetupError with a clear text on any failure.
std::string SetupInit(const std::string& machineFolder, std::ostream& log);

// SetupInit, then the four products: two in their current default folder,
// one in its older default folder, one not installed; program files,
// connection files, data files and files that are never backed up.
void SetupDemo(const std::string& machineFolder, std::ostream& log);

// Makes medium number the inserted one of the emulated drive letter.
void SetupInsert(const std::string& machineFolder, char letter, int number, std::ostream& log);

// Leaves the emulated drive letter without a medium.
void SetupEject(const std::string& machineFolder, char letter, std::ostream& log);

// One line per medium of the emulated drive letter.
void SetupListMedia(const std::string& machineFolder, char letter, std::ostream& out);

// The program: arguments without the program name; returns the exit code.
int RunVornSetup(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
