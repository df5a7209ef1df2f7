#include "transaction/transaction_file.h"

#include <algorithm>


namespace transaction {
namespace {

const char* Template(platform::FileError cause) {
  using platform::FileError;
  switch (cause) {
    case FileError::kNone:
      return "ｴﾗｰはありません。";
    case FileError::kGeneric:
      break;
    case FileError::kFileNotFound:
      return "%1 が見つかりません。";
    case FileError::kBadPath:
      return "%1 は無効なﾊﾟｽです。";
    case FileError::kTooManyOpenFiles:
      return "開いているﾌｧｲﾙが多すぎるため %1 を開けませんでした。";
    case FileError::kAccessDenied:
      return "%1 へのｱｸｾｽは拒否されました。";
    case FileError::kInvalidFile:
      return "%1 へ無効なﾌｧｲﾙ ﾊﾝﾄﾞﾙが関連付けられています。";
    case FileError::kRemoveCurrentDir:
      return "%1 could not be removed because it is the current directory.";
    case FileError::kDirectoryFull:
      return "ﾃﾞｨﾚｸﾄﾘの空き容量が不足しているため %1 を作成できません。";
    case FileError::kBadSeek:
      return "%1 のｼｰｸに失敗しました";
    case FileError::kHardIO:
      return "%1 へのｱｸｾｽ中にﾊｰﾄﾞｳｪｱ I/O ｴﾗｰが報告されました。";
    case FileError::kSharingViolation:
      return "%1 へのｱｸｾｽ中に共有違反が発生しました。";
    case FileError::kLockViolation:
      return "%1 へのｱｸｾｽ中にﾛｯｷﾝｸﾞ違反が発生しました。";
    case FileError::kDiskFull:
      return "%1 へのｱｸｾｽ中にﾃﾞｨｽｸの空き容量が不足しました。";
    case FileError::kEndOfFile:
      return "%1 の末尾以降にｱｸｾｽしようとしました。";
  }
  return "%1 へのｱｸｾｽ中に予期しないｴﾗｰが発生しました。";
}


}  // namespace

// The path goes in once and is not searched again, so a "%1" inside it
// stays as it is.
Text FileErrorText(platform::FileError cause, const Text& fullPath) {
  Text text = Ansi(Template(cause));
  const size_t at = text.find("%1");
  if (at != Text::npos) text.replace(at, 2, fullPath);
  return text;
}

}  // namespace transaction

TransactionFile::TransactionFile(base::ErrorReporter& reporter) : reporter_(reporter) {}

TransactionFile::~TransactionFile() {
  if (writing_) WriteBuffer();
}

int TransactionFile::Open(const Text& path, int mode) {
  if (file_.IsOpen()) return 0;  // each object serves one file
  Clear();
  bool opened = false;
  if (mode == 1) opened = file_.OpenForReading(path);
  if (mode == 0) opened = file_.CreateForWriting(path);
  if (!opened) return 0;
  writing_ = mode == 0;
  fullPath_ = platform::FullPath(path);
  buffer_.resize(kBufferRecords * kRecordLength);
  if (mode == 1) {
    ReadNext();  // an empty file is open and at its end at once
    if (readFailed_) {
      // Already told; a file that cannot be read is not handed on as an
      // empty one.
      file_.Close();
      return 0;
    }
  }
  return 1;
}

bool TransactionFile::FillBuffer() {
  if (end_ - begin_ >= static_cast<std::size_t>(kRecordLength)) return true;
  // What is left of the last read goes to the front; a read that brings
  // less than asked is not yet the end of the file.
  std::copy(buffer_.begin() + static_cast<std::ptrdiff_t>(begin_), buffer_.begin() + static_cast<std::ptrdiff_t>(end_),
            buffer_.begin());
  end_ -= begin_;
  begin_ = 0;
  while (end_ < static_cast<std::size_t>(kRecordLength)) {
    platform::FileError cause = platform::FileError::kNone;
    const long long n = file_.Read(buffer_.data() + end_, buffer_.size() - end_, &cause);
    if (n < 0) {
      readFailed_ = true;
      ReportFileError(cause);
      return false;
    }
    if (n == 0) return false;  // the end, or a cut-off tail that is no record
    end_ += static_cast<std::size_t>(n);
  }
  return true;
}

int TransactionFile::ReadNext() {
  if (readFailed_ || !FillBuffer()) {
    endReached_ = 1;
    return 0;
  }
  std::copy_n(buffer_.data() + begin_, kRecordLength, bytes_.data());
  begin_ += kRecordLength;
  endReached_ = 0;
  DecodeRecord();
  return 1;
}

int TransactionFile::WriteRecord() {
  EncodeRecord();
  if (buffer_.size() - end_ < static_cast<std::size_t>(kRecordLength) && !WriteBuffer()) return 0;
  std::copy(bytes_.begin(), bytes_.end(), buffer_.data() + end_);
  end_ += kRecordLength;
  return 1;
}

bool TransactionFile::WriteBuffer() {
  while (begin_ < end_) {
    platform::FileError cause = platform::FileError::kNone;
    const long long n = file_.Write(buffer_.data() + begin_, end_ - begin_, &cause);
    if (n <= 0) {
      // Room for only part of what was asked is a full disk.  What could
      // not be written is dropped: the file keeps what was before it.
      ReportFileError(n < 0 ? cause : platform::FileError::kDiskFull);
      begin_ = end_ = 0;
      return false;
    }
    begin_ += static_cast<std::size_t>(n);
  }
  begin_ = end_ = 0;
  return true;
}

int TransactionFile::Flush() {
  if (!WriteBuffer()) return 0;
  platform::FileError cause = platform::FileError::kNone;
  if (file_.Flush(&cause)) return 1;
  ReportFileError(cause);
  return 0;
}

void TransactionFile::ReportFileError(platform::FileError cause) const {
  reporter_.ReportError(transaction::FileErrorText(cause, fullPath_));
}
