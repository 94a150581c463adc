#include "app/DbEngine.h"

#include <sqlite3.h>

#include <strings.h>

#include <memory>

namespace {

struct StmtDeleter {
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using Stmt = std::unique_ptr<sqlite3_stmt, StmtDeleter>;

std::string QuoteIdent(std::string_view name)
{
    std::string out = "\"";
    for (char c : name) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + '"';
}

bool SameText(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

std::string TrimRight(std::string s)
{
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0'))
        s.pop_back();
    return s;
}

std::string ColumnText(sqlite3_stmt* s, int column)
{
    const auto* text = sqlite3_column_text(s, column);
    if (text == nullptr)
        return {};
    return std::string(reinterpret_cast<const char*>(text), static_cast<size_t>(sqlite3_column_bytes(s, column)));
}

std::string FileStem(const std::string& fileName)
{
    const auto dot = fileName.rfind('.');
    return dot == std::string::npos ? fileName : fileName.substr(0, dot);
}

}  // namespace

void TDbConnection::Connect()
{
    connected_ = true;
}

TDbTable::TDbTable(TDbConnection& connection, std::string name, std::string tableFileName)
    : connection_(connection), name_(std::move(name)), fileName_(std::move(tableFileName))
{
}

TDbTable::~TDbTable()
{
    Close();
}

void TDbTable::Fail(std::string_view text) const
{
    throw EDbError(name_ + ": " + std::string(text));
}

void TDbTable::FailEngine() const
{
    Fail(db_ != nullptr ? sqlite3_errmsg(db_) : "out of memory");
}

void TDbTable::Exec(const char* sql)
{
    if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        FailEngine();
}

void TDbTable::Open()
{
    if (Active())
        return;
    if (!connection_.Connected())
        Fail("the connection is not open");
    if (connection_.ConnectPath().empty())
        Fail("no data folder");
    const std::string path = connection_.ConnectPath() + "/" + fileName_;
    // Never SQLITE_OPEN_CREATE: a missing table file is an error, not a new
    // empty database left behind.
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    db_ = db;
    if (rc != SQLITE_OK) {
        const std::string text = db != nullptr ? sqlite3_errmsg(db) : "out of memory";
        sqlite3_close(db);
        db_ = nullptr;
        Fail(text + " (" + fileName_ + ")");
    }
    sqlite3_busy_timeout(db_, connection_.BusyTimeoutMs());
    sqlite3_extended_result_codes(db_, 0);

    try {
        // The one user table of the file; when there are several, the one
        // named like the file.
        std::vector<std::string> tables;
        {
            sqlite3_stmt* raw = nullptr;
            if (sqlite3_prepare_v2(db_,
                                   "SELECT name FROM sqlite_master WHERE type='table' "
                                   "AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY name",
                                   -1, &raw, nullptr) != SQLITE_OK)
                FailEngine();
            Stmt s(raw);
            int rc2;
            while ((rc2 = sqlite3_step(s.get())) == SQLITE_ROW)
                tables.push_back(ColumnText(s.get(), 0));
            if (rc2 != SQLITE_DONE)
                FailEngine();
        }
        table_.clear();
        if (tables.size() == 1) {
            table_ = tables[0];
        } else {
            for (const auto& t : tables)
                if (SameText(t, FileStem(fileName_)))
                    table_ = t;
        }
        if (table_.empty())
            Fail(tables.empty() ? "no table in " + fileName_ : "more than one table in " + fileName_);

        fields_.clear();
        {
            sqlite3_stmt* raw = nullptr;
            if (sqlite3_prepare_v2(db_, "SELECT name FROM pragma_table_info(?)", -1, &raw, nullptr) != SQLITE_OK)
                FailEngine();
            Stmt s(raw);
            sqlite3_bind_text(s.get(), 1, table_.c_str(), -1, SQLITE_TRANSIENT);
            int rc2;
            while ((rc2 = sqlite3_step(s.get())) == SQLITE_ROW)
                fields_.push_back(ColumnText(s.get(), 0));
            if (rc2 != SQLITE_DONE)
                FailEngine();
        }
        indexColumn_ = -1;
        if (!indexField_.empty()) {
            for (size_t i = 0; i < fields_.size(); ++i)
                if (SameText(fields_[i], indexField_))
                    indexColumn_ = static_cast<int>(i);
            if (indexColumn_ < 0)
                Fail("no index on field " + indexField_);
        }
        buffer_.assign(fields_.size(), {});
        modified_.assign(fields_.size(), false);
        state_ = dsBrowse;
        LoadFirst();
    } catch (...) {
        state_ = dsInactive;
        sqlite3_close(db_);
        db_ = nullptr;
        throw;
    }
}

void TDbTable::Close()
{
    if (db_ != nullptr) {
        if (state_ == dsEdit || state_ == dsInsert)
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(db_);
        db_ = nullptr;
    }
    state_ = dsInactive;
    rowid_ = 0;
    eof_ = true;
}

std::string TDbTable::SelectList() const
{
    std::string list = "rowid";
    for (const auto& f : fields_)
        list += ", " + QuoteIdent(f);
    return list;
}

std::string TDbTable::OrderBy() const
{
    if (indexColumn_ >= 0)
        return " ORDER BY " + QuoteIdent(fields_[static_cast<size_t>(indexColumn_)]) + ", rowid";
    return " ORDER BY rowid";
}

bool TDbTable::LoadRow(int64_t rowid)
{
    sqlite3_stmt* raw = nullptr;
    const std::string sql = "SELECT " + SelectList() + " FROM " + QuoteIdent(table_) + " WHERE rowid = ?";
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &raw, nullptr) != SQLITE_OK)
        FailEngine();
    Stmt s(raw);
    sqlite3_bind_int64(s.get(), 1, rowid);
    const int rc = sqlite3_step(s.get());
    if (rc == SQLITE_DONE)
        return false;
    if (rc != SQLITE_ROW)
        FailEngine();
    rowid_ = rowid;
    for (size_t i = 0; i < fields_.size(); ++i)
        buffer_[i] = ColumnText(s.get(), static_cast<int>(i) + 1);
    return true;
}

