// Record sets over SQLite.  A dynaset keeps the row identities (rowid) of
// its table in sort order, filled once per open or requery, and reads the
// current row by its identity when it gets there: walking is one indexed
// lookup per row, writes never disturb the walk, and nothing depends on the
// keys that the table defines.  Statements are prepared once per set; the
// update and insert statements once per combination of columns written.
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>

#include "masterdb/dao.h"
#include "masterdb/engine.h"
#include "platform/platform.h"

using masterdb::EngineError;
using masterdb::IsMemoryError;
using masterdb::LayerError;
using masterdb::Statement;

namespace {

// A bound member's value as it was, to put back after an added row.
struct MemberCopy {
  std::int32_t l = 0;
  Text text;
  std::uint8_t byte = 0;
  app::OleDate date;
};

std::string Unbracketed(const std::string& column) {
  if (column.size() >= 2 && column.front() == '[' && column.back() == ']')
    return column.substr(1, column.size() - 2);
  return column;
}

bool IsSelect(const Text& sql) {
  std::size_t i = 0;
  while (i < sql.size() && (sql[i] == ' ' || sql[i] == '\t' || sql[i] == '\r' || sql[i] == '\n'))
    ++i;
  if (sql.size() < i + 6) return false;
  for (std::size_t k = 0; k < 6; ++k)
    if (std::toupper(static_cast<unsigned char>(sql[i + k])) != "SELECT"[k]) return false;
  return true;
}

Text Trimmed(const Text& s) {
  const auto first = s.find_first_not_of(" \t\r\n");
  if (first == Text::npos) return Text();
  return s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1);
}

}  // namespace

struct CDaoRecordset::Impl {
  enum class Mode { kNone, kAdd, kEdit };
  struct Writer {
    Statement statement;
    std::shared_ptr<const std::string> sql;
  };

  CDaoDatabase* db = nullptr;
  std::vector<DaoBinding> bindings;
  bool dynaset = false;
  bool readOnly = true;
  std::string table;  // dynaset: the table as named, UTF-8

  // Dynaset: the rows in sort order and where the set stands among them.
  Statement keyset;
  Statement fetch;
  // A deque grows without the copy a vector makes when it doubles, which
  // at national scale would briefly hold the keyset twice.
  std::deque<std::int64_t> rowids;
  std::size_t current = 0;
  // Snapshot: the query, stepped forward.
  Statement query;
  bool atEnd = true;

  std::vector<SqlValue> row;  // the current row's columns
  Mode mode = Mode::kNone;
  std::vector<MemberCopy> cache;    // the members at Edit: the field cache
  std::vector<MemberCopy> before;   // the members before AddNew
  std::map<std::uint32_t, Writer> updates;
  std::map<std::uint32_t, Writer> inserts;

  [[noreturn]] void Fail(const CDaoException& error) const { db->FailAfterSaving(error); }
  [[noreturn]] void FailEngine(int rc) const {
    if (IsMemoryError(rc)) db->FailAfterSaving(CMemoryException());
    db->FailAfterSaving(EngineError(db->db_, rc));
  }
  Statement Prepare(const std::string& sql) const {
    try {
      return Statement(db->db_, sql);
    } catch (const CDaoException& e) {
      Fail(e);
    } catch (const CMemoryException& e) {
      db->FailAfterSaving(e);
    }
  }

  bool Eof() const { return dynaset ? current >= rowids.size() : atEnd; }

  // The value a member gives its column: its null marker, an invalid
  // date, and an empty text all store NULL.
  SqlValue ToColumn(const DaoBinding& b) const {
    switch (b.kind) {
      case DaoBinding::Kind::kLong: {
        const auto v = *static_cast<const std::int32_t*>(b.member);
        return v == kDaoNullLong ? SqlValue::Null() : SqlValue::Integer(v);
      }
      case DaoBinding::Kind::kByte: {
        const auto v = *static_cast<const std::uint8_t*>(b.member);
        return v == kDaoNullByte ? SqlValue::Null() : SqlValue::Integer(v);
      }
      case DaoBinding::Kind::kText: {
        const auto& v = *static_cast<const Text*>(b.member);
        if (v.empty()) return SqlValue::Null();
        bool ok = false;
        std::string utf8 = masterdb::FieldTextToUtf8(v, &ok);
        if (!ok)
          Fail(CDaoException(Ansi("フィールド '") + Unbracketed(b.column) +
                             Ansi("' の文字列に、文字として読めないバイトがあります。")));
        return utf8.empty() ? SqlValue::Null() : SqlValue::Utf8(std::move(utf8));
      }
      case DaoBinding::Kind::kDate: {
        const auto& v = *static_cast<const app::OleDate*>(b.member);
        return v.status == app::OleDate::kValid ? SqlValue::Real(v.value) : SqlValue::Null();
      }
    }
    return SqlValue::Null();
  }

