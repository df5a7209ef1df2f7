// Record sets over SQLite.  A dynaset walks its table in sort order with one
// statement, stepped forward from its open or requery: no keyset is held,
// so the memory stays flat whatever the size of the table.  It keeps what a
// keyset promises all the same: the rows are those the table had at the
// requery (a row added since, by this set or anyone, is passed over), each
// is read when the set gets to it, and when anyone but the set itself has
// written the table since, each row is read afresh by its identity (rowid),
// one that is gone passed over.  Nothing depends on the keys that the table
// defines.  Statements are prepared once per set; the update and insert
// statements once per combination of columns written.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unordered_set>
#include <limits>
#include <map>

#include "base/code_page.h"
#include "masterdb/dao.h"
#include "engine.h"

using masterdb::ColumnView;
using masterdb::EngineFailure;
using masterdb::LayerError;
using masterdb::Statement;

namespace {

// How each kind of bound member exchanges with its column: the marker it
// holds without a row, the value it stores, the value it takes from a
// column (in place, reusing the member's storage), and whether two values
// store the same.
template <typename T>
struct Field;

std::string Unbracketed(const std::string& column) {
  if (column.size() >= 2 && column.front() == '[' && column.back() == ']')
    return column.substr(1, column.size() - 2);
  return column;
}

// A stored value that the member cannot hold is an error of the file's,
// told as such, never a wrapped or undefined number.
[[noreturn]] void ValueOutOfRange(const std::string& column, const ColumnView& v, const char* what) {
  char number[40] = {};
  if (v.type == SqlValue::Type::kReal) std::snprintf(number, sizeof number, "%.15g", v.real);
  const std::string shown = v.type == SqlValue::Type::kReal      ? std::string(number)
                            : v.type == SqlValue::Type::kInteger ? std::to_string(v.integer)
                                                                 : base::Utf8ToCp932(v.bytes);
  throw CDaoException(Ansi("フィールド '") + Unbracketed(column) + Ansi("' の値 ") + shown + Ansi(what));
}

// Numeric members: a marker value stands for NULL.
template <typename T, T kNullMarker>
struct NumberField {
  static T NullMarker() { return kNullMarker; }
  static bool IsNullMarker(T v) { return v == kNullMarker; }
  static void Store(T v, const std::string&, SqlValue& out) {
    if (v == kNullMarker) {
      out.type = SqlValue::Type::kNull;
    } else {
      out.type = SqlValue::Type::kInteger;
      out.integer = v;
    }
  }
  static void Load(const ColumnView& v, const std::string& column, T& member) {
    if (v.type == SqlValue::Type::kNull) {
      member = kNullMarker;
      return;
    }
    constexpr auto kLow = std::numeric_limits<T>::min(), kHigh = std::numeric_limits<T>::max();
    std::int64_t number = 0;
    if (v.type == SqlValue::Type::kReal) {
      // Beyond the member's range a double does not even convert.
      if (!(v.real > static_cast<double>(kLow) - 1 && v.real < static_cast<double>(kHigh) + 1))
        ValueOutOfRange(column, v, " はこのフィールドに収まりません。");
      number = static_cast<std::int64_t>(v.real);
    } else {
      number = v.type == SqlValue::Type::kInteger ? v.integer : std::strtoll(std::string(v.bytes).c_str(), nullptr, 10);
    }
    if (number < kLow || number > kHigh) ValueOutOfRange(column, v, " はこのフィールドに収まりません。");
    member = static_cast<T>(number);
  }
  static bool Same(T a, T b) { return a == b; }
};

template <>
struct Field<std::int32_t> : NumberField<std::int32_t, kDaoNullLong> {};
template <>
struct Field<std::uint8_t> : NumberField<std::uint8_t, kDaoNullByte> {};

template <>
struct Field<Text> {
  static Text NullMarker() { return Text(); }
  static bool IsNullMarker(const Text& v) { return v.empty(); }
  // An empty text stores NULL.  A byte that is no character fails the row.
  static void Store(const Text& v, const std::string& column, SqlValue& out) {
    out.type = SqlValue::Type::kNull;
    if (v.empty()) return;
    bool ok = false;
    masterdb::FieldTextToUtf8(v, out.bytes, &ok);
    if (!ok)
      throw CDaoException(Ansi("フィールド '") + Unbracketed(column) +
                          Ansi("' の文字列に、文字として読めないバイトがあります。"));
    if (!out.bytes.empty()) out.type = SqlValue::Type::kText;
  }
  // What code page 932 cannot show is left out of the member; the stored
  // text stays as it is unless the member is changed.
  static void Load(const ColumnView& v, const std::string&, Text& member) {
    if (v.type == SqlValue::Type::kNull)
      member.clear();
    else
      base::Utf8ToCp932(v.bytes, member);
  }
  static bool Same(const Text& a, const Text& b) { return a == b; }
};

template <>
struct Field<base::OleDate> {
  static base::OleDate NullMarker() { return base::OleDate::Null(); }
  static bool IsNullMarker(const base::OleDate& v) { return v.status == base::OleDate::kNull; }
  // A date whose status is not valid stores NULL, whatever value it carries.
  static void Store(const base::OleDate& v, const std::string&, SqlValue& out) {
    if (v.status == base::OleDate::kValid) {
      out.type = SqlValue::Type::kReal;
      out.real = v.value;
    } else {
      out.type = SqlValue::Type::kNull;
    }
  }
  // A number is a date, NULL no date, anything else a date that is not valid.
  static void Load(const ColumnView& v, const std::string& column, base::OleDate& member) {
    switch (v.type) {
      case SqlValue::Type::kNull:
        member = base::OleDate::Null();
        return;
      case SqlValue::Type::kInteger:
      case SqlValue::Type::kReal: {
        const double value = v.type == SqlValue::Type::kReal ? v.real : static_cast<double>(v.integer);
        if (!base::OleDate::IsDateNumber(value)) ValueOutOfRange(column, v, " は日付として読めません。");
        member = {value, base::OleDate::kValid};
        return;
      }
      default:
        member = base::OleDate::Invalid();
        return;
    }
  }
  static bool Same(const base::OleDate& a, const base::OleDate& b) {
    const bool valid = a.status == base::OleDate::kValid;
    if (valid != (b.status == base::OleDate::kValid)) return false;
    return !valid || std::memcmp(&a.value, &b.value, sizeof a.value) == 0;
  }
};

// A copy of a bound member's value: the field cache of an edit, and the
// members as they stood before an AddNew.
using MemberValue = std::variant<std::int32_t, Text, std::uint8_t, base::OleDate>;

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

class CDaoRecordset::Impl final : public masterdb::Cursor {
 public:
  enum class Mode { kNone, kAdd, kEdit };
  struct Writer {
    Statement statement;
  };

