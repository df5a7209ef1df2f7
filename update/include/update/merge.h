// Applying the package to the master: a sorted merge of the package's
// records with the two record sets, each walked forward only.  A record
// whose key the master holds edits that row; a missing key adds one.
#pragma once

#include "update/progress.h"
#include "update/update_context.h"

namespace update {

// Merges the package at the context's packagePath into its two open record
// sets, reporting on the status line and the bar (one step per record).
// 1 when the whole package was applied; 0 when it could not be opened or
// measured (quietly) or a step failed (told).  The run makes it one
// transaction with the range deletion (all_or_nothing.h); on its own each
// row it writes stands alone.
int MergePackage(UpdateContext& context, Progress& progress);

}  // namespace update
