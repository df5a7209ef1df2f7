// Small probes of the platform, shared by the installation checks, package
// discovery, the backup and the merge.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// 1 when `path` names an existing entry that is not a directory, else 0.
int FileExists(const std::string& path);

// 1 and the size when `path` names a file smaller than 4 GiB; otherwise 0
// and `size` is left as it was.
int QueryFileSize(const std::string& path, std::uint32_t& size);

// Dispatches every pending message of this thread and returns as soon as
// the queue is empty; never waits.
void DrainMessageQueue();

}  // namespace platform
