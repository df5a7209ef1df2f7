// Controls of the native build's stand-ins, for tests.  Not available in the
// Windows build, where the real system is in charge.
#pragma once

#include <string>

namespace platform::sim {

// Named mutexes live in this process: a test holds one to stand for another
// running program.
int OpenMutexHandleCount();
void FailMutexCreation(bool fail);

// Overrides the executable's path that ModuleFileName reports ("" restores it).
void SetModuleFileName(const std::string& path);

// Drops every queued message.
void ClearMessageQueue();
size_t PendingMessageCount();

}  // namespace platform::sim