  bool HoldsNullMarker(const DaoBinding& b) const {
    switch (b.kind) {
      case DaoBinding::Kind::kLong:
        return *static_cast<const std::int32_t*>(b.member) == kDaoNullLong;
      case DaoBinding::Kind::kByte:
        return *static_cast<const std::uint8_t*>(b.member) == kDaoNullByte;
      case DaoBinding::Kind::kText:
        return static_cast<const Text*>(b.member)->empty();
      case DaoBinding::Kind::kDate:
        return static_cast<const app::OleDate*>(b.member)->status == app::OleDate::kNull;
    }
    return false;
  }

  void SetNullMarkers() {
    for (const DaoBinding& b : bindings) {
      switch (b.kind) {
        case DaoBinding::Kind::kLong:
          *static_cast<std::int32_t*>(b.member) = kDaoNullLong;
          break;
        case DaoBinding::Kind::kByte:
          *static_cast<std::uint8_t*>(b.member) = kDaoNullByte;
          break;
        case DaoBinding::Kind::kText:
          static_cast<Text*>(b.member)->clear();
          break;
        case DaoBinding::Kind::kDate:
          *static_cast<app::OleDate*>(b.member) = app::OleDate::Null();
          break;
      }
    }
  }

  // A NULL column gives the member's null marker.
  void LoadMembers() {
    for (std::size_t i = 0; i < bindings.size() && i < row.size(); ++i) {
      const DaoBinding& b = bindings[i];
      const SqlValue& v = row[i];
      const bool null = v.type == SqlValue::Type::kNull;
      const std::int64_t number = v.type == SqlValue::Type::kReal
                                      ? static_cast<std::int64_t>(v.real)
                                      : v.type == SqlValue::Type::kInteger
                                            ? v.integer
                                            : std::strtoll(v.bytes.c_str(), nullptr, 10);
      switch (b.kind) {
        case DaoBinding::Kind::kLong:
          *static_cast<std::int32_t*>(b.member) =
              null ? kDaoNullLong : static_cast<std::int32_t>(number);
          break;
        case DaoBinding::Kind::kByte:
          *static_cast<std::uint8_t*>(b.member) =
              null ? kDaoNullByte : static_cast<std::uint8_t>(number);
          break;
        case DaoBinding::Kind::kText:
          // What code page 932 cannot show is left out of the member; the
          // stored text stays as it is unless the member is changed.
          *static_cast<Text*>(b.member) = null ? Text() : platform::Utf8ToCp932(v.bytes);
          break;
        case DaoBinding::Kind::kDate:
          *static_cast<app::OleDate*>(b.member) = COleVariant(v).AsDate();
          break;
      }
    }
  }

  void CopyMembers(std::vector<MemberCopy>& copy) const {
    copy.resize(bindings.size());
    for (std::size_t i = 0; i < bindings.size(); ++i) {
      const DaoBinding& b = bindings[i];
      switch (b.kind) {
        case DaoBinding::Kind::kLong:
          copy[i].l = *static_cast<const std::int32_t*>(b.member);
          break;
        case DaoBinding::Kind::kByte:
          copy[i].byte = *static_cast<const std::uint8_t*>(b.member);
          break;
        case DaoBinding::Kind::kText:
          copy[i].text = *static_cast<const Text*>(b.member);
          break;
        case DaoBinding::Kind::kDate:
          copy[i].date = *static_cast<const app::OleDate*>(b.member);
          break;
      }
    }
  }

