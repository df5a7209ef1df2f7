#include "update/merge.h"

#include <cstdio>

#include "masterdb/master_operations.h"
#include "platform/probes.h"
#include "transaction/transaction_file.h"
#include "update/row_mapping.h"

namespace update {
namespace {

// Branch keys compare as texts: the bank code in five digits, then the
// branch code in three ("%05ld%03ld").  Past the last row the set's key is
// "10000000", which sorts after every key a record can carry.  Where both
// codes fit their widths the text has eight digits and compares as the
// number bank x 1000 + branch does, the end of the set as 10000000; only
// codes beyond (negative, or wider) are written out as the texts.
constexpr std::int64_t kEndOfSetKey = 10000000;

bool FitsTheKey(std::int32_t bankCode, std::int32_t branchCode) {
  return bankCode >= 0 && bankCode <= 99999 && branchCode >= 0 && branchCode <= 999;
}

std::string KeyText(std::int64_t bankCode, std::int64_t branchCode) {
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%05lld%03lld", static_cast<long long>(bankCode),
                static_cast<long long>(branchCode));
  return buffer;
}

// Below 0, 0 or above 0 as the set's key sorts before, with or after the
// record's.
int CompareBranchKeys(CBranSet& set, const TransactionRecord& record) {
  const bool end = set.IsEOF();
  if ((end || FitsTheKey(set.m_BANKCODE, set.m_BRNCCODE)) && FitsTheKey(record.bankCode, record.branchCode)) {
    const std::int64_t setKey = end ? kEndOfSetKey : set.m_BANKCODE * 1000LL + set.m_BRNCCODE;
    const std::int64_t recordKey = record.bankCode * 1000LL + record.branchCode;
    return setKey < recordKey ? -1 : setKey > recordKey ? 1 : 0;
  }
  const std::string setKey = end ? std::string("10000000") : KeyText(set.m_BANKCODE, set.m_BRNCCODE);
  return setKey.compare(KeyText(record.bankCode, record.branchCode));
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
      const int order = CompareBranchKeys(branches, record);
      if (order == 0) {
        if (masterdb::EditRow(&branches, progress) != 1) return 0;
        EditColumnsFromRecord(branches, record);
        if (masterdb::UpdateRow(&branches, progress) != 1) return 0;
      } else if (order < 0) {
        do {
          progress.DrainMessages();
          if (branches.IsEOF()) break;
          branches.MoveNext();
        } while (CompareBranchKeys(branches, record) < 0);
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
