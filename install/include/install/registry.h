// Reading string values from the registry by one path that names the root
// key, the sub key and the value together:
//   "HKEY_CURRENT_USER\Software\TolmarkEB\Norvik\Setup\Dir"
// The path is a code page 932 byte string.  Nothing here reports to the
// user: every failure is a 0 (or the caller's default text).
#pragma once

#include <cstdint>
#include <string>

#include "base/text.h"

namespace install {

// Limits of the parts of a path, in bytes.  A path over them is refused.
constexpr std::size_t kRegistryRemainderLimit = 485;
constexpr std::size_t kRegistrySubKeyLimit = 228;
constexpr std::size_t kRegistryValueNameLimit = 255;

// 1 and the root key and what follows the root name and the one byte after
// it (skipped unexamined); 0 when no root name matches.  `remainder` is
// emptied first.
int ParseRootKey(const std::string& path, std::uintptr_t& rootKey, std::string& remainder);

// 1 with the root key, the sub key and the value name; 0 when the path has
// no known root, nothing after it, no separating backslash, or a part over
// its limit.
int SplitRegistryPath(const std::string& path, std::uintptr_t& rootKey, std::string& subKey,
                      std::string& valueName);

// 1 with the value's type and data size (as stored); 0 otherwise.
int QueryRegistryValueInfo(const std::string& path, std::uint32_t& type, std::uint32_t& size);

// 1 when the value is REG_SZ and all of its data fit in `capacity` bytes of
// `buffer`; 0 otherwise.
int QueryRegistryString(const std::string& path, unsigned char* buffer, std::uint32_t capacity);

// The text of the REG_SZ value that `path` names, up to its first NUL; a
// copy of `defaultValue` when it cannot be read for any reason.
Text ReadRegistryString(const Text& path, const Text& defaultValue);

}  // namespace install
