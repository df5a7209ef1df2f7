#include "base/ole_date.h"

#include <cmath>

namespace base {
namespace {

// Days from 1970-01-01 of a proleptic Gregorian date, and back (the civil
// calendar algorithms of H. Hinnant).
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, int& year, int& month, int& day) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long y = static_cast<long long>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(y + (month <= 2));
}

// 1899-12-30, day 0 of the OLE date, counted from 1970-01-01.
const long long kOleEpoch = DaysFromCivil(1899, 12, 30);

}  // namespace

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool OleDate::SetDate(int year, int month, int day) {
  if (year < 0 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month)) {
    status = kInvalid;
    return false;
  }
  value = static_cast<double>(DaysFromCivil(year, static_cast<unsigned>(month),
                                            static_cast<unsigned>(day)) -
                              kOleEpoch);
  status = kValid;
  return true;
}

bool OleDate::IsDateNumber(double value) {
  // OLE day numbers of 0000-01-01 and of the day after 9999-12-31.
  constexpr double kFirstDay = -693959;
  constexpr double kDayAfterLast = 2958466;
  return std::isfinite(value) && value > kFirstDay - 1 && value < kDayAfterLast;
}

bool OleDate::GetDate(int& y, int& m, int& day) const {
  if (status != kValid || !IsDateNumber(value)) return false;
  // The day of an OLE date is its integer part toward zero; the fraction
  // is the time of day either way.
  CivilFromDays(static_cast<long long>(std::trunc(value)) + kOleEpoch, y, m, day);
  return true;
}

int OleDate::GetYear() const {
  int y, m, d;
  return GetDate(y, m, d) ? y : -1;
}
int OleDate::GetMonth() const {
  int y, m, d;
  return GetDate(y, m, d) ? m : -1;
}
int OleDate::GetDay() const {
  int y, m, d;
  return GetDate(y, m, d) ? d : -1;
}

OleDate CalendarDate(int year, int month, int day) {
  OleDate date;
  if (!date.SetDate(year, month, day)) date = OleDate::Invalid();
  return date;
}

double OleDate::Linear() const { return value < 0 ? 2 * std::ceil(value) - value : value; }

}  // namespace base
