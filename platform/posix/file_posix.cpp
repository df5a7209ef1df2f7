// Files natively.  Windows opens these files with share mode 0; here an
// exclusive flock, taken before anything is changed, keeps a second opener
// out in the same way.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "base/code_page.h"
#include "platform/faults.h"
#include "platform/file.h"
#include "platform/platform.h"
#include "native_path.h"

namespace platform {
namespace {


FileError FromErrno(int code) {
  switch (code) {
    case 0:
      return FileError::kNone;
    case ENOENT:
      return FileError::kFileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
    case EXDEV:
      return FileError::kBadPath;
    case EMFILE:
    case ENFILE:
      return FileError::kTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
    case EEXIST:
      return FileError::kAccessDenied;
    case EBADF:
      return FileError::kInvalidFile;
    case ESPIPE:
    case EOVERFLOW:
      return FileError::kBadSeek;
    case EIO:
    case ENXIO:
    case ENODEV:
      return FileError::kHardIO;
    case EWOULDBLOCK:
      return FileError::kSharingViolation;
    case ENOLCK:
    case EDEADLK:
      return FileError::kLockViolation;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return FileError::kDiskFull;
    default:
      return FileError::kGeneric;
  }
}

bool Fail(int code, FileError* error) {
  if (error) *error = FromErrno(code);
  return false;
}

long long FailCount(int code, FileError* error) {
  Fail(code, error);
  return -1;
}

// Closes `fd` without disturbing the errno that made us give up on it.
bool Abandon(int fd, int code, FileError* error) {
  ::close(fd);
  return Fail(code, error);
}

// Only a second opener counts; where the file system has no locks the file
// is used without them.
bool Exclusive(int fd) { return ::flock(fd, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK; }

}  // namespace

File::~File() { Close(); }

void File::Close() {
  if (!IsOpen()) return;
  ::close(static_cast<int>(handle_));  // releases the lock too
  handle_ = kClosed;
}

bool File::OpenForReading(const std::string& path, FileError* error) {
  if (IsOpen()) return Fail(EBUSY, error);  // one file per object
  const int fd = ::open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return Fail(errno, error);
  struct stat st{};
  if (::fstat(fd, &st) != 0) return Abandon(fd, errno, error);
  if (S_ISDIR(st.st_mode)) return Abandon(fd, EISDIR, error);  // as Windows refuses one
  if (!Exclusive(fd)) return Abandon(fd, EWOULDBLOCK, error);
  handle_ = fd;
  if (error) *error = FileError::kNone;
  return true;
}

bool File::CreateForWriting(const std::string& path, FileError* error) {
  if (IsOpen()) return Fail(EBUSY, error);  // one file per object
  // No O_TRUNC: the file is emptied only once it is ours.
  const int fd = ::open(NativePath(path).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY, 0666);
  if (fd < 0) return Fail(errno, error);
  if (!Exclusive(fd)) return Abandon(fd, EWOULDBLOCK, error);
  struct stat st{};
  if (::fstat(fd, &st) != 0) return Abandon(fd, errno, error);
  if (S_ISREG(st.st_mode) && st.st_size != 0) {
    FileError injected;
    if (faults::ShouldFail(faults::Operation::kTruncate, &injected)) {
      ::close(fd);
      if (error) *error = injected;
      return false;
    }
    if (::ftruncate(fd, 0) != 0) return Abandon(fd, errno, error);
  }
  handle_ = fd;
  if (error) *error = FileError::kNone;
  return true;
}

long long File::Read(void* buffer, std::size_t size, FileError* error) {
  if (!IsOpen()) return FailCount(EBADF, error);
  ssize_t n;
  do n = ::read(static_cast<int>(handle_), buffer, size);
  while (n < 0 && errno == EINTR);
  if (n < 0) return FailCount(errno, error);
  if (error) *error = FileError::kNone;
  return n;
}

long long File::Write(const void* buffer, std::size_t size, FileError* error) {
  if (!IsOpen()) return FailCount(EBADF, error);
  if (faults::ShouldFail(faults::Operation::kWrite, error)) return -1;
  ssize_t n;
  do n = ::write(static_cast<int>(handle_), buffer, size);
  while (n < 0 && errno == EINTR);
  if (n < 0) return FailCount(errno, error);
  if (error) *error = FileError::kNone;
  return n;
}

bool File::Flush(FileError* error) {
  if (!IsOpen()) return Fail(EBADF, error);
  if (faults::ShouldFail(faults::Operation::kFlush, error)) return false;
  if (::fsync(static_cast<int>(handle_)) != 0) return Fail(errno, error);
  if (error) *error = FileError::kNone;
  return true;
}

std::string FullPath(const std::string& path) {
  if (path.empty()) return path;
  std::error_code ec;
  const auto full = std::filesystem::absolute(NativePath(path), ec);
  // Shown to the user: back in the program's code page.
  return ec ? path : base::Utf8ToCp932(full.lexically_normal().string());
}

}  // namespace platform

namespace platform {
namespace {

// The folder of a native path, "." when it has none.
std::string FolderOf(const std::string& nativePath) {
  const auto slash = nativePath.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : nativePath.substr(0, slash);
}

}  // namespace

bool MoveReplacing(const std::string& from, const std::string& to, FileError* error) {
  const std::string target = NativePath(to);
  if (faults::ShouldFail(faults::Operation::kRename, error)) return false;
  if (::rename(NativePath(from).c_str(), target.c_str()) != 0) return Fail(errno, error);
  // The rename is on the disk once the folder that holds it is.
  const int folder = ::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder < 0) return Fail(errno, error);
  if (faults::ShouldFail(faults::Operation::kSync, error)) {
    ::close(folder);
    return false;
  }
  const bool synced = ::fsync(folder) == 0;
  const int cause = errno;
  ::close(folder);
  if (!synced) return Fail(cause, error);
  if (error) *error = FileError::kNone;
  return true;
}

bool RemoveFile(const std::string& path) { return ::unlink(NativePath(path).c_str()) == 0; }

bool FolderAcceptsNewFiles(const std::string& path) {
  const std::string probe = FolderOf(NativePath(path)) + "/.updater-probe-" + std::to_string(::getpid());
  const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  ::close(fd);
  ::unlink(probe.c_str());
  return true;
}

}  // namespace platform
