// The database object over SQLite: opening the master exclusively, action
// statements, and the batches in which record-set writes are saved.
//
// Why batches: the merge writes tens of thousands of rows one at a time, and
// a commit per row would flush the disk per row.  Rows therefore go into a
// transaction that is committed every kBatchRows rows or kBatchAge, before
// any error is shown, before an action statement, on Requery and at Close.
// A crash loses at most the running batch and leaves the rows of every batch
// before it: the master always holds a prefix of the merge.  The statements
// of the running batch are kept, so that a batch the engine throws away on a
// failure (disk full, I/O) is written again before the failure is reported.
#include <algorithm>
#include <cstring>

#include "masterdb/dao.h"
#include "masterdb/engine.h"
#include "platform/platform.h"

using masterdb::EngineError;
using masterdb::IsMemoryError;
using masterdb::LayerError;
using masterdb::Statement;
using masterdb::ThrowEngineError;

// ---- Values ----------------------------------------------------------------------

bool SqlValue::operator==(const SqlValue& other) const {
  if (type != other.type) return false;
  switch (type) {
    case Type::kNull:
      return true;
    case Type::kInteger:
      return integer == other.integer;
    case Type::kReal:
      return std::memcmp(&real, &other.real, sizeof real) == 0;
    case Type::kText:
    case Type::kBlob:
      return bytes == other.bytes;
  }
  return false;
}

COleVariant::COleVariant(const SqlValue& value) {
  switch (value.type) {
    case SqlValue::Type::kNull:
      type_ = Type::kNull;
      break;
    case SqlValue::Type::kInteger:
      type_ = Type::kLong;
      long_ = value.integer;
      double_ = static_cast<double>(value.integer);
      break;
    case SqlValue::Type::kReal:
      type_ = Type::kDouble;
      double_ = value.real;
      long_ = static_cast<std::int64_t>(value.real);
      break;
    case SqlValue::Type::kText:
      type_ = Type::kText;
      text_ = platform::Utf8ToCp932(value.bytes);
      long_ = std::strtoll(value.bytes.c_str(), nullptr, 10);
      double_ = std::strtod(value.bytes.c_str(), nullptr);
      break;
    case SqlValue::Type::kBlob:
      type_ = Type::kBinary;
      text_ = value.bytes;
      break;
  }
}

std::int32_t COleVariant::AsLong() const { return static_cast<std::int32_t>(long_); }
double COleVariant::AsDouble() const { return double_; }
Text COleVariant::AsText() const {
  switch (type_) {
    case Type::kLong:
      return std::to_string(long_);
    case Type::kDouble:
      return std::to_string(double_);
    default:
      return text_;
  }
}
app::OleDate COleVariant::AsDate() const {
  switch (type_) {
    case Type::kNull:
      return app::OleDate::Null();
    case Type::kLong:
    case Type::kDouble:
      return {double_, app::OleDate::kValid};
    default:
      return app::OleDate::Invalid();
  }
}

// ---- Statements ------------------------------------------------------------------

