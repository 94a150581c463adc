// vornzip: the zip engine on the command line, for looking into a backup
// outside the window. Every command goes through the same zipper and
// extractor components the utility uses.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "platform/Machine.h"
#include "zip/ZpExcept.h"
#include "zip/ZpUnzper.h"
#include "zip/ZpUtilsFs.h"
#include "zip/ZpZipper.h"

namespace {

enum TExitCode {
    exOk = 0,
    exUsage = 1,
    exArchiveError = 2,
    exItemFailed = 3,
};

const char* kHelp =
    "Usage:\n"
    "  vornzip create [-r] ARCHIVE BASEDIR MASK...   add the files matching the masks\n"
    "                                                (relative to BASEDIR; -r also searches\n"
    "                                                subfolders) to a new archive\n"
    "  vornzip list ARCHIVE                          list the entries\n"
    "  vornzip test ARCHIVE                          decode every entry, keep nothing\n"
    "  vornzip extract [-j] ARCHIVE FOLDER           extract every entry below FOLDER,\n"
    "                                                keeping the stored folders (-j drops them)\n"
    "  vornzip --help\n"
    "\n"
    "Paths may be Windows paths (C:\\Data) or host paths (/home/me/data).\n"
    "Masks are separated by \";\" or given one per argument; \"*\" and \"?\" are wild.\n"
    "Progress goes to stderr when it is a terminal.\n"
    "An archive on a removable drive may span several disks: each disk request\n"
    "is asked on stderr (\"Insert ... and press Enter\"); swap the medium (for an\n"
    "emulated drive: vorn-setup insert LETTER N), then press Enter. The end of\n"
    "input answers a request with abort.\n"
    "\n"
    "Exit codes:\n"
    "  0  success\n"
    "  1  usage error\n"
    "  2  the archive could not be opened, read or written\n"
    "  3  one or more entries failed (they are named on stderr)\n";

bool g_progress = false;

// The emulated machine folder; without one, a private map where Z: is the
// host root, so every host path has a Windows name.
void UseMachine()
{
    try {
        TMachine::Current();
        return;
    } catch (const std::exception&) {
    }
    std::string dir = (std::filesystem::temp_directory_path() / ("vornzip-machine-" + std::to_string(getpid()))).string();
    std::filesystem::create_directories(dir);
    std::ofstream(dir + "/drives.ini") << "[Z:]\ntype=fixed\npath=/\n";
    std::ofstream(dir + "/registry.ini") << "";
    TMachine::Use(dir);
    std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(TMachine::CurrentFolder(), ec);
    });
}

// A host path ("/x", "./x", "x/y") or a Windows path ("C:\x", "\\srv\x").
std::string ToWindows(const std::string& arg)
{
    if (!arg.empty() && arg[0] == '/')
        return ZpWindowsPath(arg);
    if (arg.size() >= 2 && arg[1] == ':')
        return arg;
    if (arg.rfind("\\\\", 0) == 0)
        return arg;
    std::error_code ec;
    const std::string abs = std::filesystem::absolute(arg, ec).lexically_normal().string();
    return ec ? arg : ZpWindowsPath(abs);
}

const char* ClassName(TZpErrorClass c)
{
    switch (c) {
    case ecEngine: return "engine";
    case ecInOutError: return "input/output";
    case ecFilerError: return "filer";
    case ecFileOpenError: return "cannot open file";
    case ecFileCreateError: return "cannot create file";
    case ecOther: return "other";
    default: return "none";
    }
}

std::string FailureText(TZpBaseBrowser& sender, TZpErrorClass errorClass, int code)
{
    if (sender.Archive() && !sender.Archive()->LastItemErrorMessage.empty())
        return sender.Archive()->LastItemErrorMessage;
    if (errorClass == ecEngine && *ZpMessageText(code))
        return ZpMessageText(code);
    return std::string(ClassName(errorClass)) + " error";
}

void Progress(const char* what, int percent)
{
    if (!g_progress)
        return;
    std::fprintf(stderr, "\r%s %3d%%", what, percent);
    if (percent >= 100)
        std::fputc('\n', stderr);
    std::fflush(stderr);
}

