#include "zip/ZpUtilsFs.h"

#include "platform/CodePage.h"
#include "platform/DosTime.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "platform/TempFiles.h"
#include "platform/WinFileStream.h"
#include "platform/WinPath.h"
#include "zip/ZpExcept.h"
#include "zip/ZpUtils.h"

bool ZpFileExists(const std::string& path) { return FileExists(path); }
bool ZpDirectoryExists(const std::string& path) { return DirectoryExists(path); }
std::string ZpExpandFileName(const std::string& path) { return ExpandFileName(path); }

TZpCurrentDir::TZpCurrentDir(const std::string& dir) : saved_(GetCurrentDir())
{
    if (!dir.empty() && !SetCurrentDir(dir))
        throw EZpNoSuchDirectory();
}

void TZpCurrentDir::Restore()
{
    if (!restored_)
        SetCurrentDir(saved_);
    restored_ = true;
}

std::vector<TZpFoundFile> ZpFindFiles(const std::string& pathWithMask, uint32_t attributes)
{
    std::vector<TZpFoundFile> found;
    TSearchRec rec;
    int rc = FindFirst(pathWithMask, static_cast<int>(attributes), rec);
    while (rc == 0) {
        if (rec.Name != "." && rec.Name != "..")
            found.push_back(TZpFoundFile{rec.Name, static_cast<uint32_t>(rec.Attr), rec.Size});
        rc = FindNext(rec);
    }
    FindClose(rec);
    return found;
}

int64_t ZpFileGetAttr(const std::string& path) { return FileGetAttr(path); }
bool ZpFileSetAttr(const std::string& path, uint32_t attributes) { return FileSetAttr(path, static_cast<int>(attributes)) == 0; }

int64_t ZpFileSizeOf(const std::string& path)
{
    TSearchRec rec;
    const int rc = FindFirst(path, faReadOnly | faHidden | faSysFile | faArchive, rec);
    const int64_t size = rc == 0 ? rec.Size : -1;
    FindClose(rec);
    return size;
}

uint32_t ZpFileGetDate(const std::string& path) { return static_cast<uint32_t>(FileAge(path)); }

bool ZpFileSetDate(const std::string& path, uint32_t dosDateTime)
{
    return FileSetDate(path, static_cast<int32_t>(dosDateTime)) == 0;
}

std::string ZpTempFolder() { return ZpNormalizeBaseDirectory(GetTempPath()); }

std::string ZpCreateUniqueTempFile(const std::string& folder, const std::string& prefix)
{
    return GetTempFileName(folder, prefix);
}

bool ZpCopyFile(const std::string& from, const std::string& to) { return CopyFile(from, to, false); }
bool ZpDeleteFile(const std::string& path) { return DeleteFile(path); }
bool ZpRenameFile(const std::string& from, const std::string& to) { return RenameFile(from, to); }
bool ZpForceDirectories(const std::string& path) { return ForceDirectories(path); }

bool DriveIsRemovable(const std::string& path)
{
    const std::string full = ExpandFileName(path);
    if (full.find(':') == std::string::npos)
        return false;
    return GetDriveType(std::string(ZpDrivePart(full))) == dtRemovable;
}

int64_t DriveFreeSpace(const std::string& path)
{
    constexpr int64_t kMax = 2147483647;
    auto clamp = [](int64_t v) { return (v < -1 || v > kMax) ? kMax : v; };
    const bool network = path.size() >= 2 && path[0] == '\\' && path[1] == '\\';
    if (path.find(':') == std::string::npos && !network)
        return -1;
    if (network) {
        int64_t free = 0;
        if (!GetDiskFreeSpaceEx(std::string(ZpDrivePart(path)) + "\\", &free, nullptr, nullptr))
            return clamp(0x7FFFFFFFFFFFFFFFLL);
        return clamp(free);
    }
    const std::string root = std::string(ZpDrivePart(path)) + "\\";
    int64_t toCaller = 0, totalFree = 0;
    switch (GetDriveType(root)) {
    case dtUnknown:
    case dtNoRootDir:
    case dtRamDisk:
        return -1;
    case dtRemovable:
        if (!GetDiskFreeSpaceEx(root, nullptr, nullptr, &totalFree))
            return -1;
        return clamp(totalFree);
    default:
        if (!GetDiskFreeSpaceEx(root, &toCaller, nullptr, nullptr))
            return -1;
        return clamp(toCaller);
    }
}

std::unique_ptr<TStream> ZpOpenFile(const std::string& path, TFileMode mode, TZpShare share)
{
    const TShareMode s = share == fsShareDenyWrite ? fmShareDenyWrite
                       : share == fsShareExclusive ? fmShareExclusive
                                                   : fmShareDenyNone;
    return std::make_unique<TFileStream>(path, mode, s);
}

bool ZpIsFileStream(TStream& stream) { return dynamic_cast<THostFileStream*>(&stream) != nullptr; }

std::string ZpHostPath(const std::string& windowsPath) { return HostPathOf(windowsPath).value_or(std::string()); }
std::string ZpWindowsPath(const std::string& hostPath) { return WindowsPathOf(hostPath); }

std::string ZpAnsiToUtf8(const std::string& ansi) { return ToUtf8(ansi, AnsiCodePage); }
std::string ZpOemToUtf8(const std::string& oem) { return ToUtf8(oem, OemCodePage); }

bool ZpUtf8ToAnsi(const std::string& utf8, std::string& ansi)
{
    if (!FitsCodePage(utf8, AnsiCodePage))
        return false;
    ansi = FromUtf8(utf8, AnsiCodePage);
    return true;
}

bool ZpIsValidUtf8(const std::string& text) { return IsValidUtf8(text); }
