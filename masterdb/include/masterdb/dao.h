// The database engine as the updater's code reaches it: a database object and
// record sets in the shape of the Windows framework's DAO classes, over an
// SQLite file.  Everything here speaks code page 932 (Text); the file stores
// UTF-8 and the conversion happens at this boundary.
//
// Errors arrive as exceptions: CDaoException with the engine's description,
// CMemoryException when the engine runs out of memory.
#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "base/ole_date.h"
#include "base/text.h"

namespace masterdb {
class Connection;
}

// ---- Errors -------------------------------------------------------------------

class CException : public std::exception {};

class CDaoException : public CException {
 public:
  // `engineCode` is SQLite's extended result code, or 0 for errors found by
  // this layer itself.
  explicit CDaoException(Text description, int engineCode = 0)
      : description_(std::move(description)), engineCode_(engineCode) {}

  // The engine's description (code page 932); may be empty.
  const Text& Description() const { return description_; }
  int EngineCode() const { return engineCode_; }
  const char* what() const noexcept override { return description_.c_str(); }

 private:
  Text description_;
  int engineCode_;
};

class CMemoryException : public CException {
 public:
  const char* what() const noexcept override { return "out of memory"; }
};

// ---- Option values, as DAO numbers them ----------------------------------------

constexpr int AFX_DAO_USE_DEFAULT_TYPE = -1;
constexpr int dbOpenDynaset = 2;
constexpr int dbOpenSnapshot = 4;
constexpr int dbReadOnly = 4;
constexpr int dbForwardOnly = 256;
constexpr int dbFailOnError = 128;

// ---- Values --------------------------------------------------------------------

// A column value as SQLite hands it over; texts in UTF-8 at this level.
struct SqlValue {
  enum class Type { kNull, kInteger, kReal, kText, kBlob };
  Type type = Type::kNull;
  std::int64_t integer = 0;
  double real = 0.0;
  std::string bytes;  // kText (UTF-8) and kBlob

  bool operator==(const SqlValue& other) const;
};

// A column of the current row read as a variant (GetFieldValue).
class COleVariant {
 public:
  enum class Type { kNull, kLong, kDouble, kText, kBinary };

  COleVariant() = default;
  explicit COleVariant(const SqlValue& value);

  Type GetType() const { return type_; }
  bool IsNull() const { return type_ == Type::kNull; }
  // The value as a 32-bit integer (a double is truncated, a text parsed as a
  // number, null gives 0).
  std::int32_t AsLong() const;
  double AsDouble() const;
  // Texts in code page 932.
  Text AsText() const;

 private:
  Type type_ = Type::kNull;
  std::int64_t long_ = 0;
  double double_ = 0.0;
  Text text_;
};

// ---- The database --------------------------------------------------------------

class CDaoDatabase;

// The workspace a database is open in: where its transaction is begun,
// committed or rolled back.  Everything written in between stands or falls
// together; a commit that fails, and closing the database before one,
// leave the master as it was when the transaction began.
class CDaoWorkspace {
 public:
  explicit CDaoWorkspace(CDaoDatabase& database) : database_(database) {}
  CDaoWorkspace(const CDaoWorkspace&) = delete;
  CDaoWorkspace& operator=(const CDaoWorkspace&) = delete;

  void BeginTrans();
  void CommitTrans();
  void Rollback();

 private:
  CDaoDatabase& database_;
};

class CDaoDatabase {
 public:
  CDaoDatabase();
  virtual ~CDaoDatabase();
  CDaoDatabase(const CDaoDatabase&) = delete;
  CDaoDatabase& operator=(const CDaoDatabase&) = delete;

  // Opens the master file (code page 932 path).  Exclusive: no other program
  // can open the file while this object has it open, and opening fails when
  // another program has it.  The file must exist and be a database (an
  // empty file is none), and unless `readOnly` the master and its folder
  // must be writable: each is refused before anything is written.  The
  // connect text must be empty: the engine takes no connection options.
  virtual void Open(const Text& path, bool exclusive = false, bool readOnly = false,
                    const Text& connect = Text());
  bool IsOpen() const { return connection_ != nullptr; }
  // Closes every record set still open on this database, then the file; a
  // transaction still open is rolled back.
  virtual void Close();

  // Runs one action statement in the Jet dialect the updater writes.  It
  // either changes everything it names or, on an error, nothing; inside a
  // transaction its changes stand or fall with the transaction.  `options`
  // may hold dbFailOnError; errors fail the call either way.
  void Execute(const Text& sql, int options = 0);

