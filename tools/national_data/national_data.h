// A national bank and branch list for the benchmark and the demo: either
// synthetic, shaped like Japan's (about 1,146 banks and 31,219 branches a
// scale, the post office among them), or a real list read from a TSV file.
// From it come a year-old master, as a user's installation holds it, and a
// fresh package "ZMF0" as it ships: the package renames about three rows in
// a hundred and adds about two.  Every build makes the same data.
#pragma once

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "base/ole_date.h"
#include "base/text.h"

namespace national_data {

// What went wrong making the data.
struct Error : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// One bank or branch of the list.
struct Row {
  int type = 0;  // 1 bank, 2 branch
  int bank = 0;
  int branch = 0;
  Text kana, kanji;        // the current names (code page 932), as the package has them
  Text oldKana, oldKanji;  // what the master holds
  bool inMaster = true;
  bool inPackage = true;
};

class Source {
 public:
  virtual ~Source() = default;
  // The rows of one type, in key order, made afresh on every call.
  virtual void ForEach(int type, const std::function<void(const Row&)>& visit) = 0;
  virtual std::string Describe() const = 0;
};

// A generated or read name in UTF-8, as SQLite and the terminal take it.
std::string ToUtf8(const Text& cp932);

// The synthetic list at `scale` (rows x scale; 0 is empty), or the real
// list in `tsvPath` (UTF-8, header "type bank branch kanji kana").
std::unique_ptr<Source> SyntheticList(int scale);
std::unique_ptr<Source> TsvList(const std::string& tsvPath);

struct ListStats {
  long masterBanks = 0, masterBranches = 0;
  long packageBanks = 0, packageBranches = 0;
  long renamed = 0, added = 0;
};

// The master as the program finds it at `path` (a UTF-8 file name, as
// SQLite takes it): names as the vendor shipped them (no padding, long kanji
// names whole), the new/old flag 0, every row dated `date`.
void BuildMaster(const std::string& path, Source& source, double date, ListStats& stats);

// The package as it ships at `path` (as the program spells paths): every
// bank, then every branch, in key order, dated `edition`.
void WritePackage(const Text& path, Source& source, const base::OleDate& edition);

}  // namespace national_data
