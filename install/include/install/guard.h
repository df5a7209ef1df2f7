// The guard against updating while Norvik or a sibling program runs.  Each
// program announces itself with a named mutex; its existence is the signal.
#pragma once

#include "base/report.h"

namespace install {

// 1 when Norvik, Kelvane or Paylark runs, after telling the user which one
// to close (only the first found, in that order); 0 when none runs.  No
// handle to their mutexes stays open.
int IsRelatedProgramRunning(base::CatalogueMessages& messages);

}  // namespace install
