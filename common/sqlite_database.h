// Ownership of SQLite connections and prepared statements, and transactions that end however
// the code using them ends: what the registry store and the media library share. Results are
// SQLite's result codes; each caller turns them into its own failures.
#pragma once

#include <sqlite3.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace common::sqlite {

struct DatabaseCloser {
    void operator()(sqlite3* database) const { sqlite3_close_v2(database); }
};
using Database = std::unique_ptr<sqlite3, DatabaseCloser>;

// Opens the database file with sqlite3_open_v2's flags, with extended result codes and a busy
// timeout, so that a writer elsewhere is waited for that long. SQLITE_OK, or why it failed
// (database then stays empty).
int Open(const std::string& path, int flags, std::chrono::milliseconds busyTimeout,
         Database& database);

// Runs sql (one or more statements without results); the result code.
int Execute(sqlite3* database, const char* sql);

class Statement {
  public:
    // A statement kept for the life of its connection (kept) is prepared once and reset after
    // every use; SQLite prepares it again by itself when the schema changes.
    Statement(sqlite3* database, std::string_view sql, bool kept = false);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool Ok() const { return statement_ != nullptr; }
    // SQLITE_OK when prepared, else why not.
    int PrepareResult() const { return prepareResult_; }

    // A failed bind is also remembered and reported by the next Step, so that a run of binds
    // needs one check.
    bool Bind(int index, std::int64_t value);
    // Texts are stored as the bytes given, whatever their encoding; the empty text is bound as
    // '' (a null pointer would bind NULL).
    bool Bind(int index, std::string_view text);
    bool BindBlob(int index, std::span<const std::uint8_t> data);

    // SQLITE_ROW, SQLITE_DONE or an error code.
    int Step();
    std::int64_t ColumnInt(int column) const;
    std::string ColumnText(int column) const;
    std::vector<std::uint8_t> ColumnBlob(int column) const;

    // Ready for the next use: no read lock held, no values bound, no failed bind remembered.
    void Reset();

  private:
    bool Check(int result);

    sqlite3_stmt* statement_ = nullptr;
    int prepareResult_ = SQLITE_OK;
    int bindResult_ = SQLITE_OK;
};

// One use of a kept statement: reset when the use ends, however it ends, so that a statement
// stopped at a row does not hold its read transaction (and so its view of the database) open.
class StatementUse {
  public:
    explicit StatementUse(Statement& statement) : statement_(statement) {}
    ~StatementUse() { statement_.Reset(); }
    StatementUse(const StatementUse&) = delete;
    StatementUse& operator=(const StatementUse&) = delete;

    Statement* operator->() const { return &statement_; }
    Statement& operator*() const { return statement_; }

  private:
    Statement& statement_;
};

// A transaction that is rolled back unless committed. A write transaction begins with BEGIN
// IMMEDIATE, so that the write lock is taken (or waited for) before anything is read.
class Transaction {
  public:
    enum class Kind { Read, Write };

    Transaction(sqlite3* database, Kind kind);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // SQLITE_OK when it began, else why not.
    int Began() const { return began_; }
    bool Open() const { return open_; }

    // SQLITE_OK, or why the COMMIT failed; a transaction that is still open then is rolled back
    // when it goes. SQLITE_MISUSE when it is not open.
    int Commit();

  private:
    sqlite3* database_;
    int began_;
    bool open_;
};

}  // namespace common::sqlite
