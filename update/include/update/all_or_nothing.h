// The update as one transaction: from the range deletion to the end of the
// merge, the master changes all at once or not at all.  A failed step, a
// failed commit, a full disk, a crash or a power loss leave it as it was
// before: the engine's journal puts it back at the next open when the
// process did not live to roll back.
#pragma once

#include <functional>

#include "base/report.h"
#include "update/update_context.h"

namespace update {

// Runs `apply` inside one transaction of the master: committed when it
// returns 1, rolled back otherwise.  1 only once the commit has succeeded;
// a begin or a commit that fails is told through `report`.
int AllOrNothing(UpdateContext& context, base::ErrorReporter& report, const std::function<int()>& apply);

}  // namespace update
