// Any bytes as an archive: read it, then extract and test every entry into
// a scratch machine folder. Nothing may crash, hang or write outside it.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/Machine.h"
#include "zip/ZpExcept.h"
#include "zip/ZpUnzPrc.h"
#include "zip/ZpZipTyp.h"

namespace {

std::string MachineFolder()
{
    static const std::string dir = [] {
        namespace fs = std::filesystem;
        const fs::path d = fs::temp_directory_path() / ("vorn-zip-fuzz-" + std::to_string(getpid()));
        fs::create_directories(d / "c" / "out");
        std::ofstream(d / "drives.ini") << "[C:]\ntype=fixed\npath=c\n";
        std::ofstream(d / "registry.ini") << "";
        TMachine::Use(d.string());
        std::atexit([] {
            std::error_code ec;
            fs::remove_all(TMachine::CurrentFolder(), ec);
        });
        return d.string();
    }();
    return dir;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    MachineFolder();
    TMemoryStream stream(std::vector<uint8_t>(data, data + size));
    TZpZipArchive archive(stream);
    archive.SetBaseDirectory("C:\\out");
    archive.ExtractOptions = eoCreateDirs | eoRestorePath;
    archive.ExtractFileHelper = UnzipItem;
    archive.ExtractStreamHelper = [](TZpZipArchive& a, TZpZipItem& item, TStream* target) {
        UnzipItemToStream(a, item, target);
    };
    archive.TestHelper = TestZipItem;
    archive.OnItemFailure = [](TZpArchiveItem&, TZpProcessType, TZpErrorClass, int) {};
    try {
        archive.Load();
        archive.TestMatching("*.*");
        archive.ExtractMatching("*.*");
    } catch (const Exception&) {
    }
    std::error_code ec;
    std::filesystem::remove_all(MachineFolder() + "/c/out", ec);
    std::filesystem::create_directories(MachineFolder() + "/c/out", ec);
    return 0;
}
