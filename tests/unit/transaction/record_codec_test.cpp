// The 202-byte record on byte buffers: the layout as written, and what a
// reader makes of any bytes.
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <string>
#include <vector>

#include "base/text.h"
#include "support/record_bytes.h"
#include "transaction/record_codec.h"

namespace {

std::string Encode(const TransactionRecord& record) {
  std::array<char, transaction::kRecordLength> bytes;
  bytes.fill('?');
  transaction::EncodeRecord(record, bytes);
  return std::string(bytes.data(), bytes.size());
}

// Every whole record of `bytes`, decoded one after another into one record
// as a reader does it.
std::vector<TransactionRecord> DecodeAll(const std::string& bytes) {
  std::vector<TransactionRecord> records;
  TransactionRecord record;
  for (std::size_t at = 0; at + transaction::kRecordLength <= bytes.size(); at += transaction::kRecordLength) {
    transaction::DecodeRecord(transaction::ConstRecordBytes(bytes.data() + at, transaction::kRecordLength), record);
    records.push_back(record);
  }
  return records;
}

}  // namespace

TEST(RecordCodecTest, BranchRecordRoundTripsByteForByte) {
  TransactionRecord r;
  r.type = 2;
  r.bankCode = 123;
  r.branchCode = 45;
  r.kanaName = "\xCE\xDD\xC3\xDD";  // ﾎﾝﾃﾝ
  r.kanjiName = kHonten;
  r.date = base::CalendarDate(2006, 4, 1);
  const std::string expected = "2"
                               "0123"
                               "045"
                               "\xCE\xDD\xC3\xDD" +
                               std::string(11, ' ') + kHonten + Repeat(kFullWidthSpace, 6) + "20060401" +
                               std::string(153, ' ') + "\r\n";
  ASSERT_EQ(expected.size(), 202u);
  EXPECT_EQ(Encode(r), expected);

  const auto read = DecodeAll(expected);
  ASSERT_EQ(read.size(), 1u);
  EXPECT_EQ(read[0].type, 2);
  EXPECT_EQ(read[0].bankCode, 123);
  EXPECT_EQ(read[0].branchCode, 45);
  EXPECT_EQ(read[0].kanaName, "\xCE\xDD\xC3\xDD");
  EXPECT_EQ(read[0].kanjiName, kHonten + Repeat(kFullWidthSpace, 6));
  EXPECT_EQ(read[0].date.status, base::OleDate::kValid);
  EXPECT_EQ(read[0].date.value, base::CalendarDate(2006, 4, 1).value);
}