  explicit Impl(masterdb::Connection& c) : connection(&c) {}
  ~Impl() {
    if (connection != nullptr) connection->Detach(this);
  }

  // The database closed: the statements go with it, and the set is closed.
  void Release() override {
    walk = Statement();
    fetch = Statement();
    lastRowid = Statement();
    query = Statement();
    updates.clear();
    inserts.clear();
    connection = nullptr;
  }

  masterdb::Connection* connection;
  std::vector<DaoBinding> bindings;
  bool dynaset = false;
  bool readOnly = true;
  std::string table;  // dynaset: the table as named, UTF-8

  // Dynaset: the walk in sort order (rowid first, then the bound columns),
  // the row by its identity, and the table's last identity.
  Statement walk;
  Statement fetch;
  Statement lastRowid;
  std::int64_t current = 0;  // the identity of the row the set stands on
  // What the requery saw, to tell the rows of the set from those added
  // since and the walk of the set alone from one that others disturbed.
  std::int64_t lastRowidAtRequery = 0;
  std::unordered_set<std::int64_t> added;
  std::uint64_t* writes = nullptr;  // the connection's count of the table's writes
  std::uint64_t writesAtRequery = 0, ownWrites = 0, statementsAtRequery = 0;
  bool rowFromWalk = false;  // the current row is the walk's own (not read afresh)
  // Snapshot: the query, stepped forward.
  Statement query;
  bool atEnd = true;

  std::vector<SqlValue> row;     // the current row's columns, when copied
  std::vector<SqlValue> values;  // what an update binds, reused
  Mode mode = Mode::kNone;
  std::vector<MemberValue> cache;   // the members at Edit: the field cache
  std::vector<MemberValue> before;  // the members before AddNew
  std::map<std::uint32_t, Writer> updates;
  std::map<std::uint32_t, Writer> inserts;

