// The platform on the real Win32 API, in its ANSI forms.
#include <windows.h>

#include <deque>

#include "base/code_page.h"
#include "platform/platform.h"

namespace platform {
namespace {

struct LeadByteTable {
  bool lead[256] = {};
  LeadByteTable() {
    CPINFO info{};
    if (!GetCPInfo(GetACP(), &info)) return;
    for (int i = 0; i + 1 < MAX_LEADBYTES && (info.LeadByte[i] | info.LeadByte[i + 1]); i += 2)
      for (int b = info.LeadByte[i]; b <= info.LeadByte[i + 1]; ++b) lead[b] = true;
  }
};

std::deque<std::function<void()>>& Tasks() {
  static std::deque<std::function<void()>> q;
  return q;
}

}  // namespace

void KillThisProcess() {
  ::TerminateProcess(::GetCurrentProcess(), 9);
  ::ExitProcess(9);
}

bool IsLeadByte(unsigned char byte) {
  static const LeadByteTable table;
  return table.lead[byte];
}

std::string ProgramPath(const std::string& toolPath) { return toolPath; }

std::string EngineFileName(const std::string& path, bool* ok) {
  // The program's paths are already Windows paths; SQLite wants them in UTF-8.
  bool lossy = false;
  std::string name = base::Cp932ToUtf8(path, &lossy);
  *ok = !lossy && !path.empty();
  return name;
}

Handle OpenNamedMutex(const std::string& name) {
  return OpenMutexA(MUTEX_ALL_ACCESS, FALSE, name.c_str());
}

Handle CreateNamedMutex(const std::string& name, bool* alreadyExisted) {
  HANDLE h = CreateMutexA(nullptr, FALSE, name.c_str());
  if (alreadyExisted) *alreadyExisted = h != nullptr && GetLastError() == ERROR_ALREADY_EXISTS;
  return h;
}

void CloseHandle(Handle handle) {
  if (handle != nullptr) ::CloseHandle(handle);
}

bool FindFirstEntry(const std::string& path, FindEntry* entry) {
  WIN32_FIND_DATAA data{};
  HANDLE search = FindFirstFileA(path.c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  entry->attributes = data.dwFileAttributes;
  entry->sizeHigh = data.nFileSizeHigh;
  entry->sizeLow = data.nFileSizeLow;
  return true;
}

std::string ModuleFileName() {
  std::string buf(MAX_PATH, '\0');
  while (true) {
    const DWORD n = GetModuleFileNameA(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return {};
    if (n < buf.size()) {
      buf.resize(n);
      return buf;
    }
    buf.resize(buf.size() * 2);
  }
}

long RegistryOpenKey(std::uintptr_t root, const std::string& subKey, RegKey* key) {
  HKEY opened = nullptr;
  const LONG rc = RegOpenKeyExA(reinterpret_cast<HKEY>(root), subKey.c_str(), 0, KEY_READ, &opened);
  if (rc == ERROR_SUCCESS) *key = opened;
  return rc;
}

long RegistryQueryValue(RegKey key, const std::string& valueName, std::uint32_t* type,
                   unsigned char* data, std::uint32_t* size) {
  DWORD t = 0;
  DWORD n = size ? *size : 0;
  const LONG rc = RegQueryValueExA(static_cast<HKEY>(key), valueName.c_str(), nullptr, &t, data,
                                   size ? &n : nullptr);
  if (type) *type = t;
  if (size) *size = n;
  return rc;
}

void RegistryCloseKey(RegKey key) {
  if (key != nullptr) ::RegCloseKey(static_cast<HKEY>(key));
}

std::uint32_t FileVersionInfoSize(const std::string& path) {
  DWORD handle = 0;
  return GetFileVersionInfoSizeA(path.c_str(), &handle);
}

bool FileVersionInfo(const std::string& path, std::uint32_t size, void* block) {
  return GetFileVersionInfoA(path.c_str(), 0, size, block) != FALSE;
}

bool QueryFixedFileVersion(const void* block, std::uint32_t* versionMS, std::uint32_t* versionLS) {
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(block, "\\", &value, &length) || value == nullptr ||
      length < sizeof(VS_FIXEDFILEINFO))
    return false;
  const auto* info = static_cast<const VS_FIXEDFILEINFO*>(value);
  *versionMS = info->dwFileVersionMS;
  *versionLS = info->dwFileVersionLS;
  return true;
}

bool DispatchOnePendingMessage() {
  MSG msg;
  if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    return true;
  }
  auto& q = Tasks();
  if (q.empty()) return false;
  auto task = std::move(q.front());
  q.pop_front();
  task();
  return true;
}

void PostTask(std::function<void()> task) { Tasks().push_back(std::move(task)); }

}  // namespace platform
