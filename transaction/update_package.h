// The update packages an updater can ship with: one file beside the exe,
// named for the range of bank codes it covers.
#pragma once

struct UpdatePackage {
  const char* fileName;
  const char* label;        // UTF-8; shown on the update page
  const char* rangeClause;  // WHERE condition over BANKCODE
  // The same range without the post office (9900); only where it lies in it.
  const char* rangeClauseKeepPostOffice;
};

// In the order they are looked for; the first one found is the package.
extern const UpdatePackage kUpdatePackages[];
