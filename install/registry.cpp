#include "install/registry.h"

#include <cstring>
#include <new>
#include <vector>

#include "platform/platform.h"

namespace install {
namespace {

struct RootName {
  const char* name;
  std::uintptr_t key;
};

// Tested in this order, by exact bytes: case matters, no abbreviations.
constexpr RootName kRootNames[] = {
    {"HKEY_CLASSES_ROOT", platform::kHkeyClassesRoot},
    {"HKEY_CURRENT_USER", platform::kHkeyCurrentUser},
    {"HKEY_LOCAL_MACHINE", platform::kHkeyLocalMachine},
    {"HKEY_USERS", platform::kHkeyUsers},
};

// Closes the key when the lookup leaves, whichever way it leaves.
struct OpenKey {
  platform::RegKey key = nullptr;
  ~OpenKey() { platform::RegistryCloseKey(key); }
};

}  // namespace

int ParseRootKey(const std::string& path, std::uintptr_t& rootKey, std::string& remainder) {
  remainder.clear();
  for (const auto& root : kRootNames) {
    const std::size_t n = std::strlen(root.name);
    if (path.compare(0, n, root.name) != 0) continue;
    rootKey = root.key;
    if (path.size() > n + 1) remainder = path.substr(n + 1);
    return 1;
  }
  return 0;
}

int SplitRegistryPath(const std::string& path, std::uintptr_t& rootKey, std::string& subKey,
                      std::string& valueName) {
  std::string remainder;
  if (!ParseRootKey(path, rootKey, remainder) || remainder.empty()) return 0;
  if (remainder.size() > kRegistryRemainderLimit) return 0;
  const int pos = platform::FindLastChar(remainder, '\\');
  if (pos < 0) return 0;
  const auto split = static_cast<std::size_t>(pos);
  if (split > kRegistrySubKeyLimit || remainder.size() - split - 1 > kRegistryValueNameLimit) return 0;
  subKey = remainder.substr(0, split);
  valueName = remainder.substr(split + 1);
  return 1;
}

int QueryRegistryValueInfo(const std::string& path, std::uint32_t& type, std::uint32_t& size) {
  std::uintptr_t root = 0;
  std::string subKey, valueName;
  if (!SplitRegistryPath(path, root, subKey, valueName)) return 0;
  OpenKey key;
  if (platform::RegistryOpenKey(root, subKey, &key.key) != 0) return 0;
  return platform::RegistryQueryValue(key.key, valueName, &type, nullptr, &size) == 0 ? 1 : 0;
}

int QueryRegistryString(const std::string& path, unsigned char* buffer, std::uint32_t capacity) {
  std::uint32_t type = 0, size = 0;
  if (!QueryRegistryValueInfo(path, type, size) || type != platform::kRegSz) return 0;
  std::uintptr_t root = 0;
  std::string subKey, valueName;
  if (!SplitRegistryPath(path, root, subKey, valueName)) return 0;
  OpenKey key;
  if (platform::RegistryOpenKey(root, subKey, &key.key) != 0) return 0;
  std::uint32_t stored = capacity;
  std::uint32_t dataType = 0;
  if (platform::RegistryQueryValue(key.key, valueName, &dataType, buffer, &stored) != 0) return 0;
  // The value may have been replaced since the type was looked at.
  return dataType == platform::kRegSz ? 1 : 0;
}

Text ReadRegistryString(const Text& path, const Text& defaultValue) {
  std::uint32_t type = 0, size = 0;
  if (!QueryRegistryValueInfo(path, type, size) || type != platform::kRegSz) return defaultValue;
  // One byte more than the data: a value stored without its NUL still ends.
  std::vector<unsigned char> buffer;
  try {
    buffer.assign(static_cast<std::size_t>(size) + 1, 0);
  } catch (const std::bad_alloc&) {
    return defaultValue;  // a value too large to hold is unreadable
  }
  if (!QueryRegistryString(path, buffer.data(), size)) return defaultValue;
  const auto* begin = reinterpret_cast<const char*>(buffer.data());
  return Text(begin, strnlen(begin, size));
}

}  // namespace install