namespace masterdb {

Statement::Statement(sqlite3* db, const std::string& utf8Sql) {
  const char* tail = nullptr;
  const int rc = sqlite3_prepare_v2(db, utf8Sql.c_str(), static_cast<int>(utf8Sql.size()), &stmt_,
                                    &tail);
  if (rc != SQLITE_OK) ThrowEngineError(db, rc);
  if (stmt_ == nullptr) throw LayerError("SQL ステートメントが空です。");
  // One statement per call: whatever follows would otherwise be ignored
  // without a word.
  while (tail != nullptr && *tail != '\0') {
    if (*tail != ';' && *tail != ' ' && *tail != '\t' && *tail != '\r' && *tail != '\n') {
      sqlite3_finalize(stmt_);
      stmt_ = nullptr;
      throw LayerError("SQL ステートメントの後に余分な文字があります。");
    }
    ++tail;
  }
}

Statement::~Statement() { sqlite3_finalize(stmt_); }

Statement::Statement(Statement&& other) noexcept : stmt_(other.stmt_) { other.stmt_ = nullptr; }

Statement& Statement::operator=(Statement&& other) noexcept {
  if (this != &other) {
    sqlite3_finalize(stmt_);
    stmt_ = other.stmt_;
    other.stmt_ = nullptr;
  }
  return *this;
}

int BindAll(sqlite3_stmt* stmt, const std::vector<SqlValue>& values) {
  for (std::size_t i = 0; i < values.size(); ++i) {
    const int index = static_cast<int>(i + 1);
    const SqlValue& v = values[i];
    int rc = SQLITE_OK;
    switch (v.type) {
      case SqlValue::Type::kNull:
        rc = sqlite3_bind_null(stmt, index);
        break;
      case SqlValue::Type::kInteger:
        rc = sqlite3_bind_int64(stmt, index, v.integer);
        break;
      case SqlValue::Type::kReal:
        rc = sqlite3_bind_double(stmt, index, v.real);
        break;
      case SqlValue::Type::kText:
        rc = sqlite3_bind_text(stmt, index, v.bytes.data(), static_cast<int>(v.bytes.size()),
                               SQLITE_STATIC);
        break;
      case SqlValue::Type::kBlob:
        rc = sqlite3_bind_blob(stmt, index, v.bytes.data(), static_cast<int>(v.bytes.size()),
                               SQLITE_STATIC);
        break;
    }
    if (rc != SQLITE_OK) return rc;
  }
  return SQLITE_OK;
}

void Statement::Bind(const std::vector<SqlValue>& values) {
  sqlite3_reset(stmt_);
  const int rc = BindAll(stmt_, values);
  if (rc != SQLITE_OK) ThrowEngineError(sqlite3_db_handle(stmt_), rc);
}

void Statement::ReadRow(std::vector<SqlValue>& row) const {
  const int n = sqlite3_column_count(stmt_);
  row.resize(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    SqlValue& v = row[static_cast<std::size_t>(i)];
    switch (sqlite3_column_type(stmt_, i)) {
      case SQLITE_INTEGER:
        v.type = SqlValue::Type::kInteger;
        v.integer = sqlite3_column_int64(stmt_, i);
        break;
      case SQLITE_FLOAT:
        v.type = SqlValue::Type::kReal;
        v.real = sqlite3_column_double(stmt_, i);
        break;
      case SQLITE_TEXT: {
        v.type = SqlValue::Type::kText;
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, i));
        v.bytes.assign(p, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, i)));
        break;
      }
      case SQLITE_BLOB: {
        v.type = SqlValue::Type::kBlob;
        const auto* p = static_cast<const char*>(sqlite3_column_blob(stmt_, i));
        v.bytes.assign(p == nullptr ? "" : p, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, i)));
        break;
      }
      default:
        v.type = SqlValue::Type::kNull;
        v.bytes.clear();
        break;
    }
  }
}

void Statement::Reset() {
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
}

// ---- Errors ------------------------------------------------------------------------

CDaoException LayerError(std::string_view utf8Description) {
  return CDaoException(Ansi(utf8Description));
}

namespace {

// The name after "prefix" in an engine message, or empty.
std::string After(const std::string& message, const char* prefix) {
  const auto pos = message.find(prefix);
  return pos == std::string::npos ? std::string() : message.substr(pos + std::strlen(prefix));
}

std::string Describe(int rc, const std::string& engineText) {
  switch (rc & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return "データベースは他のプログラムで使用中です。";
    case SQLITE_NOTADB:
      return "ファイルはデータベースではありません。";
    case SQLITE_CORRUPT:
      return "データベースが壊れています。";
    case SQLITE_READONLY:
      return "データベースは読み取り専用のため、変更できません。";
    case SQLITE_FULL:
      return "ディスクに空きがないため、データベースに書き込めません。";
    case SQLITE_IOERR:
      return "データベース ファイルの読み書きでエラーが発生しました。";
    case SQLITE_CANTOPEN:
      return "データベース ファイルを開けません。";
    case SQLITE_PERM:
    case SQLITE_AUTH:
      return "データベースへのアクセスが拒否されました。";
    case SQLITE_CONSTRAINT: {
      std::string detail = After(engineText, "failed: ");
      if (detail.empty()) detail = engineText;
      const std::string where = detail.empty() ? std::string() : " (" + detail + ")";
      if (rc == SQLITE_CONSTRAINT_PRIMARYKEY || rc == SQLITE_CONSTRAINT_UNIQUE)
        return "同じキーのレコードが既にあるため、書き込めません。" + where;
      if (rc == SQLITE_CONSTRAINT_NOTNULL)
        return "値が必要なフィールドに値がないため、書き込めません。" + where;
      return "制約に違反するため、書き込めません。" + where;
    }
    case SQLITE_ERROR: {
      const std::string table = After(engineText, "no such table: ");
      if (!table.empty()) return "テーブル '" + table + "' が見つかりません。";
      const std::string column = After(engineText, "no such column: ");
      if (!column.empty()) return "フィールド '" + column + "' が見つかりません。";
      return engineText;
    }
    default:
      return engineText;
  }
}

}  // namespace