  // Whether member `i` differs from its copy in what it would store.
  bool Changed(std::size_t i, const MemberCopy& copy) const {
    const DaoBinding& b = bindings[i];
    switch (b.kind) {
      case DaoBinding::Kind::kLong:
        return *static_cast<const std::int32_t*>(b.member) != copy.l;
      case DaoBinding::Kind::kByte:
        return *static_cast<const std::uint8_t*>(b.member) != copy.byte;
      case DaoBinding::Kind::kText:
        return *static_cast<const Text*>(b.member) != copy.text;
      case DaoBinding::Kind::kDate: {
        const auto& v = *static_cast<const app::OleDate*>(b.member);
        const bool valid = v.status == app::OleDate::kValid;
        if (valid != (copy.date.status == app::OleDate::kValid)) return true;
        return valid && std::memcmp(&v.value, &copy.date.value, sizeof v.value) != 0;
      }
    }
    return true;
  }

  void RestoreMembers(const std::vector<MemberCopy>& copy) {
    for (std::size_t i = 0; i < bindings.size() && i < copy.size(); ++i) {
      const DaoBinding& b = bindings[i];
      switch (b.kind) {
        case DaoBinding::Kind::kLong:
          *static_cast<std::int32_t*>(b.member) = copy[i].l;
          break;
        case DaoBinding::Kind::kByte:
          *static_cast<std::uint8_t*>(b.member) = copy[i].byte;
          break;
        case DaoBinding::Kind::kText:
          *static_cast<Text*>(b.member) = copy[i].text;
          break;
        case DaoBinding::Kind::kDate:
          *static_cast<app::OleDate*>(b.member) = copy[i].date;
          break;
      }
    }
  }

  // Steps the snapshot query once.
  void StepQuery() {
    const int rc = sqlite3_step(query.get());
    if (rc == SQLITE_ROW) {
      atEnd = false;
      query.ReadRow(row);
      LoadMembers();
    } else if (rc == SQLITE_DONE) {
      atEnd = true;
      row.clear();
      SetNullMarkers();
    } else {
      atEnd = true;
      FailEngine(rc);
    }
  }

  // The dynaset's rows afresh, in sort order.
  void FillKeyset() {
    rowids.clear();
    keyset.Reset();
    int rc;
    while ((rc = sqlite3_step(keyset.get())) == SQLITE_ROW)
      rowids.push_back(sqlite3_column_int64(keyset.get(), 0));
    keyset.Reset();
    if (rc != SQLITE_DONE) {
      rowids.clear();
      FailEngine(rc);
    }
  }

  // Stands on the first row at `index` or after it that still exists.
  void Position(std::size_t index) {
    for (; index < rowids.size(); ++index) {
      fetch.Reset();
      if (sqlite3_bind_int64(fetch.get(), 1, rowids[index]) != SQLITE_OK) FailEngine(SQLITE_ERROR);
      const int rc = sqlite3_step(fetch.get());
      if (rc == SQLITE_ROW) {
        fetch.ReadRow(row);
        fetch.Reset();
        current = index;
        LoadMembers();
        return;
      }
      fetch.Reset();
      if (rc != SQLITE_DONE) {
        current = index;
        FailEngine(rc);
      }
      // Deleted since the set was filled: passed over.
    }
    current = rowids.size();
    row.clear();
    SetNullMarkers();
  }

  Writer& WriterFor(std::map<std::uint32_t, Writer>& writers, std::uint32_t mask, bool insert) {
    auto it = writers.find(mask);
    if (it != writers.end()) return it->second;
    std::string sql;
    if (insert) {
      std::string columns, marks;
      for (std::size_t i = 0; i < bindings.size(); ++i) {
        if (!(mask & (1u << i))) continue;
        columns += (columns.empty() ? "" : ",") + bindings[i].column;
        marks += marks.empty() ? "?" : ",?";
      }
      sql = columns.empty() ? "INSERT INTO " + table + " DEFAULT VALUES"
                            : "INSERT INTO " + table + " (" + columns + ") VALUES (" + marks + ")";
    } else {
      std::string sets;
      for (std::size_t i = 0; i < bindings.size(); ++i)
        if (mask & (1u << i)) sets += (sets.empty() ? "" : ",") + bindings[i].column + "=?";
      sql = "UPDATE " + table + " SET " + sets + " WHERE rowid=?";
    }
    Writer writer{Prepare(sql), std::make_shared<const std::string>(sql)};
    return writers.emplace(mask, std::move(writer)).first->second;
  }
};

