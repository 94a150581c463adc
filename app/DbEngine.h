// The settings engine: a connection to the data folder and table components
// over it. Each table file (Path.ADT, Defaults.ADT) is one SQLite database
// holding exactly one table of text fields.
//
// Model of a table component: a cursor on one record (the current record),
// a state (browse, edit, insert) and a record buffer holding the current
// record's fields. Invariants relied on below:
//   - in browse state the buffer is the current record as last read;
//   - in edit and insert state the table holds a write transaction
//     (BEGIN IMMEDIATE), so no other process can change the file until the
//     record is stored (COMMIT) or the change is dropped (ROLLBACK). A store
//     therefore happens whole or not at all.
// Failures raise EDbError whose message is the component's name, ": " and
// the engine's text ("PathTab: database is locked").
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Exception.h"

struct sqlite3;

class EDbException : public Exception {
public:
    using Exception::Exception;
};
class EDbError : public EDbException {
public:
    using EDbException::EDbException;
};

enum TDbTableState { dsInactive, dsBrowse, dsEdit, dsInsert };

// The connection: the folder that holds the tables. Connecting does not
// touch the folder; a missing folder or table shows when a table opens.
class TDbConnection {
public:
    // Host folder of the tables, without trailing slash.
    void SetConnectPath(std::string hostFolder) { path_ = std::move(hostFolder); }
    const std::string& ConnectPath() const { return path_; }
    void Connect();
    void Disconnect() { connected_ = false; }
    bool Connected() const { return connected_; }

    // How long a table waits for another process's lock before it gives up
    // with "database is locked".
    void SetBusyTimeoutMs(int ms) { busyTimeoutMs_ = ms; }
    int BusyTimeoutMs() const { return busyTimeoutMs_; }

private:
    std::string path_;
    bool connected_ = false;
    int busyTimeoutMs_ = 3000;
};

class TDbTable {
public:
    // name: the component's name, the prefix of every error message.
    TDbTable(TDbConnection& connection, std::string name, std::string tableFileName);
    ~TDbTable();
    TDbTable(const TDbTable&) = delete;
    TDbTable& operator=(const TDbTable&) = delete;

    const std::string& Name() const { return name_; }
    const std::string& TableName() const { return fileName_; }
    // Field whose order the table follows and FindKey searches; compared
    // without case ("PFPRODUCT"). Empty: the order records were stored in.
    void SetIndexFieldNames(std::string field) { indexField_ = std::move(field); }

    void Open();
    void Close();
    bool Active() const { return state_ != dsInactive; }
    TDbTableState State() const { return state_; }

    // Cursor movement (browse state only). An empty table is Bof and Eof.
    void First();
    void Next();
    bool Eof() const { return eof_; }
    bool IsEmpty();
    int RecordCount();

    // Exact match on the index field: found -> current record, true;
    // not found -> position unchanged, false.
    bool FindKey(std::string_view key);

    // Field text of the record buffer, trailing blanks removed. Unknown
    // field names raise.
    std::string FieldText(std::string_view field) const;
    void SetFieldText(std::string_view field, std::string_view value);
    bool HasField(std::string_view field) const;

    // Lock the current record and read it afresh. On an empty table this
    // starts an appended record instead, as the first store must insert.
    void Edit();
    // A new blank record; it becomes current once stored.
    void Append();
    // Store the edited or appended record. A failure drops the change,
    // leaves the table in browse state on its former record and raises.
    void Post();
    // Drop an unsaved change. Never raises.
    void Cancel();

private:
    [[noreturn]] void Fail(std::string_view text) const;
    [[noreturn]] void FailEngine() const;
    void Exec(const char* sql);
    int FieldIndex(std::string_view field) const;
    std::string SelectList() const;
    std::string OrderBy() const;
    // Reads the record with this rowid into the buffer; false when gone.
    bool LoadRow(int64_t rowid);
    // Positions on the first record of the order, or marks the table empty.
    void LoadFirst();
    void EndTransaction(bool commit);

    TDbConnection& connection_;
    std::string name_;
    std::string fileName_;
    std::string indexField_;
    sqlite3* db_ = nullptr;
    std::string table_;                // SQL name of the one table
    std::vector<std::string> fields_;  // column names, in table order
    int indexColumn_ = -1;
    TDbTableState state_ = dsInactive;
    int64_t rowid_ = 0;  // current record; 0 when there is none
    bool eof_ = true;
    std::vector<std::string> buffer_;
    std::vector<bool> modified_;
    // The cursor before an append, restored when the append is dropped.
    int64_t savedRow_ = 0;
    std::vector<std::string> savedBuffer_;
};
