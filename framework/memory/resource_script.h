// Reads the subset of the resource-script language that the updater's .rc
// files are written in: STRINGTABLE entries and DIALOG templates made of
// CONTROL statements with numeric identifiers and styles.  The in-memory
// backend builds its string table and control tables from these scripts, so
// native tests see the same texts and layouts that windres puts in the exe.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace fw::memory {

struct ControlTemplate {
  std::string text;  // UTF-8, escapes resolved
  int id = 0;        // -1 in the script reads as 0xFFFF
  std::string className;
  std::uint32_t style = 0;  // as windres stores it (WS_CHILD|WS_VISIBLE unless NOT-ed)
  int x = 0, y = 0, cx = 0, cy = 0;
};

struct DialogTemplate {
  unsigned id = 0;
  std::uint32_t style = 0;
  int x = 0, y = 0, cx = 0, cy = 0;
  int fontSize = 0;
  std::string fontFace;  // UTF-8
  std::vector<ControlTemplate> controls;
};

struct ResourceScript {
  std::map<unsigned, std::string> strings;  // UTF-8
  std::map<unsigned, DialogTemplate> dialogs;
};

// Adds what `text` defines to `into`.  Throws std::runtime_error with the
// line number on anything outside the supported subset.
void ParseResourceScript(std::string_view text, ResourceScript& into);

}  // namespace fw::memory
