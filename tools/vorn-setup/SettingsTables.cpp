#include "tools/vorn-setup/SettingsTables.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sqlite3.h>
#include <unistd.h>

#include "tools/vorn-setup/VornSetup.h"

namespace {

struct TCloser {
    void operator()(sqlite3* db) const { sqlite3_close(db); }
};

} // namespace

void EnsureTable(const std::string& hostFile, const std::string& shownName, const std::string& tableName,
                 const std::string& createSql, std::ostream& log)
{
    bool made = false;
    const int fd = ::open(hostFile.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
        ::close(fd);
        made = true;   // an empty file is an empty database to SQLite
    } else if (errno != EEXIST) {
        throw ESetupError("Cannot create the table file \"" + shownName + "\": " + std::strerror(errno) + ".");
    }
    auto fail = [&](const std::string& what) {
        if (made)
            ::unlink(hostFile.c_str());
        return ESetupError("The table file \"" + shownName + "\" " + what + (made ? "" : "; it was left as it is."));
    };
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(hostFile.c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    std::unique_ptr<sqlite3, TCloser> db(raw);
    if (rc != SQLITE_OK)
        throw fail(std::string("cannot be opened: ") + (raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc)));
    sqlite3_busy_timeout(db.get(), 3000);
    const auto engineText = [&db] {
        const int code = sqlite3_errcode(db.get());
        if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
            return std::string("is in use by another process (") + sqlite3_errmsg(db.get()) + ")";
        return std::string("is not a usable database: ") + sqlite3_errmsg(db.get());
    };
    // Looking the table up also proves the file is a database.
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db.get(), "SELECT count(*) FROM sqlite_master WHERE type='table' AND name=?1", -1, &stmt,
                           nullptr)
        != SQLITE_OK)
        throw fail(engineText());
    sqlite3_bind_text(stmt, 1, tableName.c_str(), -1, SQLITE_TRANSIENT);
    const int step = sqlite3_step(stmt);
    const bool exists = step == SQLITE_ROW && sqlite3_column_int(stmt, 0) > 0;
    sqlite3_finalize(stmt);
    if (step != SQLITE_ROW)
        throw fail(engineText());
    if (exists) {
        log << "kept     " << shownName << " (table " << tableName << " exists)\n";
        return;
    }
    char* message = nullptr;
    if (sqlite3_exec(db.get(), createSql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        const std::string text = message ? message : "unknown error";
        sqlite3_free(message);
        throw fail(sqlite3_errcode(db.get()) == SQLITE_BUSY ? engineText() : "cannot take its table: " + text);
    }
    log << "created  " << shownName << " (table " << tableName << ", empty)\n";
}
