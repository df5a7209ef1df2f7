#include "update/merge.h"

#include <cstdio>

#include "masterdb/master_operations.h"
#include "platform/probes.h"
#include "transaction/transaction_file.h"
#include "update/row_mapping.h"

namespace update {
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

int MergeSteps(UpdateContext& context, Progress& progress) {
  progress.SetStatus(Ansi("更新処理を行っています."));

  TransactionFile package(progress);
  if (!package.Open(context.packagePath, 1)) return 0;
  std::uint32_t size = 0;
  if (!platform::QueryFileSize(context.packagePath, size)) return 0;
  progress.StartProgress(static_cast<int>(size / static_cast<std::uint32_t>(package.RecordLength())));

  CBankSet& banks = *context.bankSet;
  CBranSet& branches = *context.branchSet;
  if (masterdb::RequerySet(&banks, progress) != 1 || masterdb::RequerySet(&branches, progress) != 1) return 0;

  Text setKey, recordKey;
  const TransactionRecord& record = package.record;
  while (true) {
    // A package cut short by a read error was not applied whole.
    if (package.AtEnd()) return package.ReadFailed() ? 0 : 1;
    progress.DrainMessages();

    bool consumed = true;
    if (record.type == 1) {
      // Past its last row the set holds the integer null marker, larger
      // than any four-digit code: every further bank is added.
      if (banks.m_BANKCODE == record.bankCode) {
        if (masterdb::EditRow(&banks, progress) != 1) return 0;
        EditColumnsFromRecord(banks, record);
        if (masterdb::UpdateRow(&banks, progress) != 1) return 0;
      } else if (banks.m_BANKCODE < record.bankCode) {
        // Move the set on to the record's code; the record is then
        // compared again with the row reached.
        do {
          progress.DrainMessages();
          if (banks.IsEOF()) break;
          banks.MoveNext();
        } while (banks.m_BANKCODE < record.bankCode);
        consumed = false;
      } else {
        if (masterdb::AddNewRow(&banks, progress) != 1) return 0;
        AddColumnsFromRecord(banks, record);
        if (masterdb::UpdateRow(&banks, progress) != 1) return 0;
      }
    } else if (record.type == 2) {
      FormatSetKey(setKey, branches);
      FormatBranchKey(recordKey, record.bankCode, record.branchCode);
      if (setKey == recordKey) {
        if (masterdb::EditRow(&branches, progress) != 1) return 0;
        EditColumnsFromRecord(branches, record);
        if (masterdb::UpdateRow(&branches, progress) != 1) return 0;
      } else if (setKey < recordKey) {
        while (setKey < recordKey) {
          progress.DrainMessages();
          if (branches.IsEOF()) break;
          branches.MoveNext();
          FormatSetKey(setKey, branches);
        }
        consumed = false;
      } else {
        if (masterdb::AddNewRow(&branches, progress) != 1) return 0;
        AddColumnsFromRecord(branches, record);
        if (masterdb::UpdateRow(&branches, progress) != 1) return 0;
      }
    }
    // Records of any other type change nothing and are passed over.

    if (consumed) {
      package.ReadNext();
      progress.StepProgress();
      progress.DrainMessages();
    }
  }
}

}  // namespace

int MergePackage(UpdateContext& context, Progress& progress) {
  return masterdb::GuardDatabaseErrors([&] { return MergeSteps(context, progress); }, progress);
}

}  // namespace update
