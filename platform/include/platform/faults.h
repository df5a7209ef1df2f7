// A test hook inside the real I/O paths, the way SQLite tests itself: the
// file layer here and the engine's VFS shim (masterdb/) count every
// operation that changes what is on the disk (a write, a flush, a sync, a
// rename, a truncation, a deletion), and once armed they make the N-th of
// them fail, or end the process there as a crash would.  Disarmed, the
// state every run of the program is in, it does nothing.
#pragma once

#include "platform/file.h"

namespace platform::faults {

enum class Operation { kWrite, kFlush, kSync, kRename, kTruncate, kDelete };

// The `nth` operation from now (1 is the next) fails with `error`
// (kDiskFull or kHardIO); those before and after it go through.
void FailNth(long nth, FileError error);
// The process is killed (SIGKILL, TerminateProcess) just before the `nth`
// operation from now.
void CrashAtNth(long nth);
void Disarm();
// Operations seen since the last FailNth or CrashAtNth (none while
// disarmed).
long Count();

// Called by the I/O paths before each operation: true when it must fail,
// with the cause in `error`.
bool ShouldFail(Operation operation, FileError* error);

}  // namespace platform::faults