void TDbTable::LoadFirst()
{
    sqlite3_stmt* raw = nullptr;
    const std::string sql = "SELECT rowid FROM " + QuoteIdent(table_) + OrderBy() + " LIMIT 1";
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &raw, nullptr) != SQLITE_OK)
        FailEngine();
    Stmt s(raw);
    const int rc = sqlite3_step(s.get());
    if (rc == SQLITE_ROW) {
        const int64_t rowid = sqlite3_column_int64(s.get(), 0);
        s.reset();
        eof_ = !LoadRow(rowid);
        if (eof_)
            rowid_ = 0;
    } else if (rc == SQLITE_DONE) {
        rowid_ = 0;
        eof_ = true;
        buffer_.assign(fields_.size(), {});
    } else {
        FailEngine();
    }
}

void TDbTable::First()
{
    if (state_ != dsBrowse)
        Fail(state_ == dsInactive ? "table is not open" : "record not stored");
    LoadFirst();
}

void TDbTable::Next()
{
    if (state_ != dsBrowse)
        Fail(state_ == dsInactive ? "table is not open" : "record not stored");
    if (eof_)
        return;
    std::string sql = "SELECT rowid FROM " + QuoteIdent(table_) + " WHERE ";
    if (indexColumn_ >= 0) {
        const std::string key = QuoteIdent(fields_[static_cast<size_t>(indexColumn_)]);
        sql += "(" + key + " > ?1 OR (" + key + " = ?1 AND rowid > ?2))";
    } else {
        sql += "rowid > ?2";
    }
    sql += OrderBy() + " LIMIT 1";
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &raw, nullptr) != SQLITE_OK)
        FailEngine();
    Stmt s(raw);
    if (indexColumn_ >= 0) {
        const auto& key = buffer_[static_cast<size_t>(indexColumn_)];
        sqlite3_bind_text(s.get(), 1, key.data(), static_cast<int>(key.size()), SQLITE_TRANSIENT);
    }
    sqlite3_bind_int64(s.get(), 2, rowid_);
    const int rc = sqlite3_step(s.get());
    if (rc == SQLITE_ROW) {
        const int64_t rowid = sqlite3_column_int64(s.get(), 0);
        s.reset();
        if (LoadRow(rowid))
            return;
        eof_ = true;  // deleted between the two reads: treat as the end
    } else if (rc == SQLITE_DONE) {
        eof_ = true;  // stays on the last record, as a cursor at its end does
    } else {
        FailEngine();
    }
}

