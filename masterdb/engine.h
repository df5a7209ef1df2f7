// Inside the engine layer: the SQLite connection that a database object and
// its record sets share, its statements, its errors, and the Jet dialect as
// SQLite takes it.  Not for code outside masterdb/.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "masterdb/dao.h"

namespace masterdb {

// An SQLite statement, finalized with its owner.
class Statement {
 public:
  Statement() = default;
  // Prepares exactly one statement; throws the engine's error otherwise.
  Statement(sqlite3* db, const std::string& utf8Sql);
  ~Statement();
  Statement(Statement&& other) noexcept;
  Statement& operator=(Statement&& other) noexcept;
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  sqlite3_stmt* get() const { return stmt_; }
  explicit operator bool() const { return stmt_ != nullptr; }
  // The current row's columns from `first` on, into `row` (its storage is
  // reused).
  void ReadRow(std::vector<SqlValue>& row, int first = 0) const;
  void Reset();

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

// A column of a statement's current row, or of a copied row, not copied.
struct ColumnView {
  SqlValue::Type type = SqlValue::Type::kNull;
  std::int64_t integer = 0;
  double real = 0.0;
  std::string_view bytes;

  static ColumnView Of(const SqlValue& v) { return {v.type, v.integer, v.real, v.bytes}; }
  // A copy that outlives the statement's next step.
  void AssignTo(SqlValue& out) const {
    out.type = type;
    out.integer = integer;
    out.real = real;
    out.bytes.assign(bytes);
  }
  // Valid until the statement moves on.
  static ColumnView Of(sqlite3_stmt* stmt, int i) {
    switch (sqlite3_column_type(stmt, i)) {
      case SQLITE_INTEGER:
        return {SqlValue::Type::kInteger, sqlite3_column_int64(stmt, i), 0.0, {}};
      case SQLITE_FLOAT:
        return {SqlValue::Type::kReal, 0, sqlite3_column_double(stmt, i), {}};
      case SQLITE_TEXT: {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
        return {SqlValue::Type::kText, 0, 0.0, std::string_view(p, static_cast<std::size_t>(sqlite3_column_bytes(stmt, i)))};
      }
      case SQLITE_BLOB: {
        const auto* p = static_cast<const char*>(sqlite3_column_blob(stmt, i));
        const auto n = static_cast<std::size_t>(sqlite3_column_bytes(stmt, i));
        return {SqlValue::Type::kBlob, 0, 0.0, p == nullptr ? std::string_view() : std::string_view(p, n)};
      }
      default:
        return {};
    }
  }
};

// Binds the `count` values to the parameters 1..count of `stmt`.  The values
// must outlive the statement's next step.  Returns SQLite's result code.
int BindAll(sqlite3_stmt* stmt, const SqlValue* values, std::size_t count);

// The one error path of the layer.  An engine failure is taken down the
// moment it happens, before anything else calls the engine and replaces its
// message; the caller then cleans up and throws it.  Lack of memory is
// thrown as CMemoryException, everything else as the engine's description.
class EngineFailure {
 public:
  EngineFailure(sqlite3* db, int rc);
  int Code() const { return rc_; }
  bool IsMemory() const;
  const CDaoException& Error() const { return error_; }
  [[noreturn]] void Throw() const;

 private:
  int rc_;
  CDaoException error_;
};

// Throws the engine's error for `rc` at once.
[[noreturn]] void ThrowEngineError(sqlite3* db, int rc);

// An error this layer finds itself, described in code page 932.
CDaoException LayerError(std::string_view utf8Description);

// A statement in the Jet dialect as SQLite takes it, in UTF-8.  Only what
// SQLite does not accept is rewritten: "DELETE * FROM" loses its "*".
std::string ToEngineSql(const Text& jetSql);

// A field's text as the file stores it.  A lead byte left alone at the end
// (a name cut through its last character) is dropped; any other byte that
// is not code page 932 makes it fail.
void FieldTextToUtf8(const Text& text, std::string& utf8, bool* ok);

// The name of the engine's file layer that every master is opened through:
// the system's own, with the fault hook of platform/faults.h in its writes,
// syncs, truncations and deletions.
const char* EngineVfs();

// What a connection releases before it closes: a record set's statements.
class Cursor {
 public:
  virtual void Release() = 0;

 protected:
  ~Cursor() = default;
};

// One open master file.  What the record sets write and the statements that
// run go straight to the engine: inside a transaction begun on the
// workspace, they stand or fall with it; outside one, each stands alone.
class Connection {
 public:
  // Opens `path` (code page 932) as the master; throws on failure, and
  // refuses a file that is no database (an empty one included) before the
  // engine has touched it, and a master that could not be changed.
  Connection(const Text& path, bool exclusive, bool readOnly);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  sqlite3* Handle() const { return db_; }

  // A statement of a record set; throws the engine's error.
  Statement Prepare(const std::string& utf8Sql);

  // One row written by a record set with the `count` values bound; the
  // number of rows the statement changed.  Throws the engine's error.
  int WriteRow(sqlite3_stmt* stmt, const SqlValue* values, std::size_t count);

  // One action statement, all or nothing.
  void Execute(const std::string& utf8Sql);

  // The workspace's transaction.  One at a time; a commit that fails leaves
  // nothing of it behind.
  void BeginTransaction();
  void CommitTransaction();
  void RollbackTransaction();

  void Attach(Cursor* cursor);
  void Detach(Cursor* cursor);

  // What record sets need to tell whether anyone else changed their table
  // while they walk it: the rows each table had written through record sets
  // (tables as a set names them, brackets and case aside), and the action
  // statements run, which may have changed any table.
  // The counter of `table`'s writes, which a set moves on as it writes; it
  // lives as long as the connection.
  std::uint64_t* WriteCounter(const std::string& table);
  std::uint64_t Statements() const { return statements_; }

  // Rolls back a transaction still open, releases the cursors still
  // attached, and closes the file.
  void Close();

 private:
  // Drops an open transaction, whatever state a failure left it in.
  void Rollback();

  sqlite3* db_ = nullptr;
  bool transactionBegun_ = false;
  std::vector<Cursor*> cursors_;
  std::map<std::string, std::uint64_t> writes_;
  std::uint64_t statements_ = 0;
};

}  // namespace masterdb
