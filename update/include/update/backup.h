// The backup written before anything in the master changes: every bank,
// then every branch, as transaction records in Home\ZMF0.BAK.
#pragma once

#include "update/progress.h"
#include "update/update_context.h"

namespace update {

// Writes the whole master to the context's backupPath, reporting on the
// status line and the bar.  The records go into "ZMF0.BAK.tmp" first, which
// takes the place of the previous backup only once it is whole and on the
// disk.  1 when every row of both tables was written; 0 otherwise (a file
// that cannot be created or put in place quietly, anything else told),
// with the previous backup as it was and no temporary file left.
int BackupMaster(UpdateContext& context, Progress& progress);

}  // namespace update
