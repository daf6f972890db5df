#include "common/sqlite_database.h"

#include <utility>

namespace common::sqlite {

int Open(const std::string& path, int flags, std::chrono::milliseconds busyTimeout,
         Database& database) {
    database.reset();
    sqlite3* opened = nullptr;
    const int result = sqlite3_open_v2(path.c_str(), &opened, flags, nullptr);
    Database owned(opened);  // a failed open may still hand out a connection to close
    if (result != SQLITE_OK) {
        return result;
    }
    sqlite3_extended_result_codes(owned.get(), 1);
    sqlite3_busy_timeout(owned.get(), static_cast<int>(busyTimeout.count()));
    database = std::move(owned);
    return SQLITE_OK;
}

int Execute(sqlite3* database, const char* sql) {
    return sqlite3_exec(database, sql, nullptr, nullptr, nullptr);
}

Statement::Statement(sqlite3* database, std::string_view sql, bool kept) {
    const unsigned int flags = kept ? SQLITE_PREPARE_PERSISTENT : 0;
    prepareResult_ = sqlite3_prepare_v3(database, sql.data(), static_cast<int>(sql.size()), flags,
                                        &statement_, nullptr);
    if (prepareResult_ != SQLITE_OK) {
        sqlite3_finalize(statement_);
        statement_ = nullptr;
    }
}

Statement::~Statement() {
    sqlite3_finalize(statement_);
}

bool Statement::Check(int result) {
    if (bindResult_ == SQLITE_OK) {
        bindResult_ = result;
    }
    return result == SQLITE_OK;
}

bool Statement::Bind(int index, std::int64_t value) {
    return Check(statement_ == nullptr ? SQLITE_MISUSE
                                       : sqlite3_bind_int64(statement_, index, value));
}

bool Statement::Bind(int index, std::string_view text) {
    return Check(statement_ == nullptr
                     ? SQLITE_MISUSE
                     : sqlite3_bind_text64(statement_, index, text.empty() ? "" : text.data(),
                                           text.size(), SQLITE_TRANSIENT, SQLITE_UTF8));
}

bool Statement::BindBlob(int index, std::span<const std::uint8_t> data) {
    if (statement_ == nullptr) {
        return Check(SQLITE_MISUSE);
    }
    // An empty blob is bound as a zero-length one, not as NULL.
    return Check(data.empty() ? sqlite3_bind_zeroblob(statement_, index, 0)
                              : sqlite3_bind_blob64(statement_, index, data.data(), data.size(),
                                                    SQLITE_TRANSIENT));
}

int Statement::Step() {
    if (bindResult_ != SQLITE_OK) {
        return bindResult_;
    }
    return statement_ == nullptr ? SQLITE_MISUSE : sqlite3_step(statement_);
}

std::int64_t Statement::ColumnInt(int column) const {
    return sqlite3_column_int64(statement_, column);
}

std::string Statement::ColumnText(int column) const {
    const auto* text = sqlite3_column_text(statement_, column);
    const int size = sqlite3_column_bytes(statement_, column);
    return text == nullptr
               ? std::string()
               : std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(size));
}

std::vector<std::uint8_t> Statement::ColumnBlob(int column) const {
    const auto* data = static_cast<const std::uint8_t*>(sqlite3_column_blob(statement_, column));
    const int size = sqlite3_column_bytes(statement_, column);
    return data == nullptr ? std::vector<std::uint8_t>()
                           : std::vector<std::uint8_t>(data, data + size);
}

void Statement::Reset() {
    if (statement_ != nullptr) {
        sqlite3_reset(statement_);
        sqlite3_clear_bindings(statement_);
    }
    bindResult_ = SQLITE_OK;
}

Transaction::Transaction(sqlite3* database, Kind kind)
    : database_(database),
      began_(Execute(database, kind == Kind::Write ? "BEGIN IMMEDIATE" : "BEGIN")),
      open_(began_ == SQLITE_OK) {}

Transaction::~Transaction() {
    if (open_) {
        Execute(database_, "ROLLBACK");
    }
}

int Transaction::Commit() {
    if (!open_) {
        return SQLITE_MISUSE;
    }
    const int result = Execute(database_, "COMMIT");
    // A COMMIT that failed (the disk full, say) may leave the transaction open.
    open_ = result != SQLITE_OK && sqlite3_get_autocommit(database_) == 0;
    return result;
}

}  // namespace common::sqlite
