// Controls of the native build's stand-ins, for tests.  Not available in the
// Windows build, where the real system is in charge.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace platform::sim {

// Named mutexes live in this process: a test holds one to stand for another
// running program.
int OpenMutexHandleCount();
void FailMutexCreation(bool fail);

// Overrides the executable's path that ModuleFileName reports ("" restores it).
void SetModuleFileName(const std::string& path);

// An in-process registry.  Key and value names compare without regard to
// ASCII case, as the real one does.  Clearing removes the keys, not the hook.
void ClearRegistry();
void SetRegistryValue(std::uintptr_t root, const std::string& subKey, const std::string& name,
                      std::uint32_t type, const std::string& data);
void DenyRegistryKey(std::uintptr_t root, const std::string& subKey);
int OpenRegistryKeyCount();
// Runs before every data query (a query with a buffer): lets a test change
// a value between the two reads of one lookup.
void OnRegistryDataQuery(std::function<void()> hook);

// Version resources: files named here carry these version words; others have none.
void ClearFileVersions();
void SetFileVersion(const std::string& path, std::uint32_t versionMS, std::uint32_t versionLS);

}  // namespace platform::sim
