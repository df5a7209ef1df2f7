// OLE dates from any number and any calendar day: never a fault, and a day
// that exists reads back as itself.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "base/ole_date.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < sizeof(double) + 3 * sizeof(std::int32_t)) return 0;
  double value;
  std::int32_t y, m, d;
  std::memcpy(&value, data, sizeof value);
  std::memcpy(&y, data + 8, sizeof y);
  std::memcpy(&m, data + 12, sizeof m);
  std::memcpy(&d, data + 16, sizeof d);

  const base::OleDate any{value, base::OleDate::kValid};
  (void)any.GetYear();
  (void)any.GetMonth();
  (void)any.GetDay();
  (void)any.Linear();

  const base::OleDate day = base::CalendarDate(y, m, d);
  if (day.status == base::OleDate::kValid &&
      (day.GetYear() != y || day.GetMonth() != m || day.GetDay() != d || !base::OleDate::IsDateNumber(day.value)))
    __builtin_trap();
  return 0;
}
