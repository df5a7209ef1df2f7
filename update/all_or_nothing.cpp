#include "update/all_or_nothing.h"

#include "masterdb/master_operations.h"

namespace update {

int AllOrNothing(UpdateContext& context, base::ErrorReporter& report, const std::function<int()>& apply) {
  CDaoDatabase* database = context.database.get();
  if (masterdb::BeginTransaction(database, report) != 1) return 0;
  if (apply() != 1) {
    masterdb::RollbackTransaction(database);
    return 0;
  }
  return masterdb::CommitTransaction(database, report);
}

}  // namespace update
