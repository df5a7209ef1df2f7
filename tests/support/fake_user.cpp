#include "support/fake_user.h"

#include "platform/probes.h"

int FakeMessages::ShowMessage(unsigned messageId, unsigned style) {
  shown.push_back({messageId, style});
  if (answers.empty()) return 7;  // IDNO
  const int answer = answers.front();
  answers.pop_front();
  return answer;
}

void FakeProgress::DrainMessages() {
  ++drains;
  platform::DrainMessageQueue();
}

int FakeRunUi::ShowMessage(unsigned messageId, unsigned style) {
  shown.push_back({messageId, style});
  return (style & 0xF) == 0x4 ? 6 : 1;  // Yes to a question, OK to anything else
}

void FakeRunUi::ClearDeleteOptions(bool keepPostOfficeToo) {
  deleteRange = false;
  if (keepPostOfficeToo) keepPostOffice = false;
}
