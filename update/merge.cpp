// Applying the package to the master: a sorted merge of the package's
// records with the two record sets, each walked forward only.  A record
// whose key the master holds edits that row; a missing key adds one.
#include <cstdio>

#include "app/updater_app.h"
#include "install/probes.h"
#include "masterdb/master_database.h"
#include "masterdb/record_sets.h"
#include "transaction/transaction_file.h"
#include "wizard/pages.h"
#include "wizard/resource_ids.h"

namespace {

// Branch keys compare as texts: the bank code in five digits, then the
// branch code in three.  Past the last row the set's key sorts after every
// key a record can carry.
const char kEndOfSetKey[] = "10000000";

void FormatBranchKey(Text& key, std::int32_t bankCode, std::int32_t branchCode) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%05ld%03ld", static_cast<long>(bankCode), static_cast<long>(branchCode));
  key = buffer;
}

void FormatSetKey(Text& key, CBranSet& set) {
  if (set.IsEOF())
    key = kEndOfSetKey;
  else
    FormatBranchKey(key, set.m_BANKCODE, set.m_BRNCCODE);
}

// The columns a record sets on an edited row; an added row gets its key too.
void AssignFromRecord(CBankSet& set, const TransactionRecord& record) {
  set.m_BANKKANA = record.kanaName;
  set.m_BANKKNJI = record.kanjiName;
  set.m_FDENTYMD = record.date;
}

void AssignFromRecord(CBranSet& set, const TransactionRecord& record) {
  set.m_BRNCKANA = record.kanaName;
  set.m_BRNCKNJI = record.kanjiName;
  set.m_FDENTYMD = record.date;
}

}  // namespace

int CWizPage2::MergePackage() {
  return GuardDatabaseErrors([this] { return MergePackageSteps(); });
}

int CWizPage2::MergePackageSteps() {
  UpdaterApp* app = App();
  SetItemText(wizard::kIdStatusLine, Ansi("更新処理を行っています."));

  TransactionFile package;
  if (!package.Open(app->packagePath, 1)) return 0;
  std::uint32_t size = 0;
  if (!QueryFileSize(app->packagePath, size)) return 0;
  progressBar.SetRange(0, static_cast<int>(size / static_cast<std::uint32_t>(package.RecordLength())));
  progressBar.SetStep(1);
  progressBar.SetPos(0);

  CBankSet& banks = *app->bankSet;
  CBranSet& branches = *app->branchSet;
  if (app->RequerySet(&banks) != 1 || app->RequerySet(&branches) != 1) return 0;

  Text setKey, recordKey;
  const TransactionRecord& record = package.record;
  while (true) {
    if (package.AtEnd()) {
      // A package cut short by a read error was not applied whole.
      if (package.ReadFailed()) return 0;
      return SaveMasterChanges(*app);
    }
    DrainMessageQueue();

    bool consumed = true;
    if (record.type == 1) {
      // Past its last row the set holds the integer null marker, larger
      // than any four-digit code: every further bank is added.
      if (banks.m_BANKCODE == record.bankCode) {
        if (app->EditRow(&banks) != 1) return 0;
        AssignFromRecord(banks, record);
        if (app->UpdateRow(&banks) != 1) return 0;
      } else if (banks.m_BANKCODE < record.bankCode) {
        // Move the set on to the record's code; the record is then
        // compared again with the row reached.
        do {
          DrainMessageQueue();
          if (banks.IsEOF()) break;
          banks.MoveNext();
        } while (banks.m_BANKCODE < record.bankCode);
        consumed = false;
      } else {
        if (app->AddNewRow(&banks) != 1) return 0;
        banks.m_BANKCODE = record.bankCode;
        AssignFromRecord(banks, record);
        if (app->UpdateRow(&banks) != 1) return 0;
      }
    } else if (record.type == 2) {
      FormatSetKey(setKey, branches);
      FormatBranchKey(recordKey, record.bankCode, record.branchCode);
      if (setKey == recordKey) {
        if (app->EditRow(&branches) != 1) return 0;
        AssignFromRecord(branches, record);
        if (app->UpdateRow(&branches) != 1) return 0;
      } else if (setKey < recordKey) {
        while (setKey < recordKey) {
          DrainMessageQueue();
          if (branches.IsEOF()) break;
          branches.MoveNext();
          FormatSetKey(setKey, branches);
        }
        consumed = false;
      } else {
        if (app->AddNewRow(&branches) != 1) return 0;
        branches.m_BANKCODE = record.bankCode;
        branches.m_BRNCCODE = record.branchCode;
        AssignFromRecord(branches, record);
        if (app->UpdateRow(&branches) != 1) return 0;
      }
    }
    // Records of any other type change nothing and are passed over.

    if (consumed) {
      package.ReadNext();
      progressBar.StepIt();
      DrainMessageQueue();
    }
  }
}