template <class TComponent>
void AttachReports(TComponent& c, const char* what, int& failures)
{
    c.OnProcessItemFailure = [&failures](TZpBaseBrowser& sender, TZpArchiveItem& item, TZpProcessType,
                                         TZpErrorClass ec, int code) {
        ++failures;
        if (g_progress)
            std::fputc('\n', stderr);
        std::fprintf(stderr, "vornzip: %s: %s\n", item.FileName().c_str(), FailureText(sender, ec, code).c_str());
    };
    int last = -1;
    auto report = [what, last](TZpBaseBrowser&, int percent, bool&) mutable {
        if (percent != last)
            Progress(what, percent);
        last = percent;
    };
    c.OnArchiveProgress = report;
}

// Waits for Enter after a disk prompt; false at the end of input, which
// answers the request with abort.
bool AskEnter(const std::string& prompt)
{
    std::fprintf(stderr, "%s and press Enter\n", prompt.c_str());
    std::fflush(stderr);
    std::string line;
    if (std::getline(std::cin, line))
        return true;
    std::fprintf(stderr, "vornzip: end of input at a disk request; aborting\n");
    return false;
}

std::string DriveOf(const std::string& archive)
{
    return archive.size() >= 2 && archive[1] == ':' ? archive.substr(0, 2) : std::string("the drive");
}

// Removes a leading option from args; whether it was there.
bool TakeFlag(std::vector<std::string>& args, const char* flag)
{
    if (args.empty() || args[0] != flag)
        return false;
    args.erase(args.begin());
    return true;
}

// Disk requests of a set on a removable drive are asked on the terminal, so
// a person (or a script with `vorn-setup insert`) can swap media.
template <class TComponent>
void AttachDiskPrompts(TComponent& c, const std::string& archive)
{
    const std::string drive = DriveOf(archive);
    c.OnRequestLastDisk = [drive](bool& abort) {
        abort = !AskEnter("Insert the last disk of the set in drive " + drive);
    };
    c.OnRequestNthDisk = [drive](int n, bool& abort) {
        abort = !AskEnter("Insert disk " + std::to_string(n) + " of the set in drive " + drive);
    };
}

int Create(std::vector<std::string> args)
{
    const bool recurse = TakeFlag(args, "-r");
    if (args.size() < 3) {
        std::fputs(kHelp, stderr);
        return exUsage;
    }
    const std::string archive = ToWindows(args[0]);
    if (ZpFileExists(archive)) {
        std::fprintf(stderr, "vornzip: %s already exists\n", args[0].c_str());
        return exArchiveError;
    }
    int failures = 0;
    TZpZipper zipper;
    AttachReports(zipper, "writing", failures);
    int disk = 1;
    const std::string drive = DriveOf(archive);
    zipper.OnRequestBlankDisk = [&disk, drive](bool& abort) {
        ++disk;
        abort = !AskEnter("Insert blank disk " + std::to_string(disk) + " in drive " + drive);
    };
    zipper.SetBaseDirectory(ToWindows(args[1]));
    zipper.SetStoreOptions(zipper.StoreOptions() | (recurse ? unsigned(soRecurse) : 0u));
    zipper.SetFileName(archive);
    for (size_t i = 2; i < args.size(); ++i)
        zipper.IncludeFiles(ZpReplaceAll(args[i], '/', '\\'), 0);
    const int count = zipper.Count();
    zipper.Close();
    std::fprintf(stderr, "vornzip: %d entries added to %s\n", count - failures, args[0].c_str());
    return failures ? exItemFailed : exOk;
}

const char* MethodName(uint16_t m)
{
    switch (m) {
    case 0: return "stored";
    case 8: return "deflated";
    case 9: return "deflate64";
    default: return "other";
    }
}

