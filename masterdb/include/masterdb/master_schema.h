// The master's file: its two tables, and making an empty one.
#pragma once

#include <string>

namespace masterdb {

// The tables as an empty master defines them.
extern const char kMasterSchema[];

// Creates an empty master at `path` (code page 932, as the program spells
// paths).  An existing file is left alone and
// the call fails, unless `replace` is set: the new master is then built
// beside it and put in its place in one step, and the old file's journal,
// which would otherwise be played into the new file, is removed.  Returns an
// empty string on success, else what went wrong, naming the path as given.
std::string CreateMaster(const std::string& path, bool replace);

}  // namespace masterdb
