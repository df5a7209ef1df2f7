#include "framework/afx.h"

#include <stdexcept>

#include "framework/backend.h"

namespace fw {
namespace {
Backend* g_backend = nullptr;
}  // namespace

void SetBackend(Backend* backend) { g_backend = backend; }

Backend& GetBackend() {
  if (g_backend == nullptr) throw std::logic_error("no window backend has been set");
  return *g_backend;
}

}  // namespace fw

namespace {
CWinApp* g_currentApp = nullptr;

unsigned WithDefaultIcon(unsigned style) {
  if ((style & fw::kMbIconMask) != 0) return style;
  switch (style & fw::kMbTypeMask) {
    case fw::kMbOk:
    case fw::kMbOkCancel:
    case fw::kMbYesNo:
    case fw::kMbYesNoCancel:
      return style | fw::kMbIconExclamation;
    default:
      return style;
  }
}
}  // namespace

// ---- CDlgItem ----------------------------------------------------------------

std::string CDlgItem::GetText() const { return parent_->GetItemText(id_); }
void CDlgItem::SetText(std::string_view text) { parent_->SetItemText(id_, text); }
bool CDlgItem::IsWindowEnabled() const { return parent_->IsItemEnabled(id_); }
void CDlgItem::EnableWindow(bool enable) { parent_->EnableItem(id_, enable); }
bool CDlgItem::IsWindowVisible() const { return parent_->IsItemVisible(id_); }
void CDlgItem::ShowWindow(bool show) { parent_->ShowItem(id_, show); }
int CDlgItem::GetCheck() const { return parent_->GetItemCheck(id_); }
void CDlgItem::SetCheck(int state) { parent_->SetItemCheck(id_, state); }
std::intptr_t CDlgItem::Send(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) {
  return parent_->SendItemMessage(id_, msg, wParam, lParam);
}

// ---- CProgressCtrl -------------------------------------------------------------

void CProgressCtrl::SetRange(int lower, int upper) {
  // PBM_SETRANGE carries both bounds as 16-bit words of lParam.
  const auto packed = static_cast<std::intptr_t>((static_cast<std::uint32_t>(lower) & 0xFFFFu) |
                                                 ((static_cast<std::uint32_t>(upper) & 0xFFFFu) << 16));
  item_->Send(fw::kPbmSetRange, 0, packed);
}
int CProgressCtrl::SetStep(int step) {
  return static_cast<int>(item_->Send(fw::kPbmSetStep, static_cast<std::uintptr_t>(step)));
}
int CProgressCtrl::SetPos(int pos) {
  return static_cast<int>(item_->Send(fw::kPbmSetPos, static_cast<std::uintptr_t>(pos)));
}
int CProgressCtrl::StepIt() { return static_cast<int>(item_->Send(fw::kPbmStepIt)); }
int CProgressCtrl::GetPos() const { return static_cast<int>(item_->Send(fw::kPbmGetPos)); }

// ---- CPropertyPage -------------------------------------------------------------

void CPropertyPage::AttachWindow(CPropertySheet* sheet, fw::WindowPeer* peer) {
  sheet_ = sheet;
  peer_ = peer;
  if (peer == nullptr) firstSetActive_ = true;
}

bool CPropertyPage::OnInitDialog() {
  DoDataExchange();
  return true;
}

bool CPropertyPage::OnSetActive() {
  if (firstSetActive_)
    firstSetActive_ = false;
  else
    DoDataExchange();
  return true;
}

bool CPropertyPage::OnCommand(int, unsigned) { return false; }

// ---- CPropertySheet ------------------------------------------------------------

int CPropertySheet::DoModal() { return fw::GetBackend().RunModalSheet(*this); }
void CPropertySheet::SetWizardButtons(unsigned mask) { peer_->SetWizardButtons(mask); }
void CPropertySheet::SetTitle(std::string_view title) { peer_->SetText(title); }
CDlgItem CPropertySheet::GetDlgItem(int id) { return CDlgItem(peer_, id); }
void CPropertySheet::PostCommand(int id) { peer_->PostCommand(id); }

// ---- CWinApp -------------------------------------------------------------------

CWinApp::CWinApp(const char* appName) {
  if (appName != nullptr) {
    appTitle_ = appName;
    titleGiven_ = true;
  }
  g_currentApp = this;
}

CWinApp::~CWinApp() {
  if (g_currentApp == this) g_currentApp = nullptr;
}

CWinApp* AfxGetApp() { return g_currentApp; }

void AfxWinInit() {
  CWinApp* app = AfxGetApp();
  if (app != nullptr && !app->titleGiven_) app->appTitle_ = AfxLoadString(0xE000);
}

int AfxRunApplication() {
  CWinApp* app = AfxGetApp();
  if (app == nullptr) return -1;
  AfxWinInit();
  if (app->InitInstance()) {
    // The updater never asks for a message loop; an application that did
    // would have nothing to run here, so it simply exits.
  }
  return app->ExitInstance();
}

std::string AfxLoadString(unsigned stringId) { return fw::GetBackend().LoadStringResource(stringId); }

int AfxMessageBox(std::string_view text, unsigned style, unsigned /*helpId*/) {
  CWinApp* app = AfxGetApp();
  const std::string caption = app != nullptr ? app->AppTitle() : std::string();
  fw::WindowPeer* owner = nullptr;
  if (app != nullptr && app->m_pMainWnd != nullptr && app->m_pMainWnd->HasWindow())
    owner = app->m_pMainWnd->Peer();
  return fw::GetBackend().ShowMessageBox(owner, std::string(text), caption, WithDefaultIcon(style));
}

int AfxMessageBox(unsigned stringId, unsigned style, unsigned helpId) {
  return AfxMessageBox(AfxLoadString(stringId), style, helpId);
}
