// Ownership of SQLite connections and statements, and one use of a prepared statement.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace registry::store {

struct DatabaseCloser {
    void operator()(sqlite3* database) const { sqlite3_close_v2(database); }
};
using DatabasePtr = std::unique_ptr<sqlite3, DatabaseCloser>;

struct StatementFinalizer {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using StatementPtr = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

// One execution of a cached statement: binds, steps, reads columns, and resets the statement
// when it goes, so that the next user finds it clean and no read snapshot stays open. A failed
// bind is remembered and reported by the next Step.
class Query {
  public:
    explicit Query(sqlite3_stmt* statement) : statement_(statement) {}
    ~Query() {
        if (statement_ != nullptr) {
            sqlite3_reset(statement_);
            sqlite3_clear_bindings(statement_);
        }
    }
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    void Bind(int index, std::int64_t value) {
        Check(sqlite3_bind_int64(statement_, index, value));
    }

    // Texts are stored as the bytes given, whatever their encoding; the empty text is bound
    // as '' (a null pointer would bind NULL).
    void BindText(int index, std::string_view text) {
        Check(sqlite3_bind_text64(statement_, index, text.empty() ? "" : text.data(), text.size(),
                                  SQLITE_TRANSIENT, SQLITE_UTF8));
    }

    void BindBlob(int index, const std::uint8_t* data, std::uint64_t size) {
        if (size == 0) {
            Check(sqlite3_bind_zeroblob(statement_, index, 0));
        } else {
            Check(sqlite3_bind_blob64(statement_, index, data, size, SQLITE_TRANSIENT));
        }
    }

    // SQLITE_ROW, SQLITE_DONE or an error code.
    int Step() { return bindResult_ != SQLITE_OK ? bindResult_ : sqlite3_step(statement_); }

    std::int64_t Integer(int column) const { return sqlite3_column_int64(statement_, column); }

    std::string Text(int column) const {
        const auto* text = sqlite3_column_text(statement_, column);
        const int size = sqlite3_column_bytes(statement_, column);
        return text == nullptr ? std::string()
                               : std::string(reinterpret_cast<const char*>(text),
                                             static_cast<std::size_t>(size));
    }

    std::vector<std::uint8_t> Blob(int column) const {
        const auto* data =
            static_cast<const std::uint8_t*>(sqlite3_column_blob(statement_, column));
        const int size = sqlite3_column_bytes(statement_, column);
        return data == nullptr ? std::vector<std::uint8_t>()
                               : std::vector<std::uint8_t>(data, data + size);
    }

  private:
    void Check(int result) {
        if (bindResult_ == SQLITE_OK) {
            bindResult_ = result;
        }
    }

    sqlite3_stmt* statement_;
    int bindResult_ = SQLITE_OK;
};

}  // namespace registry::store
