// Emptying the package's range before the merge, when the user asked for it.
#pragma once

#include "base/report.h"
#include "base/text.h"
#include "update/update_context.h"

namespace update {

// Deletes the rows within `clause` from TBANK, then from TBRAN.  1 when both
// were done; 0 when either failed (told), and the second is then not tried.
int DeleteRange(UpdateContext& context, const Text& clause, base::ErrorReporter& report);

}  // namespace update
