#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <memory>
#include <vector>

#include "framework/afx.h"
#include "framework/win32_backend.h"

namespace fw::win32 {
namespace {

std::string WindowTextOf(HWND hwnd) {
  if (hwnd == nullptr) return {};
  const int n = GetWindowTextLengthA(hwnd);
  std::string text(static_cast<size_t>(n) + 1, '\0');
  const int got = GetWindowTextA(hwnd, text.data(), n + 1);
  text.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return text;
}

class Win32Window : public virtual WindowPeer {
 public:
  explicit Win32Window(HWND hwnd) : hwnd_(hwnd) {}
  HWND Hwnd() const { return hwnd_; }

  std::string GetText() override { return WindowTextOf(hwnd_); }
  void SetText(std::string_view text) override { SetWindowTextA(hwnd_, std::string(text).c_str()); }

  // A control the template lacks is a null window here, as GetDlgItem gives
  // it: reading it yields nothing and changing it does nothing.
  std::string GetItemText(int id) override { return WindowTextOf(Item(id)); }
  void SetItemText(int id, std::string_view text) override {
    if (HWND item = Item(id)) SetWindowTextA(item, std::string(text).c_str());
  }
  bool IsItemEnabled(int id) override { return Item(id) && IsWindowEnabled(Item(id)); }
  void EnableItem(int id, bool enable) override {
    if (HWND item = Item(id)) EnableWindow(item, enable ? TRUE : FALSE);
  }
  // The control's own visibility, whatever its parent's.
  bool IsItemVisible(int id) override {
    HWND item = Item(id);
    return item && (GetWindowLongPtrA(item, GWL_STYLE) & WS_VISIBLE);
  }
  void ShowItem(int id, bool show) override {
    if (HWND item = Item(id)) ShowWindow(item, show ? SW_SHOW : SW_HIDE);
  }
  int GetItemCheck(int id) override {
    HWND item = Item(id);
    return item && SendMessageA(item, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
  }
  void SetItemCheck(int id, int state) override {
    if (HWND item = Item(id)) SendMessageA(item, BM_SETCHECK, state ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  std::intptr_t SendItemMessage(int id, unsigned msg, std::uintptr_t wParam,
                                std::intptr_t lParam) override {
    HWND item = Item(id);
    return item ? SendMessageA(item, msg, wParam, lParam) : 0;
  }

 protected:
  HWND Item(int id) const { return GetDlgItem(hwnd_, id); }
  HWND hwnd_;
};

// The sheet.  Wine's comctl32 re-titles a wizard with the page's own title
// after every page change; pages here have none, so that would blank the
// title the welcome page sets.  The sheet window is subclassed so that, once
// the program has set a title, the sheet keeps it.
class Win32Sheet : public Win32Window, public SheetPeer {
 public:
  explicit Win32Sheet(HWND hwnd) : Win32Window(hwnd) {
    SetPropA(hwnd, kProp, this);
    original_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc)));
  }
  ~Win32Sheet() override {
    if (IsWindow(hwnd_)) {
      SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
      RemovePropA(hwnd_, kProp);
    }
  }

