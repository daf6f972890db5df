// Owning handles for SQLite connections, prepared statements and write transactions.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace itunes::library {

struct SqliteCloser {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using SqliteConnection = std::unique_ptr<sqlite3, SqliteCloser>;

class Statement {
  public:
    // A statement kept for the life of its connection (kept) is prepared once and reset after
    // every use; SQLite prepares it again by itself when the schema changes.
    Statement(sqlite3* db, std::string_view sql, bool kept = false);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool Ok() const { return stmt_ != nullptr; }
    bool Bind(int index, std::int64_t value);
    bool Bind(int index, std::string_view value);
    // SQLITE_ROW, SQLITE_DONE or an error code.
    int Step();
    std::int64_t ColumnInt(int column);
    std::string ColumnText(int column);
    // Ready for the next use: no read lock held, no values bound.
    void Reset();

  private:
    sqlite3_stmt* stmt_ = nullptr;
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

  private:
    Statement& statement_;
};

// Runs sql (one or more statements without results); false on any error.
bool Execute(sqlite3* db, const char* sql);

// BEGIN IMMEDIATE at once, so that the write lock is taken (or waited for) before anything is
// read; rolled back unless committed.
class WriteTransaction {
  public:
    explicit WriteTransaction(sqlite3* db);
    ~WriteTransaction();
    WriteTransaction(const WriteTransaction&) = delete;
    WriteTransaction& operator=(const WriteTransaction&) = delete;

    bool Ok() const { return begun_; }
    bool Commit();

  private:
    sqlite3* db_;
    bool begun_ = false;
    bool finished_ = false;
};

}  // namespace itunes::library