CDaoException EngineError(sqlite3* db, int rc) {
  std::string engineText = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  return CDaoException(Ansi(Describe(rc, engineText)), rc);
}

void ThrowEngineError(sqlite3* db, int rc) {
  if (IsMemoryError(rc)) throw CMemoryException();
  throw EngineError(db, rc);
}

// ---- Dialect and paths ---------------------------------------------------------------

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Whether `word` stands at `pos` as a whole keyword, any case.
bool KeywordAt(std::string_view s, std::size_t pos, std::string_view word) {
  if (s.size() < pos + word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    char c = s[pos + i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != word[i]) return false;
  }
  const std::size_t end = pos + word.size();
  return end == s.size() || !(std::isalnum(static_cast<unsigned char>(s[end])) || s[end] == '_');
}

std::size_t SkipSpace(std::string_view s, std::size_t pos) {
  while (pos < s.size() && IsSpace(s[pos])) ++pos;
  return pos;
}

}  // namespace

std::string ToEngineSql(const Text& jetSql) {
  bool lossy = false;
  std::string sql = platform::Cp932ToUtf8(jetSql, &lossy);
  if (lossy) throw LayerError("SQL ステートメントに読めない文字があります。");
  // "DELETE * FROM t": Jet names the deleted columns, SQLite deletes rows.
  const std::size_t del = SkipSpace(sql, 0);
  if (KeywordAt(sql, del, "DELETE")) {
    const std::size_t star = SkipSpace(sql, del + 6);
    if (star > del + 6 && star < sql.size() && sql[star] == '*') {
      const std::size_t from = SkipSpace(sql, star + 1);
      if (KeywordAt(sql, from, "FROM")) sql = sql.substr(0, del + 6) + " " + sql.substr(from);
    }
  }
  return sql;
}

std::string ToEnginePath(const Text& path, bool* ok) {
#ifdef _WIN32
  bool lossy = false;
  std::string utf8 = platform::Cp932ToUtf8(path, &lossy);
  *ok = !lossy && !path.empty();
  return utf8;
#else
  // Natively the program's Windows-shaped paths name the same files with
  // slashes, as everywhere else in the native build.
  std::string p = path;
  std::replace(p.begin(), p.end(), '\\', '/');
  *ok = !p.empty();
  return p;
#endif
}

std::string FieldTextToUtf8(const Text& text, bool* ok) {
  std::size_t length = text.size();
  for (std::size_t i = 0; i < text.size();) {
    if (platform::IsLeadByte(static_cast<unsigned char>(text[i]))) {
      if (i + 1 == text.size()) {
        length = i;
        break;
      }
      i += 2;
    } else {
      i += 1;
    }
  }
  bool lossy = false;
  std::string utf8 = platform::Cp932ToUtf8(std::string_view(text).substr(0, length), &lossy);
  *ok = !lossy;
  return utf8;
}

}  // namespace masterdb

// ---- The database ------------------------------------------------------------------

namespace {

void Exec(sqlite3* db, const char* sql) {
  const int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) ThrowEngineError(db, rc);
}

}  // namespace

CDaoDatabase::CDaoDatabase() = default;

CDaoDatabase::~CDaoDatabase() {
  try {
    Close();
  } catch (...) {
    // Nobody is left to tell; CloseMasterDatabase closes and reports first.
  }
}

