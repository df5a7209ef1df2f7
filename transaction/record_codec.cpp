// The record codec: the field rules of the 202-byte record, on bytes alone.
#include "transaction/record_codec.h"

#include <cstdio>
#include <cstring>
#include <string_view>

#include "platform/platform.h"

namespace transaction {
namespace {

// Field positions and widths within a record.
constexpr int kTypeAt = 0;
constexpr int kBankAt = 1, kBankWidth = 4;
constexpr int kBranchAt = 5, kBranchWidth = 3;
constexpr int kKanaAt = 8, kKanaWidth = 15;
constexpr int kKanjiAt = 23, kKanjiWidth = 16;
constexpr int kDateAt = 39, kDateWidth = 8;
constexpr int kFillerAt = 47, kFillerWidth = 153;
constexpr int kLineEndAt = 200;
static_assert(kLineEndAt + 2 == kRecordLength);

bool IsWhite(unsigned char c) { return c == ' ' || (c >= 0x09 && c <= 0x0D); }

// A decimal number as the C library's strtol reads one, but never past the
// field: leading white space, an optional sign, then digits up to the first
// byte that is not one.  No digits read as 0.  Fields are at most four
// bytes wide, so the value cannot overflow.
std::int32_t ReadNumber(const char* field, int width) {
  int i = 0;
  while (i < width && IsWhite(static_cast<unsigned char>(field[i]))) ++i;
  bool negative = false;
  if (i < width && (field[i] == '+' || field[i] == '-')) negative = field[i++] == '-';
  std::int32_t value = 0;
  for (; i < width && field[i] >= '0' && field[i] <= '9'; ++i) value = value * 10 + (field[i] - '0');
  return negative ? -value : value;
}

// The field without its trailing white space.  A double-byte character is
// never white space, even when its second byte looks like it, so a
// full-width space at the end stays.
Text WithoutTrailingWhite(std::string_view field) {
  size_t keep = 0;
  size_t i = 0;
  while (i < field.size()) {
    const auto c = static_cast<unsigned char>(field[i]);
    if (platform::IsLeadByte(c) && i + 1 < field.size()) {
      i += 2;
      keep = i;
    } else {
      ++i;
      if (!IsWhite(c)) keep = i;
    }
  }
  return Text(field.substr(0, keep));
}

// How many leading bytes of `name` are whole characters that fit in
// `width` bytes.  A lead byte at the very end of the name has lost its
// second byte and is no character.
size_t WholeCharactersWithin(std::string_view name, size_t width) {
  size_t i = 0;
  while (i < name.size()) {
    const size_t len = platform::IsLeadByte(static_cast<unsigned char>(name[i])) ? 2 : 1;
    if (i + len > name.size() || i + len > width) break;
    i += len;
  }
  return i;
}

// Puts `name` into a field, cut at a character boundary and padded to the
// field's width.  Cutting a double-byte character in two would leave a lead
// byte that swallows the next byte of the record when the text is read.
void PutName(char* field, size_t width, std::string_view name, bool fullWidthPad) {
  const size_t n = WholeCharactersWithin(name, width);
  std::memcpy(field, name.data(), n);
  size_t i = n;
  if (fullWidthPad)
    for (; i + 2 <= width; i += 2) {
      field[i] = '\x81';
      field[i + 1] = '\x40';
    }
  for (; i < width; ++i) field[i] = ' ';
}

}  // namespace

void ClearRecord(TransactionRecord& record) {
  record.type = 0;
  record.bankCode = 0;
  record.branchCode = 0;
  record.kanaName.clear();
  record.kanjiName.clear();
  record.date.status = base::OleDate::kInvalid;
}

void DecodeRecord(ConstRecordBytes bytes, TransactionRecord& record) {
  const char* b = bytes.data();
  ClearRecord(record);
  record.type = ReadNumber(b + kTypeAt, 1);
  record.bankCode = ReadNumber(b + kBankAt, kBankWidth);
  record.branchCode = ReadNumber(b + kBranchAt, kBranchWidth);
  record.kanaName = WithoutTrailingWhite(std::string_view(b + kKanaAt, kKanaWidth));
  record.kanjiName.assign(b + kKanjiAt, kKanjiWidth);
  // A day that does not exist leaves the status invalid and the value as
  // the last valid date left it.
  record.date.SetDate(ReadNumber(b + kDateAt, 4), ReadNumber(b + kDateAt + 4, 2),
                      ReadNumber(b + kDateAt + 6, 2));
}

void EncodeRecord(const TransactionRecord& record, RecordBytes bytes) {
  char* b = bytes.data();
  char text[32];

  b[kTypeAt] = record.type == 1 ? '1' : record.type == 2 ? '2' : ' ';

  // Both formats give at least as many characters as the field is wide.
  std::snprintf(text, sizeof text, "%04ld", static_cast<long>(record.bankCode));
  std::memcpy(b + kBankAt, text, kBankWidth);
  if (record.type == 2) {
    std::snprintf(text, sizeof text, "%03ld", static_cast<long>(record.branchCode));
    std::memcpy(b + kBranchAt, text, kBranchWidth);
  } else {
    std::memset(b + kBranchAt, ' ', kBranchWidth);
  }

  PutName(b + kKanaAt, kKanaWidth, record.kanaName, false);
  PutName(b + kKanjiAt, kKanjiWidth, record.kanjiName, true);

  // A date that eight digits cannot hold goes out as a date that is not
  // valid does.
  const base::OleDate& date = record.date;
  if (date.status == base::OleDate::kValid && base::OleDate::IsDateNumber(date.value)) {
    std::snprintf(text, sizeof text, "%04d%02d%02d", date.GetYear(), date.GetMonth(), date.GetDay());
    std::memcpy(b + kDateAt, text, kDateWidth);
  } else {
    std::memcpy(b + kDateAt, "19000101", kDateWidth);
  }

  std::memset(b + kFillerAt, ' ', kFillerWidth);
  b[kLineEndAt] = '\r';
  b[kLineEndAt + 1] = '\n';
}

}  // namespace transaction
