// Plain files opened without sharing, read and written one call at a time.
// Paths are byte strings in the ANSI code page (932); Windows-shaped paths
// with backslashes name the same files in the native build.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// Why a file operation failed, in the classes the user is told about.
enum class FileError {
  kNone,
  kGeneric,  // nothing nearer fits
  kFileNotFound,
  kBadPath,
  kTooManyOpenFiles,
  kAccessDenied,
  kInvalidFile,
  kRemoveCurrentDir,
  kDirectoryFull,
  kBadSeek,
  kHardIO,
  kSharingViolation,
  kLockViolation,
  kDiskFull,
  kEndOfFile,
};

class File {
 public:
  File() = default;
  ~File();  // closes the file
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Opens an existing file (not a directory) for reading only.  No other
  // opener may read or write it while this one holds it open; natively the
  // exclusion holds between openers that go through this class.
  bool OpenForReading(const std::string& path, FileError* error = nullptr);
  // Creates a file for writing only, or empties an existing one, shared
  // with nobody.  A file that someone else holds open is left untouched.
  bool CreateForWriting(const std::string& path, FileError* error = nullptr);

  bool IsOpen() const { return handle_ != kClosed; }
  void Close();

  // One platform read call of up to `size` bytes: the count read (0 at the
  // end of the file), or -1 with the cause in `error`.
  long long Read(void* buffer, std::size_t size, FileError* error = nullptr);
  // One platform write call: the count written, which may be short, or -1
  // with the cause in `error`.
  long long Write(const void* buffer, std::size_t size, FileError* error = nullptr);
  // Puts what was written on the disk (FlushFileBuffers, fsync) before it
  // returns; false with the cause in `error`.
  bool Flush(FileError* error = nullptr);

 private:
  static constexpr std::intptr_t kClosed = -1;
  // A HANDLE on Windows, a descriptor natively.
  std::intptr_t handle_ = kClosed;
};

// The absolute, normalised form of `path`, as the user is shown it.  The
// path itself when it cannot be resolved.
std::string FullPath(const std::string& path);

// Puts the file `from` in the place of `to` in one step, replacing the file
// that was there, and puts the change of the folder on the disk before it
// returns.  A reader sees the old file or the new one, never a mix or none;
// after a failure `to` is as it was.
bool MoveReplacing(const std::string& from, const std::string& to, FileError* error = nullptr);

// Removes a file; false when there was none or it could not be removed.
bool RemoveFile(const std::string& path);

// Whether new files can be made in the folder of `path` (a file can be
// created there, and it is removed again at once).
bool FolderAcceptsNewFiles(const std::string& path);

}  // namespace platform
