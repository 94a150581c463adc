// Windows paths on the host: the drive map gives each drive letter a host
// folder, and every component below it is resolved without regard to case
// (an exact match wins; components that do not exist keep the case written).
// The process current folder is a Windows path kept here.
//
// Both "\" and "/" separate components. "." and ".." are folded by
// ExpandFileName; ".." never climbs above a drive root.
#pragma once

#include <optional>
#include <string>

// Full Windows path for a path relative to the current folder, a
// drive-relative "C:x" or a rooted "\x". A "\\server\share" path is kept.
// Separators become "\"; a trailing "\" is kept.
std::string ExpandFileName(const std::string& fileName);

// The host path of a Windows path (made full first). Nothing for a drive
// letter without a root, a network path, an empty name or one holding NUL. Throws
// EMachineError when the machine cannot be loaded.
std::optional<std::string> HostPathOf(const std::string& fileName);

// The Windows name of a host path: the mapped drive whose host folder holds
// it most closely (Z: maps "/", so every absolute host path has one). ""
// when none does.
std::string WindowsPathOf(const std::string& hostPath);

// The process current folder as a full Windows path without trailing "\"
// (except at a root, "C:\"). Starts as the host's current folder.
std::string GetCurrentDir();
// False (and unchanged) when the folder does not exist.
bool SetCurrentDir(const std::string& dir);
// Forgets the current folder, so the next use takes the host's again. The
// machine calls it when it is switched or reloaded.
void ResetCurrentDir();
