// A small emulated machine for the application's tests: C: is a folder of
// the machine, Z: the host root, the registry key names C:\VornData, and
// the data folder holds the two empty tables.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/Machine.h"
#include "platform/WinPath.h"
#include "tests/app/TableFiles.h"

class TAppMachine {
public:
    struct TOptions {
        bool RegistryKey = true;
        std::string DataDir = "C:\\VornData";
        bool PathTable = true;
        bool DefaultsTable = true;
        std::string ExtraValues;  // more Name=value lines of the key
    };

    TAppMachine() : TAppMachine(TOptions{}) {}
    explicit TAppMachine(const TOptions& o) : root_(MakeTempFolder("vorn-app"))
    {
        namespace fs = std::filesystem;
        fs::create_directories(root_ / "drives/C/VornData");
        Write("drives.ini", "[C:]\npath=drives/C\ntype=fixed\n[Z:]\npath=/\ntype=fixed\n");
        std::string reg = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\nX=1\n";
        if (o.RegistryKey)
            reg += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\TessaroInc\\VornBackup]\nDataDir=" + o.DataDir + "\n" + o.ExtraValues;
        Write("registry.ini", reg);
        CreateTableFiles(root_ / "drives/C/VornData");
        if (!o.PathTable)
            fs::remove(root_ / "drives/C/VornData/Path.ADT");
        if (!o.DefaultsTable)
            fs::remove(root_ / "drives/C/VornData/Defaults.ADT");
        TMachine::Use(root_.string());
    }
    ~TAppMachine()
    {
        TMachine::UseDefault();
        std::filesystem::remove_all(root_);
    }
    TAppMachine(const TAppMachine&) = delete;
    TAppMachine& operator=(const TAppMachine&) = delete;

    const std::filesystem::path& Root() const { return root_; }
    std::filesystem::path Data() const { return root_ / "drives/C/VornData"; }
    std::filesystem::path PathTable() const { return Data() / "Path.ADT"; }
    std::filesystem::path DefaultsTable() const { return Data() / "Defaults.ADT"; }

    void Write(const std::string& relative, const std::string& text) const
    {
        const auto p = root_ / relative;
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << text;
    }
    // A file on C: by its path below the drive root, in the case given
    // (the layer finds it without regard to case).
    void WriteC(const std::string& relative, const std::string& text = "MZ") const
    {
        Write("drives/C/" + relative, text);
    }

    // The path records in the order they were created.
    std::string PathRecords() const
    {
        return SqlQuery(PathTable(), "SELECT PfProduct||'|'||PfPath||'|'||PfFileName FROM Path ORDER BY rowid");
    }
    std::string PathField(const std::string& key, const std::string& field) const
    {
        std::string v = SqlQuery(PathTable(), "SELECT " + field + " FROM Path WHERE PfProduct='" + key + "'");
        if (!v.empty())
            v.pop_back();
        return v;
    }

private:
    std::filesystem::path root_;
};
