// A thin application framework in the shape the updater's code expects: one
// application object reached through AfxGetApp(), a wizard sheet with pages
// and their virtual handlers, controls reached by identifier, and message
// boxes by string identifier under the application title.
//
// The framework talks to windows only through a Backend (backend.h): the
// Win32 backend shows the real comctl32 property sheet built from the exe's
// dialog resources; the in-memory backend keeps a control table built from
// the same resource scripts, so page logic runs in native tests.
//
// Texts are byte strings in the ANSI code page (932).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace fw {

// Message-box style bits and answers, as the platform defines them.
constexpr unsigned kMbOk = 0x0;
constexpr unsigned kMbOkCancel = 0x1;
constexpr unsigned kMbYesNoCancel = 0x3;
constexpr unsigned kMbYesNo = 0x4;
constexpr unsigned kMbTypeMask = 0xF;
constexpr unsigned kMbIconHand = 0x10;
constexpr unsigned kMbIconQuestion = 0x20;
constexpr unsigned kMbIconExclamation = 0x30;
constexpr unsigned kMbIconAsterisk = 0x40;
constexpr unsigned kMbIconMask = 0xF0;
constexpr unsigned kMbDefButton2 = 0x100;

constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;

// Wizard buttons (children of the sheet) and the PSM_SETWIZBUTTONS mask.
constexpr int kIdWizBack = 0x3023;
constexpr int kIdWizNext = 0x3024;
constexpr int kIdWizFinish = 0x3025;
constexpr unsigned kWizBack = 1;
constexpr unsigned kWizNext = 2;
constexpr unsigned kWizFinish = 4;
constexpr unsigned kPshWizard = 0x20;

// Button notification code of a click.
constexpr unsigned kBnClicked = 0;

// Progress-bar messages.
constexpr unsigned kPbmSetRange = 0x401;
constexpr unsigned kPbmSetPos = 0x402;
constexpr unsigned kPbmSetStep = 0x404;
constexpr unsigned kPbmStepIt = 0x405;
constexpr unsigned kPbmGetRange = 0x407;
constexpr unsigned kPbmGetPos = 0x408;

class WindowPeer;
class SheetPeer;

}  // namespace fw

class CPropertySheet;

// A child control of a page or of the sheet, reached by its identifier.  A
// plain handle: copying it copies the reference, not the control.
class CDlgItem {
 public:
  CDlgItem(fw::WindowPeer* parent, int id) : parent_(parent), id_(id) {}

  std::string GetText() const;
  void SetText(std::string_view text);
  bool IsWindowEnabled() const;
  void EnableWindow(bool enable);
  bool IsWindowVisible() const;
  void ShowWindow(bool show);
  int GetCheck() const;  // 0 unchecked, 1 checked
  void SetCheck(int state);
  std::intptr_t Send(unsigned msg, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);
  int GetDlgCtrlID() const { return id_; }

 private:
  fw::WindowPeer* parent_;
  int id_;
};

// The progress bar, driven through its platform messages.  The range is
// 16 bits wide, as the control's PBM_SETRANGE is.
class CProgressCtrl {
 public:
  void Attach(const CDlgItem& item) { item_ = std::make_unique<CDlgItem>(item); }
  void SetRange(int lower, int upper);
  int SetStep(int step);
  int SetPos(int pos);
  int StepIt();
  int GetPos() const;

 private:
  std::unique_ptr<CDlgItem> item_;
};

// One page of the wizard.  The backend creates the page's window the first
// time the page is shown and then calls the handlers below.
class CPropertyPage {
 public:
  explicit CPropertyPage(unsigned templateId) : templateId_(templateId) {}
  virtual ~CPropertyPage() = default;
  CPropertyPage(const CPropertyPage&) = delete;
  CPropertyPage& operator=(const CPropertyPage&) = delete;

  unsigned TemplateId() const { return templateId_; }

