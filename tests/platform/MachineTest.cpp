#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <vector>

#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "platform/Machine.h"
#include "platform/Registry.h"
#include "platform/WinPath.h"
#include "tests/support/FileContents.h"
#include "tests/support/TempMachine.h"

namespace {

// The message of the EMachineError that f raises ("" when none).
template <typename F>
std::string MachineErrorOf(F f)
{
    try {
        f();
    } catch (const EMachineError& e) {
        return e.Message();
    }
    return {};
}

} // namespace

TEST(Machine, FolderComesFromTheEnvironment)
{
    // Puts the variables back as they were, whatever the test does.
    struct TSavedEnv {
        std::vector<std::pair<std::string, std::optional<std::string>>> saved;
        explicit TSavedEnv(std::initializer_list<const char*> names)
        {
            for (const char* n : names)
                saved.emplace_back(n, std::getenv(n) ? std::optional<std::string>(std::getenv(n)) : std::nullopt);
        }
        ~TSavedEnv()
        {
            for (const auto& [n, v] : saved)
                v ? setenv(n.c_str(), v->c_str(), 1) : unsetenv(n.c_str());
        }
    } env({"VORN_MACHINE", "XDG_DATA_HOME", "HOME"});

    setenv("VORN_MACHINE", "/some/where/", 1);
    setenv("XDG_DATA_HOME", "/xdg", 1);
    EXPECT_EQ(TMachine::DefaultFolder(), "/some/where");
    unsetenv("VORN_MACHINE");
    EXPECT_EQ(TMachine::DefaultFolder(), "/xdg/vorn-backup/machine");
    setenv("XDG_DATA_HOME", "relative", 1);   // not absolute: ignored, as the XDG rules say
    setenv("HOME", "/home/user", 1);
    EXPECT_EQ(TMachine::DefaultFolder(), "/home/user/.local/share/vorn-backup/machine");
    unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(TMachine::DefaultFolder(), "/home/user/.local/share/vorn-backup/machine");
}

TEST(Machine, MissingFolderIsAClearError)
{
    TTempMachine machine;
    TMachine::Use(machine.Folder() + "/not-there");
    const std::string message = MachineErrorOf([] { HostPathOf("C:\\x"); });
    EXPECT_NE(message.find("not-there\" does not exist"), std::string::npos) << message;
    EXPECT_NE(message.find("vorn-setup init"), std::string::npos) << message;
    TRegistry registry;
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_THROW(registry.OpenKey("\\SOFTWARE", false), EMachineError);
    EXPECT_FALSE(std::filesystem::exists(machine.Folder() + "/not-there"));   // nothing made
}

TEST(Machine, BadDriveMapsNameFileAndLine)
{
    TTempMachine machine(TTempMachine::tmFolderOnly);
    struct Case {
        const char* text;
        const char* expected;
    };
    const Case cases[] = {
        {"[C:]\npath=/\ngarbage line\n", "line 3"},
        {"[C:]\npath=/\n[CD]\npath=/\n", "line 3: section [CD] is not a drive letter"},
        {"[C:]\ntype=floppy\npath=/\n", "line 2: drive type \"floppy\""},
        {"[A:]\ntype=removable\npath=/tmp\ncapacity=lots\n", "line 4: capacity \"lots\""},
        {"[A:]\ntype=removable\npath=/tmp\ncapacity=-5\n", "line 4"},
        {"[C:]\ntype=fixed\ncapacity=10\npath=/\n", "line 3: only a removable drive"},
        {"[C:]\ntype=fixed\n", "line 1: drive C: has no path"},
        {"[C:]\npath=\n", "line 2: drive C: has an empty path"},
        {"[C:]\npath=/\ncolour=blue\n", "line 3: unknown setting \"colour\""},
        {"path=/\n[C:]\n", "line 1: a name=value line before any section"},
        {"[C:\npath=/\n", "line 1"},
        {"\x01\x02\xff\n", "line 1"},
    };
    for (const Case& c : cases) {
        machine.WriteMachineFile("drives.ini", c.text);
        const std::string message = MachineErrorOf([] { GetDriveType("C:\\"); });
        EXPECT_NE(message.find("drives.ini\", " + std::string(c.expected)), std::string::npos)
            << "text: " << c.text << "\nmessage: " << message;
        EXPECT_EQ(ReadFileText(machine.Folder() + "/drives.ini"), c.text);   // nothing overwritten
    }
    machine.WriteMachineFile("drives.ini", "");
    EXPECT_EQ(GetDriveType("C:\\"), dtNoRootDir);   // an empty map has no drives
    std::filesystem::remove(machine.Folder() + "/drives.ini");
    TMachine::Reload();
    EXPECT_NE(MachineErrorOf([] { GetDriveType("C:\\"); }).find("drives.ini\" cannot be read"), std::string::npos);
}

