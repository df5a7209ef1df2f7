// Inside the engine layer: the SQLite connection that a database object and
// its record sets share, its statements, its errors, and the Jet dialect as
// SQLite takes it.  Not for code outside masterdb/.
#pragma once

#include <sqlite3.h>

#include <chrono>
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
  // The current row's columns, into `row` (its storage is reused).
  void ReadRow(std::vector<SqlValue>& row) const;
  void Reset();

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

// Binds the values to the parameters 1..n of `stmt`.  The values must
// outlive the statement's next step.  Returns SQLite's result code.
int BindAll(sqlite3_stmt* stmt, const std::vector<SqlValue>& values);

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
std::string FieldTextToUtf8(const Text& text, bool* ok);

// What a connection releases before it closes: a record set's statements.
class Cursor {
 public:
  virtual void Release() = 0;

 protected:
  ~Cursor() = default;
};

// One open master file.  Rows that record sets write go into batches: a
// transaction committed every kBatchRows rows or kBatchAge, before any error
// is shown, before an action statement, on a requery and at close, because
// a commit per row would flush the disk per row.  A crash loses at most the
// running batch.  The statements of the running batch are kept, so that a
// batch the engine throws away on a failure (disk full, I/O) is written
// again before the failure is reported.
class Connection {
 public:
  // Opens `path` (code page 932) as the master; throws on failure.
  Connection(const Text& path, bool exclusive, bool readOnly);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  sqlite3* Handle() const { return db_; }

  // A statement of a record set.  A failure saves the batch, then throws.
  Statement Prepare(const std::string& utf8Sql);

  // One row written inside the running batch; starts the batch when none
  // runs.  Returns the number of rows the statement changed.  On failure
  // the rows before it are saved and the error is thrown.
  int WriteRow(sqlite3_stmt* stmt, const std::shared_ptr<const std::string>& sql,
               std::vector<SqlValue> values);
  // Saves the batch once it is full or old enough; called after a written
  // row has been accounted for, so a failing save never hides that row.
  void SaveIfDue();
  // Saves the batch; when the engine threw it away on an earlier error,
  // writes it again first.  Throws when it cannot be saved.
  void SaveBatch();
  // Saves what can be saved, then throws the failure (with a note when the
  // rows before it could not be saved).
  [[noreturn]] void FailAfterSaving(const CDaoException& error);
  [[noreturn]] void FailAfterSaving(const CMemoryException& error);
  [[noreturn]] void FailAfterSaving(const EngineFailure& failure);

  // One action statement, all or nothing, after the batch has been saved.
  void Execute(const std::string& utf8Sql);

  void Attach(Cursor* cursor);
  void Detach(Cursor* cursor);

  // Saves what is pending, releases the cursors still attached, closes the
  // file.  The file is closed even when saving fails; that failure is then
  // thrown.
  void Close();

 private:
  struct PendingWrite {
    std::shared_ptr<const std::string> sql;
    std::vector<SqlValue> values;
  };

  void BeginBatch();
  void ReplayBatch();
  // Drops an open transaction, after a failure.
  void Rollback();

  sqlite3* db_ = nullptr;
  bool inBatch_ = false;
  std::chrono::steady_clock::time_point batchStart_;
  std::vector<PendingWrite> pending_;
  std::vector<Cursor*> cursors_;
};

}  // namespace masterdb
