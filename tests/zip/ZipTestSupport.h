// A temporary emulated machine for the zip tests: C: is a fresh host folder,
// A: an emulated 1.44 MB diskette drive, Z: the host root. Helpers write and
// read host files and run peer tools.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/Machine.h"
#include "tests/support/SharedFolder.h"
#include "tests/support/TempMachine.h"

namespace ziptest {

namespace fs = std::filesystem;

// A host file's whole content, written (folders made as needed) and read.
inline void WriteFile(const fs::path& p, const std::string& bytes)
{
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
}
inline std::string ReadFile(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class TMachineFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        machine_ = std::make_unique<TTempMachine>(TTempMachine::tmFolderOnly);
        root_ = machine_->Folder();
        fs::create_directories(root_ / "c");
        fs::create_directories(root_ / "a");
        machine_->WriteMachineFile("registry.ini", "");
        machine_->WriteMachineFile("drives.ini", "[C:]\ntype=fixed\npath=c\n"
                                                 "[A:]\ntype=removable\npath=a\ncapacity=1457664\n"
                                                 "[Z:]\ntype=fixed\npath=/\n");
    }
    void TearDown() override
    {
        // Read-only files inside would stop the removal of their folders.
        std::error_code ec;
        for (auto& e : fs::recursive_directory_iterator(root_, ec))
            fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add, ec);
        machine_.reset();
    }

    // Host path of a name on C:.
    fs::path C(const std::string& relative) const { return root_ / "c" / relative; }

    static std::string RandomBytes(size_t n, unsigned seed = 1)
    {
        std::mt19937 gen(seed);
        std::string s(n, '\0');
        for (char& c : s)
            c = static_cast<char>(gen());
        return s;
    }
    // Text-like bytes that compress well.
    static std::string TextBytes(size_t n, unsigned seed = 2)
    {
        std::mt19937 gen(seed);
        static const char* words[] = {"customer", "order ", "1234 ", "total;", "\r\n", "Pellora ", "amount "};
        std::string s;
        while (s.size() < n)
            s += words[gen() % 7];
        s.resize(n);
        return s;
    }

    std::unique_ptr<TTempMachine> machine_;
    fs::path root_;
};

// Runs a shell command; its exit status and its output (stdout + stderr).
struct TRun {
    int status = -1;
    std::string output;
};
inline TRun RunCommand(const std::string& command)
{
    TRun r;
    FILE* p = popen((command + " 2>&1").c_str(), "r");
    if (!p)
        return r;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        r.output.append(buf, n);
    const int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

inline bool HaveTool(const std::string& name)
{
    return RunCommand("command -v " + name + " >/dev/null").status == 0;
}

inline std::string Quote(const std::string& s)
{
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

} // namespace ziptest
