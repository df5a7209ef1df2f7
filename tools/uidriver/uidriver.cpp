#include "uidriver.h"

#include <commctrl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>

namespace uidriver {

std::wstring Widen(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string Utf8(const std::wstring& wide) {
  if (wide.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                    nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr,
                      nullptr);
  return out;
}

std::string WindowsPath(const std::string& path) {
  if (path.empty() || path[0] != '/') return path;
  std::string out = "Z:" + path;
  std::replace(out.begin(), out.end(), '/', '\\');
  return out;
}

// ---- Process -----------------------------------------------------------------

Process Process::Start(const std::string& exe, const std::string& workDir) {
  const std::wstring exeW = Widen(WindowsPath(exe));
  std::wstring dir = Widen(WindowsPath(workDir));
  if (dir.empty()) dir = exeW.substr(0, exeW.find_last_of(L'\\') + 1);
  std::wstring cmd = L"\"" + exeW + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  Process p;
  if (!CreateProcessW(exeW.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      dir.empty() ? nullptr : dir.c_str(), &si, &pi))
    return p;
  CloseHandle(pi.hThread);
  p.handle_ = pi.hProcess;
  p.pid_ = pi.dwProcessId;
  return p;
}

Process::Process(Process&& other) noexcept { *this = std::move(other); }

Process& Process::operator=(Process&& other) noexcept {
  if (this != &other) {
    Kill();
    handle_ = other.handle_;
    pid_ = other.pid_;
    other.handle_ = nullptr;
    other.pid_ = 0;
  }
  return *this;
}

Process::~Process() { Kill(); }

bool Process::Running() const {
  return handle_ != nullptr && WaitForSingleObject(handle_, 0) == WAIT_TIMEOUT;
}

bool Process::WaitExit(DWORD ms, DWORD* code) {
  if (handle_ == nullptr) return true;
  if (WaitForSingleObject(handle_, ms) != WAIT_OBJECT_0) return false;
  if (code != nullptr) GetExitCodeProcess(handle_, code);
  return true;
}

void Process::Kill() {
  if (handle_ == nullptr) return;
  if (Running()) {
    TerminateProcess(handle_, 255);
    WaitForSingleObject(handle_, 5000);
  }
  CloseHandle(handle_);
  handle_ = nullptr;
  pid_ = 0;
}

void Process::Detach() {
  if (handle_ != nullptr) CloseHandle(handle_);
  handle_ = nullptr;
  pid_ = 0;
}

DWORD FindProcess(const std::string& imageName) {
  const std::wstring name = Widen(imageName);
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) return 0;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  DWORD pid = 0;
  for (BOOL ok = Process32FirstW(snap, &entry); ok; ok = Process32NextW(snap, &entry))
    if (_wcsicmp(entry.szExeFile, name.c_str()) == 0) pid = entry.th32ProcessID;
  CloseHandle(snap);
  return pid;
}

// ---- Finding windows -------------------------------------------------------------

namespace {

bool IsDialogClass(HWND hwnd) {
  wchar_t cls[64] = {};
  GetClassNameW(hwnd, cls, 64);
  return wcscmp(cls, L"#32770") == 0;
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t cls[64] = {};
  GetClassNameW(hwnd, cls, 64);
  return cls;
}

template <typename F>
HWND FindTopLevel(DWORD pid, F accept) {
  struct Search {
    DWORD pid;
    F* accept;
    HWND found;
  } search{pid, &accept, nullptr};
  EnumWindows(
      [](HWND hwnd, LPARAM lp) -> BOOL {
        auto* s = reinterpret_cast<Search*>(lp);
        DWORD owner = 0;
        GetWindowThreadProcessId(hwnd, &owner);
        if (owner != s->pid || !IsWindowVisible(hwnd) || !IsDialogClass(hwnd)) return TRUE;
        if (!(*s->accept)(hwnd)) return TRUE;
        s->found = hwnd;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool IsWizard(HWND hwnd) { return GetDlgItem(hwnd, 0x3024) != nullptr; }

}  // namespace

HWND FindWizard(DWORD pid) { return FindTopLevel(pid, [](HWND h) { return IsWizard(h); }); }

HWND WaitForWizard(DWORD pid, DWORD ms) {
  HWND found = nullptr;
  WaitUntil([&] { return (found = FindWizard(pid)) != nullptr; }, ms);
  return found;
}

HWND FindMessageBox(DWORD pid) { return FindTopLevel(pid, [](HWND h) { return !IsWizard(h); }); }

HWND WaitForMessageBox(DWORD pid, DWORD ms) {
  HWND found = nullptr;
  WaitUntil([&] { return (found = FindMessageBox(pid)) != nullptr; }, ms);
  return found;
}

// ---- Reading ------------------------------------------------------------------------

std::string TextOf(HWND window) {
  if (window == nullptr) return {};
  wchar_t buf[4096] = {};
  const int n = InternalGetWindowText(window, buf, 4096);
  return Utf8(std::wstring(buf, static_cast<size_t>(n > 0 ? n : 0)));
}

HWND Control(HWND parent, int id) { return parent ? GetDlgItem(parent, id) : nullptr; }

bool Enabled(HWND window) { return window != nullptr && IsWindowEnabled(window); }

bool Visible(HWND window) {
  return window != nullptr && (GetWindowLongPtrW(window, GWL_STYLE) & WS_VISIBLE) != 0;
}

namespace {
LRESULT Ask(HWND window, UINT msg, WPARAM w = 0, LPARAM l = 0, bool* answered = nullptr) {
  DWORD_PTR result = 0;
  const LRESULT ok = SendMessageTimeoutW(window, msg, w, l, SMTO_ABORTIFHUNG, 3000, &result);
  if (answered) *answered = ok != 0;
  return static_cast<LRESULT>(result);
}
}  // namespace

int Checked(HWND checkBox) {
  if (checkBox == nullptr) return -1;
  bool answered = false;
  const LRESULT r = Ask(checkBox, BM_GETCHECK, 0, 0, &answered);
  return answered ? (r == BST_CHECKED ? 1 : 0) : -1;
}

int ProgressPos(HWND bar) { return bar ? static_cast<int>(Ask(bar, PBM_GETPOS)) : -1; }
int ProgressMax(HWND bar) { return bar ? static_cast<int>(Ask(bar, PBM_GETRANGE, FALSE, 0)) : -1; }

HWND ActivePage(HWND wizard) {
  for (HWND child = GetWindow(wizard, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    if (IsDialogClass(child) && (GetWindowLongPtrW(child, GWL_STYLE) & WS_VISIBLE)) return child;
  return nullptr;
}

int ActivePageIndex(HWND wizard) {
  // PSM_GETCURRENTPAGEHWND would need the page list; count the page windows
  // in creation order instead, which is page order for a wizard that creates
  // them as they are first shown.
  HWND active = ActivePage(wizard);
  if (active == nullptr) return -1;
  bool answered = false;
  const LRESULT index = Ask(wizard, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(active), 0, &answered);
  return answered ? static_cast<int>(index) : -1;
}

namespace {

// Which standard icon a message box shows: the icon control's pixels are
// compared with each standard icon drawn over the same background.
std::string IdentifyIcon(HWND iconControl) {
  RECT r;
  if (!GetWindowRect(iconControl, &r)) return "";
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return "";
  HDC screen = GetDC(nullptr);
  HDC shot = CreateCompatibleDC(screen);
  HBITMAP shotBmp = CreateCompatibleBitmap(screen, w, h);
  SelectObject(shot, shotBmp);
  BitBlt(shot, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  const COLORREF background = GetPixel(shot, 0, 0);

  struct Candidate {
    LPCWSTR id;
    const char* name;
  } candidates[] = {{MAKEINTRESOURCEW(32513), "stop"},
                    {MAKEINTRESOURCEW(32515), "exclamation"},
                    {MAKEINTRESOURCEW(32514), "question"},
                    {MAKEINTRESOURCEW(32516), "information"}};
  std::string best;
  long bestDiff = -1;
  for (const auto& c : candidates) {
    HDC drawn = CreateCompatibleDC(screen);
    HBITMAP drawnBmp = CreateCompatibleBitmap(screen, w, h);
    SelectObject(drawn, drawnBmp);
    HBRUSH brush = CreateSolidBrush(background);
    RECT all{0, 0, w, h};
    FillRect(drawn, &all, brush);
    DeleteObject(brush);
    DrawIconEx(drawn, 0, 0, LoadIconW(nullptr, c.id), 0, 0, 0, nullptr, DI_NORMAL | DI_DEFAULTSIZE);
    long diff = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (GetPixel(drawn, x, y) != GetPixel(shot, x, y)) ++diff;
    if (bestDiff < 0 || diff < bestDiff) {
      bestDiff = diff;
      best = c.name;
    }
    DeleteDC(drawn);
    DeleteObject(drawnBmp);
  }
  DeleteDC(shot);
  DeleteObject(shotBmp);
  ReleaseDC(nullptr, screen);
  // A clear match differs in a few anti-aliased pixels at most.
  return bestDiff >= 0 && bestDiff * 10 < w * h ? best : "";
}

}  // namespace

BoxInfo ReadBox(HWND box) {
  BoxInfo info;
  info.caption = TextOf(box);
  info.owner = GetWindow(box, GW_OWNER);
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    const std::wstring cls = ClassOf(child);
    const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
    if (_wcsicmp(cls.c_str(), L"Button") == 0) {
      if (!(style & WS_VISIBLE)) continue;
      info.buttons.push_back({GetDlgCtrlID(child), TextOf(child)});
      // The default button is the one Enter presses: it wears the default style.
      if ((style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) info.defaultButton = GetDlgCtrlID(child);
    } else if (_wcsicmp(cls.c_str(), L"Static") == 0) {
      if ((style & SS_TYPEMASK) == SS_ICON) {
        info.icon = IdentifyIcon(child);
      } else {
        const std::string text = TextOf(child);
        if (text.size() > info.text.size()) info.text = text;
      }
    }
  }
  return info;
}

BoxInfo ReadPaintedBox(HWND box, DWORD ms) {
  BoxInfo info;
  WaitUntil([&] { return !(info = ReadBox(box)).icon.empty() || !IsWindow(box); }, ms);
  return info;
}

// ---- Acting -----------------------------------------------------------------------

bool Press(HWND button) {
  if (button == nullptr || !Visible(button) || !IsWindowEnabled(button)) return false;
  HWND top = GetAncestor(button, GA_ROOT);
  if (top != nullptr && !IsWindowEnabled(top)) return false;  // a modal box is up
  return PostMessageW(button, BM_CLICK, 0, 0) != 0;
}

bool Press(HWND parent, int id) { return Press(Control(parent, id)); }

bool ClickCheckBox(HWND page, int id) { return Press(Control(page, id)); }

bool Answer(HWND box, int id) {
  HWND button = GetDlgItem(box, id);
  if (button == nullptr) return false;
  return PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button)) != 0;
}

void SendEscape(HWND window) {
  GUITHREADINFO gui{};
  gui.cbSize = sizeof(gui);
  HWND target = window;
  if (GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &gui) && gui.hwndFocus != nullptr)
    target = gui.hwndFocus;
  PostMessageW(target, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
  PostMessageW(target, WM_KEYUP, VK_ESCAPE, static_cast<LPARAM>(0xC0010001u));
}

void CloseFromFrame(HWND window) { PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0); }

// ---- Screenshots ---------------------------------------------------------------------

namespace {

std::uint32_t Crc32(const unsigned char* data, size_t n, std::uint32_t crc = 0) {
  static std::uint32_t table[256];
  static bool ready = false;
  if (!ready) {
    for (std::uint32_t i = 0; i < 256; ++i) {
      std::uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      table[i] = c;
    }
    ready = true;
  }
  crc = ~crc;
  for (size_t i = 0; i < n; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

void Put32(std::string& out, std::uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) out += static_cast<char>((v >> s) & 0xFF);
}

void Chunk(std::string& png, const char* type, const std::string& data) {
  Put32(png, static_cast<std::uint32_t>(data.size()));
  std::string body = std::string(type, 4) + data;
  png += body;
  Put32(png, Crc32(reinterpret_cast<const unsigned char*>(body.data()), body.size()));
}

// PNG with stored (uncompressed) deflate blocks: no compression library, and
// screenshots are small enough.
std::string EncodePng(int w, int h, const std::vector<unsigned char>& rgb) {
  std::string raw;
  raw.reserve(static_cast<size_t>(h) * (w * 3 + 1));
  for (int y = 0; y < h; ++y) {
    raw += '\0';
    raw.append(reinterpret_cast<const char*>(&rgb[static_cast<size_t>(y) * w * 3]), static_cast<size_t>(w) * 3);
  }
  std::string z = "\x78\x01";
  for (size_t pos = 0; pos < raw.size() || pos == 0;) {
    const size_t len = std::min<size_t>(65535, raw.size() - pos);
    const bool last = pos + len >= raw.size();
    z += static_cast<char>(last ? 1 : 0);
    z += static_cast<char>(len & 0xFF);
    z += static_cast<char>(len >> 8);
    z += static_cast<char>(~len & 0xFF);
    z += static_cast<char>((~len >> 8) & 0xFF);
    z.append(raw, pos, len);
    pos += len;
    if (last) break;
  }
  std::uint32_t a = 1, b = 0;
  for (unsigned char c : raw) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  Put32(z, (b << 16) | a);

  std::string png = "\x89PNG\r\n\x1a\n";
  std::string ihdr;
  Put32(ihdr, static_cast<std::uint32_t>(w));
  Put32(ihdr, static_cast<std::uint32_t>(h));
  ihdr += std::string("\x08\x02\x00\x00\x00", 5);  // 8-bit RGB
  Chunk(png, "IHDR", ihdr);
  Chunk(png, "IDAT", z);
  Chunk(png, "IEND", "");
  return png;
}

}  // namespace

bool Screenshot(const std::string& pngPath) {
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  if (w <= 0 || h <= 0) return false;
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  HBITMAP bmp = CreateCompatibleBitmap(screen, w, h);
  SelectObject(mem, bmp);
  BitBlt(mem, 0, 0, w, h, screen, 0, 0, SRCCOPY);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;  // top-down
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  std::vector<unsigned char> bgra(static_cast<size_t>(w) * h * 4);
  GetDIBits(mem, bmp, 0, static_cast<UINT>(h), bgra.data(), &bi, DIB_RGB_COLORS);
  DeleteDC(mem);
  DeleteObject(bmp);
  ReleaseDC(nullptr, screen);
  std::vector<unsigned char> rgb(static_cast<size_t>(w) * h * 3);
  for (size_t i = 0, j = 0; i < bgra.size(); i += 4, j += 3) {
    rgb[j] = bgra[i + 2];
    rgb[j + 1] = bgra[i + 1];
    rgb[j + 2] = bgra[i];
  }
  std::ofstream out(std::filesystem::path(Widen(WindowsPath(pngPath))), std::ios::binary);
  const std::string png = EncodePng(w, h, rgb);
  out.write(png.data(), static_cast<std::streamsize>(png.size()));
  return out.good();
}

}  // namespace uidriver
