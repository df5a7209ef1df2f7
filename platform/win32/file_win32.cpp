// Files on Win32, through the ANSI functions and with share mode 0.
#include <windows.h>

#include "platform/faults.h"
#include "platform/file.h"
#include "platform/platform.h"

namespace platform {
namespace {

FileError FromWin32(DWORD code) {
  switch (code) {
    case NO_ERROR:
      return FileError::kNone;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_NO_MORE_FILES:
      return FileError::kFileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_NOT_SAME_DEVICE:
    case ERROR_WRONG_DISK:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_DIRECTORY:
    case ERROR_DUP_NAME:
      return FileError::kBadPath;
    case ERROR_TOO_MANY_OPEN_FILES:
    case ERROR_SHARING_BUFFER_EXCEEDED:
      return FileError::kTooManyOpenFiles;
    case ERROR_ACCESS_DENIED:
    case ERROR_INVALID_ACCESS:
    case ERROR_WRITE_PROTECT:
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
    case ERROR_NETWORK_ACCESS_DENIED:
      return FileError::kAccessDenied;
    case ERROR_INVALID_HANDLE:
    case ERROR_BAD_FORMAT:
    case ERROR_NOT_DOS_DISK:
      return FileError::kInvalidFile;
    case ERROR_CURRENT_DIRECTORY:
      return FileError::kRemoveCurrentDir;
    case ERROR_CANNOT_MAKE:
      return FileError::kDirectoryFull;
    case ERROR_SEEK:
    case ERROR_NEGATIVE_SEEK:
    case ERROR_SECTOR_NOT_FOUND:
    case ERROR_BAD_LENGTH:
      return FileError::kBadSeek;
    case ERROR_BAD_UNIT:
    case ERROR_NOT_READY:
    case ERROR_BAD_COMMAND:
    case ERROR_CRC:
    case ERROR_WRITE_FAULT:
    case ERROR_READ_FAULT:
    case ERROR_GEN_FAILURE:
    case ERROR_IO_DEVICE:
      return FileError::kHardIO;
    case ERROR_SHARING_VIOLATION:
      return FileError::kSharingViolation;
    case ERROR_LOCK_VIOLATION:
      return FileError::kLockViolation;
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_DISK_FULL:
      return FileError::kDiskFull;
    case ERROR_HANDLE_EOF:
      return FileError::kEndOfFile;
    default:
      return FileError::kGeneric;
  }
}

bool Fail(DWORD code, FileError* error) {
  if (error) *error = FromWin32(code);
  return false;
}

long long FailCount(DWORD code, FileError* error) {
  Fail(code, error);
  return -1;
}

HANDLE AsHandle(std::intptr_t h) { return reinterpret_cast<HANDLE>(h); }

}  // namespace

File::~File() { Close(); }

void File::Close() {
  if (!IsOpen()) return;
  ::CloseHandle(AsHandle(handle_));
  handle_ = kClosed;
}

bool File::OpenForReading(const std::string& path, FileError* error) {
  if (IsOpen()) return Fail(ERROR_BUSY, error);  // one file per object
  const HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return Fail(GetLastError(), error);
  handle_ = reinterpret_cast<std::intptr_t>(h);
  if (error) *error = FileError::kNone;
  return true;
}

bool File::CreateForWriting(const std::string& path, FileError* error) {
  if (IsOpen()) return Fail(ERROR_BUSY, error);
  // CREATE_ALWAYS empties a file that is there: the fault hook's truncation.
  if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES &&
      faults::ShouldFail(faults::Operation::kTruncate, error))
    return false;
  const HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return Fail(GetLastError(), error);
  handle_ = reinterpret_cast<std::intptr_t>(h);
  if (error) *error = FileError::kNone;
  return true;
}

long long File::Read(void* buffer, std::size_t size, FileError* error) {
  DWORD n = 0;
  if (!IsOpen()) return FailCount(ERROR_INVALID_HANDLE, error);
  if (!ReadFile(AsHandle(handle_), buffer, static_cast<DWORD>(size), &n, nullptr))
    return FailCount(GetLastError(), error);
  if (error) *error = FileError::kNone;
  return n;
}

long long File::Write(const void* buffer, std::size_t size, FileError* error) {
  DWORD n = 0;
  if (!IsOpen()) return FailCount(ERROR_INVALID_HANDLE, error);
  if (faults::ShouldFail(faults::Operation::kWrite, error)) return -1;
  if (!WriteFile(AsHandle(handle_), buffer, static_cast<DWORD>(size), &n, nullptr))
    return FailCount(GetLastError(), error);
  if (error) *error = FileError::kNone;
  return n;
}

bool File::Flush(FileError* error) {
  if (!IsOpen()) return Fail(ERROR_INVALID_HANDLE, error);
  if (faults::ShouldFail(faults::Operation::kFlush, error)) return false;
  if (!FlushFileBuffers(AsHandle(handle_))) return Fail(GetLastError(), error);
  if (error) *error = FileError::kNone;
  return true;
}

std::string FullPath(const std::string& path) {
  if (path.empty()) return path;
  const DWORD needed = GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return path;
  std::string full(needed, '\0');
  const DWORD n = GetFullPathNameA(path.c_str(), needed, full.data(), nullptr);
  if (n == 0 || n >= needed) return path;
  full.resize(n);
  return full;
}

bool MoveReplacing(const std::string& from, const std::string& to, FileError* error) {
  if (faults::ShouldFail(faults::Operation::kRename, error)) return false;
  // Write-through: the move is on the disk when it returns.
  if (!MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return Fail(GetLastError(), error);
  if (error) *error = FileError::kNone;
  return true;
}

bool RemoveFile(const std::string& path) { return DeleteFileA(path.c_str()) != FALSE; }

bool FolderAcceptsNewFiles(const std::string& path) {
  // A trail byte 0x5C (ソ, 表) is no separator.
  const int slash = FindLastChar(path, '\\');
  const std::string folder = slash < 0 ? std::string(".") : path.substr(0, static_cast<std::size_t>(slash));
  const std::string probe = folder + "\\.updater-probe-" + std::to_string(GetCurrentProcessId());
  const HANDLE h = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  ::CloseHandle(h);
  return true;
}

}  // namespace platform