  [[noreturn]] void Fail(const CDaoException& error) const { throw error; }
  [[noreturn]] void FailEngine(int rc) const { EngineFailure(connection->Handle(), rc).Throw(); }

  bool Eof() const { return atEnd; }

  // ---- The bound members, whatever their types

  void ToColumn(const DaoBinding& b, SqlValue& out) const {
    std::visit([&](auto* member) { FieldOf(member).Store(*member, b.column, out); }, b.member);
  }

  bool HoldsNullMarker(const DaoBinding& b) const {
    return std::visit([](auto* member) { return FieldOf(member).IsNullMarker(*member); }, b.member);
  }

  void SetNullMarkers() {
    for (const DaoBinding& b : bindings)
      std::visit([](auto* member) { *member = FieldOf(member).NullMarker(); }, b.member);
  }

  // A NULL column gives the member's null marker; a value the member cannot
  // hold is an error.
  void LoadMember(std::size_t i, const ColumnView& v) {
    std::visit([&](auto* member) { FieldOf(member).Load(v, bindings[i].column, *member); }, bindings[i].member);
  }
  void LoadMembers() {
    for (std::size_t i = 0; i < bindings.size() && i < row.size(); ++i) LoadMember(i, ColumnView::Of(row[i]));
  }
  // Straight from the walk, whose columns follow its rowid.
  void LoadMembersFromWalk() {
    const int n = sqlite3_column_count(walk.get()) - 1;
    for (std::size_t i = 0; i < bindings.size() && static_cast<int>(i) < n; ++i)
      LoadMember(i, ColumnView::Of(walk.get(), static_cast<int>(i) + 1));
  }

  // Copies into `copy`, reusing what it holds.
  void CopyMembers(std::vector<MemberValue>& copy) const {
    copy.resize(bindings.size());
    for (std::size_t i = 0; i < bindings.size(); ++i)
      std::visit(
          [&](auto* member) {
            using T = std::remove_pointer_t<decltype(member)>;
            if (auto* same = std::get_if<T>(&copy[i]))
              *same = *member;
            else
              copy[i] = *member;
          },
          bindings[i].member);
  }

  // Whether member `i` differs from its copy in what it would store.
  bool Changed(std::size_t i, const MemberValue& copy) const {
    return std::visit(
        [&](auto* member) {
          using T = std::remove_pointer_t<decltype(member)>;
          return !Field<T>::Same(*member, std::get<T>(copy));
        },
        bindings[i].member);
  }

  void RestoreMembers(const std::vector<MemberValue>& copy) {
    for (std::size_t i = 0; i < bindings.size() && i < copy.size(); ++i)
      std::visit(
          [&](auto* member) {
            using T = std::remove_pointer_t<decltype(member)>;
            *member = std::get<T>(copy[i]);
          },
          bindings[i].member);
  }

  // ---- Walking

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

  // The dynaset from its first row afresh.
  void StartWalk() {
    lastRowid.Reset();
    const int rc = sqlite3_step(lastRowid.get());
    if (rc != SQLITE_ROW) FailEngine(rc);
    lastRowidAtRequery = sqlite3_column_type(lastRowid.get(), 0) == SQLITE_NULL
                             ? std::numeric_limits<std::int64_t>::min()
                             : sqlite3_column_int64(lastRowid.get(), 0);
    lastRowid.Reset();
    added.clear();
    writesAtRequery = *writes;
    ownWrites = 0;
    statementsAtRequery = connection->Statements();
    walk.Reset();
    atEnd = false;
    Advance();
  }

  bool OthersWroteTheTable() const {
    return connection->Statements() != statementsAtRequery || *writes != writesAtRequery + ownWrites;
  }

  // Stands on the next row of the set, or past its end.
  void Advance() {
    while (true) {
      const int rc = sqlite3_step(walk.get());
      if (rc == SQLITE_DONE) break;
      if (rc != SQLITE_ROW) {
        atEnd = true;
        FailEngine(rc);
      }
      const std::int64_t rowid = sqlite3_column_int64(walk.get(), 0);
      // Added since the requery: not a row of the set.
      if (rowid > lastRowidAtRequery || added.count(rowid) != 0) continue;
      if (!OthersWroteTheTable()) {
        rowFromWalk = true;
        LoadMembersFromWalk();
      } else if (Fetch(rowid)) {
        rowFromWalk = false;
        LoadMembers();
      } else {
        continue;  // deleted since the requery: passed over
      }
      current = rowid;
      return;
    }
    atEnd = true;
    row.clear();
    SetNullMarkers();
  }

