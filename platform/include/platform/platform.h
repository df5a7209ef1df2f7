// The operating-system services the updater uses, behind plain functions.
// Two implementations are linked by target: win32/ calls the real Win32 API;
// posix/ serves the native build (real files, an in-process stand-in for named
// mutexes and for the thread's message queue).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace platform {

// ---- Code page -------------------------------------------------------------

// Whether a byte starts a double-byte character in the ANSI code page.  The
// table is read from the system once, on first use (GetCPInfo of GetACP on
// Windows; code page 932 natively).
bool IsLeadByte(unsigned char byte);

// Conversions between UTF-8 and code page 932 bytes.  Characters that have no
// counterpart, and a lead byte left without its second byte, are dropped; when
// `lossy` is given it reports whether anything was dropped.
std::string Cp932ToUtf8(std::string_view cp932, bool* lossy = nullptr);
std::string Utf8ToCp932(std::string_view utf8, bool* lossy = nullptr);

// ---- Named mutexes ---------------------------------------------------------

using Handle = void*;

// Opens an existing mutex with full access (MUTEX_ALL_ACCESS), not
// inheritable.  nullptr when no mutex of that name exists or it cannot be
// opened with that access.
Handle OpenNamedMutex(const std::string& name);

// Creates a mutex (no security attributes, not initially owned).  nullptr on
// failure.  `alreadyExisted` tells whether another process had created it.
Handle CreateNamedMutex(const std::string& name, bool* alreadyExisted);

void CloseHandle(Handle handle);

// ---- File search -----------------------------------------------------------

constexpr std::uint32_t kAttributeDirectory = 0x10;

struct FindEntry {
  std::uint32_t attributes = 0;
  std::uint32_t sizeHigh = 0;
  std::uint32_t sizeLow = 0;
};

// The first entry that a file search for `path` returns (the search is ended
// before returning).  false when nothing matches or the place is unreadable.
bool FindFirstEntry(const std::string& path, FindEntry* entry);

// Full path of the running executable, in the ANSI code page.
std::string ModuleFileName();

// ---- The thread's message queue ----------------------------------------------

// Removes one pending message of the calling thread, translates and
// dispatches it.  false, at once, when the queue is empty.
bool DispatchOnePendingMessage();

// Native build only: queues work as if a message had been posted to this
// thread.  The in-memory window backend posts its messages through this.
void PostTask(std::function<void()> task);

}  // namespace platform
