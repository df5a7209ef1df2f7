// Transaction files: the fixed-width bank and branch records that update
// packages and master backups are made of, 202 bytes a record, code page 932.
#pragma once

#include <array>
#include <cstdint>

#include "app/ole_date.h"
#include "app/text.h"
#include "platform/file.h"

// One decoded record.
struct TransactionRecord {
  std::int32_t type = 0;  // 1 bank, 2 branch; a read can give any number
  std::int32_t bankCode = 0;
  std::int32_t branchCode = 0;  // 0 in a bank record read from a file
  Text kanaName;                // trailing white space removed when read
  Text kanjiName;               // always the field's 16 bytes when read
  app::OleDate date;            // the row's entry date
};

// A transaction file opened once, for reading (mode 1) or writing (mode 0),
// and closed when the object is destroyed.  Callers set `record` and write,
// or read and take `record`'s fields.
class TransactionFile {
 public:
  static constexpr int kRecordLength = 202;

  TransactionFile();
  virtual ~TransactionFile();
  TransactionFile(const TransactionFile&) = delete;
  TransactionFile& operator=(const TransactionFile&) = delete;

  // 1 when the file was opened, without a message otherwise.  Mode 1 opens
  // an existing file for reading and reads its first record; mode 0 creates
  // or empties the file for writing.  The file is shared with nobody.
  int Open(const Text& path, int mode);

  // 1 when a whole record was read into `record`; 0 at the end of the file,
  // where `record` keeps what it held.  A failed read has been shown to the
  // user, ends the file and leaves ReadFailed() true.
  int ReadNext();

  // 1 when `record` was written as one whole record.  0 when the write
  // failed: the user has been told, and the file stays open.
  int WriteRecord();

  // 1 once a read has met the end of the file, 0 after a whole record.
  int AtEnd() const { return endReached_; }
  int RecordLength() const { return kRecordLength; }

  // Whether the file ended through a read error rather than its end, so a
  // reader does not take a cut-off file for a whole one.
  bool ReadFailed() const { return readFailed_; }

  // Empties the record: codes 0, names empty, date invalid (its calendar
  // value kept).
  void Clear();
  // The record from the buffer, and the buffer from the record.
  void DecodeRecord();
  void EncodeRecord();

  TransactionRecord record;

 private:
  void ReportFileError(platform::FileError cause) const;

  platform::File file_;
  Text fullPath_;  // taken when opened, for messages
  std::array<char, kRecordLength> buffer_{};
  int endReached_ = 0;
  bool readFailed_ = false;
};
