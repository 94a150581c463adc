#include "platform/Machine.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <sys/stat.h>

#include "platform/IniFile.h"
#include "platform/TextCase.h"
#include "platform/WinPath.h"

namespace {

struct TState {
    std::string folder;                     // chosen folder; empty: the environment's
    std::unique_ptr<TMachine> loaded;
};

TState& State()
{
    static TState state;
    return state;
}

bool IsDirectory(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string StripTrailingSlashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::optional<TDriveType> TypeNamed(const std::string& name)
{
    static const std::pair<const char*, TDriveType> names[] = {
        {"fixed", dtFixed}, {"removable", dtRemovable}, {"remote", dtRemote}, {"cdrom", dtCDRom}, {"ramdisk", dtRamDisk},
    };
    for (const auto& [text, type] : names)
        if (SameText(name, text))
            return type;
    return std::nullopt;
}

} // namespace

std::string TMachine::DefaultFolder()
{
    if (const char* v = std::getenv("VORN_MACHINE"); v != nullptr && *v != '\0')
        return StripTrailingSlashes(v);
    std::string data;
    if (const char* x = std::getenv("XDG_DATA_HOME"); x != nullptr && *x == '/')
        data = x;
    else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
        data = std::string(home) + "/.local/share";
    else
        data = "/root/.local/share";
    return StripTrailingSlashes(data) + "/vorn-backup/machine";
}

std::string TMachine::CurrentFolder()
{
    const TState& s = State();
    return s.folder.empty() ? DefaultFolder() : s.folder;
}

std::string TMachine::ChosenFolder() { return State().folder; }

void TMachine::Use(const std::string& hostFolder)
{
    State().folder = StripTrailingSlashes(hostFolder);
    Reload();
}

void TMachine::UseDefault()
{
    State().folder.clear();
    Reload();
}

void TMachine::Reload()
{
    State().loaded.reset();
    ResetCurrentDir();
}

const TMachine& TMachine::Current()
{
    TState& s = State();
    if (s.loaded)
        return *s.loaded;
    auto machine = std::make_unique<TMachine>();
    machine->folder_ = CurrentFolder();
    if (!IsDirectory(machine->folder_))
        throw EMachineError("The machine folder \"" + machine->folder_
                            + "\" does not exist. Create it with \"vorn-setup init\" or set VORN_MACHINE.");
    const std::string drivesFile = machine->DrivesFile();
    std::ifstream in(drivesFile, std::ios::binary);
    if (!in)
        throw EMachineError("The drive map \"" + drivesFile + "\" cannot be read: " + std::strerror(errno) + ".");
    std::ostringstream text;
    text << in.rdbuf();
    machine->drives_ = ParseDrives(text.str(), machine->folder_, drivesFile);
    s.loaded = std::move(machine);
    return *s.loaded;
}

int TDriveEntry::InsertedNumber() const
{
    std::ifstream in(HostPath + "/inserted");
    long n = 0;
    if (in >> n && n >= 0 && n <= 9999)
        return static_cast<int>(n);
    return 1;
}

std::string TDriveEntry::MediumHostPath(int n) const { return HostPath + "/medium" + std::to_string(n); }
std::string TDriveEntry::LabelHostPath(int n) const { return MediumHostPath(n) + ".label"; }

std::string TDriveEntry::RootHostPath() const
{
    if (!Emulated())
        return HostPath;
    const int n = InsertedNumber();
    // An empty drive's root is a folder that is never made.
    return n > 0 ? MediumHostPath(n) : HostPath + "/no medium";
}

const TDriveEntry* TMachine::Drive(char letter) const
{
    if (letter >= 'a' && letter <= 'z')
        letter = static_cast<char>(letter - 32);
    for (const auto& d : drives_)
        if (d.Letter == letter)
            return &d;
    return nullptr;
}

std::vector<TDriveEntry> TMachine::ParseDrives(const std::string& text, const std::string& machineFolder,
                                               const std::string& shownName)
{
    const TIniData ini = TIniData::Parse(text);
    auto fail = [&shownName](int line, const std::string& what) -> EMachineError {
        return EMachineError("Bad drive map \"" + shownName + "\"" + (line > 0 ? ", line " + std::to_string(line) : "")
                             + ": " + what);
    };
    if (ini.FirstErrorLine() != 0)
        throw fail(ini.FirstErrorLine(), ini.FirstErrorReason() + ".");
    std::vector<TDriveEntry> drives;
    for (const std::string& section : ini.Sections()) {
        const int line = ini.Line(section, "");
        const std::string name = UpperCase(section);
        if (name.size() != 2 || name[0] < 'A' || name[0] > 'Z' || name[1] != ':')
            throw fail(line, "section [" + section + "] is not a drive letter such as [C:].");
        TDriveEntry d;
        d.Letter = name[0];
        for (const auto& [key, value] : ini.Entries(section)) {
            const int at = ini.Line(section, key);
            if (SameText(key, "type")) {
                const auto type = TypeNamed(value);
                if (!type)
                    throw fail(at, "drive type \"" + value + "\" is not fixed, removable, remote, cdrom or ramdisk.");
                d.Type = *type;
            } else if (SameText(key, "path")) {
                if (value.empty())
                    throw fail(at, "drive " + name + " has an empty path.");
                d.HostPath = StripTrailingSlashes(value.front() == '/' ? value : machineFolder + "/" + value);
            } else if (SameText(key, "capacity")) {
                char* end = nullptr;
                errno = 0;
                const long long n = std::strtoll(value.c_str(), &end, 10);
                if (value.empty() || *end != '\0' || errno != 0 || n <= 0)
                    throw fail(at, "capacity \"" + value + "\" is not a positive number of bytes.");
                d.Capacity = n;
            } else {
                throw fail(at, "unknown setting \"" + key + "\" (expected type, path or capacity).");
            }
        }
        if (d.HostPath.empty())
            throw fail(line, "drive " + name + " has no path.");
        if (d.Capacity > 0 && d.Type != dtRemovable)
            throw fail(ini.Line(section, "capacity"), "only a removable drive has a capacity.");
        drives.push_back(std::move(d));
    }
    return drives;
}
