#include "importer/itunes/library/sqlite_handle.h"

namespace itunes::library {

Statement::Statement(sqlite3* db, std::string_view sql, bool kept) {
    const unsigned int flags = kept ? SQLITE_PREPARE_PERSISTENT : 0;
    if (sqlite3_prepare_v3(db, sql.data(), static_cast<int>(sql.size()), flags, &stmt_, nullptr) !=
        SQLITE_OK) {
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
    }
}

Statement::~Statement() {
    sqlite3_finalize(stmt_);
}

bool Statement::Bind(int index, std::int64_t value) {
    return stmt_ != nullptr && sqlite3_bind_int64(stmt_, index, value) == SQLITE_OK;
}

// The empty text is bound as '': a null pointer would bind NULL.
bool Statement::Bind(int index, std::string_view value) {
    return stmt_ != nullptr &&
           sqlite3_bind_text64(stmt_, index, value.empty() ? "" : value.data(), value.size(),
                               SQLITE_TRANSIENT, SQLITE_UTF8) == SQLITE_OK;
}

int Statement::Step() {
    return stmt_ == nullptr ? SQLITE_MISUSE : sqlite3_step(stmt_);
}

std::int64_t Statement::ColumnInt(int column) {
    return sqlite3_column_int64(stmt_, column);
}

std::string Statement::ColumnText(int column) {
    const unsigned char* text = sqlite3_column_text(stmt_, column);
    if (text == nullptr) {
        return {};
    }
    return std::string(reinterpret_cast<const char*>(text),
                       static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column)));
}

void Statement::Reset() {
    if (stmt_ != nullptr) {
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
    }
}

bool Execute(sqlite3* db, const char* sql) {
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

WriteTransaction::WriteTransaction(sqlite3* db) : db_(db) {
    begun_ = Execute(db_, "BEGIN IMMEDIATE");
}

WriteTransaction::~WriteTransaction() {
    if (begun_ && !finished_) {
        Execute(db_, "ROLLBACK");
    }
}

bool WriteTransaction::Commit() {
    if (!begun_ || finished_) {
        return false;
    }
    if (!Execute(db_, "COMMIT")) {
        return false;  // still open: the destructor rolls it back
    }
    finished_ = true;
    return true;
}

}  // namespace itunes::library
