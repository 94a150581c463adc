// The two settings tables the installer creates empty: each .ADT file is an
// SQLite database holding one table.
#pragma once

#include <ostream>
#include <string>

inline constexpr const char* PathTableSql =
    "CREATE TABLE \"Path\" (PfProduct TEXT NOT NULL PRIMARY KEY, PfPath TEXT NOT NULL DEFAULT '', "
    "PfFileName TEXT NOT NULL DEFAULT '')";
inline constexpr const char* DefaultsTableSql = "CREATE TABLE \"Defaults\" (DeFloppy TEXT NOT NULL DEFAULT '')";

// Makes hostFile a database holding the table, unless it holds it already.
// An existing file is never replaced: one that is not a database, or cannot
// be opened, raises ESetupError. A new file is made exclusively, so a file
// made meanwhile by someone else is not clobbered either.
void EnsureTable(const std::string& hostFile, const std::string& shownName, const std::string& tableName,
                 const std::string& createSql, std::ostream& log);
