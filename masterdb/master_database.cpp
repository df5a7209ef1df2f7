// The operations of the application object over the master database.  Each
// catches the engine's errors and lack of memory itself, shows them once, and
// hands its caller only a result.
#include "masterdb/master_database.h"

#include <new>

#include "app/messages.h"
#include "app/updater_app.h"
#include "masterdb/dao.h"
#include "masterdb/record_sets.h"

namespace {

void Report(const CDaoException& e) {
  AfxMessageBox(e.Description().empty() ? Ansi("ｴﾗｰ ﾒｯｾｰｼﾞはありません。") : e.Description(), 0);
}

void ReportMemory() { AfxMessageBox(Ansi("ﾒﾓﾘが不足しています。"), 0); }

CDaoRecordset& Required(CDaoRecordset* set) {
  if (set == nullptr) throw CDaoException(Ansi("レコードセットが開かれていません。"));
  return *set;
}

// Runs `step` and turns its errors into a report and 0.
template <typename Step>
int Guarded(Step step) {
  try {
    step();
    return 1;
  } catch (const CDaoException& e) {
    Report(e);
  } catch (const CMemoryException&) {
    ReportMemory();
  } catch (const std::bad_alloc&) {
    ReportMemory();
  }
  return 0;
}

// Opens a short-lived read-only query and hands column 0 of its first row,
// if there is one, to `take`.  Reports errors; always closes and frees the
// set.
template <typename Take>
void ReadFirstValue(CDaoDatabase* database, const Text& sql, Take take) {
  std::unique_ptr<CDaoRecordset> set;
  Guarded([&] {
    set = std::make_unique<CDaoRecordset>(database);
    set->Open(dbOpenSnapshot, sql, dbForwardOnly | dbReadOnly);
    if (!set->IsEOF()) take(set->GetFieldValue(0));
  });
  if (set) {
    Guarded([&] {
      if (set->IsOpen()) set->Close();
    });
  }
}

}  // namespace

int UpdaterApp::OpenMasterDatabase() {
  return Guarded([&] {
    if (!database) database = std::make_unique<CDaoDatabase>();
    if (!database->IsOpen()) database->Open(databasePath, true, false, Text());

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

void UpdaterApp::CloseMasterDatabase() {
  if (branchSet) {
    Guarded([&] {
      if (branchSet->IsOpen()) branchSet->Close();
    });
    branchSet.reset();
  }
  if (bankSet) {
    Guarded([&] {
      if (bankSet->IsOpen()) bankSet->Close();
    });
    bankSet.reset();
  }
  if (database && database->IsOpen()) {
    Guarded([&] { database->Close(); });
  }
}

std::int32_t UpdaterApp::CountRows(const Text& table) {
  std::int32_t count = 0;
  ReadFirstValue(database.get(), "SELECT COUNT(*) from [" + table + "]",
                 [&](const COleVariant& v) { count = v.AsLong(); });
  return count;
}

app::OleDate UpdaterApp::ReadFirstEditionDate() {
  app::OleDate edition = app::OleDate::Invalid();
  const Text sql = rangeClause.empty() ? Text("SELECT FDENTYMD from [TBANK]")
                                       : "SELECT FDENTYMD from [TBANK] WHERE " + rangeClause;
  ReadFirstValue(database.get(), sql, [&](const COleVariant& v) {
    // A NULL date is no edition: it keeps a status other than valid.
    edition = v.IsNull() ? app::OleDate::Null() : app::OleDate{v.AsDouble(), app::OleDate::kValid};
  });
  return edition;
}

int UpdaterApp::DeleteRows(const Text& table, const Text& whereClause) {
  const Text sql = whereClause.size() < 1 ? "DELETE * FROM [" + table + "]"
                                          : "DELETE * FROM [" + table + "] WHERE " + whereClause;
  return Guarded([&] {
    if (!database) throw CDaoException(Ansi("データベースが開かれていません。"));
    database->Execute(sql, dbFailOnError);
  });
}

int UpdaterApp::RequerySet(CDaoRecordset* set) {
  // Lack of memory is left to the caller here.
  try {
    Required(set).Requery();
    return 1;
  } catch (const CDaoException& e) {
    Report(e);
  }
  return 0;
}

int UpdaterApp::AddNewRow(CDaoRecordset* set) {
  return Guarded([&] { Required(set).AddNew(); });
}

int UpdaterApp::EditRow(CDaoRecordset* set) {
  return Guarded([&] { Required(set).Edit(); });
}

int UpdaterApp::UpdateRow(CDaoRecordset* set) {
  return Guarded([&] { Required(set).Update(); });
}

int ConfirmEditionDate(UpdaterApp& app) {
  const app::OleDate master = app.ReadFirstEditionDate();
  // A master without an edition (no bank in the range, or no date on the
  // first one) cannot be current: nothing to ask.
  if (master.status != app::OleDate::kValid) return 1;
  if (master.Linear() < app.packageEdition.Linear()) return 1;
  return AfxMessageBox(app::kMsgMasterIsCurrent, app::kStyleQuestion) == fw::kIdYes ? 1 : 0;
}

int GuardDatabaseErrors(const std::function<int()>& work) {
  int result = 0;
  Guarded([&] { result = work(); });
  return result;
}

int SaveMasterChanges(UpdaterApp& app) {
  return Guarded([&] {
    if (app.database) app.database->CommitPending();
  });
}