  // Handlers.  The defaults behave as the framework's own do.
  virtual void DoDataExchange() {}
  virtual bool OnInitDialog();      // exchanges data; true: focus the first control
  virtual bool OnSetActive();       // refreshes the exchange after the first time; true
  virtual bool OnQueryCancel() { return true; }
  virtual long OnWizardNext() { return 0; }
  virtual long OnWizardBack() { return 0; }
  virtual bool OnWizardFinish() { return true; }
  // A control's notification; true when handled.
  virtual bool OnCommand(int id, unsigned notifyCode);

  CDlgItem GetDlgItem(int id) { return CDlgItem(peer_, id); }
  void SetItemText(int id, std::string_view text) { GetDlgItem(id).SetText(text); }
  // The sheet the page belongs to (the page's parent window).
  CPropertySheet* GetParentSheet() const { return sheet_; }
  bool HasWindow() const { return peer_ != nullptr; }

  // Called by backends only.
  void AttachWindow(CPropertySheet* sheet, fw::WindowPeer* peer);

 private:
  unsigned templateId_;
  CPropertySheet* sheet_ = nullptr;
  fw::WindowPeer* peer_ = nullptr;
  bool firstSetActive_ = true;
};

// The property sheet, run as a wizard when kPshWizard is in its flags.
class CPropertySheet {
 public:
  struct Header {
    unsigned dwFlags = 0;
  };

  CPropertySheet() = default;
  CPropertySheet(const CPropertySheet&) = delete;
  CPropertySheet& operator=(const CPropertySheet&) = delete;

  void AddPage(CPropertyPage* page) { pages_.push_back(page); }
  const std::vector<CPropertyPage*>& Pages() const { return pages_; }
  // Shows the sheet modally; returns kIdOk (Finish) or kIdCancel.
  int DoModal();

  // Valid while the sheet's window exists.
  void SetWizardButtons(unsigned mask);  // sent, so it applies at once
  void SetTitle(std::string_view title);
  CDlgItem GetDlgItem(int id);
  // Puts a command message in the sheet window's queue.
  void PostCommand(int id);
  bool HasWindow() const { return peer_ != nullptr; }
  fw::SheetPeer* Peer() const { return peer_; }

  // Called by backends only.
  void AttachWindow(fw::SheetPeer* peer) { peer_ = peer; }

  Header m_psh;

 private:
  std::vector<CPropertyPage*> pages_;
  fw::SheetPeer* peer_ = nullptr;
};

// The application object.  Exactly one exists while the program runs; its
// constructor makes it the current application.
class CWinApp {
 public:
  // Without a name the title is taken from string 0xE000 when the
  // application starts.
  explicit CWinApp(const char* appName = nullptr);
  virtual ~CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  // false: the application is not to continue (no message loop is entered).
  virtual bool InitInstance() { return false; }
  virtual int ExitInstance() { return 0; }

  const std::string& AppTitle() const { return appTitle_; }

  // The main window; message boxes are owned by it while it has a window.
  CPropertySheet* m_pMainWnd = nullptr;

 private:
  friend void AfxWinInit();
  std::string appTitle_;
  bool titleGiven_ = false;
};

CWinApp* AfxGetApp();

// The framework's start-up of the current application: takes its title
// (string 0xE000 when it was built without a name).
void AfxWinInit();

// Runs the current application: AfxWinInit, then InitInstance and, as
// InitInstance never asks for a message loop here, ExitInstance.  Returns the
// process exit code.
int AfxRunApplication();

// Message boxes under the application title.  A style without an icon gets
// the exclamation icon for OK, OK/Cancel, Yes/No and Yes/No/Cancel boxes.
// Returns the platform's code of the button pressed.
int AfxMessageBox(unsigned stringId, unsigned style = 0, unsigned helpId = 0xFFFFFFFFu);
int AfxMessageBox(std::string_view text, unsigned style = 0, unsigned helpId = 0xFFFFFFFFu);

// Loads a string resource; empty when there is none.
std::string AfxLoadString(unsigned stringId);