void CDaoDatabase::Open(const Text& path, bool exclusive, bool readOnly, const Text& connect) {
  if (IsOpen()) throw LayerError("データベースは既に開かれています。");
  if (!connect.empty()) throw LayerError("接続文字列は使用できません。");
  bool pathOk = false;
  const std::string enginePath = masterdb::ToEnginePath(path, &pathOk);
  if (!pathOk) throw CDaoException(Ansi("データベース ファイル '") + path + Ansi("' を開けません。"));

  sqlite3* db = nullptr;
  // One thread uses a connection: it needs no mutex of its own.
  const int flags =
      (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX;
  int rc = sqlite3_open_v2(enginePath.c_str(), &db, flags, nullptr);
  if (rc != SQLITE_OK) {
    const bool memory = IsMemoryError(rc) || db == nullptr;
    const CDaoException error =
        (rc & 0xFF) == SQLITE_CANTOPEN
            ? CDaoException(Ansi("データベース ファイル '") + path + Ansi("' を開けません。"), rc)
            : EngineError(db, rc);
    sqlite3_close(db);
    if (memory) throw CMemoryException();
    throw error;
  }
  try {
    sqlite3_extended_result_codes(db, 1);
    // Another holder of the file is an error at once, not a wait.
    sqlite3_busy_timeout(db, 0);
    // Each save must be on the disk when it returns, whatever the build's
    // default.  The cache holds a batch's pages (a batch is small) without
    // growing with the master.
    Exec(db, "PRAGMA synchronous = FULL");
    Exec(db, "PRAGMA cache_size = -2048");
    if (exclusive) {
      // The lock is taken now and kept until the file is closed, so that no
      // other program can open the master in between.
      Exec(db, "PRAGMA locking_mode = EXCLUSIVE");
      Exec(db, readOnly ? "BEGIN" : "BEGIN EXCLUSIVE");
    }
    // Reading the schema tells a database from any other file.
    Exec(db, "SELECT count(*) FROM sqlite_master");
    if (exclusive) Exec(db, "COMMIT");
  } catch (...) {
    sqlite3_close(db);
    throw;
  }
  db_ = db;
}

void CDaoDatabase::Close() {
  if (!IsOpen()) return;
  std::exception_ptr failure;
  try {
    SaveBatch();
  } catch (...) {
    failure = std::current_exception();
  }
  if (!sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  inBatch_ = false;
  pending_.clear();
  const std::vector<CDaoRecordset*> sets = sets_;
  for (CDaoRecordset* set : sets) set->DetachFromDatabase();
  sets_.clear();
  if (sqlite3_close(db_) != SQLITE_OK) sqlite3_close_v2(db_);
  db_ = nullptr;
  if (failure) std::rethrow_exception(failure);
}

void CDaoDatabase::Execute(const Text& sql, int /*options*/) {
  if (!IsOpen()) throw LayerError("データベースが開かれていません。");
  // The statement stands alone: the rows written before it are saved first,
  // and its own changes are saved, or dropped, with it.
  SaveBatch();
  const std::string engineSql = masterdb::ToEngineSql(sql);
  Statement statement(db_, engineSql);
  Exec(db_, "BEGIN");
  int rc;
  while ((rc = sqlite3_step(statement.get())) == SQLITE_ROW) {
  }
  if (rc == SQLITE_DONE) {
    statement.Reset();
    rc = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) return;
  }
  const bool memory = IsMemoryError(rc);
  const CDaoException error = EngineError(db_, rc);
  statement.Reset();
  if (!sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  if (memory) throw CMemoryException();
  throw error;
}

void CDaoDatabase::CommitPending() {
  if (!IsOpen()) return;
  SaveBatch();
}

void CDaoDatabase::BeginBatch() {
  Exec(db_, "BEGIN");
  inBatch_ = true;
  batchStart_ = std::chrono::steady_clock::now();
}

int CDaoDatabase::WriteRow(sqlite3_stmt* stmt, const std::shared_ptr<const std::string>& sql,
                           std::vector<SqlValue> values) {
  if (!inBatch_) BeginBatch();
  sqlite3_reset(stmt);
  if (const int rc = masterdb::BindAll(stmt, values); rc != SQLITE_OK) {
    if (IsMemoryError(rc)) FailAfterSaving(CMemoryException());
    FailAfterSaving(EngineError(db_, rc));
  }
  const int rc = sqlite3_step(stmt);
  if (rc != SQLITE_DONE) {
    const bool memory = IsMemoryError(rc);
    const CDaoException error = EngineError(db_, rc);
    sqlite3_reset(stmt);
    if (memory) FailAfterSaving(CMemoryException());
    FailAfterSaving(error);
  }
  const int changed = sqlite3_changes(db_);
  sqlite3_reset(stmt);
  if (pending_.empty()) pending_.reserve(kBatchRows);
  pending_.push_back({sql, std::move(values)});
  return changed;
}

void CDaoDatabase::SaveIfDue() {
  if (inBatch_ && (static_cast<int>(pending_.size()) >= kBatchRows ||
                   std::chrono::steady_clock::now() - batchStart_ >= kBatchAge))
    SaveBatch();
}

void CDaoDatabase::SaveBatch() {
  if (!inBatch_) return;
  if (sqlite3_get_autocommit(db_)) {
    // The engine dropped the batch on an error (disk full, I/O, memory):
    // the rows it held were reported as written, so they are written again.
    inBatch_ = false;
    ReplayBatch();
    return;
  }
  const int rc = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
  if (rc == SQLITE_OK) {
    inBatch_ = false;
    pending_.clear();
    return;
  }
  const bool memory = IsMemoryError(rc);
  const CDaoException error = EngineError(db_, rc);
  if (sqlite3_get_autocommit(db_)) {
    // The failed commit dropped the batch; one more try from its rows.
    inBatch_ = false;
    ReplayBatch();
    return;
  }
  // The batch is still open and keeps its rows; a later save may succeed.
  if (memory) throw CMemoryException();
  throw error;
}

void CDaoDatabase::ReplayBatch() {
  std::vector<PendingWrite> writes;
  writes.swap(pending_);
  auto lost = [&](int rc) {
    const CDaoException cause = EngineError(db_, rc);
    if (!sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    inBatch_ = false;
    throw CDaoException(cause.Description() + "\n" +
                            Ansi("直前までに書き込んだ行を保存できませんでした。"),
                        rc);
  };
  int rc = sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) lost(rc);
  inBatch_ = true;
  batchStart_ = std::chrono::steady_clock::now();
  sqlite3_stmt* stmt = nullptr;
  const std::string* prepared = nullptr;
  for (const PendingWrite& write : writes) {
    if (prepared != write.sql.get()) {
      sqlite3_finalize(stmt);
      stmt = nullptr;
      prepared = write.sql.get();
      rc = sqlite3_prepare_v2(db_, write.sql->c_str(), -1, &stmt, nullptr);
      if (rc != SQLITE_OK) lost(rc);
    }
    sqlite3_reset(stmt);
    rc = masterdb::BindAll(stmt, write.values);
    if (rc == SQLITE_OK) rc = sqlite3_step(stmt);
    if (rc != SQLITE_DONE) {
      const CDaoException cause = EngineError(db_, rc);
      sqlite3_finalize(stmt);
      if (!sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
      inBatch_ = false;
      throw CDaoException(cause.Description() + "\n" +
                              Ansi("直前までに書き込んだ行を保存できませんでした。"),
                          rc);
    }
  }
  sqlite3_finalize(stmt);
  rc = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) lost(rc);
  inBatch_ = false;
}

void CDaoDatabase::FailAfterSaving(const CDaoException& error) {
  try {
    SaveBatch();
  } catch (const CDaoException& saving) {
    throw CDaoException(error.Description() + "\n" + saving.Description(), error.EngineCode());
  } catch (const CMemoryException&) {
    throw CDaoException(error.Description() + "\n" + Ansi("ﾒﾓﾘが不足しています。"),
                        error.EngineCode());
  }
  throw error;
}

void CDaoDatabase::FailAfterSaving(const CMemoryException& error) {
  try {
    SaveBatch();
  } catch (...) {
    // The lack of memory is what the user must hear about first.
  }
  throw error;
}

void CDaoDatabase::Attach(CDaoRecordset* set) {
  if (std::find(sets_.begin(), sets_.end(), set) == sets_.end()) sets_.push_back(set);
}

void CDaoDatabase::Detach(CDaoRecordset* set) {
  sets_.erase(std::remove(sets_.begin(), sets_.end(), set), sets_.end());
}