  // The row of `rowid` as it is now; false when it is gone.
  bool Fetch(std::int64_t rowid) {
    fetch.Reset();
    if (sqlite3_bind_int64(fetch.get(), 1, rowid) != SQLITE_OK) FailEngine(SQLITE_ERROR);
    const int rc = sqlite3_step(fetch.get());
    if (rc == SQLITE_ROW) fetch.ReadRow(row);
    fetch.Reset();
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
      atEnd = true;
      FailEngine(rc);
    }
    return rc == SQLITE_ROW;
  }

  // A row this set wrote: its own writes do not make it read rows afresh.
  void NoteOwnWrite() {
    ++ownWrites;
    ++*writes;
  }

  // Column `index` of the current row.
  SqlValue ColumnValue(std::size_t index) const {
    if (!rowFromWalk) return row[index];
    SqlValue value;
    ColumnView::Of(walk.get(), static_cast<int>(index) + 1).AssignTo(value);
    return value;
  }
  std::size_t ColumnCount() const {
    return rowFromWalk ? static_cast<std::size_t>(sqlite3_column_count(walk.get()) - 1) : row.size();
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
    Writer writer{connection->Prepare(sql)};
    return writers.emplace(mask, std::move(writer)).first->second;
  }

  void EndPendingUpdate() {
    if (mode == Mode::kAdd) RestoreMembers(before);
    mode = Mode::kNone;
  }

 private:
  template <typename T>
  static Field<T> FieldOf(T*) {
    return {};
  }
};

// ---- Field exchange ------------------------------------------------------------------

void CDaoFieldExchange::Bind(const char* column, DaoMember member) {
  if (fieldType_ == outputColumn) bindings_.push_back({column, member});
}

void DFX_Long(CDaoFieldExchange* pFX, const char* column, std::int32_t& value) { pFX->Bind(column, &value); }
void DFX_Text(CDaoFieldExchange* pFX, const char* column, Text& value, int preallocate) {
  value.reserve(static_cast<std::size_t>(preallocate > 0 ? preallocate : 0));
  pFX->Bind(column, &value);
}
void DFX_Byte(CDaoFieldExchange* pFX, const char* column, std::uint8_t& value) { pFX->Bind(column, &value); }
void DFX_DateTime(CDaoFieldExchange* pFX, const char* column, base::OleDate& value) {
  pFX->Bind(column, &value);
}

// ---- The record set -------------------------------------------------------------------

CDaoRecordset::CDaoRecordset(CDaoDatabase* database) : m_pDatabase(database) {}

CDaoRecordset::~CDaoRecordset() = default;

bool CDaoRecordset::IsOpen() const { return impl_ != nullptr && impl_->connection != nullptr; }

void CDaoRecordset::Open(int openType, const Text& sql, int options) {
  if (m_pDatabase == nullptr || !m_pDatabase->IsOpen())
    throw LayerError("データベースが開かれていません。");
  Close();
  if (openType == AFX_DAO_USE_DEFAULT_TYPE) openType = m_nDefaultType;
  if (openType != dbOpenDynaset && openType != dbOpenSnapshot)
    throw LayerError("この種類のレコードセットは開けません。");

  auto impl = std::make_unique<Impl>(*m_pDatabase->Connection());
  impl->dynaset = openType == dbOpenDynaset;
  impl->readOnly = !impl->dynaset || (options & dbReadOnly) != 0;
  CDaoFieldExchange fx;
  DoFieldExchange(&fx);
  impl->bindings = fx.Bindings();
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
  Impl& s = *impl;
  if (s.dynaset) {
    const Text table = Trimmed(source);
    s.table = masterdb::ToEngineSql(table);
    s.writes = s.connection->WriteCounter(s.table);
    s.walk = s.connection->Prepare(
        masterdb::ToEngineSql("SELECT rowid," + columns + " FROM " + table + where + order));
    s.fetch = s.connection->Prepare(
        masterdb::ToEngineSql("SELECT " + columns + " FROM " + table + " WHERE rowid=?"));
    s.lastRowid = s.connection->Prepare(masterdb::ToEngineSql("SELECT max(rowid) FROM " + table));
    s.StartWalk();
  } else {
    s.query = s.connection->Prepare(masterdb::ToEngineSql(built));
    s.StepQuery();
  }
  sql_ = built;
  s.connection->Attach(&s);
  impl_ = std::move(impl);
}

