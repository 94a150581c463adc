// The file-system services the archive side uses, by Windows path: one seam
// over the platform layer so the engine names each service once.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/DosAttr.h"   // the attribute bits (faReadOnly, ...)
#include "platform/FileStream.h"
#include "platform/Stream.h"

struct TZpFoundFile {
    std::string Name;     // entry name only
    uint32_t Attr = 0;
    int64_t Size = 0;
};

bool ZpFileExists(const std::string& path);
bool ZpDirectoryExists(const std::string& path);
// Full Windows path of a path relative to the process's current folder.
std::string ZpExpandFileName(const std::string& path);

// Makes dir the current folder ("" leaves it) and puts the previous one back
// when the scope ends or on Restore(); a folder that cannot be entered
// raises EZpNoSuchDirectory.
class TZpCurrentDir {
public:
    explicit TZpCurrentDir(const std::string& dir);
    ~TZpCurrentDir() { Restore(); }
    void Restore();
    TZpCurrentDir(const TZpCurrentDir&) = delete;
    TZpCurrentDir& operator=(const TZpCurrentDir&) = delete;

private:
    std::string saved_;
    bool restored_ = false;
};

// Entries matching "folder\mask" under the attribute filter, in the order
// the platform enumerates them ("." and ".." never appear).
std::vector<TZpFoundFile> ZpFindFiles(const std::string& pathWithMask, uint32_t attributes);
// -1 when the file does not exist.
int64_t ZpFileGetAttr(const std::string& path);
bool ZpFileSetAttr(const std::string& path, uint32_t attributes);
// Size by directory search; -1 when missing.
int64_t ZpFileSizeOf(const std::string& path);
// Last-write time as DOS date (high 16 bits) and time (low 16 bits).
uint32_t ZpFileGetDate(const std::string& path);
bool ZpFileSetDate(const std::string& path, uint32_t dosDateTime);
std::string ZpTempFolder();
// A new, empty, uniquely named file in folder; its full name.
std::string ZpCreateUniqueTempFile(const std::string& folder, const std::string& prefix);
bool ZpCopyFile(const std::string& from, const std::string& to);
bool ZpDeleteFile(const std::string& path);
bool ZpRenameFile(const std::string& from, const std::string& to);
bool ZpForceDirectories(const std::string& path);
bool DriveIsRemovable(const std::string& path);
int64_t DriveFreeSpace(const std::string& path);

enum TZpShare { fsShareDenyNone, fsShareDenyWrite, fsShareExclusive };
// Opens a file by Windows path; raises EFOpenError / EFCreateError.
std::unique_ptr<TStream> ZpOpenFile(const std::string& path, TFileMode mode, TZpShare share = fsShareDenyNone);
// True when the stream is a plain file stream (not a memory or scratch one).
bool ZpIsFileStream(TStream& stream);

// Host path of a Windows path and back (for the command-line tool and tests).
std::string ZpHostPath(const std::string& windowsPath);
std::string ZpWindowsPath(const std::string& hostPath);

// Text in the ANSI (Windows-1252) and OEM (CP437) code pages.
std::string ZpAnsiToUtf8(const std::string& ansi);
std::string ZpOemToUtf8(const std::string& oem);
// False when some character has no Windows-1252 form.
bool ZpUtf8ToAnsi(const std::string& utf8, std::string& ansi);
bool ZpIsValidUtf8(const std::string& text);
