#include "tools/vorn-setup/VornSetup.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/Drives.h"
#include "platform/FileName.h"
#include "platform/FileSystem.h"
#include "platform/Machine.h"
#include "platform/Registry.h"
#include "platform/WinPath.h"
#include "tools/vorn-setup/DemoProducts.h"
#include "tools/vorn-setup/SettingsTables.h"

namespace {

const char* const DefaultDrivesIni =
    "; Drive map of the emulated machine: one section per drive letter.\n"
    "; type = fixed, removable, remote, cdrom or ramdisk; path = host folder,\n"
    "; absolute or relative to this folder; capacity = bytes of a blank medium\n"
    "; of an emulated removable drive, whose path is then its box of media.\n"
    "[A:]\n"
    "type=removable\n"
    "path=drives/A\n"
    "capacity=1457664\n"
    "\n"
    "[C:]\n"
    "type=fixed\n"
    "path=drives/C\n"
    "\n"
    "[Z:]\n"
    "type=fixed\n"
    "path=/\n";

const char* const Usage =
    "Usage: vorn-setup COMMAND\n"
    "\n"
    "Sets up the emulated Windows machine that Vorn Backup runs on: a folder\n"
    "holding the registry (registry.ini), the drive map (drives.ini) and the\n"
    "drives' folders. The folder is $VORN_MACHINE, or else\n"
    "$XDG_DATA_HOME/vorn-backup/machine (~/.local/share/vorn-backup/machine).\n"
    "\n"
    "Commands:\n"
    "  init            Create the machine: drive A: an emulated 1.44 MB diskette\n"
    "                  drive (capacity 1457664 bytes), C: a folder of the machine,\n"
    "                  Z: the host root /; the registry key\n"
    "                  HKEY_LOCAL_MACHINE\\SOFTWARE\\TessaroInc\\VornBackup with\n"
    "                  DataDir (C:\\Program Files\\TessaroInc\\VornBackup\\Data);\n"
    "                  the data folder and the empty settings tables Path.ADT and\n"
    "                  Defaults.ADT (SQLite databases). Nothing that exists is\n"
    "                  overwritten: files, tables, values and drives are kept.\n"
    "  --demo          init, then install the four products with sample data:\n"
    "                  Pellora and Sennet in their current default folders\n"
    "                  (Pellora's connection file names a separate data folder),\n"
    "                  Corvid in its older default folder (with more data than a\n"
    "                  diskette holds), Talmeq not installed. Each has data files\n"
    "                  for every backup mask and .exe, .dll and .ini files that\n"
    "                  are never backed up.\n"
    "  insert LETTER N Put medium N into the emulated removable drive LETTER\n"
    "                  (e.g. \"insert A 2\"); a medium used for the first time is\n"
    "                  blank. Each medium keeps its files and volume label.\n"
    "  eject LETTER    Take the medium out: the drive has no disk until the next\n"
    "                  insert.\n"
    "  media LETTER    List the media of an emulated removable drive: number,\n"
    "                  label and space used, then its files with their sizes,\n"
    "                  one per line.\n"
    "  --help          Show this text.\n";

// Points the platform at a machine folder for the lifetime of the object.
class TUseMachine {
public:
    explicit TUseMachine(const std::string& folder) : previous_(TMachine::ChosenFolder()) { TMachine::Use(folder); }
    ~TUseMachine()
    {
        if (previous_.empty())
            TMachine::UseDefault();
        else
            TMachine::Use(previous_);
    }
    TUseMachine(const TUseMachine&) = delete;
    TUseMachine& operator=(const TUseMachine&) = delete;

private:
    std::string previous_;
};

bool MakeFolder(const std::string& hostPath)
{
    std::string partial;
    std::istringstream parts(hostPath);
    if (!hostPath.empty() && hostPath.front() == '/')
        partial = "/";
    for (std::string part; std::getline(parts, part, '/');) {
        if (part.empty())
            continue;
        partial += (partial.empty() || partial.back() == '/' ? "" : "/") + part;
        if (::mkdir(partial.c_str(), 0777) != 0 && errno != EEXIST)
            return false;
    }
    struct stat st {};
    return ::stat(hostPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void EnsureDrivesIni(const std::string& folder, std::ostream& log)
{
    const std::string file = folder + "/drives.ini";
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (errno != EEXIST)
            throw ESetupError("Cannot create \"" + file + "\": " + std::strerror(errno) + ".");
        try {
            TMachine::ParseDrives(ReadText(file), folder, file);
        } catch (const EMachineError& e) {
            throw ESetupError(e.Message() + " The file was left as it is; fix or remove it.");
        }
        log << "kept     " << file << "\n";
        return;
    }
    const std::string text = DefaultDrivesIni;
    const bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    const int error = errno;
    ::close(fd);
    if (!ok) {
        ::unlink(file.c_str());
        throw ESetupError("Cannot write \"" + file + "\": " + std::strerror(error) + ".");
    }
    log << "created  " << file << "\n";
}

// Folders of the drives: those inside the machine folder are made; the box
// of an emulated drive gets medium 1 inserted when none is.
void EnsureDriveFolders(const std::string& folder, std::ostream& log)
{
    for (const TDriveEntry& d : TMachine::Current().Drives()) {
        const bool inside = d.HostPath.compare(0, folder.size() + 1, folder + "/") == 0;
        struct stat st {};
        if (::stat(d.HostPath.c_str(), &st) != 0) {
            if (!inside) {
                log << "note     drive " << d.Letter << ": maps \"" << d.HostPath << "\", which does not exist\n";
                continue;
            }
            if (!MakeFolder(d.HostPath))
                throw ESetupError("Cannot create the folder \"" + d.HostPath + "\": " + std::strerror(errno) + ".");
            log << "created  drive " << d.Letter << ": in " << d.HostPath << "\n";
        }
        if (d.Emulated() && ::stat((d.HostPath + "/inserted").c_str(), &st) != 0)
            InsertMedium(d.Letter, 1);
        if (d.Emulated() && d.InsertedNumber() > 0 && !MakeFolder(d.RootHostPath()))
            throw ESetupError("Cannot create the medium folder \"" + d.RootHostPath() + "\".");
    }
}

std::string EnsureRegistry(std::ostream& log)
{
    TRegistry registry;
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    registry.OpenKey(VornBackupKey, true);
    if (!registry.ValueExists("DataDir")) {
        registry.WriteString("DataDir", DefaultDataDir);
        log << "created  registry value " << registry.CurrentPath() << "\\DataDir = " << DefaultDataDir << "\n";
    } else {
        log << "kept     registry value " << registry.CurrentPath() << "\\DataDir\n";
    }
    const std::string dataDir = registry.ReadString("DataDir");
    if (dataDir.empty())
        throw ESetupError("The registry value DataDir of " + registry.CurrentPath()
                          + " is empty; it was left as it is. Set it in registry.ini or remove the line.");
    return dataDir;
}

char DriveLetter(const std::string& text)
{
    std::string t = text;
    if (t.size() == 2 && t[1] == ':')
        t.pop_back();
    if (t.size() != 1 || !std::isalpha(static_cast<unsigned char>(t[0])))
        throw ESetupError("\"" + text + "\" is not a drive letter.");
    return static_cast<char>(std::toupper(static_cast<unsigned char>(t[0])));
}

} // namespace

std::string SetupInit(const std::string& machineFolder, std::ostream& log)
{
    if (machineFolder.empty())
        throw ESetupError("No machine folder given.");
    if (!MakeFolder(machineFolder))
        throw ESetupError("Cannot create the machine folder \"" + machineFolder + "\": " + std::strerror(errno) + ".");
    EnsureDrivesIni(machineFolder, log);
    TUseMachine use(machineFolder);
    try {
        EnsureDriveFolders(TMachine::Current().Folder(), log);
        const std::string dataDir = EnsureRegistry(log);
        if (!ForceDirectories(dataDir))
            throw ESetupError("Cannot create the data folder \"" + dataDir + "\": " + std::strerror(errno) + ".");
        for (const auto& [file, table, sql] :
             {std::tuple{"Path.ADT", "Path", PathTableSql}, std::tuple{"Defaults.ADT", "Defaults", DefaultsTableSql}}) {
            const std::string name = IncludeTrailingBackslash(dataDir) + file;
            const auto host = HostPathOf(name);
            if (!host)
                throw ESetupError("The data folder \"" + dataDir + "\" is on a drive without a root.");
            EnsureTable(*host, name, table, sql, log);
        }
        return dataDir;
    } catch (const ESetupError&) {
        throw;
    } catch (const Exception& e) {
        throw ESetupError(e.Message());
    }
}

void SetupDemo(const std::string& machineFolder, std::ostream& log)
{
    SetupInit(machineFolder, log);
    TUseMachine use(machineFolder);
    if (!ForceDirectories("C:\\Backups"))
        throw ESetupError(std::string("Cannot create the folder C:\\Backups: ") + std::strerror(errno) + ".");
    try {
        InstallDemoProducts(log);
    } catch (const ESetupError&) {
        throw;
    } catch (const Exception& e) {
        throw ESetupError(e.Message());
    }
}

void SetupInsert(const std::string& machineFolder, char letter, int number, std::ostream& log)
{
    TUseMachine use(machineFolder);
    try {
        InsertMedium(letter, number);
        std::string label;
        GetVolumeLabel(std::string(1, letter) + ":", label);
        log << "Medium " << number << " is in drive " << static_cast<char>(std::toupper(letter)) << ":"
            << (label.empty() ? std::string() : " (label " + label + ")") << ".\n";
    } catch (const Exception& e) {
        throw ESetupError(e.Message());
    }
}

void SetupEject(const std::string& machineFolder, char letter, std::ostream& log)
{
    TUseMachine use(machineFolder);
    try {
        EjectMedium(letter);
        log << "Drive " << static_cast<char>(std::toupper(letter)) << ": is empty.\n";
    } catch (const Exception& e) {
        throw ESetupError(e.Message());
    }
}

void SetupListMedia(const std::string& machineFolder, char letter, std::ostream& out)
{
    TUseMachine use(machineFolder);
    try {
        const TDriveEntry* d = TMachine::Current().Drive(letter);
        for (const TMediumInfo& m : ListMedia(letter)) {
            out << (m.Inserted ? "* " : "  ") << "medium " << m.Number << "  "
                << (m.Label.empty() ? "(no label)" : m.Label) << "  " << m.UsedBytes << " of " << d->Capacity
                << " bytes used\n";
            // Its files, one per line with their sizes, sorted by name.
            std::vector<std::pair<std::string, uintmax_t>> files;
            std::error_code ec;
            for (const auto& e : std::filesystem::directory_iterator(d->MediumHostPath(m.Number), ec))
                files.emplace_back(e.path().filename().string() + (e.is_directory(ec) ? "\\" : ""),
                                   e.is_regular_file(ec) ? e.file_size(ec) : 0);
            std::sort(files.begin(), files.end());
            for (const auto& [name, size] : files)
                out << "      " << name << "  " << size << " bytes\n";
        }
    } catch (const Exception& e) {
        throw ESetupError(e.Message());
    }
}

int RunVornSetup(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    try {
        if (args.empty()) {
            err << Usage;
            return 2;
        }
        const std::string& command = args[0];
        if (command == "--help" || command == "-h" || command == "help") {
            out << Usage;
            return 0;
        }
        const std::string folder = TMachine::DefaultFolder();
        if ((command == "init" || command == "--demo" || command == "demo") && args.size() == 1) {
            if (command == "init") {
                const std::string dataDir = SetupInit(folder, out);
                out << "Machine ready in " << folder << "; data folder " << dataDir << ".\n";
            } else {
                SetupDemo(folder, out);
                out << "Demo machine ready in " << folder << ".\n";
            }
            return 0;
        }
        if (command == "insert" && args.size() == 3) {
            const char letter = DriveLetter(args[1]);
            char* end = nullptr;
            const long n = std::strtol(args[2].c_str(), &end, 10);
            if (args[2].empty() || *end != '\0' || n < 1 || n > 9999)
                throw ESetupError("\"" + args[2] + "\" is not a medium number (1 to 9999).");
            SetupInsert(folder, letter, static_cast<int>(n), out);
            return 0;
        }
        if (command == "eject" && args.size() == 2) {
            SetupEject(folder, DriveLetter(args[1]), out);
            return 0;
        }
        if (command == "media" && args.size() == 2) {
            SetupListMedia(folder, DriveLetter(args[1]), out);
            return 0;
        }
        err << "vorn-setup: unknown command or wrong arguments: ";
        for (const auto& a : args)
            err << a << ' ';
        err << "\n\n" << Usage;
        return 2;
    } catch (const std::exception& e) {
        err << "vorn-setup: " << e.what() << "\n";
        return 1;
    }
}
