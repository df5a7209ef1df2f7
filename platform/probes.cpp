#include "platform/probes.h"

#include "platform/platform.h"

namespace platform {

int FileExists(const std::string& path) {
  FindEntry entry;
  if (!FindFirstEntry(path, &entry)) return 0;
  return (entry.attributes & kAttributeDirectory) ? 0 : 1;
}

int QueryFileSize(const std::string& path, std::uint32_t& size) {
  FindEntry entry;
  if (!FindFirstEntry(path, &entry)) return 0;
  if ((entry.attributes & kAttributeDirectory) || entry.sizeHigh != 0) return 0;
  size = entry.sizeLow;
  return 1;
}

void DrainMessageQueue() {
  while (DispatchOnePendingMessage()) {
  }
}

}  // namespace platform