TEST(Machine, DrivePathsMayBeRelativeAndAnyCase)
{
    TTempMachine machine(TTempMachine::tmFolderOnly);
    std::filesystem::create_directories(machine.Folder() + "/d/data");
    machine.WriteMachineFile("drives.ini", "; comment\n  [d:]  \n  PATH = d \n TYPE=Remote\n# other comment\n");
    EXPECT_EQ(GetDriveType("D:\\"), dtRemote);
    EXPECT_EQ(*HostPathOf("D:\\DATA"), machine.Folder() + "/d/data");
}

TEST(Registry, ReadsKeysAndValuesWithoutCase)
{
    TTempMachine machine(TTempMachine::tmFolderOnly);
    machine.WriteMachineFile("drives.ini", "[C:]\npath=/\n");
    machine.WriteMachineFile("registry.ini",
                             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\TessaroInc\\VornBackup]\n"
                             "DataDir=C:\\Program Files\\TessaroInc\\VornBackup\\Data\n"
                             "SupportServer=127.0.0.1:2121\n"
                             "[HKEY_CURRENT_USER\\Software\\Other]\nX=1\n");
    TRegistry registry;
    EXPECT_FALSE(registry.OpenKey("\\SOFTWARE\\TessaroInc\\VornBackup", false));   // default root: current user
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_THROW(registry.ReadString("DataDir"), ERegistryException);   // no key open
    ASSERT_TRUE(registry.OpenKey("\\software\\tessaroinc\\vornbackup", false));
    EXPECT_EQ(registry.ReadString("datadir"), "C:\\Program Files\\TessaroInc\\VornBackup\\Data");
    EXPECT_TRUE(registry.ValueExists("SUPPORTSERVER"));
    EXPECT_EQ(registry.ReadString("WebSite"), "");   // an absent value reads as empty
    EXPECT_FALSE(registry.ValueExists("WebSite"));
    EXPECT_EQ(registry.GetValueNames(), (std::vector<std::string>{"DataDir", "SupportServer"}));
    registry.CloseKey();

    // Parents of a key exist; siblings and other roots do not.
    EXPECT_TRUE(registry.KeyExists("\\SOFTWARE\\TessaroInc"));
    EXPECT_FALSE(registry.KeyExists("\\SOFTWARE\\Tessaro"));
    EXPECT_FALSE(registry.KeyExists("\\Software\\Other"));
    ASSERT_TRUE(registry.OpenKey("\\SOFTWARE", false));
    ASSERT_TRUE(registry.OpenKey("TessaroInc\\VornBackup\\", false));   // relative to the open key
    EXPECT_EQ(registry.CurrentPath(), "HKEY_LOCAL_MACHINE\\SOFTWARE\\TessaroInc\\VornBackup");
}

TEST(Registry, WritesKeepEveryOtherLine)
{
    TTempMachine machine(TTempMachine::tmFolderOnly);
    machine.WriteMachineFile("drives.ini", "[C:]\npath=/\n");
    const std::string before = "; hive\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\A]\nOne=1\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\B]\nTwo=2\n";
    machine.WriteMachineFile("registry.ini", before);
    TRegistry registry;
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(registry.OpenKey("\\SOFTWARE\\A", false));
    registry.WriteString("one", "uno");
    registry.WriteString("Three", "3");
    ASSERT_TRUE(registry.OpenKey("\\SOFTWARE\\C\\D", true));
    registry.WriteString("Four", "4");
    EXPECT_EQ(ReadFileText(machine.Folder() + "/registry.ini"),
              "; hive\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\A]\none=uno\nThree=3\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\B]\nTwo=2\n"
              "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\C\\D]\nFour=4\n");
    ASSERT_TRUE(registry.OpenKey("\\SOFTWARE\\E", true));   // a key with no values yet
    EXPECT_TRUE(registry.KeyExists("\\SOFTWARE\\E"));
    EXPECT_THROW(registry.WriteString("Bad", "two\nlines"), ERegistryException);
    ASSERT_TRUE(registry.OpenKeyReadOnly("\\SOFTWARE\\A"));
    EXPECT_THROW(registry.WriteString("Five", "5"), ERegistryException);
}

TEST(Registry, GarbageIsAClearErrorAndNothingIsOverwritten)
{
    TTempMachine machine(TTempMachine::tmFolderOnly);
    machine.WriteMachineFile("drives.ini", "[C:]\npath=/\n");
    const std::string bad = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\A]\nOne=1\nthis is not a value\n";
    machine.WriteMachineFile("registry.ini", bad);
    TRegistry registry;
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    const std::string message = MachineErrorOf([&] { registry.OpenKey("\\SOFTWARE\\A", true); });
    EXPECT_NE(message.find("registry.ini\", line 3"), std::string::npos) << message;
    EXPECT_EQ(ReadFileText(machine.Folder() + "/registry.ini"), bad);

    // A missing hive has no keys, and is made by the first key created.
    std::filesystem::remove(machine.Folder() + "/registry.ini");
    EXPECT_FALSE(registry.OpenKey("\\SOFTWARE\\A", false));
    ASSERT_TRUE(registry.OpenKey("\\SOFTWARE\\A", true));
    registry.WriteString("V", "x");
    EXPECT_EQ(registry.ReadString("v"), "x");
}
