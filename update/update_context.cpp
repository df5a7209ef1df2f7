#include "update/update_context.h"

#include "masterdb/master_operations.h"

namespace update {

UpdateContext::UpdateContext() = default;

// The database object, the record sets and the mutex are dealt with by the
// application's shutdown; what is left to free here is the context's texts.
UpdateContext::~UpdateContext() = default;

int OpenMasterDatabase(UpdateContext& context, base::ErrorReporter& report) {
  return masterdb::OpenMaster(context.database, context.databasePath, context.bankSet, context.branchSet,
                              report);
}

void CloseMasterDatabase(UpdateContext& context, base::ErrorReporter& report) {
  masterdb::CloseMaster(context.database.get(), context.bankSet, context.branchSet, report);
}

}  // namespace update
