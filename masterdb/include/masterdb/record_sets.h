// The two tables of the master as record sets: CBankSet over TBANK, one row
// per financial institution, and CBranSet over TBRAN, one row per branch.
// Both are bound to every column of their table and open as dynasets.
#pragma once

#include <cstdint>

#include "base/ole_date.h"
#include "base/text.h"
#include "masterdb/dao.h"

class CBankSet : public CDaoRecordset {
 public:
  explicit CBankSet(CDaoDatabase* database = nullptr);

  Text GetDefaultDBName() override;
  Text GetDefaultSQL() override;
  void DoFieldExchange(CDaoFieldExchange* pFX) override;

  std::int32_t m_BANKCODE = 0;
  Text m_BANKKANA;
  Text m_BANKKNJI;
  std::uint8_t m_NEWOLDFLG = 0;
  base::OleDate m_FDENTYMD;  // 0, valid
};

class CBranSet : public CDaoRecordset {
 public:
  explicit CBranSet(CDaoDatabase* database = nullptr);

  Text GetDefaultDBName() override;
  Text GetDefaultSQL() override;
  void DoFieldExchange(CDaoFieldExchange* pFX) override;

  std::int32_t m_BANKCODE = 0;
  std::int32_t m_BRNCCODE = 0;
  Text m_BRNCKANA;
  Text m_BRNCKNJI;
  std::uint8_t m_NEWOLDFLG = 0;
  base::OleDate m_FDENTYMD;  // 0, valid
};
