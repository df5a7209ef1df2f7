// The backup written before anything in the master changes: every bank,
// then every branch, as transaction records in Home\ZMF0.BAK.
#include "app/updater_app.h"
#include "install/probes.h"
#include "masterdb/master_database.h"
#include "masterdb/record_sets.h"
#include "transaction/transaction_file.h"
#include "wizard/pages.h"
#include "wizard/resource_ids.h"

namespace {

// Writes the current record, keeping the window alive around each step.
// false when the write failed (the user has been told).
bool WriteAndAdvance(TransactionFile& file, CProgressCtrl& bar, CDaoRecordset& set) {
  DrainMessageQueue();
  if (!file.WriteRecord()) return false;
  DrainMessageQueue();
  bar.StepIt();
  DrainMessageQueue();
  set.MoveNext();
  DrainMessageQueue();
  return true;
}

}  // namespace

int CWizPage2::BackupMaster() {
  return GuardDatabaseErrors([this] { return BackupMasterSteps(); });
}

int CWizPage2::BackupMasterSteps() {
  UpdaterApp* app = App();
  SetItemText(wizard::kIdStatusLine, Ansi("更新の準備を行っています."));

  const std::int32_t rows = app->CountRows("TBANK") + app->CountRows("TBRAN");
  progressBar.SetRange(0, rows);
  progressBar.SetStep(1);
  progressBar.SetPos(0);

  TransactionFile file;
  if (!file.Open(app->backupPath, 0)) return 0;

  CBankSet& banks = *app->bankSet;
  if (app->RequerySet(&banks) != 1) return 0;
  while (!banks.IsEOF()) {
    DrainMessageQueue();
    file.record.type = 1;
    file.record.bankCode = banks.m_BANKCODE;
    file.record.branchCode = 0;
    file.record.kanaName = banks.m_BANKKANA;
    file.record.kanjiName = banks.m_BANKKNJI;
    file.record.date = banks.m_FDENTYMD;
    if (!WriteAndAdvance(file, progressBar, banks)) return 0;
  }

  CBranSet& branches = *app->branchSet;
  if (app->RequerySet(&branches) != 1) return 0;
  while (!branches.IsEOF()) {
    DrainMessageQueue();
    file.record.type = 2;
    file.record.bankCode = branches.m_BANKCODE;
    file.record.branchCode = branches.m_BRNCCODE;
    file.record.kanaName = branches.m_BRNCKANA;
    file.record.kanjiName = branches.m_BRNCKNJI;
    file.record.date = branches.m_FDENTYMD;
    if (!WriteAndAdvance(file, progressBar, branches)) return 0;
  }
  return 1;
}
