// TTempMachine: a machine folder of its own for one test.
//
//   TTempMachine machine;                        // like `vorn-setup init`
//   TTempMachine demo(TTempMachine::tmDemo);     // like `vorn-setup --demo`
//   machine.WriteFile("C:\\Data\\X.ADT", "bytes");
//
// The folder is made under the host's temporary folder, set up, and made the
// process's machine (TMachine::Use). The destructor removes the folder and
// points the platform back at the machine it used before. Link
// vorn_test_support. One at a time: the machine is process-wide state.
#pragma once

#include <string>
#include <string_view>

class TTempMachine {
public:
    enum TKind {
        tmFolderOnly,   // an empty folder: write drives.ini / registry.ini yourself
        tmInit,         // drives A: (1.44 MB diskette), C:, Z:, registry, data folder, empty tables
        tmDemo,         // tmInit and the four demo products
    };
    explicit TTempMachine(TKind kind = tmInit);
    ~TTempMachine();
    TTempMachine(const TTempMachine&) = delete;
    TTempMachine& operator=(const TTempMachine&) = delete;

    // The machine folder (host path).
    const std::string& Folder() const { return folder_; }
    // Host path of a Windows path through the platform layer; fails the
    // test (and returns "") when the path has no drive root.
    std::string HostPath(const std::string& windowsPath) const;
    // Writes a file by Windows path, making its folders.
    void WriteFile(const std::string& windowsPath, std::string_view bytes) const;
    std::string ReadFile(const std::string& windowsPath) const;
    // Writes a file of the machine folder itself (drives.ini, registry.ini),
    // and reloads the machine.
    void WriteMachineFile(const std::string& name, std::string_view text) const;
    // The data folder the registry names ("" without one).
    std::string DataDir() const;

private:
    std::string folder_;
    std::string previous_;
};
