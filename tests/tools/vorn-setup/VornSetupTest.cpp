#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sqlite3.h>
#include <sstream>
#include <unistd.h>

#include "platform/DosAttr.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "platform/IniFile.h"
#include "platform/Machine.h"
#include "platform/Registry.h"
#include "platform/TextCase.h"
#include "tests/support/TempMachine.h"
#include "tools/vorn-setup/VornSetup.h"

namespace {

std::string Slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Column names of the one table of an SQLite file, as the sqlite3 tool sees them.
std::vector<std::string> Columns(const std::string& file, const std::string& table)
{
    sqlite3* db = nullptr;
    std::vector<std::string> names;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, ("PRAGMA table_info(\"" + table + "\")").c_str(), -1, &stmt, nullptr) == SQLITE_OK)
            while (sqlite3_step(stmt) == SQLITE_ROW)
                names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1)));
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return names;
}

int Rows(const std::string& file, const std::string& table)
{
    sqlite3* db = nullptr;
    int rows = -1;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, ("SELECT count(*) FROM \"" + table + "\"").c_str(), -1, &stmt, nullptr) == SQLITE_OK
            && sqlite3_step(stmt) == SQLITE_ROW)
            rows = sqlite3_column_int(stmt, 0);
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return rows;
}

void Exec(const std::string& file, const std::string& sql)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    char* message = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message), SQLITE_OK) << (message ? message : "");
    sqlite3_free(message);
    sqlite3_close(db);
}

struct TRun {
    int code;
    std::string out, err;
};

// The program's entry, with VORN_MACHINE naming folder.
TRun RunSetup(const std::string& folder, std::vector<std::string> args)
{
    const char* before = std::getenv("VORN_MACHINE");
    const std::optional<std::string> saved = before ? std::optional<std::string>(before) : std::nullopt;
    setenv("VORN_MACHINE", folder.c_str(), 1);
    std::ostringstream out, err;
    const int code = RunVornSetup(args, out, err);
    saved ? setenv("VORN_MACHINE", saved->c_str(), 1) : unsetenv("VORN_MACHINE");
    return {code, out.str(), err.str()};
}

const std::string DataHost = "/drives/C/Program Files/TessaroInc/VornBackup/Data";

} // namespace

// What the installer promises, checked on the program itself as a user runs it.
TEST(VornSetupProgram, DemoLeavesRegistryTablesAndDrives)
{
    TTempMachine scratch(TTempMachine::tmFolderOnly);
    const std::string folder = scratch.Folder() + "/machine";
    const std::string command =
        "VORN_MACHINE='" + folder + "' '" VORN_BINARY_DIR "/tools/vorn-setup' --demo > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;

    const TIniData registry = TIniData::LoadHostFile(folder + "/registry.ini");
    EXPECT_EQ(registry.Value("HKEY_LOCAL_MACHINE\\SOFTWARE\\TessaroInc\\VornBackup", "DataDir").value_or(""),
              "C:\\Program Files\\TessaroInc\\VornBackup\\Data");
    EXPECT_EQ(Columns(folder + DataHost + "/Path.ADT", "Path"),
              (std::vector<std::string>{"PfProduct", "PfPath", "PfFileName"}));
    EXPECT_EQ(Rows(folder + DataHost + "/Path.ADT", "Path"), 0);
    EXPECT_EQ(Columns(folder + DataHost + "/Defaults.ADT", "Defaults"), std::vector<std::string>{"DeFloppy"});
    EXPECT_EQ(Rows(folder + DataHost + "/Defaults.ADT", "Defaults"), 0);

    const auto drives = TMachine::ParseDrives(Slurp(folder + "/drives.ini"), folder, "drives.ini");
    ASSERT_EQ(drives.size(), 3u);
    EXPECT_EQ(drives[0].Letter, 'A');
    EXPECT_EQ(drives[0].Type, dtRemovable);
    EXPECT_EQ(drives[0].Capacity, 1457664);
    EXPECT_EQ(drives[1].Letter, 'C');
    EXPECT_EQ(drives[1].HostPath, folder + "/drives/C");
    EXPECT_EQ(drives[2].Letter, 'Z');
    EXPECT_EQ(drives[2].HostPath, "/");
}

