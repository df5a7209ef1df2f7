#include "update/range_deletion.h"

#include "masterdb/master_operations.h"

namespace update {

int DeleteRange(UpdateContext& context, const Text& clause, base::ErrorReporter& report) {
  if (masterdb::DeleteRows(context.database.get(), "TBANK", clause, report) != 1) return 0;
  if (masterdb::DeleteRows(context.database.get(), "TBRAN", clause, report) != 1) return 0;
  return 1;
}

}  // namespace update