void CDaoRecordset::Close() { impl_.reset(); }

CDaoRecordset::Impl& CDaoRecordset::RequireOpen() const {
  if (!IsOpen()) throw LayerError("レコードセットが開かれていません。");
  return *impl_;
}

CDaoRecordset::Impl& CDaoRecordset::RequireCurrentRow() const {
  Impl& s = RequireOpen();
  if (s.Eof()) s.Fail(LayerError("カレント レコードがありません。"));
  return s;
}

bool CDaoRecordset::IsEOF() const { return RequireOpen().Eof(); }

void CDaoRecordset::MoveNext() {
  Impl& s = RequireCurrentRow();
  s.EndPendingUpdate();
  if (s.dynaset)
    s.Advance();
  else
    s.StepQuery();
}

void CDaoRecordset::Requery() {
  Impl& s = RequireOpen();
  s.EndPendingUpdate();
  if (s.dynaset) {
    s.StartWalk();
  } else {
    s.query.Reset();
    s.StepQuery();
  }
}

void CDaoRecordset::AddNew() {
  Impl& s = RequireOpen();
  if (s.readOnly) s.Fail(LayerError("このレコードセットは更新できません。"));
  s.EndPendingUpdate();
  s.CopyMembers(s.before);
  s.SetNullMarkers();
  s.mode = Impl::Mode::kAdd;
}

void CDaoRecordset::Edit() {
  Impl& s = RequireOpen();
  if (s.readOnly) s.Fail(LayerError("このレコードセットは更新できません。"));
  RequireCurrentRow();
  s.EndPendingUpdate();
  s.CopyMembers(s.cache);
  s.mode = Impl::Mode::kEdit;
}

void CDaoRecordset::Update() {
  Impl& s = RequireOpen();
  if (s.mode == Impl::Mode::kNone)
    s.Fail(LayerError("AddNew または Edit を実行せずに Update を実行しました。"));

  std::uint32_t mask = 0;
  std::vector<SqlValue>& values = s.values;
  values.resize(s.bindings.size() + 1);
  std::size_t count = 0;
  for (std::size_t i = 0; i < s.bindings.size(); ++i) {
    const DaoBinding& b = s.bindings[i];
    if (s.mode == Impl::Mode::kAdd ? s.HoldsNullMarker(b) : !s.Changed(i, s.cache[i])) continue;
    s.ToColumn(b, values[count++]);
    mask |= 1u << i;
  }

  if (s.mode == Impl::Mode::kAdd) {
    Impl::Writer& writer = s.WriterFor(s.inserts, mask, true);
    s.connection->WriteRow(writer.statement.get(), values.data(), count);
    // Only an identity within those of the requery needs remembering; the
    // walk passes over any beyond them as it is.
    const std::int64_t rowid = sqlite3_last_insert_rowid(s.connection->Handle());
    if (rowid <= s.lastRowidAtRequery) s.added.insert(rowid);
    s.NoteOwnWrite();
    // New rows join the walk at the next requery; the set shows the row it
    // stood on before.
    s.RestoreMembers(s.before);
    s.mode = Impl::Mode::kNone;
    return;
  }
  if (mask != 0) {
    values[count].type = SqlValue::Type::kInteger;
    values[count++].integer = s.current;
    Impl::Writer& writer = s.WriterFor(s.updates, mask, false);
    const int changed = s.connection->WriteRow(writer.statement.get(), values.data(), count);
    s.NoteOwnWrite();
    if (changed == 0) s.Fail(LayerError("このレコードは削除されています。"));
  }
  s.mode = Impl::Mode::kNone;
}

void CDaoRecordset::CancelUpdate() { RequireOpen().EndPendingUpdate(); }

COleVariant CDaoRecordset::GetFieldValue(int index) const {
  const Impl& s = RequireCurrentRow();
  if (index < 0 || static_cast<std::size_t>(index) >= s.ColumnCount())
    s.Fail(LayerError("指定された番号のフィールドはありません。"));
  return COleVariant(s.ColumnValue(static_cast<std::size_t>(index)));
}