// ---- Field exchange ------------------------------------------------------------------

void CDaoFieldExchange::Add(DaoBinding::Kind kind, const char* column, void* member) {
  if (fieldType_ == outputColumn) bindings_.push_back({kind, column, member});
}

void DFX_Long(CDaoFieldExchange* pFX, const char* column, std::int32_t& value) {
  pFX->Add(DaoBinding::Kind::kLong, column, &value);
}
void DFX_Text(CDaoFieldExchange* pFX, const char* column, Text& value, int preallocate) {
  value.reserve(static_cast<std::size_t>(preallocate > 0 ? preallocate : 0));
  pFX->Add(DaoBinding::Kind::kText, column, &value);
}
void DFX_Byte(CDaoFieldExchange* pFX, const char* column, std::uint8_t& value) {
  pFX->Add(DaoBinding::Kind::kByte, column, &value);
}
void DFX_DateTime(CDaoFieldExchange* pFX, const char* column, app::OleDate& value) {
  pFX->Add(DaoBinding::Kind::kDate, column, &value);
}

// ---- The record set -------------------------------------------------------------------

CDaoRecordset::CDaoRecordset(CDaoDatabase* database) : m_pDatabase(database) {}

CDaoRecordset::~CDaoRecordset() { Close(); }

void CDaoRecordset::Open(int openType, const Text& sql, int options) {
  if (m_pDatabase == nullptr || !m_pDatabase->IsOpen())
    throw LayerError("データベースが開かれていません。");
  Close();
  if (openType == AFX_DAO_USE_DEFAULT_TYPE) openType = m_nDefaultType;
  if (openType != dbOpenDynaset && openType != dbOpenSnapshot)
    throw LayerError("この種類のレコードセットは開けません。");

  auto impl = std::make_unique<Impl>();
  impl->db = m_pDatabase;
  impl->dynaset = openType == dbOpenDynaset;
  impl->readOnly = !impl->dynaset || (options & dbReadOnly) != 0;
  CDaoFieldExchange fx;
  DoFieldExchange(&fx);
  impl->bindings = fx.bindings_;
  if (m_nFields != 0 && static_cast<std::size_t>(m_nFields) != impl->bindings.size())
    throw LayerError("バインドされたフィールドの数が一致しません。");
  if (impl->bindings.size() > 31) throw LayerError("バインドできるフィールドは 31 個までです。");

  const Text source = sql.empty() ? GetDefaultSQL() : sql;
  Text columns;
  for (const DaoBinding& b : impl->bindings) columns += (columns.empty() ? "" : ",") + b.column;
  if (columns.empty()) columns = "*";
  const Text where = m_strFilter.empty() ? Text() : " WHERE " + m_strFilter;
  const Text order = m_strSort.empty() ? Text() : " ORDER BY " + m_strSort;
  Text built;
  if (IsSelect(source)) {
    if (impl->dynaset) throw LayerError("更新できるレコードセットはテーブルに対してのみ開けます。");
    built = where.empty() && order.empty() ? source
                                           : "SELECT * FROM (" + source + ")" + where + order;
  } else {
    built = "SELECT " + columns + " FROM " + Trimmed(source) + where + order;
  }

  // The members live in this object, so the set is filled in place; a
  // failure leaves it closed.
  impl_ = std::move(impl);
  try {
    if (impl_->dynaset) {
      const Text table = Trimmed(source);
      impl_->table = masterdb::ToEngineSql(table);
      impl_->keyset = impl_->Prepare(masterdb::ToEngineSql("SELECT rowid FROM " + table + where + order));
      impl_->fetch = impl_->Prepare(
          masterdb::ToEngineSql("SELECT " + columns + " FROM " + table + " WHERE rowid=?"));
      impl_->FillKeyset();
      impl_->Position(0);
    } else {
      impl_->query = impl_->Prepare(masterdb::ToEngineSql(built));
      impl_->StepQuery();
    }
  } catch (...) {
    impl_.reset();
    throw;
  }
  sql_ = built;
  open_ = true;
  m_pDatabase->Attach(this);
}

void CDaoRecordset::Close() {
  if (impl_ && m_pDatabase != nullptr) m_pDatabase->Detach(this);
  impl_.reset();
  open_ = false;
}