TEST(RecordCodecTest, FieldsAsWritten) {
  using R = TransactionRecord&;
  struct Case {
    const char* what;
    void (*set)(TransactionRecord&);
    int at;
    std::string bytes;
  };
  const Case cases[] = {
      {"bank: no branch code", [](R r) { r.type = 1; r.bankCode = 6; r.branchCode = 45; }, 0, "10006   "},
      {"codes cut to their fields", [](R r) { r.type = 2; r.bankCode = 12345; r.branchCode = 1234; }, 0, "21234123"},
      {"zero codes", [](R r) { r.type = 2; }, 0, "20000000"},
      {"other type", [](R r) { r.type = 3; r.bankCode = 7; r.branchCode = 9; }, 0, " 0007   "},
      {"kana of 20 bytes", [](R r) { r.kanaName = Ansi("ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄ"); }, 8, Ansi("ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿ")},
      {"kana cut before a double-byte character", [](R r) { r.kanaName = Ansi("ｱｲｳｴｵｶｷｸｹｺｻｼｽｾ本"); }, 8,
       Ansi("ｱｲｳｴｵｶｷｸｹｺｻｼｽｾ ")},
      // 十 ends in 0x5C, a byte that is a character of its own elsewhere.
      {"kanji of 10 characters", [](R r) { r.kanjiName = Ansi("一二三四五六七八九十"); }, 23, Ansi("一二三四五六七八")},
      {"kanji cut before a character that does not fit", [](R r) { r.kanjiName = Ansi("一二三四五六七ｱ八"); }, 23,
       Ansi("一二三四五六七ｱ ")},
      {"kanji of odd length", [](R r) { r.kanjiName = Ansi("ｱ本"); }, 23, Ansi("ｱ本　　　　　　 ")},
      {"kanji ending in a lone lead byte", [](R r) { r.kanjiName = kHonten + "\x88"; }, 23,
       kHonten + Repeat(kFullWidthSpace, 6)},
      {"empty names", [](R) {}, 8, std::string(15, ' ') + Repeat(kFullWidthSpace, 8)},
      {"valid date", [](R r) { r.date = base::CalendarDate(2006, 4, 1); }, 39, "20060401"},
      {"zero date", [](R) {}, 39, "18991230"},
      {"null date", [](R r) { r.date = base::OleDate::Null(); }, 39, "19000101"},
      {"invalid date", [](R r) { r.date = {base::CalendarDate(2006, 4, 1).value, base::OleDate::kInvalid}; }, 39, "19000101"},
      {"date beyond eight digits", [](R r) { r.date = {1e7, base::OleDate::kValid}; }, 39, "19000101"},
      // The edges of what eight digits hold: 9999-12-31 and 0000-01-01.
      {"last eight-digit day", [](R r) { r.date = {2958465, base::OleDate::kValid}; }, 39, "99991231"},
      {"the day after it", [](R r) { r.date = {2958466, base::OleDate::kValid}; }, 39, "19000101"},
      {"first eight-digit day", [](R r) { r.date = {-693959, base::OleDate::kValid}; }, 39, "00000101"},
      {"the day before it", [](R r) { r.date = {-693960, base::OleDate::kValid}; }, 39, "19000101"},
      // As printf writes them: the sign counts in the width.
      {"negative codes", [](R r) { r.type = 2; r.bankCode = -5; r.branchCode = -7; }, 0, "2-005-07"},
      {"the lowest codes", [](R r) { r.type = 2; r.bankCode = INT32_MIN; r.branchCode = INT32_MIN; }, 0, "2-214-21"},
  };
  std::string written;
  for (const Case& c : cases) {
    TransactionRecord record;
    c.set(record);
    written += Encode(record);
  }
  ASSERT_EQ(written.size(), std::size(cases) * 202);
  for (size_t i = 0; i < std::size(cases); ++i) {
    const std::string record = written.substr(i * 202, 202);
    EXPECT_EQ(record.substr(cases[i].at, cases[i].bytes.size()), cases[i].bytes) << cases[i].what;
    EXPECT_EQ(record.substr(47), std::string(153, ' ') + "\r\n") << cases[i].what;
  }

  // What the reader makes of it.
  const auto read = DecodeAll(written);
  ASSERT_EQ(read.size(), std::size(cases));
  EXPECT_EQ(read[0].type, 1);
  EXPECT_EQ(read[0].branchCode, 0);
  EXPECT_EQ(read[3].type, 0);
  EXPECT_EQ(read[3].bankCode, 7);
  EXPECT_EQ(read[6].kanjiName, Ansi("一二三四五六七八"));
  EXPECT_EQ(read[7].kanjiName, Ansi("一二三四五六七ｱ "));
  for (size_t i : {13, 14}) {
    EXPECT_EQ(read[i].date.status, base::OleDate::kValid) << cases[i].what;
    EXPECT_EQ(read[i].date.GetYear() * 10000 + read[i].date.GetMonth() * 100 + read[i].date.GetDay(), 19000101);
  }
}

TEST(RecordCodecTest, NumbersReadAsTheirLeadingDigits) {
  const struct {
    std::string field;
    int value;
  } cases[] = {
      {"0006", 6},  {"  12", 12}, {"    ", 0}, {"12 3", 12}, {"-123", -123}, {"+7  ", 7},
      {"\t\v\f5", 5}, {"+ 12", 0},  {"1-2 ", 1}, {"abcd", 0}, {"\r\n-0", 0},
  };
  std::string bytes;
  for (const auto& c : cases) bytes += Raw("2" + c.field + "7 9" + std::string(31, ' ') + "20060401");
  const auto read = DecodeAll(bytes);
  ASSERT_EQ(read.size(), std::size(cases));
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(read[i].bankCode, cases[i].value) << '"' << cases[i].field << '"';
    EXPECT_EQ(read[i].type, 2);
    EXPECT_EQ(read[i].branchCode, 7);
  }
  // Both codes are read whatever the type says.
  EXPECT_EQ(DecodeAll(Raw("1000612 " + std::string(31, ' ') + "20060401"))[0].branchCode, 12);
}