TEST(VornSetupDemo, ProductsAreWhereTheDefaultsLook)
{
    TTempMachine machine(TTempMachine::tmDemo);
    // The catalogue's program files and default folders, as the start-up
    // looks them up: current default, then older default.
    struct Product {
        const char* program;
        const char* current;
        const char* older;
        int foundIn;   // 1 current, 0 older, -1 nowhere
    };
    const Product products[] = {
        {"pellorcd.exe", "c:\\program files\\tessaroinc\\pellora", "c:\\program files\\pellora", 1},
        {"sennetrk.exe", "c:\\program files\\tessaroinc\\sennet", "c:\\program files\\sennet", 1},
        {"corvid.exe", "c:\\program files\\tessaroinc\\corvidlite", "c:\\program files\\corvid", 0},
        {"talmeqex.exe", "c:\\program files\\tessaroinc\\talmtracker", "c:\\program files\\talmeq", -1},
    };
    for (const Product& p : products) {
        EXPECT_EQ(FileExists(std::string(p.current) + "\\" + p.program), p.foundIn == 1) << p.program;
        EXPECT_EQ(FileExists(std::string(p.older) + "\\" + p.program), p.foundIn == 0) << p.program;
    }
    // The connection files: Pellora's names a separate data folder, Sennet's leaves it empty.
    const TIniFile pellora("c:\\program files\\tessaroinc\\pellora\\PLTConnect.ini");
    const std::string pelloraData = pellora.ReadString("Connect", "DataDir", "");
    EXPECT_TRUE(DirectoryExists(pelloraData)) << pelloraData;
    EXPECT_FALSE(SameText(pelloraData, "c:\\program files\\tessaroinc\\pellora"));
    EXPECT_EQ(TIniFile("c:\\program files\\tessaroinc\\sennet\\SENConnect.ini").ReadString("Connect", "DataDir", "x"), "");

    const std::string dataFolders[] = {pelloraData, "c:\\program files\\tessaroinc\\sennet", "c:\\program files\\corvid"};
    for (const std::string& data : dataFolders) {
        // Every data mask finds a file with the backup's search (attributes 0) ...
        for (const char* mask : {"*.ad*", "*.db", "*.px", "*.mb", "*.x*", "*.y*", "*.val"}) {
            TSearchRec rec;
            EXPECT_EQ(FindFirst(data + "\\" + mask, 0, rec), 0) << data << " " << mask;
        }
        // ... and the folder also holds what a backup must leave out.
        for (const char* mask : {"*.exe", "*.dll", "*.ini"}) {
            TSearchRec rec;
            EXPECT_EQ(FindFirst(data + "\\" + mask, 0, rec), 0) << data << " " << mask;
        }
    }
    // Corvid's data does not fit on one diskette, so its diskette backup spans.
    int64_t corvidBytes = 0;
    TSearchRec rec;
    for (int r = FindFirst("c:\\program files\\corvid\\*.*", 0, rec); r == 0; r = FindNext(rec))
        corvidBytes += rec.Size;
    EXPECT_GT(corvidBytes, DisketteCapacity);
    EXPECT_FALSE(DirectoryExists("c:\\program files\\tessaroinc\\talmtracker"));
    EXPECT_TRUE(DirectoryExists("C:\\Backups"));
}

TEST(VornSetupInit, KeepsEverythingThatExists)
{
    TTempMachine scratch(TTempMachine::tmFolderOnly);
    const std::string folder = scratch.Folder();
    std::filesystem::create_directories(folder + "/disks/A");
    std::filesystem::create_directories(folder + "/elsewhere/Settings");
    const std::string drives = "[A:]\ntype=removable\npath=disks/A\ncapacity=737280\n[C:]\npath=elsewhere\n";
    std::ofstream(folder + "/drives.ini") << drives;
    const std::string registry = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\TessaroInc\\VornBackup]\nDataDir=C:\\Settings\nWebSite=w.example\n";
    std::ofstream(folder + "/registry.ini") << registry;
    Exec(folder + "/elsewhere/Settings/Path.ADT",
         "CREATE TABLE \"Path\" (PfProduct TEXT NOT NULL PRIMARY KEY, PfPath TEXT NOT NULL DEFAULT '', "
         "PfFileName TEXT NOT NULL DEFAULT ''); INSERT INTO \"Path\" VALUES ('PELLO', 'D:\\X', 'p.exe')");
    std::ofstream(folder + "/disks/A/inserted") << "2\n";

    for (int pass = 0; pass < 2; ++pass) {
        const TRun run = RunSetup(folder, {"init"});
        ASSERT_EQ(run.code, 0) << run.err;
        EXPECT_EQ(Slurp(folder + "/drives.ini"), drives);
        EXPECT_EQ(Slurp(folder + "/registry.ini"), registry);
        EXPECT_EQ(Rows(folder + "/elsewhere/Settings/Path.ADT", "Path"), 1);
        EXPECT_EQ(Columns(folder + "/elsewhere/Settings/Defaults.ADT", "Defaults"), std::vector<std::string>{"DeFloppy"});
        EXPECT_EQ(Slurp(folder + "/disks/A/inserted"), "2\n");
        EXPECT_TRUE(std::filesystem::is_directory(folder + "/disks/A/medium2"));
    }
}