  // The default workspace, for transactions.
  CDaoWorkspace* m_pWorkspace = &workspace_;

  // The engine behind the open database, for the record sets of this layer;
  // null while the database is closed.
  masterdb::Connection* Connection() const { return connection_.get(); }

 private:
  CDaoWorkspace workspace_{*this};
  std::unique_ptr<masterdb::Connection> connection_;
};

// ---- Field exchange -------------------------------------------------------------

// A bound member of a record set: which column it exchanges with, and the
// member itself, whose type says how.
using DaoMember = std::variant<std::int32_t*, Text*, std::uint8_t*, base::OleDate*>;
struct DaoBinding {
  std::string column;  // as bound, bracketed: "[BANKCODE]"
  DaoMember member;
};

class CDaoFieldExchange {
 public:
  enum FieldType { none, outputColumn, param };

  void SetFieldType(FieldType type) { fieldType_ = type; }
  // Records a binding while output columns are being bound.
  void Bind(const char* column, DaoMember member);
  const std::vector<DaoBinding>& Bindings() const { return bindings_; }

 private:
  FieldType fieldType_ = none;
  std::vector<DaoBinding> bindings_;
};

// Bindings of output columns, in the order the query lists them.  Every
// binding keeps a cached copy of its row, so an edit writes only the
// members that differ from it.  `preallocate` is a reservation only: a
// longer text is read whole.
void DFX_Long(CDaoFieldExchange* pFX, const char* column, std::int32_t& value);
void DFX_Text(CDaoFieldExchange* pFX, const char* column, Text& value, int preallocate = 255);
void DFX_Byte(CDaoFieldExchange* pFX, const char* column, std::uint8_t& value);
void DFX_DateTime(CDaoFieldExchange* pFX, const char* column, base::OleDate& value);

// What bound members hold while a set has no current row.
constexpr std::int32_t kDaoNullLong = 1246576928;  // 0x4A4D4120
constexpr std::uint8_t kDaoNullByte = 255;

// ---- Record sets -----------------------------------------------------------------

// A dynaset (open type 2) walks the rows of one table in sort order and can
// edit and add rows; it keeps the row identities of the table, so it works
// whatever keys the table defines.  A snapshot (open type 4) runs any SELECT
// read-only, forward.
class CDaoRecordset {
 public:
  explicit CDaoRecordset(CDaoDatabase* database = nullptr);
  virtual ~CDaoRecordset();
  CDaoRecordset(const CDaoRecordset&) = delete;
  CDaoRecordset& operator=(const CDaoRecordset&) = delete;

  // Opens over `sql`, a SELECT or a bracketed table name; empty means
  // GetDefaultSQL().  A set with bound fields and a table gets the query
  // "SELECT <columns> FROM <table> [WHERE filter] [ORDER BY sort]".  The set
  // then stands on its first row, or past its end.
  virtual void Open(int openType = AFX_DAO_USE_DEFAULT_TYPE, const Text& sql = Text(),
                    int options = 0);
  // False once closed, and once its database has closed.
  bool IsOpen() const;
  virtual void Close();

  // Whether the set stands past its end (also true for an empty set).
  bool IsEOF() const;
  // One row on; past the end the bound members hold their null markers.
  void MoveNext();
  // Runs the query again and stands on its first row: rows written since
  // appear in sort order.
  virtual void Requery();

  // Starts a new row: every bound member takes its null marker.
  void AddNew();
  // Starts editing the current row.
  void Edit();
  // Writes the new or edited row.  A new row gets every member not holding
  // its null marker, an edited row every member that changed.  After a new
  // row the set stands on, and shows, the row that was current before.
  void Update();
  // Drops a started AddNew or Edit.
  void CancelUpdate();

  // Column `index` of the current row.
  COleVariant GetFieldValue(int index) const;

  // The query the engine runs (after Open).
  const Text& GetSQL() const { return sql_; }

  virtual Text GetDefaultDBName() { return Text(); }
  virtual Text GetDefaultSQL() { return Text(); }
  virtual void DoFieldExchange(CDaoFieldExchange*) {}

  CDaoDatabase* m_pDatabase;
  Text m_strFilter;
  Text m_strSort;
  int m_nFields = 0;
  int m_nDefaultType = dbOpenDynaset;

 private:
  class Impl;

  Impl& RequireOpen() const;
  Impl& RequireCurrentRow() const;

  Text sql_;
  std::unique_ptr<Impl> impl_;
};
