#include "install/probes.h"

#include "platform/platform.h"

int FileExists(const std::string& path) {
  platform::FindEntry entry;
  if (!platform::FindFirstEntry(path, &entry)) return 0;
  return (entry.attributes & platform::kAttributeDirectory) ? 0 : 1;
}

int QueryFileSize(const std::string& path, std::uint32_t& size) {
  platform::FindEntry entry;
  if (!platform::FindFirstEntry(path, &entry)) return 0;
  if ((entry.attributes & platform::kAttributeDirectory) || entry.sizeHigh != 0) return 0;
  size = entry.sizeLow;
  return 1;
}

void DrainMessageQueue() {
  while (platform::DispatchOnePendingMessage()) {
  }
}