TEST(VornSetupInit, BadInputIsAClearErrorAndNothingIsOverwritten)
{
    struct Case {
        const char* what;
        std::string drives;     // "" keeps the default
        std::string registry;   // "" writes none
        std::string pathTable;  // "" makes none
        const char* expected;   // part of the error text
    };
    const Case cases[] = {
        {"garbage drive map", "[C:]\npath=drives/C\nnonsense\n", "", "", "drives.ini\", line 3"},
        {"garbage registry", "", "[HKEY_LOCAL_MACHINE\\SOFTWARE\\X]\n%%%\n", "", "registry.ini\", line 2"},
        {"empty data folder value", "", "[HKEY_LOCAL_MACHINE\\SOFTWARE\\TessaroInc\\VornBackup]\nDataDir=\n", "",
         "DataDir of HKEY_LOCAL_MACHINE\\SOFTWARE\\TessaroInc\\VornBackup is empty"},
        {"a table file that is no database", "", "", std::string(600, 'x'), "Path.ADT\" is not a usable database"},
    };
    for (const Case& c : cases) {
        TTempMachine scratch(TTempMachine::tmFolderOnly);
        const std::string folder = scratch.Folder();
        if (!c.drives.empty())
            std::ofstream(folder + "/drives.ini") << c.drives;
        if (!c.registry.empty())
            std::ofstream(folder + "/registry.ini") << c.registry;
        if (!c.pathTable.empty()) {
            std::filesystem::create_directories(folder + DataHost);
            std::ofstream(folder + DataHost + "/Path.ADT") << c.pathTable;
        }
        const TRun run = RunSetup(folder, {"init"});
        EXPECT_EQ(run.code, 1) << c.what;
        EXPECT_NE(run.err.find(c.expected), std::string::npos) << c.what << ": " << run.err;
        if (!c.drives.empty()) {
            EXPECT_EQ(Slurp(folder + "/drives.ini"), c.drives) << c.what;
        }
        if (!c.registry.empty()) {
            EXPECT_EQ(Slurp(folder + "/registry.ini"), c.registry) << c.what;
        }
        if (!c.pathTable.empty()) {
            EXPECT_EQ(Slurp(folder + DataHost + "/Path.ADT"), c.pathTable) << c.what;
        }
    }
}

TEST(VornSetupInit, ATableLockedByAnotherProcessIsLeftAlone)
{
    TTempMachine machine;   // tables made
    const std::string file = machine.Folder() + DataHost + "/Defaults.ADT";
    ASSERT_EQ(unlink(file.c_str()), 0);
    std::ofstream(file).close();   // empty: a database without the table
    sqlite3* holder = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &holder), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(holder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    const TRun run = RunSetup(machine.Folder(), {"init"});
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.err.find("Defaults.ADT\" is in use by another process"), std::string::npos) << run.err;
    sqlite3_exec(holder, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(holder);
    EXPECT_EQ(RunSetup(machine.Folder(), {"init"}).code, 0);
    EXPECT_EQ(Columns(file, "Defaults"), std::vector<std::string>{"DeFloppy"});
}

