// Whether an update of a master that is already current goes ahead.
#pragma once

#include "base/report.h"
#include "update/update_context.h"

namespace update {

// 1 to go on; 0 when the user declines.  A master whose first bank in the
// package's range is as new as the package, or newer, asks with message
// 0xE009; one that is older, or that has no edition at all (no bank in the
// range, or no date on it), goes on without asking.
int ConfirmEditionDate(UpdateContext& context, base::ErrorReporter& report,
                       base::CatalogueMessages& messages);

}  // namespace update