int TDbTable::RecordCount()
{
    if (!Active())
        Fail("table is not open");
    sqlite3_stmt* raw = nullptr;
    const std::string sql = "SELECT count(*) FROM " + QuoteIdent(table_);
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &raw, nullptr) != SQLITE_OK)
        FailEngine();
    Stmt s(raw);
    if (sqlite3_step(s.get()) != SQLITE_ROW)
        FailEngine();
    return sqlite3_column_int(s.get(), 0);
}

bool TDbTable::IsEmpty()
{
    return RecordCount() == 0;
}

bool TDbTable::FindKey(std::string_view key)
{
    if (state_ != dsBrowse)
        Fail(state_ == dsInactive ? "table is not open" : "record not stored");
    if (indexColumn_ < 0)
        Fail("no index to search");
    sqlite3_stmt* raw = nullptr;
    const std::string sql = "SELECT rowid FROM " + QuoteIdent(table_) + " WHERE " +
                            QuoteIdent(fields_[static_cast<size_t>(indexColumn_)]) + " = ?" + OrderBy() + " LIMIT 1";
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &raw, nullptr) != SQLITE_OK)
        FailEngine();
    Stmt s(raw);
    sqlite3_bind_text(s.get(), 1, key.data(), static_cast<int>(key.size()), SQLITE_TRANSIENT);
    const int rc = sqlite3_step(s.get());
    if (rc == SQLITE_DONE)
        return false;
    if (rc != SQLITE_ROW)
        FailEngine();
    const int64_t rowid = sqlite3_column_int64(s.get(), 0);
    s.reset();
    // Only a completed read moves the cursor; the old buffer survives a miss.
    const int64_t oldRow = rowid_;
    const auto oldBuffer = buffer_;
    if (!LoadRow(rowid)) {
        rowid_ = oldRow;
        buffer_ = oldBuffer;
        return false;
    }
    eof_ = false;
    return true;
}

int TDbTable::FieldIndex(std::string_view field) const
{
    for (size_t i = 0; i < fields_.size(); ++i)
        if (SameText(fields_[i], field))
            return static_cast<int>(i);
    return -1;
}

bool TDbTable::HasField(std::string_view field) const
{
    return FieldIndex(field) >= 0;
}

std::string TDbTable::FieldText(std::string_view field) const
{
    if (!Active())
        Fail("table is not open");
    const int i = FieldIndex(field);
    if (i < 0)
        Fail("field " + std::string(field) + " not found");
    if (state_ == dsBrowse && rowid_ == 0)
        return {};
    return TrimRight(buffer_[static_cast<size_t>(i)]);
}

void TDbTable::SetFieldText(std::string_view field, std::string_view value)
{
    if (state_ != dsEdit && state_ != dsInsert)
        Fail("table is not in edit or insert mode");
    const int i = FieldIndex(field);
    if (i < 0)
        Fail("field " + std::string(field) + " not found");
    buffer_[static_cast<size_t>(i)] = std::string(value);
    modified_[static_cast<size_t>(i)] = true;
}