  void SetText(std::string_view text) override {
    title_ = std::string(text);
    titleSet_ = true;
    SetWindowTextA(hwnd_, title_.c_str());
  }
  void SetWizardButtons(unsigned mask) override {
    // Sent, not posted as the header's macro does, so that it applies now.
    SendMessageA(hwnd_, PSM_SETWIZBUTTONS, 0, static_cast<LPARAM>(mask));
  }
  void PostCommand(int id) override { PostMessageA(hwnd_, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

 private:
  static constexpr const char* kProp = "fw.sheet";

  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<Win32Sheet*>(GetPropA(hwnd, kProp));
    if (self == nullptr) return DefWindowProcA(hwnd, msg, wParam, lParam);
    if (msg == WM_SETTEXT && self->titleSet_) {
      return CallWindowProcA(self->original_, hwnd, msg, wParam,
                             reinterpret_cast<LPARAM>(self->title_.c_str()));
    }
    return CallWindowProcA(self->original_, hwnd, msg, wParam, lParam);
  }

  WNDPROC original_ = nullptr;
  std::string title_;
  bool titleSet_ = false;
};

struct PageContext {
  CPropertySheet* sheet = nullptr;
  CPropertyPage* page = nullptr;
  std::unique_ptr<Win32Window> window;
};

struct RunningSheet {
  CPropertySheet* sheet = nullptr;
  std::unique_ptr<Win32Sheet> peer;
};
RunningSheet* g_running = nullptr;

void EnsureSheetPeer(HWND sheetHwnd) {
  if (g_running == nullptr || g_running->peer) return;
  g_running->peer = std::make_unique<Win32Sheet>(sheetHwnd);
  g_running->sheet->AttachWindow(g_running->peer.get());
}

int CALLBACK SheetCallback(HWND hwnd, UINT msg, LPARAM) {
  if (msg == PSCB_INITIALIZED) EnsureSheetPeer(hwnd);
  return 0;
}

INT_PTR CALLBACK PageProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* ctx = reinterpret_cast<PageContext*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  switch (msg) {
    case WM_INITDIALOG: {
      ctx = reinterpret_cast<PageContext*>(reinterpret_cast<PROPSHEETPAGEA*>(lParam)->lParam);
      SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(ctx));
      EnsureSheetPeer(GetParent(hwnd));
      ctx->window = std::make_unique<Win32Window>(hwnd);
      ctx->page->AttachWindow(ctx->sheet, ctx->window.get());
      return ctx->page->OnInitDialog() ? TRUE : FALSE;
    }
    case WM_NOTIFY: {
      if (ctx == nullptr) return FALSE;
      LONG_PTR result = 0;
      switch (reinterpret_cast<NMHDR*>(lParam)->code) {
        case PSN_SETACTIVE: result = ctx->page->OnSetActive() ? 0 : -1; break;
        case PSN_WIZNEXT: result = ctx->page->OnWizardNext(); break;
        case PSN_WIZBACK: result = ctx->page->OnWizardBack(); break;
        case PSN_WIZFINISH: result = ctx->page->OnWizardFinish() ? FALSE : TRUE; break;
        case PSN_QUERYCANCEL: result = ctx->page->OnQueryCancel() ? FALSE : TRUE; break;
        default: return FALSE;
      }
      SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, result);
      return TRUE;
    }
    case WM_COMMAND:
      if (ctx != nullptr && ctx->page->OnCommand(LOWORD(wParam), HIWORD(wParam))) return TRUE;
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

HWND WindowOf(WindowPeer* peer) {
  auto* window = dynamic_cast<Win32Window*>(peer);
  return window ? window->Hwnd() : nullptr;
}

std::string Win32Backend::LoadStringResource(unsigned id) {
  // The resource itself, whatever its length: no buffer to truncate it.
  const wchar_t* text = nullptr;
  const int length = LoadStringW(resources_, id, reinterpret_cast<LPWSTR>(&text), 0);
  if (length <= 0 || text == nullptr) return {};
  const int n = WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) WideCharToMultiByte(CP_ACP, 0, text, length, out.data(), n, nullptr, nullptr);
  return out;
}

int Win32Backend::ShowMessageBox(WindowPeer* owner, const std::string& text, const std::string& caption,
                             unsigned style) {
  return MessageBoxA(WindowOf(owner), text.c_str(), caption.c_str(), style);
}

int Win32Backend::RunModalSheet(CPropertySheet& sheet) {
  const auto& pages = sheet.Pages();
  std::vector<PageContext> contexts(pages.size());
  std::vector<PROPSHEETPAGEA> psp(pages.size());
  for (size_t i = 0; i < pages.size(); ++i) {
    contexts[i].sheet = &sheet;
    contexts[i].page = pages[i];
    PROPSHEETPAGEA& p = psp[i];
    p = PROPSHEETPAGEA{};
    p.dwSize = sizeof(PROPSHEETPAGEA);
    p.dwFlags = PSP_DEFAULT;
    p.hInstance = resources_;
    p.pszTemplate = MAKEINTRESOURCEA(pages[i]->TemplateId());
    p.pfnDlgProc = &PageProc;
    p.lParam = reinterpret_cast<LPARAM>(&contexts[i]);
  }

  PROPSHEETHEADERA header{};
  header.dwSize = sizeof(header);
  header.dwFlags = PSH_PROPSHEETPAGE | PSH_USECALLBACK | sheet.m_psh.dwFlags;
  header.hInstance = resources_;
  header.nPages = static_cast<UINT>(psp.size());
  header.nStartPage = 0;
  header.ppsp = psp.data();
  header.pfnCallback = &SheetCallback;

  RunningSheet running;
  running.sheet = &sheet;
  RunningSheet* outer = g_running;
  g_running = &running;
  const INT_PTR result = PropertySheetA(&header);
  g_running = outer;

  for (auto* page : pages) page->AttachWindow(nullptr, nullptr);
  sheet.AttachWindow(nullptr);
  // The window is gone: the application no longer has a main window.
  if (CWinApp* app = AfxGetApp(); app != nullptr && app->m_pMainWnd == &sheet) app->m_pMainWnd = nullptr;
  return result > 0 ? kIdOk : kIdCancel;
}

}  // namespace fw::win32
