#include "framework/memory_backend.h"

#include <stdexcept>
#include <strings.h>

#include "base/text.h"
#include "platform/platform.h"
#include "resource_script.h"

namespace fw::memory {
namespace {

constexpr std::uint32_t kWsVisible = 0x10000000;
constexpr std::uint32_t kWsDisabled = 0x08000000;
constexpr std::uint32_t kBsAutoCheckBox = 0x3;

bool SameClass(const std::string& a, const char* b) { return strcasecmp(a.c_str(), b) == 0; }

}  // namespace

bool Control::IsAutoCheckBox() const {
  return SameClass(className, "Button") && (style & 0xF) == kBsAutoCheckBox;
}
bool Control::IsProgressBar() const { return SameClass(className, "msctls_progress32"); }

int DefaultAnswer(unsigned style) {
  const bool second = (style & 0xF00) == kMbDefButton2;
  switch (style & kMbTypeMask) {
    case kMbOkCancel: return second ? kIdCancel : kIdOk;
    case kMbYesNo: return second ? kIdNo : kIdYes;
    case kMbYesNoCancel: return second ? kIdNo : kIdYes;
    default: return kIdOk;
  }
}

// ---- MemoryWindow ----------------------------------------------------------------

Control& MemoryWindow::Item(int id) {
  for (auto& c : controls_)
    if (c.id == id) return c;
  throw std::out_of_range("no control with identifier " + std::to_string(id));
}

std::intptr_t MemoryWindow::SendItemMessage(int id, unsigned msg, std::uintptr_t wParam,
                                            std::intptr_t lParam) {
  Control& c = Item(id);
  if (!c.IsProgressBar()) return 0;
  // The progress bar's own arithmetic: a 16-bit range, a position kept in
  // range, and a step past the top that starts over from the bottom.
  switch (msg) {
    case kPbmSetRange: {
      const std::intptr_t old = (c.rangeLow & 0xFFFF) | ((c.rangeHigh & 0xFFFF) << 16);
      c.rangeLow = static_cast<int>(lParam & 0xFFFF);
      c.rangeHigh = static_cast<int>((lParam >> 16) & 0xFFFF);
      return old;
    }
    case kPbmSetPos: {
      const int old = c.pos;
      int pos = static_cast<int>(static_cast<std::int32_t>(wParam));
      if (pos < c.rangeLow) pos = c.rangeLow;
      if (pos > c.rangeHigh) pos = c.rangeHigh;
      c.pos = pos;
      return old;
    }
    case kPbmSetStep: {
      const int old = c.step;
      c.step = static_cast<int>(static_cast<std::int32_t>(wParam));
      return old;
    }
    case kPbmStepIt: {
      const int old = c.pos;
      if (c.rangeLow != c.rangeHigh) {
        c.pos += c.step;
        if (c.pos > c.rangeHigh)
          c.pos = (c.pos - c.rangeLow) % (c.rangeHigh - c.rangeLow) + c.rangeLow;
      }
      return old;
    }
    case kPbmGetPos: return c.pos;
    case kPbmGetRange: return wParam ? c.rangeLow : c.rangeHigh;
    default: return 0;
  }
}

// ---- MemoryWizard ----------------------------------------------------------------

MemoryWizard::MemoryWizard(MemoryBackend& backend, CPropertySheet& sheet)
    : backend_(backend), sheet_(sheet) {
  // The sheet's own buttons as comctl32 makes them: Back and Next enabled
  // at first, Finish hidden until a mask asks for it.
  auto button = [](int id, const char* utf8Text, bool visible) {
    Control c;
    c.id = id;
    c.className = "Button";
    c.text = Ansi(utf8Text);
    c.visible = visible;
    return c;
  };
  controls_.push_back(button(kIdWizBack, "< 戻る(&B)", true));
  controls_.push_back(button(kIdWizNext, "次へ(&N) >", true));
  controls_.push_back(button(kIdWizFinish, "完了", false));
  controls_.push_back(button(kIdCancel, "キャンセル", true));
  pageWindows_.resize(sheet.Pages().size());
}

MemoryWizard::~MemoryWizard() {
  *alive_ = false;
  if (!closed_) Close(kIdCancel);
  if (backend_.current_ == this) backend_.current_ = nullptr;
}

void MemoryWizard::Start() {
  sheet_.AttachWindow(this);
  backend_.current_ = this;
  if (!sheet_.Pages().empty()) Activate(0);
}

void MemoryWizard::Activate(size_t index) {
  active_ = index;
  CPropertyPage* page = sheet_.Pages().at(index);
  if (!pageWindows_[index]) {
    pageWindows_[index] = backend_.CreatePageWindow(page->TemplateId());
    page->AttachWindow(&sheet_, pageWindows_[index].get());
    page->OnInitDialog();
  }
  page->OnSetActive();
}

void MemoryWizard::Close(int result) {
  if (closed_) return;
  closed_ = true;
  result_ = result;
  for (auto* page : sheet_.Pages()) page->AttachWindow(nullptr, nullptr);
  sheet_.AttachWindow(nullptr);
  // Destroying the main window clears the application's pointer to it.
  if (CWinApp* app = AfxGetApp(); app != nullptr && app->m_pMainWnd == &sheet_)
    app->m_pMainWnd = nullptr;
}

CPropertyPage* MemoryWizard::ActivePage() const {
  return closed_ ? nullptr : sheet_.Pages().at(active_);
}

MemoryWindow& MemoryWizard::PageWindow(size_t index) {
  if (!pageWindows_.at(index)) throw std::logic_error("page window not created yet");
  return *pageWindows_[index];
}

bool MemoryWizard::ButtonUsable(int id) {
  if (closed_) return false;
  const Control& c = Item(id);
  return c.visible && c.enabled;
}

void MemoryWizard::SetWizardButtons(unsigned mask) {
  Item(kIdWizBack).enabled = (mask & kWizBack) != 0;
  const bool finish = (mask & kWizFinish) != 0;
  Item(kIdWizFinish).visible = finish;
  Item(kIdWizFinish).enabled = finish;
  Item(kIdWizNext).visible = !finish;
  Item(kIdWizNext).enabled = !finish && (mask & kWizNext) != 0;
}

void MemoryWizard::PostCommand(int id) {
  std::weak_ptr<bool> alive = alive_;
  platform::PostTask([this, alive, id] {
    if (auto a = alive.lock(); a && *a) HandleCommand(id);
  });
}

void MemoryWizard::HandleCommand(int id) {
  if (closed_) return;
  CPropertyPage* page = ActivePage();
  switch (id) {
    case kIdWizNext: {
      const long to = page->OnWizardNext();
      if (to != -1 && active_ + 1 < sheet_.Pages().size()) Activate(active_ + 1);
      break;
    }
    case kIdWizBack: {
      const long to = page->OnWizardBack();
      if (to != -1 && active_ > 0) Activate(active_ - 1);
      break;
    }
    case kIdWizFinish:
      if (page->OnWizardFinish()) Close(kIdOk);
      break;
    case kIdCancel:
      if (page->OnQueryCancel()) Close(kIdCancel);
      break;
    default: break;
  }
}

bool MemoryWizard::PressNext() {
  if (!ButtonUsable(kIdWizNext)) return false;
  HandleCommand(kIdWizNext);
  return true;
}
bool MemoryWizard::PressBack() {
  if (!ButtonUsable(kIdWizBack)) return false;
  HandleCommand(kIdWizBack);
  return true;
}
bool MemoryWizard::PressFinish() {
  if (!ButtonUsable(kIdWizFinish)) return false;
  HandleCommand(kIdWizFinish);
  return true;
}
bool MemoryWizard::PressCancel() {
  if (!ButtonUsable(kIdCancel)) return false;
  HandleCommand(kIdCancel);
  return true;
}
void MemoryWizard::RequestCancel() { HandleCommand(kIdCancel); }

bool MemoryWizard::ClickCheckBox(int id) {
  if (closed_) return false;
  Control& c = ActivePageWindow().Item(id);
  if (!c.IsAutoCheckBox() || !c.enabled || !c.visible) return false;
  c.check = c.check ? 0 : 1;
  ActivePage()->OnCommand(id, kBnClicked);
  return true;
}

// ---- MemoryBackend ---------------------------------------------------------------

MemoryBackend::MemoryBackend(const std::vector<std::string_view>& resourceScripts)
    : resources_(std::make_unique<ResourceScript>()) {
  for (auto script : resourceScripts) ParseResourceScript(script, *resources_);
}

MemoryBackend::~MemoryBackend() = default;

std::string MemoryBackend::LoadStringResource(unsigned id) {
  auto it = resources_->strings.find(id);
  return it == resources_->strings.end() ? std::string() : Ansi(it->second);
}

int MemoryBackend::ShowMessageBox(WindowPeer* owner, const std::string& text,
                              const std::string& caption, unsigned style) {
  ShownBox box{text, caption, style, owner != nullptr, 0};
  if (!answers.empty()) {
    box.answer = answers.front();
    answers.pop_front();
  } else {
    box.answer = DefaultAnswer(style);
  }
  if (onBox) onBox(box);
  boxes.push_back(box);
  return box.answer;
}

std::unique_ptr<MemoryWindow> MemoryBackend::CreatePageWindow(unsigned templateId) {
  auto it = resources_->dialogs.find(templateId);
  if (it == resources_->dialogs.end())
    throw std::out_of_range("no dialog template " + std::to_string(templateId));
  struct Page : MemoryWindow {
    explicit Page(const DialogTemplate& t) {
      for (const auto& ct : t.controls) {
        Control c;
        c.id = ct.id;
        c.className = ct.className;
        c.style = ct.style;
        c.text = Ansi(ct.text);
        c.visible = (ct.style & kWsVisible) != 0;
        c.enabled = (ct.style & kWsDisabled) == 0;
        controls_.push_back(c);
      }
    }
  };
  return std::make_unique<Page>(it->second);
}

std::unique_ptr<MemoryWizard> MemoryBackend::OpenSheet(CPropertySheet& sheet) {
  auto wizard = std::make_unique<MemoryWizard>(*this, sheet);
  wizard->Start();
  return wizard;
}

int MemoryBackend::RunModalSheet(CPropertySheet& sheet) {
  auto wizard = OpenSheet(sheet);
  // The modal loop: messages first, then the user.  A user that keeps doing
  // nothing would hang a real program; here it fails the test instead.
  int idle = 0;
  while (!wizard->IsClosed()) {
    if (platform::DispatchOnePendingMessage()) continue;
    if (!user) throw std::logic_error("the wizard waits for input and no test user is set");
    user(*wizard);
    if (++idle > 10000) throw std::logic_error("the test user never closes the wizard");
  }
  return wizard->Result();
}

}  // namespace fw::memory