void TDbTable::Edit()
{
    if (state_ == dsEdit || state_ == dsInsert)
        return;
    if (state_ != dsBrowse)
        Fail("table is not open");
    if (rowid_ == 0) {
        Append();
        return;
    }
    // The lock: a write transaction taken before the record is read again,
    // so what is edited is what the file holds now.
    Exec("BEGIN IMMEDIATE");
    try {
        if (!LoadRow(rowid_))
            Fail("the record was deleted by another user");
    } catch (...) {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
    modified_.assign(fields_.size(), false);
    state_ = dsEdit;
}

void TDbTable::Append()
{
    if (state_ == dsEdit || state_ == dsInsert)
        Fail("record not stored");
    if (state_ != dsBrowse)
        Fail("table is not open");
    Exec("BEGIN IMMEDIATE");
    savedRow_ = rowid_;
    savedBuffer_ = buffer_;
    buffer_.assign(fields_.size(), {});
    modified_.assign(fields_.size(), false);
    state_ = dsInsert;
}

void TDbTable::EndTransaction(bool commit)
{
    if (commit) {
        Exec("COMMIT");
    } else {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
}

void TDbTable::Post()
{
    if (state_ != dsEdit && state_ != dsInsert)
        return;
    try {
        std::string sql;
        std::vector<size_t> bound;
        if (state_ == dsEdit) {
            for (size_t i = 0; i < fields_.size(); ++i)
                if (modified_[i]) {
                    sql += (bound.empty() ? "" : ", ") + QuoteIdent(fields_[i]) + " = ?";
                    bound.push_back(i);
                }
            if (!bound.empty())
                sql = "UPDATE " + QuoteIdent(table_) + " SET " + sql + " WHERE rowid = ?";
        } else {
            std::string names, marks;
            for (size_t i = 0; i < fields_.size(); ++i)
                if (modified_[i]) {
                    names += (bound.empty() ? "" : ", ") + QuoteIdent(fields_[i]);
                    marks += bound.empty() ? "?" : ", ?";
                    bound.push_back(i);
                }
            sql = bound.empty() ? "INSERT INTO " + QuoteIdent(table_) + " DEFAULT VALUES"
                                : "INSERT INTO " + QuoteIdent(table_) + " (" + names + ") VALUES (" + marks + ")";
        }
        if (!sql.empty()) {
            sqlite3_stmt* raw = nullptr;
            if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &raw, nullptr) != SQLITE_OK)
                FailEngine();
            Stmt s(raw);
            int n = 1;
            for (size_t i : bound) {
                // An all-blank value is stored empty, as the engine's "set
                // empty" call does.
                const std::string value = TrimRight(buffer_[i]).empty() ? std::string() : buffer_[i];
                sqlite3_bind_text(s.get(), n++, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
            }
            if (state_ == dsEdit)
                sqlite3_bind_int64(s.get(), n, rowid_);
            if (sqlite3_step(s.get()) != SQLITE_DONE)
                FailEngine();
            if (state_ == dsInsert)
                rowid_ = sqlite3_last_insert_rowid(db_);
        }
        EndTransaction(true);
    } catch (...) {
        Cancel();
        throw;
    }
    state_ = dsBrowse;
    eof_ = false;
    // The stored record as the file holds it now (defaults filled in).
    if (!LoadRow(rowid_))
        LoadFirst();
}

void TDbTable::Cancel()
{
    if (state_ != dsEdit && state_ != dsInsert)
        return;
    const bool inserting = state_ == dsInsert;
    EndTransaction(false);
    state_ = dsBrowse;
    if (inserting) {
        rowid_ = savedRow_;
        buffer_ = savedBuffer_;
        eof_ = rowid_ == 0;
    } else {
        // Re-reading is a courtesy: when the file is busy the buffer keeps
        // the dropped values until the cursor next moves.
        try {
            if (!LoadRow(rowid_))
                LoadFirst();
        } catch (const EDbException&) {
        }
    }
    modified_.assign(fields_.size(), false);
}
