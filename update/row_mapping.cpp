#include "update/row_mapping.h"

namespace update {

void RecordFromRow(const CBankSet& banks, TransactionRecord& record) {
  record.type = 1;
  record.bankCode = banks.m_BANKCODE;
  record.branchCode = 0;
  record.kanaName = banks.m_BANKKANA;
  record.kanjiName = banks.m_BANKKNJI;
  record.date = banks.m_FDENTYMD;
}

void RecordFromRow(const CBranSet& branches, TransactionRecord& record) {
  record.type = 2;
  record.bankCode = branches.m_BANKCODE;
  record.branchCode = branches.m_BRNCCODE;
  record.kanaName = branches.m_BRNCKANA;
  record.kanjiName = branches.m_BRNCKNJI;
  record.date = branches.m_FDENTYMD;
}

void EditColumnsFromRecord(CBankSet& banks, const TransactionRecord& record) {
  banks.m_BANKKANA = record.kanaName;
  banks.m_BANKKNJI = record.kanjiName;
  banks.m_FDENTYMD = record.date;
}

void EditColumnsFromRecord(CBranSet& branches, const TransactionRecord& record) {
  branches.m_BRNCKANA = record.kanaName;
  branches.m_BRNCKNJI = record.kanjiName;
  branches.m_FDENTYMD = record.date;
}

void AddColumnsFromRecord(CBankSet& banks, const TransactionRecord& record) {
  banks.m_BANKCODE = record.bankCode;
  EditColumnsFromRecord(banks, record);
}

void AddColumnsFromRecord(CBranSet& branches, const TransactionRecord& record) {
  branches.m_BANKCODE = record.bankCode;
  branches.m_BRNCCODE = record.branchCode;
  EditColumnsFromRecord(branches, record);
}

}  // namespace update
