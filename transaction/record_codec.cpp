// The record codec: the field rules of the 202-byte record, on bytes alone.
#include "transaction/record_codec.h"

#include <cstring>
#include <string_view>

#include "base/code_page.h"

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

// The field without its trailing white space, into `out`.  A double-byte
// character is never white space, even when its second byte looks like it,
// so a full-width space at the end stays.
void AssignWithoutTrailingWhite(std::string_view field, Text& out) {
  size_t keep = 0;
  size_t i = 0;
  while (i < field.size()) {
    const auto c = static_cast<unsigned char>(field[i]);
    if (base::IsCp932LeadByte(c) && i + 1 < field.size()) {
      i += 2;
      keep = i;
    } else {
      ++i;
      if (!IsWhite(c)) keep = i;
    }
  }
  out.assign(field.data(), keep);
}

// `value` as printf's "%0<width>ld" writes it, into `out` (room for 24
// bytes): a sign first when it is negative, then at least as many digits as
// make the text `width` long.  Returns the length.
std::size_t ZeroPadded(long long value, int width, char* out) {
  char digits[24];
  std::size_t n = 0;
  unsigned long long magnitude = value < 0 ? 0ull - static_cast<unsigned long long>(value) : value;
  do {
    digits[n++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  std::size_t length = 0;
  if (value < 0) out[length++] = '-';
  for (std::size_t i = length + n; i < static_cast<std::size_t>(width); ++i) out[length++] = '0';
  while (n > 0) out[length++] = digits[--n];
  return length;
}

// The first `width` characters of "%0<width>ld": the field is always full.
void PutCode(char* field, int width, std::int32_t code) {
  char text[24];
  ZeroPadded(code, width, text);
  std::memcpy(field, text, static_cast<std::size_t>(width));
}

// How many leading bytes of `name` are whole characters that fit in
// `width` bytes.  A lead byte at the very end of the name has lost its
// second byte and is no character.
size_t WholeCharactersWithin(std::string_view name, size_t width) {
  size_t i = 0;
  while (i < name.size()) {
    const size_t len = base::IsCp932LeadByte(static_cast<unsigned char>(name[i])) ? 2 : 1;
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
  AssignWithoutTrailingWhite(std::string_view(b + kKanaAt, kKanaWidth), record.kanaName);
  record.kanjiName.assign(b + kKanjiAt, kKanjiWidth);
  // A day that does not exist leaves the status invalid and the value as
  // the last valid date left it.
  record.date.SetDate(ReadNumber(b + kDateAt, 4), ReadNumber(b + kDateAt + 4, 2),
                      ReadNumber(b + kDateAt + 6, 2));
}

void EncodeRecord(const TransactionRecord& record, RecordBytes bytes) {
  char* b = bytes.data();

  b[kTypeAt] = record.type == 1 ? '1' : record.type == 2 ? '2' : ' ';
  PutCode(b + kBankAt, kBankWidth, record.bankCode);
  if (record.type == 2)
    PutCode(b + kBranchAt, kBranchWidth, record.branchCode);
  else
    std::memset(b + kBranchAt, ' ', kBranchWidth);

  PutName(b + kKanaAt, kKanaWidth, record.kanaName, false);
  PutName(b + kKanjiAt, kKanjiWidth, record.kanjiName, true);

  // A date that eight digits cannot hold goes out as a date that is not
  // valid does.
  int year = 0, month = 0, day = 0;
  if (record.date.GetDate(year, month, day)) {
    // Years 0 to 9999: "%04d%02d%02d" is exactly eight digits.
    ZeroPadded(year, 4, b + kDateAt);
    ZeroPadded(month, 2, b + kDateAt + 4);
    ZeroPadded(day, 2, b + kDateAt + 6);
  } else {
    std::memcpy(b + kDateAt, "19000101", kDateWidth);
  }

  std::memset(b + kFillerAt, ' ', kFillerWidth);
  b[kLineEndAt] = '\r';
  b[kLineEndAt + 1] = '\n';
}

}  // namespace transaction
