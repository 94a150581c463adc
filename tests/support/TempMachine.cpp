#include "tests/support/TempMachine.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

#include "platform/FileName.h"
#include "platform/FileSystem.h"
#include "platform/Machine.h"
#include "platform/Registry.h"
#include "platform/WinPath.h"
#include "tests/support/TempFolder.h"
#include "tools/vorn-setup/VornSetup.h"

TTempMachine::TTempMachine(TKind kind) : previous_(TMachine::ChosenFolder())
{
    folder_ = MakeTempFolder("vorn-machine").string();
    std::ostringstream log;
    try {
        if (kind == tmInit)
            SetupInit(folder_, log);
        else if (kind == tmDemo)
            SetupDemo(folder_, log);
    } catch (...) {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
        throw;
    }
    TMachine::Use(folder_);
}

TTempMachine::~TTempMachine()
{
    if (previous_.empty())
        TMachine::UseDefault();
    else
        TMachine::Use(previous_);
    std::error_code ignored;
    // Read-only files and folders do not stop root, and others may lack the
    // write bit on a folder: give it back first.
    for (auto it = std::filesystem::recursive_directory_iterator(folder_, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored))
        if (it->is_directory(ignored) && !it->is_symlink(ignored))
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(folder_, ignored);
}

std::string TTempMachine::HostPath(const std::string& windowsPath) const
{
    const auto host = HostPathOf(windowsPath);
    EXPECT_TRUE(host.has_value()) << windowsPath << " has no drive root";
    return host.value_or("");
}

void TTempMachine::WriteFile(const std::string& windowsPath, std::string_view bytes) const
{
    const std::string dir = ExtractFileDir(ExpandFileName(windowsPath));
    ASSERT_TRUE(ForceDirectories(dir)) << dir;
    std::ofstream out(HostPath(windowsPath), std::ios::binary | std::ios::trunc);
    out << bytes;
    ASSERT_TRUE(out.flush()) << windowsPath;
}

std::string TTempMachine::ReadFile(const std::string& windowsPath) const
{
    std::ifstream in(HostPath(windowsPath), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void TTempMachine::WriteMachineFile(const std::string& name, std::string_view text) const
{
    std::ofstream out(folder_ + "/" + name, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    TMachine::Reload();
}

std::string TTempMachine::DataDir() const
{
    TRegistry registry;
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    if (!registry.OpenKeyReadOnly(VornBackupKey))
        return {};
    return registry.ReadString("DataDir");
}
