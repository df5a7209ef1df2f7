// The operating-system services the updater uses, behind plain functions.
// Two implementations are linked by target: win32/ calls the real Win32 API;
// posix/ serves the native build (real files, an in-process stand-in for named
// mutexes and for the thread's message queue).  Below this layer there is
// only base/.
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

// The index of the last byte of `text` that equals `ch` and is a character
// of its own (not the second byte of a double-byte character); -1 if none.
int FindLastChar(const std::string& text, char ch);

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

// A path as a tool has it (from its command line or the C++ library: UTF-8
// natively, the ANSI code page on Windows) spelt as the program spells
// paths, in the ANSI code page.
std::string ProgramPath(const std::string& toolPath);

// The name under which the database engine (SQLite takes UTF-8 names on
// every system) finds the file that the program calls `path`.  `ok` is false
// when the path is empty or holds bytes that are no characters.
std::string EngineFileName(const std::string& path, bool* ok);

// ---- Registry (read only) ---------------------------------------------------------

using RegKey = void*;

// The predefined root keys, as the platform numbers them.
constexpr std::uintptr_t kHkeyClassesRoot = 0x80000000u;
constexpr std::uintptr_t kHkeyCurrentUser = 0x80000001u;
constexpr std::uintptr_t kHkeyLocalMachine = 0x80000002u;
constexpr std::uintptr_t kHkeyUsers = 0x80000003u;

constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegExpandSz = 2;

// RegOpenKeyExA with KEY_READ: 0 and an open key, or the error code.
long RegistryOpenKey(std::uintptr_t root, const std::string& subKey, RegKey* key);
// RegQueryValueExA: with `data` null it reports type and size only; with a
// buffer, `size` is its capacity on entry and the bytes stored on return.
// 0, or the error code (a buffer too small is an error).
long RegistryQueryValue(RegKey key, const std::string& valueName, std::uint32_t* type,
                   unsigned char* data, std::uint32_t* size);
void RegistryCloseKey(RegKey key);

// ---- File version resources --------------------------------------------------------

// The size of a file's version information; 0 when it has none or cannot be read.
std::uint32_t FileVersionInfoSize(const std::string& path);
// Fills `block` (of `size` bytes) with the version information.
bool FileVersionInfo(const std::string& path, std::uint32_t size, void* block);
// The fixed file-version record's two version words, from a filled block.
bool QueryFixedFileVersion(const void* block, std::uint32_t* versionMS, std::uint32_t* versionLS);

// ---- The thread's message queue ----------------------------------------------

// Removes one pending message of the calling thread, translates and
// dispatches it.  false, at once, when the queue is empty.
bool DispatchOnePendingMessage();

// Native build only: queues work as if a message had been posted to this
// thread.  The in-memory window backend posts its messages through this.
void PostTask(std::function<void()> task);

}  // namespace platform
