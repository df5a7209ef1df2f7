// The native build's platform: real files through POSIX, and in-process
// stand-ins for what only Windows has (named mutexes shared between
// processes, the thread's window-message queue).
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <deque>
#include <map>
#include <mutex>

#include "platform/platform.h"
#include "platform/sim.h"

namespace platform {
namespace {

std::string Convert(const char* to, const char* from, std::string_view in, bool* lossy) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    if (lossy) *lossy = !in.empty();
    return {};
  }
  std::string out;
  out.resize(in.size() * 4 + 16);
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char* dst = out.data();
  size_t dstLeft = out.size();
  bool dropped = false;
  while (srcLeft > 0) {
    if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) != static_cast<size_t>(-1)) break;
    if (errno == EINVAL) {  // incomplete character at the end: drop it
      dropped = true;
      break;
    }
    if (errno == EILSEQ) {  // no counterpart or malformed: drop one byte, go on
      dropped = true;
      ++src;
      --srcLeft;
      continue;
    }
    if (errno == E2BIG) {  // cannot happen with 4x room, but stay safe
      const size_t used = static_cast<size_t>(dst - out.data());
      out.resize(out.size() * 2);
      dst = out.data() + used;
      dstLeft = out.size() - used;
      continue;
    }
    dropped = true;
    break;
  }
  out.resize(static_cast<size_t>(dst - out.data()));
  iconv_close(cd);
  if (lossy) *lossy = dropped;
  return out;
}

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

// Windows-shaped paths built by the updater ("dir\\ZMF0") name the same
// files natively.
std::string NativePath(const std::string& path) {
  std::string p = path;
  for (auto& c : p)
    if (c == '\\') c = '/';
  return p;
}

}  // namespace

bool IsLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

std::string Cp932ToUtf8(std::string_view cp932, bool* lossy) {
  return Convert("UTF-8", "CP932", cp932, lossy);
}
std::string Utf8ToCp932(std::string_view utf8, bool* lossy) {
  return Convert("CP932", "UTF-8", utf8, lossy);
}

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

namespace sim {
int OpenMutexHandleCount() {
  std::lock_guard g(Mutexes().lock);
  return Mutexes().openHandles;
}
void FailMutexCreation(bool fail) {
  std::lock_guard g(Mutexes().lock);
  Mutexes().failCreation = fail;
}
void SetModuleFileName(const std::string& path) { ModulePathOverride() = path; }
void ClearMessageQueue() { Queue().clear(); }
size_t PendingMessageCount() { return Queue().size(); }
}  // namespace sim

}  // namespace platform