int List(const std::vector<std::string>& args)
{
    if (args.size() != 1) {
        std::fputs(kHelp, stderr);
        return exUsage;
    }
    const std::string archive = ToWindows(args[0]);
    TZpUnZipper unzipper;
    AttachDiskPrompts(unzipper, archive);
    unzipper.SetFileName(archive);
    auto* zip = unzipper.ZipArchive();
    std::printf("%10s %10s %-9s %-10s %-8s %-6s %s\n", "Size", "Packed", "Method", "Date", "Time", "Attr", "Name");
    int64_t total = 0, packed = 0;
    for (int i = 0; i < zip->Items.Count(); ++i) {
        auto& item = static_cast<TZpZipItem&>(zip->Items[i]);
        const TZpDateTime t = ZpFromDos(item.LastModFileDate(), item.LastModFileTime());
        const uint32_t a = item.ExternalFileAttributes();
        char attr[7] = {a & faReadOnly ? 'R' : '-', a & faHidden ? 'H' : '-', a & faSysFile ? 'S' : '-',
                        a & faDirectory ? 'D' : '-', a & faArchive ? 'A' : '-', 0};
        std::printf("%10lld %10lld %-9s %04d-%02d-%02d %02d:%02d:%02d %-6s %s\n",
                    static_cast<long long>(item.UncompressedSize()), static_cast<long long>(item.CompressedSize()),
                    MethodName(item.Header.CompressionMethod), t.year, t.month, t.day, t.hour, t.minute, t.second,
                    attr, item.FileName().c_str());
        total += item.UncompressedSize();
        packed += item.CompressedSize();
    }
    std::printf("%10lld %10lld %d entries\n", static_cast<long long>(total), static_cast<long long>(packed),
                zip->Items.Count());
    return exOk;
}

int Test(const std::vector<std::string>& args)
{
    if (args.size() != 1) {
        std::fputs(kHelp, stderr);
        return exUsage;
    }
    const std::string archive = ToWindows(args[0]);
    int failures = 0;
    TZpUnZipper unzipper;
    AttachReports(unzipper, "testing", failures);
    AttachDiskPrompts(unzipper, archive);
    unzipper.SetFileName(archive);
    unzipper.TestMatching("*.*");
    const int count = unzipper.Count();
    if (failures) {
        std::fprintf(stderr, "vornzip: %d of %d entries failed\n", failures, count);
        return exItemFailed;
    }
    std::fprintf(stderr, "vornzip: %d entries OK\n", count);
    return exOk;
}

int Extract(std::vector<std::string> args)
{
    const bool junk = TakeFlag(args, "-j");
    if (args.size() != 2) {
        std::fputs(kHelp, stderr);
        return exUsage;
    }
    const std::string archive = ToWindows(args[0]);
    const std::string folder = ToWindows(args[1]);
    if (!ZpDirectoryExists(folder) && !ZpForceDirectories(folder)) {
        std::fprintf(stderr, "vornzip: cannot create %s\n", args[1].c_str());
        return exArchiveError;
    }
    int failures = 0;
    TZpUnZipper unzipper;
    AttachReports(unzipper, "extracting", failures);
    AttachDiskPrompts(unzipper, archive);
    unzipper.SetExtractOptions(eoCreateDirs | (junk ? 0u : unsigned(eoRestorePath)));
    unzipper.SetBaseDirectory(folder);
    unzipper.SetFileName(archive);
    unzipper.ExtractMatching("*.*");
    if (failures) {
        std::fprintf(stderr, "vornzip: %d of %d entries failed\n", failures, unzipper.Count());
        return exItemFailed;
    }
    return exOk;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        std::fputs(kHelp, args.empty() ? stderr : stdout);
        return args.empty() ? exUsage : exOk;
    }
    g_progress = isatty(2) != 0;
    const std::string command = args[0];
    args.erase(args.begin());
    try {
        UseMachine();
        if (command == "create")
            return Create(args);
        if (command == "list")
            return List(args);
        if (command == "test")
            return Test(args);
        if (command == "extract")
            return Extract(args);
        std::fprintf(stderr, "vornzip: unknown command \"%s\"\n\n%s", command.c_str(), kHelp);
        return exUsage;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vornzip: %s\n", e.what());
        return exArchiveError;
    }
}
