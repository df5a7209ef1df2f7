// Transaction files: update packages and master backups, records of 202
// bytes (record_codec.h) one after another, with no header and no count.
#pragma once

#include <array>
#include <vector>

#include "base/report.h"
#include "base/text.h"
#include "platform/file.h"
#include "transaction/record_codec.h"

// A transaction file opened once, for reading (mode 1) or writing (mode 0),
// and closed when the object is destroyed.  Callers set `record` and write,
// or read and take `record`'s fields.  Records go through a buffer of some
// hundred records, so that a package is read and a backup written in a few
// platform calls; a failed read or write is told to the user, through the
// reporter given at construction, by the call that met it.
class TransactionFile {
 public:
  static constexpr int kRecordLength = transaction::kRecordLength;

  explicit TransactionFile(base::ErrorReporter& reporter);
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

  // 1 when `record` was added to the file; 0 when a write of the buffered
  // records failed: the user has been told, and the file stays open.
  int WriteRecord();

  // 1 when every record written is in the file and on the disk; 0 when
  // that failed (the user has been told).  Destroying a file written to
  // without a Flush still writes what is buffered, without the disk.
  int Flush();

  // 1 once a read has met the end of the file, 0 after a whole record.
  int AtEnd() const { return endReached_; }
  int RecordLength() const { return kRecordLength; }

  // Whether the file ended through a read error rather than its end, so a
  // reader does not take a cut-off file for a whole one.
  bool ReadFailed() const { return readFailed_; }

  // The codec's steps on this file's record and its 202 bytes.
  void Clear() { transaction::ClearRecord(record); }
  void DecodeRecord() { transaction::DecodeRecord(bytes_, record); }
  void EncodeRecord() { transaction::EncodeRecord(record, bytes_); }

  TransactionRecord record;

 private:
  static constexpr std::size_t kBufferRecords = 320;

  // Reading: at least one whole record in the buffer, unless the file ends
  // (or a read fails) first.
  bool FillBuffer();
  // Writing: the buffered records into the file.
  bool WriteBuffer();
  void ReportFileError(platform::FileError cause) const;

  base::ErrorReporter& reporter_;
  platform::File file_;
  bool writing_ = false;
  Text fullPath_;  // taken when opened, for messages
  std::array<char, kRecordLength> bytes_{};
  std::vector<char> buffer_;
  std::size_t begin_ = 0, end_ = 0;  // the buffered bytes
  int endReached_ = 0;
  bool readFailed_ = false;
};

namespace transaction {

// What the user is told of a failed read or write: the text for its cause,
// with the file's full path in it.
Text FileErrorText(platform::FileError cause, const Text& fullPath);

}  // namespace transaction