TEST(VornSetupProgram, CommandsAndTheirMistakes)
{
    TTempMachine scratch(TTempMachine::tmFolderOnly);
    const std::string folder = scratch.Folder() + "/m";

    const TRun help = RunSetup(folder, {"--help"});
    EXPECT_EQ(help.code, 0);
    for (const char* word : {"init", "--demo", "insert LETTER N", "eject LETTER", "media LETTER", "VORN_MACHINE", "1457664", "DataDir"})
        EXPECT_NE(help.out.find(word), std::string::npos) << word;
    EXPECT_FALSE(std::filesystem::exists(folder));   // help makes nothing

    struct Case {
        std::vector<std::string> args;
        int code;
        const char* expected;   // part of stderr
    };
    const Case mistakes[] = {
        {{}, 2, "Usage"},
        {{"format"}, 2, "unknown command"},
        {{"init", "extra"}, 2, "unknown command"},
        {{"insert", "A"}, 2, "unknown command"},
        {{"insert", "A", "2"}, 1, "does not exist"},   // no machine yet
    };
    for (const Case& c : mistakes) {
        const TRun run = RunSetup(folder, c.args);
        EXPECT_EQ(run.code, c.code) << c.expected;
        EXPECT_NE(run.err.find(c.expected), std::string::npos) << run.err;
    }
    EXPECT_FALSE(std::filesystem::exists(folder));

    ASSERT_EQ(RunSetup(folder, {"init"}).code, 0);
    const Case afterInit[] = {
        {{"insert", "AB", "2"}, 1, "not a drive letter"},
        {{"insert", "A", "two"}, 1, "not a medium number"},
        {{"insert", "A", "0"}, 1, "not a medium number"},
        {{"insert", "C", "2"}, 1, "C: is not an emulated removable drive"},
        {{"insert", "Q:", "1"}, 1, "Q: is not an emulated removable drive"},
    };
    for (const Case& c : afterInit) {
        const TRun run = RunSetup(folder, c.args);
        EXPECT_EQ(run.code, c.code) << c.expected;
        EXPECT_NE(run.err.find(c.expected), std::string::npos) << run.err;
    }
    const TRun insert = RunSetup(folder, {"insert", "a:", "2"});
    EXPECT_EQ(insert.code, 0) << insert.err;
    EXPECT_EQ(insert.out, "Medium 2 is in drive A:.\n");
    const TRun media = RunSetup(folder, {"media", "A"});
    EXPECT_EQ(media.code, 0) << media.err;
    EXPECT_EQ(media.out, "  medium 1  (no label)  0 of 1457664 bytes used\n"
                         "* medium 2  (no label)  0 of 1457664 bytes used\n");
    const TRun eject = RunSetup(folder, {"eject", "A"});
    EXPECT_EQ(eject.code, 0) << eject.err;
    EXPECT_EQ(eject.out, "Drive A: is empty.\n");
    EXPECT_EQ(RunSetup(folder, {"media", "A"}).out, "  medium 1  (no label)  0 of 1457664 bytes used\n"
                                                     "  medium 2  (no label)  0 of 1457664 bytes used\n");
    // A second init keeps the drive empty.
    ASSERT_EQ(RunSetup(folder, {"init"}).code, 0);
    EXPECT_FALSE(std::filesystem::exists(folder + "/drives/A/no medium"));
    // Each medium's files follow it, one per line with their sizes.
    ASSERT_EQ(RunSetup(folder, {"insert", "A", "2"}).code, 0);
    std::ofstream(folder + "/drives/A/medium2/SET.ZIP") << std::string(1000, 'x');
    std::ofstream(folder + "/drives/A/medium2/A.TXT") << "abc";
    EXPECT_EQ(RunSetup(folder, {"media", "A"}).out, "  medium 1  (no label)  0 of 1457664 bytes used\n"
                                                     "* medium 2  (no label)  1536 of 1457664 bytes used\n"
                                                     "      A.TXT  3 bytes\n"
                                                     "      SET.ZIP  1000 bytes\n");
}

TEST(VornSetupLibrary, LeavesThePlatformWhereItWas)
{
    TTempMachine machine;   // the machine in use
    const std::string before = TMachine::ChosenFolder();
    TTempMachine other(TTempMachine::tmFolderOnly);
    TMachine::Use(before);
    std::ostringstream log;
    SetupInsert(machine.Folder(), 'A', 3, log);
    SetupInit(other.Folder() + "/second", log);
    EXPECT_EQ(TMachine::ChosenFolder(), before);
    EXPECT_EQ(InsertedMedium('A'), 3);
}
