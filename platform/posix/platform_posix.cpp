// The native build's platform: real files through POSIX, and in-process
// stand-ins for what only Windows has (named mutexes shared between
// processes, the thread's window-message queue).
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <deque>
#include <map>
#include <mutex>

#include "base/code_page.h"
#include "platform/platform.h"
#include "platform/sim.h"
#include "native_path.h"

namespace platform {
namespace {

struct MutexRegistry {
  std::mutex lock;
  std::map<std::string, int> refs;
  int openHandles = 0;
  bool failCreation = false;
};
MutexRegistry& Mutexes() {
  static MutexRegistry r;
  return r;
}
struct SimHandle {
  std::string name;
};

std::deque<std::function<void()>>& Queue() {
  static std::deque<std::function<void()>> q;
  return q;
}

std::string& ModulePathOverride() {
  static std::string p;
  return p;
}

}  // namespace

std::string NativePath(const std::string& ansiPath, bool* lossy) {
  std::string p;
  p.reserve(ansiPath.size());
  for (size_t i = 0; i < ansiPath.size(); ++i) {
    const auto b = static_cast<unsigned char>(ansiPath[i]);
    if (IsLeadByte(b) && i + 1 < ansiPath.size()) {
      p += ansiPath[i];
      p += ansiPath[++i];
    } else {
      p += b == '\\' ? '/' : ansiPath[i];
    }
  }
  return base::Cp932ToUtf8(p, lossy);
}

std::string ProgramPath(const std::string& toolPath) { return base::Utf8ToCp932(toolPath); }

std::string EngineFileName(const std::string& path, bool* ok) {
  bool lossy = false;
  std::string name = NativePath(path, &lossy);
  *ok = !lossy && !path.empty();
  return name;
}

void KillThisProcess() {
  ::raise(SIGKILL);
  ::_exit(137);
}

bool IsLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

Handle OpenNamedMutex(const std::string& name) {
  auto& r = Mutexes();
  std::lock_guard g(r.lock);
  auto it = r.refs.find(name);
  if (it == r.refs.end()) return nullptr;
  ++it->second;
  ++r.openHandles;
  return new SimHandle{name};
}

Handle CreateNamedMutex(const std::string& name, bool* alreadyExisted) {
  auto& r = Mutexes();
  std::lock_guard g(r.lock);
  if (r.failCreation) return nullptr;
  int& refs = r.refs[name];
  if (alreadyExisted) *alreadyExisted = refs > 0;
  ++refs;
  ++r.openHandles;
  return new SimHandle{name};
}

void CloseHandle(Handle handle) {
  if (handle == nullptr) return;
  auto* h = static_cast<SimHandle*>(handle);
  auto& r = Mutexes();
  {
    std::lock_guard g(r.lock);
    auto it = r.refs.find(h->name);
    if (it != r.refs.end() && --it->second <= 0) r.refs.erase(it);
    --r.openHandles;
  }
  delete h;
}

bool FindFirstEntry(const std::string& path, FindEntry* entry) {
  struct stat st{};
  if (path.empty() || ::stat(NativePath(path).c_str(), &st) != 0) return false;
  entry->attributes = S_ISDIR(st.st_mode) ? kAttributeDirectory : 0x20 /* archive */;
  const auto size = S_ISDIR(st.st_mode) ? 0ull : static_cast<unsigned long long>(st.st_size);
  entry->sizeHigh = static_cast<std::uint32_t>(size >> 32);
  entry->sizeLow = static_cast<std::uint32_t>(size & 0xFFFFFFFFu);
  return true;
}

std::string ModuleFileName() {
  if (!ModulePathOverride().empty()) return ModulePathOverride();
  char buf[4096];
  const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
}

bool DispatchOnePendingMessage() {
  auto& q = Queue();
  if (q.empty()) return false;
  auto task = std::move(q.front());
  q.pop_front();
  task();
  return true;
}

void PostTask(std::function<void()> task) { Queue().push_back(std::move(task)); }

// ---- Registry stand-in --------------------------------------------------------

namespace {

constexpr long kErrorFileNotFound = 2;
constexpr long kErrorAccessDenied = 5;
constexpr long kErrorMoreData = 234;

// ASCII letters fold to lower case; bytes of double-byte characters stay.
std::string FoldCase(const std::string& s) {
  std::string out = s;
  for (size_t i = 0; i < out.size(); ++i) {
    const auto b = static_cast<unsigned char>(out[i]);
    if (IsLeadByte(b)) {
      ++i;
    } else if (b >= 'A' && b <= 'Z') {
      out[i] = static_cast<char>(b - 'A' + 'a');
    }
  }
  return out;
}

struct RegistryValue {
  std::uint32_t type = 0;
  std::string data;
};

struct RegistryKey {
  bool denied = false;
  std::map<std::string, RegistryValue> values;
};

struct Registry {
  std::map<std::string, RegistryKey> keys;
  int openKeys = 0;
  std::function<void()> beforeDataQuery;
};
Registry& TheRegistry() {
  static Registry r;
  return r;
}

std::string KeyPath(std::uintptr_t root, const std::string& subKey) {
  return std::to_string(root) + "\\" + FoldCase(subKey);
}

struct SimKey {
  std::string path;
};

std::map<std::string, std::pair<std::uint32_t, std::uint32_t>>& FileVersions() {
  static std::map<std::string, std::pair<std::uint32_t, std::uint32_t>> v;
  return v;
}

}  // namespace

long RegistryOpenKey(std::uintptr_t root, const std::string& subKey, RegKey* key) {
  auto& r = TheRegistry();
  const std::string path = KeyPath(root, subKey);
  bool exists = subKey.empty();
  bool denied = false;
  for (const auto& [name, k] : r.keys) {
    if (name == path) {
      exists = true;
      denied = k.denied;
    } else if (name.compare(0, path.size() + 1, path + "\\") == 0) {
      exists = true;  // a parent of a key that exists
    }
  }
  if (!exists) return kErrorFileNotFound;
  if (denied) return kErrorAccessDenied;
  *key = new SimKey{path};
  ++r.openKeys;
  return 0;
}

long RegistryQueryValue(RegKey key, const std::string& valueName, std::uint32_t* type,
                   unsigned char* data, std::uint32_t* size) {
  auto& r = TheRegistry();
  if (data != nullptr && r.beforeDataQuery) r.beforeDataQuery();
  auto k = r.keys.find(static_cast<SimKey*>(key)->path);
  if (k == r.keys.end()) return kErrorFileNotFound;
  auto v = k->second.values.find(FoldCase(valueName));
  if (v == k->second.values.end()) return kErrorFileNotFound;
  if (type) *type = v->second.type;
  const auto needed = static_cast<std::uint32_t>(v->second.data.size());
  if (data == nullptr) {
    if (size) *size = needed;
    return 0;
  }
  if (size == nullptr || *size < needed) {
    if (size) *size = needed;
    return kErrorMoreData;
  }
  std::copy(v->second.data.begin(), v->second.data.end(), data);
  *size = needed;
  return 0;
}

void RegistryCloseKey(RegKey key) {
  if (key == nullptr) return;
  delete static_cast<SimKey*>(key);
  --TheRegistry().openKeys;
}

std::uint32_t FileVersionInfoSize(const std::string& path) {
  return FileVersions().count(NativePath(path)) ? 2 * sizeof(std::uint32_t) : 0;
}

bool FileVersionInfo(const std::string& path, std::uint32_t size, void* block) {
  auto it = FileVersions().find(NativePath(path));
  if (it == FileVersions().end() || size < 2 * sizeof(std::uint32_t)) return false;
  auto* words = static_cast<std::uint32_t*>(block);
  words[0] = it->second.first;
  words[1] = it->second.second;
  return true;
}

bool QueryFixedFileVersion(const void* block, std::uint32_t* versionMS, std::uint32_t* versionLS) {
  const auto* words = static_cast<const std::uint32_t*>(block);
  *versionMS = words[0];
  *versionLS = words[1];
  return true;
}

namespace sim {
void ClearRegistry() { TheRegistry().keys.clear(); }
void SetRegistryValue(std::uintptr_t root, const std::string& subKey, const std::string& name,
                      std::uint32_t type, const std::string& data) {
  TheRegistry().keys[KeyPath(root, subKey)].values[FoldCase(name)] = {type, data};
}
void DenyRegistryKey(std::uintptr_t root, const std::string& subKey) {
  TheRegistry().keys[KeyPath(root, subKey)].denied = true;
}
int OpenRegistryKeyCount() { return TheRegistry().openKeys; }
void OnRegistryDataQuery(std::function<void()> hook) { TheRegistry().beforeDataQuery = std::move(hook); }
void ClearFileVersions() { FileVersions().clear(); }
void SetFileVersion(const std::string& path, std::uint32_t versionMS, std::uint32_t versionLS) {
  FileVersions()[NativePath(path)] = {versionMS, versionLS};
}

int OpenMutexHandleCount() {
  std::lock_guard g(Mutexes().lock);
  return Mutexes().openHandles;
}
void FailMutexCreation(bool fail) {
  std::lock_guard g(Mutexes().lock);
  Mutexes().failCreation = fail;
}
void SetModuleFileName(const std::string& path) { ModulePathOverride() = path; }
}  // namespace sim

}  // namespace platform
