#include "support/memory_ui.h"

#include "platform/platform.h"
#include "support/window_backends.h"

extern const char kMessagesScript[];
extern const char kPagesScript[];

std::vector<std::string_view> ProgramResourceScripts() { return {kMessagesScript, kPagesScript}; }

MemoryUiTest::MemoryUiTest() {
  fw::SetBackend(&ui);
  // Nothing a previous test left queued may run in this one.
  while (platform::DispatchOnePendingMessage()) {
  }
}

MemoryUiTest::~MemoryUiTest() {
  while (platform::DispatchOnePendingMessage()) {
  }
  fw::SetBackend(nullptr);
}

void RunOnMemoryBackend(CPropertySheet& sheet, const std::function<void()>& body) {
  fw::memory::MemoryBackend ui{ProgramResourceScripts()};
  fw::SetBackend(&ui);
  bool ran = false;
  ui.user = [&](fw::memory::MemoryWizard& wizard) {
    if (!ran) {
      ran = true;
      body();
    }
    wizard.RequestCancel();
  };
  sheet.DoModal();
  fw::SetBackend(nullptr);
}
