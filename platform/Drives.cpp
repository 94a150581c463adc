#include "platform/Drives.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <cstdio>
#include <dirent.h>
#include <fstream>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include "platform/TextCase.h"
#include "platform/WinPath.h"

namespace {

int64_t Clusters(int64_t bytes) { return (bytes + EmulatedClusterSize - 1) / EmulatedClusterSize; }

// Bytes a folder's contents take on an emulated medium: every file in whole
// clusters, every subfolder one cluster for its entries plus its contents.
int64_t UsedBytes(const std::string& hostFolder)
{
    DIR* dir = ::opendir(hostFolder.c_str());
    if (dir == nullptr)
        return 0;
    int64_t used = 0;
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..")
            continue;
        const std::string path = hostFolder + "/" + name;
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0)
            continue;
        if (S_ISDIR(st.st_mode))
            used += EmulatedClusterSize + UsedBytes(path);
        else
            used += Clusters(static_cast<int64_t>(st.st_size)) * EmulatedClusterSize;
    }
    ::closedir(dir);
    return used;
}

// The drive a root names (empty: the current folder's), or null.
const TDriveEntry* DriveOf(const std::string& root)
{
    const std::string path = root.empty() ? GetCurrentDir() : root;
    if (path.size() < 2 || path[1] != ':')
        return nullptr;
    return TMachine::Current().Drive(path[0]);
}

const TDriveEntry& EmulatedDrive(char letter)
{
    const TDriveEntry* d = TMachine::Current().Drive(letter);
    if (d == nullptr || !d->Emulated())
        throw EMachineError(std::string("Drive ") + static_cast<char>(std::toupper(static_cast<unsigned char>(letter)))
                            + ": is not an emulated removable drive.");
    return *d;
}

std::string ReadLabel(const std::string& hostFile)
{
    std::ifstream in(hostFile);
    std::string label;
    std::getline(in, label);
    return label;
}

bool WriteLabel(const std::string& hostFile, const std::string& label)
{
    if (label.empty())
        return ::unlink(hostFile.c_str()) == 0 || errno == ENOENT;
    const std::string temp = hostFile + ".new";
    {
        std::ofstream out(temp, std::ios::trunc);
        out << label << '\n';
        if (!out.flush())
            return false;
    }
    return ::rename(temp.c_str(), hostFile.c_str()) == 0;
}

// Where a drive that is not emulated keeps its label.
std::string FixedLabelFile(const TDriveEntry& d)
{
    return TMachine::Current().Folder() + "/labels/" + std::string(1, d.Letter) + ".label";
}

} // namespace

TDriveType GetDriveType(const std::string& root)
{
    const TDriveEntry* d = DriveOf(root);
    return d == nullptr ? dtNoRootDir : d->Type;
}

