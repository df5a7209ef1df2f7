// Whether an update of a master that is already current goes ahead.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/catalogue.h"
#include "support/update_fixture.h"
#include "update/edition_check.h"

namespace {

constexpr int kYes = 6, kNo = 7;

struct EditionCase {
  const char* name;
  const char* masterDate;  // FDENTYMD of bank 1 (SQL), or nullptr for no bank
  double packageEdition;
  std::vector<int> answers;  // scripted answers to 0xE009
  int result;
  bool asks;
};

// Shown by name when a case fails.
void PrintTo(const EditionCase& c, std::ostream* os) { *os << c.name; }

}  // namespace

class ConfirmEditionDateTest : public UpdateStepsTest, public ::testing::WithParamInterface<EditionCase> {};

TEST_P(ConfirmEditionDateTest, AsksOnlyWhenTheMasterIsCurrent) {
  const EditionCase& c = GetParam();
  if (c.masterDate != nullptr)
    FileSql(masterPath, std::string("INSERT INTO TBANK (BANKCODE, FDENTYMD) VALUES (1, ") + c.masterDate + ");");
  OpenMaster();
  context.packageEdition = {c.packageEdition, base::OleDate::kValid};
  FakeMessages messages;
  messages.answers.assign(c.answers.begin(), c.answers.end());

  EXPECT_EQ(update::ConfirmEditionDate(context, page, messages), c.result);
  if (c.asks) {
    EXPECT_EQ(messages.shown, (std::vector<ShownMessage>{{catalogue::kMsgMasterIsCurrent, 0x134u}}));
  } else {
    EXPECT_TRUE(messages.shown.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Dates, ConfirmEditionDateTest,
    ::testing::Values(EditionCase{"SameDayYes", "45000", 45000, {kYes}, 1, true},
                      EditionCase{"SameDayNo", "45000", 45000, {kNo}, 0, true},
                      EditionCase{"SameDayDefaultIsNo", "45000", 45000, {}, 0, true},
                      EditionCase{"OneDayEarlier", "44999", 45000, {}, 1, false},
                      EditionCase{"Later", "45001", 45000, {kYes}, 1, true},
                      // Before 1899-12-30 the time of day counts forward:
                      // -1.25 is 18:00 on day -1, after its midnight -1.0.
                      EditionCase{"NegativeDateCountsTimeForward", "-1.25", -1.0, {kNo}, 0, true},
                      EditionCase{"NoBankInTheMaster", nullptr, 45000, {}, 1, false},
                      EditionCase{"NullDate", "NULL", 45000, {}, 1, false}),
    [](const auto& info) { return std::string(info.param.name); });
