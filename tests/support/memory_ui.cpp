#include "support/memory_ui.h"

#include "platform/platform.h"

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
