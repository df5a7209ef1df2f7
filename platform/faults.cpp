#include "platform/faults.h"

namespace platform {
// The process ends at once, without unwinding: a crash.
[[noreturn]] void KillThisProcess();
}  // namespace platform

namespace platform::faults {
namespace {

struct State {
  long seen = 0;
  long failAt = 0;   // 0: none
  long crashAt = 0;  // 0: none
  FileError error = FileError::kNone;
};

State& Hook() {
  static State state;
  return state;
}

}  // namespace

void FailNth(long nth, FileError error) { Hook() = {0, nth, 0, error}; }
void CrashAtNth(long nth) { Hook() = {0, 0, nth, FileError::kNone}; }
void Disarm() { Hook() = {}; }
long Count() { return Hook().seen; }

bool ShouldFail(Operation, FileError* error) {
  State& s = Hook();
  if (s.failAt == 0 && s.crashAt == 0) return false;
  ++s.seen;
  if (s.seen == s.crashAt) KillThisProcess();
  if (s.seen != s.failAt) return false;
  if (error) *error = s.error;
  return true;
}

}  // namespace platform::faults
