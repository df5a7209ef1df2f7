// The engine's file layer: the system's own VFS, passed through, with the
// fault hook of platform/faults.h in every call that changes what is on the
// disk.  Disarmed, the hook costs a test of one counter.
#include <sqlite3.h>

#include <algorithm>

#include "engine.h"
#include "platform/faults.h"

namespace masterdb {
namespace {

using platform::faults::Operation;

// The file as the engine holds it; the system VFS's own file follows it in
// the same allocation.
struct ShimFile {
  sqlite3_file base;
  sqlite3_file* real;
};

sqlite3_vfs* RealVfs(sqlite3_vfs* vfs) { return static_cast<sqlite3_vfs*>(vfs->pAppData); }
sqlite3_file* Real(sqlite3_file* file) { return reinterpret_cast<ShimFile*>(file)->real; }

// SQLITE_OK, or what the engine is to hear of an injected failure.
int Injected(Operation operation, int ioError) {
  platform::FileError error = platform::FileError::kNone;
  if (!platform::faults::ShouldFail(operation, &error)) return SQLITE_OK;
  return error == platform::FileError::kDiskFull ? SQLITE_FULL : ioError;
}

int Close(sqlite3_file* f) { return Real(f)->pMethods->xClose(Real(f)); }
int Read(sqlite3_file* f, void* buffer, int amount, sqlite3_int64 offset) {
  return Real(f)->pMethods->xRead(Real(f), buffer, amount, offset);
}
int Write(sqlite3_file* f, const void* buffer, int amount, sqlite3_int64 offset) {
  if (const int rc = Injected(Operation::kWrite, SQLITE_IOERR_WRITE)) return rc;
  return Real(f)->pMethods->xWrite(Real(f), buffer, amount, offset);
}
int Truncate(sqlite3_file* f, sqlite3_int64 size) {
  if (const int rc = Injected(Operation::kTruncate, SQLITE_IOERR_TRUNCATE)) return rc;
  return Real(f)->pMethods->xTruncate(Real(f), size);
}
int Sync(sqlite3_file* f, int flags) {
  if (const int rc = Injected(Operation::kSync, SQLITE_IOERR_FSYNC)) return rc;
  return Real(f)->pMethods->xSync(Real(f), flags);
}
int FileSize(sqlite3_file* f, sqlite3_int64* size) { return Real(f)->pMethods->xFileSize(Real(f), size); }
int Lock(sqlite3_file* f, int level) { return Real(f)->pMethods->xLock(Real(f), level); }
int Unlock(sqlite3_file* f, int level) { return Real(f)->pMethods->xUnlock(Real(f), level); }
int CheckReservedLock(sqlite3_file* f, int* out) { return Real(f)->pMethods->xCheckReservedLock(Real(f), out); }
int FileControl(sqlite3_file* f, int op, void* arg) { return Real(f)->pMethods->xFileControl(Real(f), op, arg); }
int SectorSize(sqlite3_file* f) { return Real(f)->pMethods->xSectorSize(Real(f)); }
int DeviceCharacteristics(sqlite3_file* f) { return Real(f)->pMethods->xDeviceCharacteristics(Real(f)); }
int ShmMap(sqlite3_file* f, int region, int size, int extend, void volatile** out) {
  return Real(f)->pMethods->xShmMap(Real(f), region, size, extend, out);
}
int ShmLock(sqlite3_file* f, int offset, int n, int flags) {
  return Real(f)->pMethods->xShmLock(Real(f), offset, n, flags);
}
void ShmBarrier(sqlite3_file* f) { Real(f)->pMethods->xShmBarrier(Real(f)); }
int ShmUnmap(sqlite3_file* f, int deleteFlag) { return Real(f)->pMethods->xShmUnmap(Real(f), deleteFlag); }
int Fetch(sqlite3_file* f, sqlite3_int64 offset, int amount, void** out) {
  return Real(f)->pMethods->xFetch(Real(f), offset, amount, out);
}
int Unfetch(sqlite3_file* f, sqlite3_int64 offset, void* page) {
  return Real(f)->pMethods->xUnfetch(Real(f), offset, page);
}

// One table per version of the methods, so that the engine never calls
// what the system's file does not have.
constexpr sqlite3_io_methods MethodsOfVersion(int version) {
  return {version,  Close,        Read,        Write,     Truncate,   Sync,      FileSize,
          Lock,     Unlock,       CheckReservedLock,       FileControl, SectorSize, DeviceCharacteristics,
          ShmMap,   ShmLock,      ShmBarrier,  ShmUnmap,  Fetch,      Unfetch};
}
constexpr sqlite3_io_methods kMethods[] = {MethodsOfVersion(1), MethodsOfVersion(2), MethodsOfVersion(3)};

int Open(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, int flags, int* outFlags) {
  auto* shim = reinterpret_cast<ShimFile*>(file);
  shim->real = reinterpret_cast<sqlite3_file*>(shim + 1);
  const int rc = RealVfs(vfs)->xOpen(RealVfs(vfs), name, shim->real, flags, outFlags);
  // The engine closes what has methods, even after a failed open.
  const sqlite3_io_methods* methods = shim->real->pMethods;
  shim->base.pMethods = methods == nullptr ? nullptr : &kMethods[std::clamp(methods->iVersion, 1, 3) - 1];
  return rc;
}
int Delete(sqlite3_vfs* vfs, const char* name, int syncDir) {
  if (const int rc = Injected(Operation::kDelete, SQLITE_IOERR_DELETE)) return rc;
  return RealVfs(vfs)->xDelete(RealVfs(vfs), name, syncDir);
}
int Access(sqlite3_vfs* vfs, const char* name, int flags, int* out) {
  return RealVfs(vfs)->xAccess(RealVfs(vfs), name, flags, out);
}
int FullPathname(sqlite3_vfs* vfs, const char* name, int size, char* out) {
  return RealVfs(vfs)->xFullPathname(RealVfs(vfs), name, size, out);
}
void* DlOpen(sqlite3_vfs* vfs, const char* name) { return RealVfs(vfs)->xDlOpen(RealVfs(vfs), name); }
void DlError(sqlite3_vfs* vfs, int size, char* out) { RealVfs(vfs)->xDlError(RealVfs(vfs), size, out); }
void (*DlSym(sqlite3_vfs* vfs, void* handle, const char* symbol))(void) {
  return RealVfs(vfs)->xDlSym(RealVfs(vfs), handle, symbol);
}
void DlClose(sqlite3_vfs* vfs, void* handle) { RealVfs(vfs)->xDlClose(RealVfs(vfs), handle); }
int Randomness(sqlite3_vfs* vfs, int size, char* out) { return RealVfs(vfs)->xRandomness(RealVfs(vfs), size, out); }
int SleepFor(sqlite3_vfs* vfs, int microseconds) { return RealVfs(vfs)->xSleep(RealVfs(vfs), microseconds); }
int CurrentTime(sqlite3_vfs* vfs, double* out) { return RealVfs(vfs)->xCurrentTime(RealVfs(vfs), out); }
int LastError(sqlite3_vfs* vfs, int size, char* out) {
  return RealVfs(vfs)->xGetLastError(RealVfs(vfs), size, out);
}
int CurrentTimeInt64(sqlite3_vfs* vfs, sqlite3_int64* out) {
  return RealVfs(vfs)->xCurrentTimeInt64(RealVfs(vfs), out);
}
int SetSystemCall(sqlite3_vfs* vfs, const char* name, sqlite3_syscall_ptr call) {
  return RealVfs(vfs)->xSetSystemCall(RealVfs(vfs), name, call);
}
sqlite3_syscall_ptr GetSystemCall(sqlite3_vfs* vfs, const char* name) {
  return RealVfs(vfs)->xGetSystemCall(RealVfs(vfs), name);
}
const char* NextSystemCall(sqlite3_vfs* vfs, const char* name) {
  return RealVfs(vfs)->xNextSystemCall(RealVfs(vfs), name);
}

sqlite3_vfs* RegisterShim() {
  sqlite3_vfs* real = sqlite3_vfs_find(nullptr);
  if (real == nullptr) return nullptr;
  static sqlite3_vfs shim{};
  shim.iVersion = std::min(real->iVersion, 3);
  shim.szOsFile = static_cast<int>(sizeof(ShimFile)) + real->szOsFile;
  shim.mxPathname = real->mxPathname;
  shim.zName = "updater";
  shim.pAppData = real;
  shim.xOpen = Open;
  shim.xDelete = Delete;
  shim.xAccess = Access;
  shim.xFullPathname = FullPathname;
  shim.xDlOpen = real->xDlOpen ? DlOpen : nullptr;
  shim.xDlError = real->xDlError ? DlError : nullptr;
  shim.xDlSym = real->xDlSym ? DlSym : nullptr;
  shim.xDlClose = real->xDlClose ? DlClose : nullptr;
  shim.xRandomness = Randomness;
  shim.xSleep = SleepFor;
  shim.xCurrentTime = CurrentTime;
  shim.xGetLastError = LastError;
  if (shim.iVersion >= 2) shim.xCurrentTimeInt64 = real->xCurrentTimeInt64 ? CurrentTimeInt64 : nullptr;
  if (shim.iVersion >= 3) {
    shim.xSetSystemCall = real->xSetSystemCall ? SetSystemCall : nullptr;
    shim.xGetSystemCall = real->xGetSystemCall ? GetSystemCall : nullptr;
    shim.xNextSystemCall = real->xNextSystemCall ? NextSystemCall : nullptr;
  }
  return sqlite3_vfs_register(&shim, 0) == SQLITE_OK ? &shim : nullptr;
}

}  // namespace

const char* EngineVfs() {
  static sqlite3_vfs* const shim = RegisterShim();
  return shim == nullptr ? nullptr : shim->zName;
}

}  // namespace masterdb