void CDaoRecordset::DetachFromDatabase() {
  impl_.reset();
  open_ = false;
}

void CDaoRecordset::RequireOpen() const {
  if (!open_ || !impl_) throw LayerError("レコードセットが開かれていません。");
}

void CDaoRecordset::RequireCurrentRow() const {
  RequireOpen();
  if (impl_->Eof()) impl_->Fail(LayerError("カレント レコードがありません。"));
}

void CDaoRecordset::EndPendingUpdate() {
  if (impl_->mode == Impl::Mode::kAdd) impl_->RestoreMembers(impl_->before);
  impl_->mode = Impl::Mode::kNone;
}

bool CDaoRecordset::IsEOF() const {
  RequireOpen();
  return impl_->Eof();
}

void CDaoRecordset::MoveNext() {
  RequireCurrentRow();
  EndPendingUpdate();
  if (impl_->dynaset)
    impl_->Position(impl_->current + 1);
  else
    impl_->StepQuery();
}

void CDaoRecordset::Requery() {
  RequireOpen();
  EndPendingUpdate();
  // A natural point to make what was written so far durable.
  m_pDatabase->SaveBatch();
  if (impl_->dynaset) {
    impl_->FillKeyset();
    impl_->Position(0);
  } else {
    impl_->query.Reset();
    impl_->StepQuery();
  }
}

void CDaoRecordset::AddNew() {
  RequireOpen();
  if (impl_->readOnly) impl_->Fail(LayerError("このレコードセットは更新できません。"));
  EndPendingUpdate();
  impl_->CopyMembers(impl_->before);
  impl_->SetNullMarkers();
  impl_->mode = Impl::Mode::kAdd;
}

void CDaoRecordset::Edit() {
  RequireOpen();
  if (impl_->readOnly) impl_->Fail(LayerError("このレコードセットは更新できません。"));
  RequireCurrentRow();
  EndPendingUpdate();
  impl_->CopyMembers(impl_->cache);
  impl_->mode = Impl::Mode::kEdit;
}

void CDaoRecordset::Update() {
  RequireOpen();
  Impl& s = *impl_;
  if (s.mode == Impl::Mode::kNone)
    s.Fail(LayerError("AddNew または Edit を実行せずに Update を実行しました。"));

  std::uint32_t mask = 0;
  std::vector<SqlValue> values;
  values.reserve(s.bindings.size() + 1);
  for (std::size_t i = 0; i < s.bindings.size(); ++i) {
    const DaoBinding& b = s.bindings[i];
    if (s.mode == Impl::Mode::kAdd) {
      if (s.HoldsNullMarker(b)) continue;
      values.push_back(s.ToColumn(b));
    } else {
      if (!s.Changed(i, s.cache[i])) continue;
      values.push_back(s.ToColumn(b));
    }
    mask |= 1u << i;
  }

  if (s.mode == Impl::Mode::kAdd) {
    Impl::Writer& writer = s.WriterFor(s.inserts, mask, true);
    s.db->WriteRow(writer.statement.get(), writer.sql, std::move(values));
    // New rows join the walk at the next requery; the set shows the row it
    // stood on before.
    s.RestoreMembers(s.before);
    s.mode = Impl::Mode::kNone;
    s.db->SaveIfDue();
    return;
  }
  if (mask != 0) {
    values.push_back(SqlValue::Integer(s.rowids[s.current]));
    Impl::Writer& writer = s.WriterFor(s.updates, mask, false);
    if (s.db->WriteRow(writer.statement.get(), writer.sql, std::move(values)) == 0)
      s.Fail(LayerError("このレコードは削除されています。"));
  }
  s.mode = Impl::Mode::kNone;
  s.db->SaveIfDue();
}

void CDaoRecordset::CancelUpdate() {
  RequireOpen();
  EndPendingUpdate();
}

COleVariant CDaoRecordset::GetFieldValue(int index) const {
  RequireCurrentRow();
  if (index < 0 || static_cast<std::size_t>(index) >= impl_->row.size())
    impl_->Fail(LayerError("指定された番号のフィールドはありません。"));
  return COleVariant(impl_->row[static_cast<std::size_t>(index)]);
}