bool GetDiskFreeSpaceEx(const std::string& root, int64_t* freeBytesToCaller, int64_t* totalBytes,
                        int64_t* totalFreeBytes)
{
    const TDriveEntry* d = DriveOf(root);
    if (d == nullptr) {
        errno = ENOENT;
        return false;
    }
    int64_t available = 0, total = 0, free = 0;
    if (d->Emulated()) {
        const std::string medium = d->RootHostPath();
        struct stat st {};
        if (::stat(medium.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            return false;   // no medium in the drive
        total = d->Capacity;
        free = std::max<int64_t>(0, total - UsedBytes(medium));
        available = free;
    } else {
        struct statvfs vfs {};
        if (::statvfs(d->RootHostPath().c_str(), &vfs) != 0)
            return false;
        const int64_t unit = static_cast<int64_t>(vfs.f_frsize);
        available = static_cast<int64_t>(vfs.f_bavail) * unit;
        total = static_cast<int64_t>(vfs.f_blocks) * unit;
        free = static_cast<int64_t>(vfs.f_bfree) * unit;
    }
    if (freeBytesToCaller != nullptr)
        *freeBytesToCaller = available;
    if (totalBytes != nullptr)
        *totalBytes = total;
    if (totalFreeBytes != nullptr)
        *totalFreeBytes = free;
    return true;
}

bool SetVolumeLabel(const std::string& root, const std::string& label)
{
    const TDriveEntry* d = DriveOf(root);
    if (d == nullptr || label.size() > 11) {
        errno = d == nullptr ? ENOENT : EINVAL;
        return false;
    }
    for (char c : label)
        if (static_cast<unsigned char>(c) < 0x20 || std::string_view("*?/\\|.,;:+=[]<>\"").find(c) != std::string_view::npos) {
            errno = EINVAL;
            return false;
        }
    const std::string text = UpperCase(label);
    if (d->Emulated()) {
        const int n = d->InsertedNumber();
        struct stat st {};
        if (n == 0 || ::stat(d->MediumHostPath(n).c_str(), &st) != 0) {
            errno = ENOENT;   // no medium to label
            return false;
        }
        return WriteLabel(d->LabelHostPath(n), text);
    }
    if (d->Type == dtRemovable || d->Type == dtCDRom || d->Type == dtRemote) {
        errno = EPERM;   // a real medium's label is not ours to change
        return false;
    }
    ::mkdir((TMachine::Current().Folder() + "/labels").c_str(), 0777);
    return WriteLabel(FixedLabelFile(*d), text);
}

bool GetVolumeLabel(const std::string& root, std::string& label)
{
    const TDriveEntry* d = DriveOf(root);
    if (d == nullptr)
        return false;
    if (d->Emulated() && d->InsertedNumber() == 0)
        return false;
    label = d->Emulated() ? ReadLabel(d->LabelHostPath(d->InsertedNumber())) : ReadLabel(FixedLabelFile(*d));
    return true;
}

namespace {

void WriteInserted(const TDriveEntry& d, int number)
{
    if (::mkdir(d.HostPath.c_str(), 0777) != 0 && errno != EEXIST)
        throw EMachineError("Cannot make the media box \"" + d.HostPath + "\": " + std::strerror(errno) + ".");
    const std::string file = d.HostPath + "/inserted";
    const std::string temp = file + ".new";
    {
        std::ofstream out(temp, std::ios::trunc);
        out << number << '\n';
        if (!out.flush())
            throw EMachineError("Cannot write \"" + temp + "\".");
    }
    if (::rename(temp.c_str(), file.c_str()) != 0)
        throw EMachineError("Cannot write \"" + file + "\": " + std::strerror(errno) + ".");
}

} // namespace

void InsertMedium(char letter, int number)
{
    const TDriveEntry& d = EmulatedDrive(letter);
    if (number < 1 || number > 9999)
        throw EMachineError("Medium number " + std::to_string(number) + " is out of range (1 to 9999).");
    const std::string medium = d.MediumHostPath(number);
    if ((::mkdir(d.HostPath.c_str(), 0777) != 0 && errno != EEXIST)
        || (::mkdir(medium.c_str(), 0777) != 0 && errno != EEXIST))
        throw EMachineError("Cannot make medium folder \"" + medium + "\": " + std::strerror(errno) + ".");
    WriteInserted(d, number);
}

void EjectMedium(char letter) { WriteInserted(EmulatedDrive(letter), 0); }

int InsertedMedium(char letter) { return EmulatedDrive(letter).InsertedNumber(); }

std::vector<TMediumInfo> ListMedia(char letter)
{
    const TDriveEntry& d = EmulatedDrive(letter);
    const int inserted = d.InsertedNumber();
    std::vector<TMediumInfo> media;
    DIR* dir = ::opendir(d.HostPath.c_str());
    if (dir == nullptr)
        return media;
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name.compare(0, 6, "medium") != 0 || name.size() == 6
            || name.find_first_not_of("0123456789", 6) != std::string::npos || name.size() > 10)
            continue;
        TMediumInfo info;
        info.Number = std::stoi(name.substr(6));
        if (info.Number < 1)
            continue;
        info.Label = ReadLabel(d.LabelHostPath(info.Number));
        info.UsedBytes = UsedBytes(d.MediumHostPath(info.Number));
        info.Inserted = info.Number == inserted;
        media.push_back(info);
    }
    ::closedir(dir);
    std::sort(media.begin(), media.end(), [](const TMediumInfo& a, const TMediumInfo& b) { return a.Number < b.Number; });
    return media;
}
