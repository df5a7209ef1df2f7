#include "masterdb/record_sets.h"

CBankSet::CBankSet(CDaoDatabase* database) : CDaoRecordset(database) {
  m_nFields = 5;
  m_nDefaultType = dbOpenDynaset;
}

Text CBankSet::GetDefaultDBName() { return "Bnkdb.lca"; }
Text CBankSet::GetDefaultSQL() { return "[TBANK]"; }

void CBankSet::DoFieldExchange(CDaoFieldExchange* pFX) {
  pFX->SetFieldType(CDaoFieldExchange::outputColumn);
  DFX_Long(pFX, "[BANKCODE]", m_BANKCODE);
  DFX_Text(pFX, "[BANKKANA]", m_BANKKANA, 255);
  DFX_Text(pFX, "[BANKKNJI]", m_BANKKNJI, 255);
  DFX_Byte(pFX, "[NEWOLDFLG]", m_NEWOLDFLG);
  DFX_DateTime(pFX, "[FDENTYMD]", m_FDENTYMD);
}

CBranSet::CBranSet(CDaoDatabase* database) : CDaoRecordset(database) {
  m_nFields = 6;
  m_nDefaultType = dbOpenDynaset;
}

Text CBranSet::GetDefaultDBName() { return "Bnkdb.lca"; }
Text CBranSet::GetDefaultSQL() { return "[TBRAN]"; }

void CBranSet::DoFieldExchange(CDaoFieldExchange* pFX) {
  pFX->SetFieldType(CDaoFieldExchange::outputColumn);
  DFX_Long(pFX, "[BANKCODE]", m_BANKCODE);
  DFX_Long(pFX, "[BRNCCODE]", m_BRNCCODE);
  DFX_Text(pFX, "[BRNCKANA]", m_BRNCKANA, 255);
  DFX_Text(pFX, "[BRNCKNJI]", m_BRNCKNJI, 255);
  DFX_Byte(pFX, "[NEWOLDFLG]", m_NEWOLDFLG);
  DFX_DateTime(pFX, "[FDENTYMD]", m_FDENTYMD);
}
