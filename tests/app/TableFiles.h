// Test helpers: table files as the installer creates them, direct SQL on
// them, and a lock held by another process.
#pragma once

#include <sqlite3.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "tests/support/TempFolder.h"

inline void SqlExec(const std::filesystem::path& file, const std::string& sql)
{
    sqlite3* db = nullptr;
    if (sqlite3_open(file.c_str(), &db) != SQLITE_OK) {
        sqlite3_close(db);
        throw std::runtime_error("cannot open " + file.string());
    }
    sqlite3_busy_timeout(db, 5000);
    char* err = nullptr;
    const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err);
    const std::string text = err != nullptr ? err : "";
    sqlite3_free(err);
    sqlite3_close(db);
    if (rc != SQLITE_OK)
        throw std::runtime_error(sql + ": " + text);
}

// Every row's first column, each followed by a newline.
inline std::string SqlQuery(const std::filesystem::path& file, const std::string& sql)
{
    sqlite3* db = nullptr;
    std::string out;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        throw std::runtime_error("cannot open " + file.string());
    }
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr) == SQLITE_OK) {
        while (sqlite3_step(s) == SQLITE_ROW) {
            const auto* t = sqlite3_column_text(s, 0);
            out += t != nullptr ? reinterpret_cast<const char*>(t) : "";
            out += '\n';
        }
    }
    sqlite3_finalize(s);
    sqlite3_close(db);
    return out;
}

// The two tables exactly as the installer creates them, empty.
inline void CreateTableFiles(const std::filesystem::path& dir)
{
    SqlExec(dir / "Path.ADT",
            "CREATE TABLE \"Path\" (PfProduct TEXT NOT NULL PRIMARY KEY, PfPath TEXT NOT NULL DEFAULT '', "
            "PfFileName TEXT NOT NULL DEFAULT '')");
    SqlExec(dir / "Defaults.ADT", "CREATE TABLE \"Defaults\" (DeFloppy TEXT NOT NULL DEFAULT '')");
}

// Another process holding an exclusive lock on a table file for the
// lifetime of this object.
class HeldLock {
public:
    explicit HeldLock(const std::filesystem::path& file)
    {
        int ready[2], release[2];
        if (pipe(ready) != 0 || pipe(release) != 0)
            throw std::runtime_error("pipe failed");
        pid_ = fork();
        if (pid_ < 0)
            throw std::runtime_error("fork failed");
        if (pid_ == 0) {
            close(ready[0]);
            close(release[1]);
            sqlite3* db = nullptr;
            char ok = 'n';
            if (sqlite3_open(file.c_str(), &db) == SQLITE_OK &&
                sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) == SQLITE_OK)
                ok = 'y';
            (void)!write(ready[1], &ok, 1);
            char c;
            (void)!read(release[0], &c, 1);  // returns when the parent closes its end
            _exit(0);
        }
        close(ready[1]);
        close(release[0]);
        release_ = release[1];
        char ok = 'n';
        (void)!read(ready[0], &ok, 1);
        close(ready[0]);
        if (ok != 'y')
            throw std::runtime_error("could not lock " + file.string());
    }
    ~HeldLock()
    {
        close(release_);
        waitpid(pid_, nullptr, 0);
    }
    HeldLock(const HeldLock&) = delete;
    HeldLock& operator=(const HeldLock&) = delete;

private:
    pid_t pid_ = -1;
    int release_ = -1;
};
