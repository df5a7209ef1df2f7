// The 202-byte record of transaction files (update packages and master
// backups): one bank or branch in code page 932, fixed-width fields, CR LF
// at the end.  Pure bytes to record and back: no file, no user.
//
//   offset  width  field
//        0      1  type: "1" bank, "2" branch, a space for anything else
//        1      4  bank code ("%04ld", cut to 4)
//        5      3  branch code ("%03ld", cut to 3); spaces unless a branch
//        8     15  kana name, padded with spaces
//       23     16  kanji name, padded with full-width spaces
//       39      8  date "YYYYMMDD"; "19000101" when it is null or invalid
//       47    153  spaces
//      200      2  CR LF
#pragma once

#include <cstdint>
#include <span>

#include "base/ole_date.h"
#include "base/text.h"

// One decoded record.
struct TransactionRecord {
  std::int32_t type = 0;  // 1 bank, 2 branch; a read can give any number
  std::int32_t bankCode = 0;
  std::int32_t branchCode = 0;  // 0 in a bank record read from a file
  Text kanaName;                // trailing white space removed when read
  Text kanjiName;               // always the field's 16 bytes when read
  base::OleDate date;           // the row's entry date
};

namespace transaction {

inline constexpr int kRecordLength = 202;
using RecordBytes = std::span<char, kRecordLength>;
using ConstRecordBytes = std::span<const char, kRecordLength>;

// Empties a record: codes 0, names empty, date invalid (its calendar value
// kept).
void ClearRecord(TransactionRecord& record);

// The record that `bytes` hold.  Numeric fields read as their leading
// digits; a date that does not exist leaves the status invalid and the value
// as `record` held it.
void DecodeRecord(ConstRecordBytes bytes, TransactionRecord& record);

// `record` as its 202 bytes.  Names are cut at a character boundary.
void EncodeRecord(const TransactionRecord& record, RecordBytes bytes);

}  // namespace transaction
