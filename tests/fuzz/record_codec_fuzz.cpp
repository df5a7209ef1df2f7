// The record decoder on any bytes: never a fault, and what it reads writes
// back to the same codes and date.
#include <cstddef>
#include <cstdint>

#include "transaction/record_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < transaction::kRecordLength) return 0;
  TransactionRecord record;
  transaction::DecodeRecord(
      transaction::ConstRecordBytes(reinterpret_cast<const char*>(data), transaction::kRecordLength), record);
  char bytes[transaction::kRecordLength];
  transaction::EncodeRecord(record, bytes);
  TransactionRecord again;
  transaction::DecodeRecord(bytes, again);
  // Codes beyond their fields and other types are cut or blanked on the way
  // out; within them, and for the date, the record is what it was.
  const bool codesFit = record.bankCode >= 0 && record.bankCode <= 9999 && record.branchCode >= 0 &&
                        record.branchCode <= 999 && (record.type == 1 || record.type == 2);
  if (codesFit && (again.type != record.type || again.bankCode != record.bankCode ||
                   (record.type == 2 && again.branchCode != record.branchCode)))
    __builtin_trap();
  if (record.date.status == base::OleDate::kValid &&
      (again.date.status != base::OleDate::kValid || again.date.value != record.date.value))
    __builtin_trap();
  if (again.kanaName.size() > 15 || again.kanjiName.size() != 16) __builtin_trap();
  return 0;
}
