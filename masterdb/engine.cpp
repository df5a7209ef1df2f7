// The engine's connection, statements and errors, and the dialect the
// updater writes as SQLite takes it.
#include "engine.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "base/code_page.h"
#include "platform/file.h"
#include "platform/platform.h"

namespace masterdb {

// ---- Statements ------------------------------------------------------------------

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

int BindAll(sqlite3_stmt* stmt, const SqlValue* values, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
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

void Statement::ReadRow(std::vector<SqlValue>& row, int first) const {
  const int n = sqlite3_column_count(stmt_);
  row.resize(static_cast<std::size_t>(n > first ? n - first : 0));
  for (int i = first; i < n; ++i) ColumnView::Of(stmt_, i).AssignTo(row[static_cast<std::size_t>(i - first)]);
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

CDaoException Described(sqlite3* db, int rc) {
  const std::string engineText = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  return CDaoException(Ansi(Describe(rc, engineText)), rc);
}

}  // namespace

EngineFailure::EngineFailure(sqlite3* db, int rc) : rc_(rc), error_(Described(db, rc)) {}

bool EngineFailure::IsMemory() const { return (rc_ & 0xFF) == SQLITE_NOMEM; }

void EngineFailure::Throw() const {
  if (IsMemory()) throw CMemoryException();
  throw error_;
}

void ThrowEngineError(sqlite3* db, int rc) { EngineFailure(db, rc).Throw(); }

// ---- Dialect and texts -----------------------------------------------------------------

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
  std::string sql = base::Cp932ToUtf8(jetSql, &lossy);
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

void FieldTextToUtf8(const Text& text, std::string& utf8, bool* ok) {
  std::size_t length = text.size();
  for (std::size_t i = 0; i < text.size();) {
    if (base::IsCp932LeadByte(static_cast<unsigned char>(text[i]))) {
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
  base::Cp932ToUtf8(std::string_view(text).substr(0, length), utf8, &lossy);
  *ok = !lossy;
}

// ---- The connection ------------------------------------------------------------------

namespace {

void Exec(sqlite3* db, const char* sql) {
  const int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) ThrowEngineError(db, rc);
}

CDaoException CannotOpen(const Text& path, int rc = 0) {
  return CDaoException(Ansi("データベース ファイル '") + path + Ansi("' を開けません。"), rc);
}

// An SQLite file begins with these 16 bytes.  The engine would take an
// empty file for an empty database, and write one into it at the first
// transaction: the master is looked at before the engine sees it.  When
// the file cannot be read here, the engine's own open tells why.
void RefuseWhatIsNoDatabase(const Text& path) {
  static const char kHeader[16] = {'S', 'Q', 'L', 'i', 't', 'e', ' ', 'f', 'o', 'r', 'm', 'a', 't', ' ', '3', '\0'};
  platform::File file;
  if (!file.OpenForReading(path)) return;
  char header[sizeof kHeader] = {};
  const long long n = file.Read(header, sizeof header);
  if (n < 0) return;
  if (n != static_cast<long long>(sizeof header) || std::memcmp(header, kHeader, sizeof header) != 0)
    throw CDaoException(Ansi("ファイルはデータベースではありません。"), SQLITE_NOTADB);
}

}  // namespace

Connection::Connection(const Text& path, bool exclusive, bool readOnly) {
  bool nameOk = false;
  const std::string fileName = platform::EngineFileName(path, &nameOk);
  if (!nameOk) throw CannotOpen(path);
  RefuseWhatIsNoDatabase(path);

  // One thread uses a connection: it needs no mutex of its own.
  const int flags =
      (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX;
  const int rc = sqlite3_open_v2(fileName.c_str(), &db_, flags, EngineVfs());
  if (rc != SQLITE_OK) {
    const EngineFailure failure(db_, rc);
    const bool noHandle = db_ == nullptr;
    sqlite3_close(db_);
    db_ = nullptr;
    if (noHandle || failure.IsMemory()) throw CMemoryException();
    if ((rc & 0xFF) == SQLITE_CANTOPEN) throw CannotOpen(path, rc);
    failure.Throw();
  }
  try {
    sqlite3_extended_result_codes(db_, 1);
    // Another holder of the file is an error at once, not a wait.
    sqlite3_busy_timeout(db_, 0);
    // A commit must be on the disk when it returns, whatever the build's
    // default.  A small cache keeps the memory flat as the master grows;
    // what does not fit goes to the file early, under the journal.
    Exec(db_, "PRAGMA synchronous = FULL");
    Exec(db_, "PRAGMA cache_size = -2048");
    if (exclusive) {
      // The lock is taken now and kept until the file is closed, so that no
      // other program can open the master in between.
      Exec(db_, "PRAGMA locking_mode = EXCLUSIVE");
      Exec(db_, readOnly ? "BEGIN" : "BEGIN EXCLUSIVE");
    }
    // Reading the schema tells a database from any other file.
    Exec(db_, "SELECT count(*) FROM sqlite_master");
    if (exclusive) Exec(db_, "COMMIT");
    if (!readOnly) {
      // The engine opens a file it may not write read-only without a word,
      // and a folder without room for its journal fails only the first
      // write: both are told now, before the update has begun.
      if (sqlite3_db_readonly(db_, "main") == 1)
        throw CDaoException(Ansi("データベースは読み取り専用のため、変更できません。"), SQLITE_READONLY);
      if (!platform::FolderAcceptsNewFiles(path))
        throw CDaoException(Ansi("データベースのフォルダーに書き込めないため、データベースを変更できません。"),
                            SQLITE_READONLY);
    }
  } catch (...) {
    sqlite3_close(db_);
    db_ = nullptr;
    throw;
  }
}

Connection::~Connection() { Close(); }

void Connection::Close() {
  if (db_ == nullptr) return;
  // A transaction still open when the file closes is dropped, never kept.
  Rollback();
  const std::vector<Cursor*> cursors = cursors_;
  cursors_.clear();
  for (Cursor* cursor : cursors) cursor->Release();
  if (sqlite3_close(db_) != SQLITE_OK) sqlite3_close_v2(db_);
  db_ = nullptr;
}

void Connection::Rollback() {
  transactionBegun_ = false;
  if (!sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

Statement Connection::Prepare(const std::string& utf8Sql) { return Statement(db_, utf8Sql); }

int Connection::WriteRow(sqlite3_stmt* stmt, const SqlValue* values, std::size_t count) {
  sqlite3_reset(stmt);
  if (const int rc = BindAll(stmt, values, count); rc != SQLITE_OK) ThrowEngineError(db_, rc);
  const int rc = sqlite3_step(stmt);
  if (rc != SQLITE_DONE) {
    const EngineFailure failure(db_, rc);
    sqlite3_reset(stmt);
    failure.Throw();
  }
  sqlite3_reset(stmt);
  return sqlite3_changes(db_);
}

void Connection::Execute(const std::string& utf8Sql) {
  Statement statement(db_, utf8Sql);
  ++statements_;
  // Inside a transaction the statement is a savepoint of its own, outside
  // one a transaction of its own: either way a failure undoes all of it.
  const bool nested = transactionBegun_;
  Exec(db_, nested ? "SAVEPOINT statement" : "BEGIN");
  int rc;
  while ((rc = sqlite3_step(statement.get())) == SQLITE_ROW) {
  }
  if (rc == SQLITE_DONE) {
    statement.Reset();
    rc = sqlite3_exec(db_, nested ? "RELEASE statement" : "COMMIT", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) return;
  }
  const EngineFailure failure(db_, rc);
  statement.Reset();
  if (!nested) {
    Rollback();
  } else if (!sqlite3_get_autocommit(db_)) {
    sqlite3_exec(db_, "ROLLBACK TO statement", nullptr, nullptr, nullptr);
    sqlite3_exec(db_, "RELEASE statement", nullptr, nullptr, nullptr);
  }
  failure.Throw();
}

void Connection::BeginTransaction() {
  if (transactionBegun_) throw LayerError("トランザクションは既に開始されています。");
  Exec(db_, "BEGIN");
  transactionBegun_ = true;
}

void Connection::CommitTransaction() {
  if (!transactionBegun_) throw LayerError("トランザクションが開始されていません。");
  // A failure on the way (disk full, I/O) can have made the engine drop the
  // transaction already; what is left then cannot be committed.
  if (sqlite3_get_autocommit(db_)) {
    transactionBegun_ = false;
    throw LayerError("トランザクションは取り消されたため、変更は保存されていません。");
  }
  const int rc = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
  if (rc == SQLITE_OK) {
    transactionBegun_ = false;
    return;
  }
  const EngineFailure failure(db_, rc);
  Rollback();
  failure.Throw();
}

void Connection::RollbackTransaction() {
  if (!transactionBegun_) throw LayerError("トランザクションが開始されていません。");
  Rollback();
}

namespace {

// "[TBANK]", "tbank" and "TBANK" name one table.
std::string TableKey(const std::string& table) {
  std::string key;
  for (char c : table) {
    if (c == '[' || c == ']' || c == '"' || c == ' ') continue;
    key += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  }
  return key;
}

}  // namespace

std::uint64_t* Connection::WriteCounter(const std::string& table) { return &writes_[TableKey(table)]; }

void Connection::Attach(Cursor* cursor) {
  if (std::find(cursors_.begin(), cursors_.end(), cursor) == cursors_.end()) cursors_.push_back(cursor);
}

void Connection::Detach(Cursor* cursor) {
  cursors_.erase(std::remove(cursors_.begin(), cursors_.end(), cursor), cursors_.end());
}

}  // namespace masterdb
