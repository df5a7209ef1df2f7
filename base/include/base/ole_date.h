// A date as the master and the transaction files carry it: an OLE
// Automation date (days since 30 December 1899, midnight) with a status.
#pragma once

namespace base {

struct OleDate {
  enum Status { kValid = 0, kInvalid = 1, kNull = 2 };

  double value = 0.0;
  Status status = kValid;

  static OleDate Null() { return {0.0, kNull}; }
  static OleDate Invalid() { return {0.0, kInvalid}; }

  // Sets a calendar day at midnight.  A day that does not exist (year above
  // 9999, anything negative, month outside 1..12, day outside the month;
  // 29 February only in a leap year) makes the status invalid and leaves the
  // value as it was.  Returns whether the day existed.
  bool SetDate(int year, int month, int day);

  // Whether `value` is the day number of a day from 0000-01-01 to
  // 9999-12-31 (time of day included): the days that the calendar below and
  // an eight-digit date field hold.  Not a number, an infinity and anything
  // beyond are not.
  static bool IsDateNumber(double value);

  // Calendar parts of a valid date; -1 when the status is not valid or the
  // value is no date number (GetDate: false, the parts left as they were).
  bool GetDate(int& year, int& month, int& day) const;
  int GetYear() const;
  int GetMonth() const;
  int GetDay() const;

  // The value on a straight time line: OLE dates below 0 count their time of
  // day forward from their day, so -1.25 lies after -1.0.
  double Linear() const;
};

// The date of a calendar day at midnight; status invalid (value 0) when the
// day does not exist.
OleDate CalendarDate(int year, int month, int day);

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

}  // namespace base
