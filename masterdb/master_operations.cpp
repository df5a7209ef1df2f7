#include "masterdb/master_operations.h"

#include <new>

namespace masterdb {
namespace {

void Report(const CDaoException& e, base::ErrorReporter& report) {
  report.ReportError(e.Description().empty() ? Ansi("ｴﾗｰ ﾒｯｾｰｼﾞはありません。") : e.Description());
}

void ReportMemory(base::ErrorReporter& report) { report.ReportError(Ansi("ﾒﾓﾘが不足しています。")); }

CDaoRecordset& Required(CDaoRecordset* set) {
  if (set == nullptr) throw CDaoException(Ansi("レコードセットが開かれていません。"));
  return *set;
}

CDaoDatabase& Required(CDaoDatabase* database) {
  if (database == nullptr) throw CDaoException(Ansi("データベースが開かれていません。"));
  return *database;
}

// Runs `step` and turns its errors into a report and 0.
template <typename Step>
int Guarded(base::ErrorReporter& report, Step step) {
  try {
    step();
    return 1;
  } catch (const CDaoException& e) {
    Report(e, report);
  } catch (const CMemoryException&) {
    ReportMemory(report);
  } catch (const std::bad_alloc&) {
    ReportMemory(report);
  }
  return 0;
}

// Opens a short-lived read-only query and hands column 0 of its first row,
// if there is one, to `take`.  Reports errors; always closes and frees the
// set.
template <typename Take>
void ReadFirstValue(CDaoDatabase* database, const Text& sql, base::ErrorReporter& report, Take take) {
  std::unique_ptr<CDaoRecordset> set;
  Guarded(report, [&] {
    set = std::make_unique<CDaoRecordset>(database);
    set->Open(dbOpenSnapshot, sql, dbForwardOnly | dbReadOnly);
    if (!set->IsEOF()) take(set->GetFieldValue(0));
  });
  if (set) {
    Guarded(report, [&] {
      if (set->IsOpen()) set->Close();
    });
  }
}

}  // namespace

int OpenMaster(std::unique_ptr<CDaoDatabase>& database, const Text& path,
               std::unique_ptr<CBankSet>& bankSet, std::unique_ptr<CBranSet>& branchSet,
               base::ErrorReporter& report) {
  return Guarded(report, [&] {
    if (!database) database = std::make_unique<CDaoDatabase>();
    if (!database->IsOpen()) database->Open(path, true, false, Text());

    bankSet = std::make_unique<CBankSet>(database.get());
    branchSet = std::make_unique<CBranSet>(database.get());
    bankSet->m_strFilter.clear();
    branchSet->m_strFilter.clear();
    bankSet->m_strSort = "BANKCODE";
    branchSet->m_strSort = "BANKCODE, BRNCCODE";
    bankSet->Open();
    branchSet->Open();
  });
}

void CloseMaster(CDaoDatabase* database, std::unique_ptr<CBankSet>& bankSet,
                 std::unique_ptr<CBranSet>& branchSet, base::ErrorReporter& report) {
  if (branchSet) {
    Guarded(report, [&] {
      if (branchSet->IsOpen()) branchSet->Close();
    });
    branchSet.reset();
  }
  if (bankSet) {
    Guarded(report, [&] {
      if (bankSet->IsOpen()) bankSet->Close();
    });
    bankSet.reset();
  }
  if (database != nullptr && database->IsOpen()) {
    Guarded(report, [&] { database->Close(); });
  }
}

std::int32_t CountRows(CDaoDatabase* database, const Text& table, base::ErrorReporter& report) {
  std::int32_t count = 0;
  ReadFirstValue(database, "SELECT COUNT(*) from [" + table + "]", report,
                 [&](const COleVariant& v) { count = v.AsLong(); });
  return count;
}

base::OleDate ReadFirstEditionDate(CDaoDatabase* database, const Text& rangeClause,
                                   base::ErrorReporter& report) {
  base::OleDate edition = base::OleDate::Invalid();
  const Text sql = rangeClause.empty() ? Text("SELECT FDENTYMD from [TBANK]")
                                       : "SELECT FDENTYMD from [TBANK] WHERE " + rangeClause;
  ReadFirstValue(database, sql, report, [&](const COleVariant& v) {
    // A NULL date is no edition: it keeps a status other than valid.  Nor
    // is a number that is no date, which the backup's walk then reports.
    if (v.IsNull())
      edition = base::OleDate::Null();
    else if (base::OleDate::IsDateNumber(v.AsDouble()))
      edition = base::OleDate{v.AsDouble(), base::OleDate::kValid};
  });
  return edition;
}

int DeleteRows(CDaoDatabase* database, const Text& table, const Text& whereClause,
               base::ErrorReporter& report) {
  const Text sql = whereClause.size() < 1 ? "DELETE * FROM [" + table + "]"
                                          : "DELETE * FROM [" + table + "] WHERE " + whereClause;
  return Guarded(report, [&] { Required(database).Execute(sql, dbFailOnError); });
}

int RequerySet(CDaoRecordset* set, base::ErrorReporter& report) {
  // Lack of memory is left to the caller here.
  try {
    Required(set).Requery();
    return 1;
  } catch (const CDaoException& e) {
    Report(e, report);
  }
  return 0;
}

int AddNewRow(CDaoRecordset* set, base::ErrorReporter& report) {
  return Guarded(report, [&] { Required(set).AddNew(); });
}

int EditRow(CDaoRecordset* set, base::ErrorReporter& report) {
  return Guarded(report, [&] { Required(set).Edit(); });
}

int UpdateRow(CDaoRecordset* set, base::ErrorReporter& report) {
  return Guarded(report, [&] { Required(set).Update(); });
}

int BeginTransaction(CDaoDatabase* database, base::ErrorReporter& report) {
  return Guarded(report, [&] { Required(database).m_pWorkspace->BeginTrans(); });
}

int CommitTransaction(CDaoDatabase* database, base::ErrorReporter& report) {
  return Guarded(report, [&] { Required(database).m_pWorkspace->CommitTrans(); });
}

void RollbackTransaction(CDaoDatabase* database) {
  // The engine's journal puts the master back even when this fails; there
  // is nothing more to tell the user than the failure that led here.
  try {
    if (database != nullptr && database->IsOpen()) database->m_pWorkspace->Rollback();
  } catch (const CException&) {
  }
}

int GuardDatabaseErrors(const std::function<int()>& work, base::ErrorReporter& report) {
  int result = 0;
  Guarded(report, [&] { result = work(); });
  return result;
}

}  // namespace masterdb