TEST(RecordCodecTest, KanaLosesTrailingWhiteSpaceKanjiIsKeptWhole) {
  const struct {
    std::string field;  // 15 bytes
    std::string kana;
  } cases[] = {
      {Ansi("ｱｲｳ") + std::string(12, ' '), Ansi("ｱｲｳ")},
      {Ansi("ｱｲｳ") + " \t\r\n\v\f" + std::string(6, ' '), Ansi("ｱｲｳ")},
      {Ansi("ｱ ｲ") + std::string(12, ' '), Ansi("ｱ ｲ")},
      {Ansi("ｱ") + kFullWidthSpace + std::string(12, ' '), Ansi("ｱ") + kFullWidthSpace},
      // A double-byte character is never white space, whatever its bytes.
      {Ansi("ｱ") + "\x81\x20" + std::string(12, ' '), Ansi("ｱ") + "\x81\x20"},
      {std::string(15, ' '), ""},
      // A lead byte cut off by the field's end stays as a byte.
      {Ansi("ｱｲｳｴｵｶｷｸｹｺｻｼｽｾ") + "\x88", Ansi("ｱｲｳｴｵｶｷｸｹｺｻｼｽｾ") + "\x88"},
  };
  const std::string kanji = kHonten + Repeat(kFullWidthSpace, 5) + "  ";
  std::string bytes;
  for (const auto& c : cases) bytes += Raw("20006001" + c.field + kanji + "20060401");
  const auto read = DecodeAll(bytes);
  ASSERT_EQ(read.size(), std::size(cases));
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(read[i].kanaName, cases[i].kana) << i;
    EXPECT_EQ(read[i].kanjiName, kanji) << i;
  }
}

TEST(RecordCodecTest, DatesThatDoNotExistAreInvalidAndKeepTheLastValidValue) {
  const struct {
    const char* field;
    int ymd;  // 0: invalid
  } cases[] = {
      {"        ", 0},        {"20060230", 0},        {"20060401", 20060401}, {"2006-4-1", 0},
      {"19000101", 19000101}, {"2006 4 1", 20060401}, {"20040229", 20040229}, {"19000229", 0},
      {"20000229", 20000229}, {"20061301", 0},        {"20060100", 0},        {"99991231", 99991231},
      {"2006043X", 20060403},
  };
  std::string bytes;
  for (const auto& c : cases) bytes += Raw("10006   " + std::string(31, ' ') + c.field);
  const auto read = DecodeAll(bytes);
  ASSERT_EQ(read.size(), std::size(cases));
  double lastValid = 0.0;  // a new record's date value
  for (size_t i = 0; i < std::size(cases); ++i) {
    const base::OleDate& date = read[i].date;
    if (cases[i].ymd == 0) {
      EXPECT_EQ(date.status, base::OleDate::kInvalid) << cases[i].field;
      EXPECT_EQ(date.value, lastValid) << cases[i].field;
    } else {
      EXPECT_EQ(date.status, base::OleDate::kValid) << cases[i].field;
      EXPECT_EQ(date.GetYear() * 10000 + date.GetMonth() * 100 + date.GetDay(), cases[i].ymd);
      lastValid = date.value;
    }
  }
}

TEST(RecordCodecTest, GarbageIsReadAsBytesWithoutHarm) {
  std::string bytes(50 * 202 + 120, '\0');
  unsigned state = 12345;
  for (char& c : bytes) {
    state = state * 1103515245u + 12345u;
    c = static_cast<char>(state >> 16);
  }
  const auto read = DecodeAll(bytes);
  ASSERT_EQ(read.size(), 50u);
  for (size_t i = 0; i < read.size(); ++i) {
    const std::string raw = bytes.substr(i * 202, 202);
    EXPECT_EQ(read[i].kanjiName, raw.substr(23, 16));
    EXPECT_LE(read[i].kanaName.size(), 15u);
    EXPECT_EQ(raw.substr(8, read[i].kanaName.size()), read[i].kanaName);
  }
}
