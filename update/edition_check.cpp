#include "update/edition_check.h"

#include "base/catalogue.h"
#include "masterdb/master_operations.h"

namespace update {

int ConfirmEditionDate(UpdateContext& context, base::ErrorReporter& report,
                       base::CatalogueMessages& messages) {
  const base::OleDate master =
      masterdb::ReadFirstEditionDate(context.database.get(), context.rangeClause, report);
  // A master without an edition (no bank in the range, or no date on the
  // first one) cannot be current: nothing to ask.
  if (master.status != base::OleDate::kValid) return 1;
  if (master.Linear() < context.packageEdition.Linear()) return 1;
  return messages.ShowMessage(catalogue::kMsgMasterIsCurrent, catalogue::kStyleQuestion) ==
                 catalogue::kAnswerYes
             ? 1
             : 0;
}

}  // namespace update
