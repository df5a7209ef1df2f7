// Inside the engine layer: SQLite statements, values and errors.  Not for
// code outside masterdb/.
#pragma once

#include <sqlite3.h>

#include <string>
#include <string_view>
#include <vector>

#include "masterdb/dao.h"

namespace masterdb {

// An SQLite statement, finalized with its owner.
class Statement {
 public:
  Statement() = default;
  Statement(sqlite3* db, const std::string& utf8Sql);
  ~Statement();
  Statement(Statement&& other) noexcept;
  Statement& operator=(Statement&& other) noexcept;
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  sqlite3_stmt* get() const { return stmt_; }
  explicit operator bool() const { return stmt_ != nullptr; }
  // Binds the values to the parameters 1..n.
  void Bind(const std::vector<SqlValue>& values);
  // The current row's columns, into `row` (its storage is reused).
  void ReadRow(std::vector<SqlValue>& row) const;
  void Reset();

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

// Binds the values to the parameters 1..n of `stmt`.  The values must
// outlive the statement's next step.  Returns SQLite's result code.
int BindAll(sqlite3_stmt* stmt, const std::vector<SqlValue>& values);

// The error that the engine reports for `rc`, described for the user; for
// SQLITE_NOMEM use IsMemoryError() and throw CMemoryException instead.
CDaoException EngineError(sqlite3* db, int rc);
inline bool IsMemoryError(int rc) { return (rc & 0xFF) == SQLITE_NOMEM; }
// Throws the engine's error for `rc` (CMemoryException for lack of memory).
[[noreturn]] void ThrowEngineError(sqlite3* db, int rc);

// An error this layer finds itself, described in code page 932.
CDaoException LayerError(std::string_view utf8Description);

// A statement in the Jet dialect as SQLite takes it, in UTF-8.  Only what
// SQLite does not accept is rewritten: "DELETE * FROM" loses its "*".
std::string ToEngineSql(const Text& jetSql);

// A file name as SQLite's open takes it.
std::string ToEnginePath(const Text& path, bool* ok);

// A field's text as the file stores it.  A lead byte left alone at the end
// (a name cut through its last character) is dropped; any other byte that
// is not code page 932 makes it fail.
std::string FieldTextToUtf8(const Text& text, bool* ok);

}  // namespace masterdb
