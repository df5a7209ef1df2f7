// Transaction files: the 202-byte record layout, reading to the end, and
// files held without sharing.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/text.h"
#include "support/memory_ui.h"
#include "support/temp_dir.h"
#include "transaction/transaction_file.h"

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A record as it lies in a file, from its first 47 bytes (type to date).
std::string Raw(const std::string& fields) {
  EXPECT_EQ(fields.size(), 47u) << "test data";
  return fields + std::string(153, ' ') + "\r\n";
}

// Bytes of code page 932 spelled out, independent of any converter.
const std::string kHonten = "\x96\x7B\x93\x58";  // 本店
const std::string kFullWidthSpace = "\x81\x40";

app::OleDate Day(int y, int m, int d) {
  app::OleDate date;
  EXPECT_TRUE(date.SetDate(y, m, d));
  return date;
}

std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

class TransactionFileTest : public MemoryUiTest {
 protected:
  // Reads every whole record of `bytes` written to a file.
  std::vector<TransactionRecord> ReadRecords(const std::string& bytes) {
    TransactionFile file;
    std::vector<TransactionRecord> records;
    EXPECT_EQ(file.Open(dir.Write("package", bytes), 1), 1);
    while (!file.AtEnd()) {
      records.push_back(file.record);
      file.ReadNext();
    }
    return records;
  }

  TempDir dir;
};

TEST_F(TransactionFileTest, BranchRecordRoundTripsByteForByte) {
  const std::string path = dir.File("ZMF0.BAK");
  {
    TransactionFile file;
    ASSERT_EQ(file.Open(path, 0), 1);
    file.record.type = 2;
    file.record.bankCode = 123;
    file.record.branchCode = 45;
    file.record.kanaName = "\xCE\xDD\xC3\xDD";  // ﾎﾝﾃﾝ
    file.record.kanjiName = kHonten;
    file.record.date = Day(2006, 4, 1);
    EXPECT_EQ(file.WriteRecord(), 1);
  }
  const std::string expected = "2"
                               "0123"
                               "045"
                               "\xCE\xDD\xC3\xDD" +
                               std::string(11, ' ') + kHonten + Repeat(kFullWidthSpace, 6) + "20060401" +
                               std::string(153, ' ') + "\r\n";
  ASSERT_EQ(expected.size(), 202u);
  EXPECT_EQ(ReadAll(path), expected);

  TransactionFile file;
  ASSERT_EQ(file.Open(path, 1), 1);
  EXPECT_EQ(file.AtEnd(), 0);
  EXPECT_EQ(file.record.type, 2);
  EXPECT_EQ(file.record.bankCode, 123);
  EXPECT_EQ(file.record.branchCode, 45);
  EXPECT_EQ(file.record.kanaName, "\xCE\xDD\xC3\xDD");
  EXPECT_EQ(file.record.kanjiName, kHonten + Repeat(kFullWidthSpace, 6));
  EXPECT_EQ(file.record.date.status, app::OleDate::kValid);
  EXPECT_EQ(file.record.date.value, Day(2006, 4, 1).value);
  EXPECT_EQ(file.RecordLength(), 202);
  EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(TransactionFileTest, ReadsWholeRecordsOnlyAndKeepsTheLastOneAtTheEnd) {
  const std::string first = Raw("10006   " + Ansi("ｷﾞﾝｺｳ") + std::string(10, ' ') + std::string(16, ' ') +
                                "20060401");
  const std::string second = Raw("20006123" + Ansi("ﾎﾝﾃﾝ") + std::string(11, ' ') + kHonten +
                                 Repeat(kFullWidthSpace, 6) + "20061231");
  const std::string tail = Raw("29999999" + std::string(31, 'X') + "20070101").substr(0, 96);
  ASSERT_EQ((first + second + tail).size(), 500u);

  TransactionFile file;
  ASSERT_EQ(file.Open(dir.Write("ZMF0", first + second + tail), 1), 1);
  EXPECT_EQ(file.AtEnd(), 0);
  EXPECT_EQ(file.record.bankCode, 6);
  EXPECT_EQ(file.ReadNext(), 1);
  EXPECT_EQ(file.AtEnd(), 0);
  EXPECT_EQ(file.ReadNext(), 0);  // the 96-byte tail is no record
  EXPECT_EQ(file.AtEnd(), 1);
  EXPECT_EQ(file.ReadNext(), 0);
  EXPECT_EQ(file.AtEnd(), 1);

  EXPECT_EQ(file.record.type, 2);
  EXPECT_EQ(file.record.bankCode, 6);
  EXPECT_EQ(file.record.branchCode, 123);
  EXPECT_EQ(file.record.kanaName, Ansi("ﾎﾝﾃﾝ"));
  EXPECT_EQ(file.record.kanjiName, kHonten + Repeat(kFullWidthSpace, 6));
  EXPECT_EQ(file.record.date.GetYear(), 2006);
  EXPECT_EQ(file.record.date.GetMonth(), 12);
  EXPECT_EQ(file.record.date.GetDay(), 31);
}

TEST_F(TransactionFileTest, FileWithoutAWholeRecordOpensAtItsEndWithAClearedRecord) {
  for (const std::string& bytes : {std::string(), Raw("10006" + std::string(34, ' ') + "20060401").substr(0, 201)}) {
    SCOPED_TRACE(bytes.size());
    TransactionFile file;
    ASSERT_EQ(file.Open(dir.Write("ZMF3", bytes), 1), 1);
    EXPECT_EQ(file.AtEnd(), 1);
    EXPECT_EQ(file.record.type, 0);
    EXPECT_EQ(file.record.bankCode, 0);
    EXPECT_EQ(file.record.branchCode, 0);
    EXPECT_TRUE(file.record.kanaName.empty());
    EXPECT_TRUE(file.record.kanjiName.empty());
    EXPECT_EQ(file.record.date.status, app::OleDate::kInvalid);
    EXPECT_EQ(file.record.date.value, 0.0);  // nothing was ever decoded
    EXPECT_EQ(file.ReadNext(), 0);
  }
}

TEST_F(TransactionFileTest, WhatCannotBeOpenedIsRefusedQuietly) {
  std::filesystem::create_directory(dir.path() / "ZMF0");
  TransactionFile missing, directory, noSuchFolder, badMode;
  EXPECT_EQ(missing.Open(dir.File("ZMF1"), 1), 0);
  EXPECT_EQ(directory.Open(dir.File("ZMF0"), 1), 0);
  EXPECT_EQ(noSuchFolder.Open(dir.File("Home") + "\\ZMF0.BAK", 0), 0);
  EXPECT_EQ(badMode.Open(dir.File("ZMF4"), 2), 0);
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "ZMF4"));
  EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(TransactionFileTest, FieldsAsWritten) {
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
      {"valid date", [](R r) { r.date = Day(2006, 4, 1); }, 39, "20060401"},
      {"zero date", [](R) {}, 39, "18991230"},
      {"null date", [](R r) { r.date = app::OleDate::Null(); }, 39, "19000101"},
      {"invalid date", [](R r) { r.date = {Day(2006, 4, 1).value, app::OleDate::kInvalid}; }, 39, "19000101"},
      {"date beyond eight digits", [](R r) { r.date = {1e7, app::OleDate::kValid}; }, 39, "19000101"},
  };
  const std::string path = dir.File("ZMF0.BAK");
  {
    TransactionFile file;
    ASSERT_EQ(file.Open(path, 0), 1);
    for (const Case& c : cases) {
      file.record = TransactionRecord();
      c.set(file.record);
      EXPECT_EQ(file.WriteRecord(), 1) << c.what;
    }
  }
  const std::string written = ReadAll(path);
  ASSERT_EQ(written.size(), std::size(cases) * 202);
  for (size_t i = 0; i < std::size(cases); ++i) {
    const std::string record = written.substr(i * 202, 202);
    EXPECT_EQ(record.substr(cases[i].at, cases[i].bytes.size()), cases[i].bytes) << cases[i].what;
    EXPECT_EQ(record.substr(47), std::string(153, ' ') + "\r\n") << cases[i].what;
  }

  // What the reader makes of it.
  const auto read = ReadRecords(written);
  ASSERT_EQ(read.size(), std::size(cases));
  EXPECT_EQ(read[0].type, 1);
  EXPECT_EQ(read[0].branchCode, 0);
  EXPECT_EQ(read[3].type, 0);
  EXPECT_EQ(read[3].bankCode, 7);
  EXPECT_EQ(read[6].kanjiName, Ansi("一二三四五六七八"));
  EXPECT_EQ(read[7].kanjiName, Ansi("一二三四五六七ｱ "));
  for (size_t i : {13, 14}) {
    EXPECT_EQ(read[i].date.status, app::OleDate::kValid) << cases[i].what;
    EXPECT_EQ(read[i].date.GetYear() * 10000 + read[i].date.GetMonth() * 100 + read[i].date.GetDay(), 19000101);
  }
}

TEST_F(TransactionFileTest, NumbersReadAsTheirLeadingDigits) {
  const struct {
    std::string field;
    int value;
  } cases[] = {
      {"0006", 6},  {"  12", 12}, {"    ", 0}, {"12 3", 12}, {"-123", -123}, {"+7  ", 7},
      {"\t\v\f5", 5}, {"+ 12", 0},  {"1-2 ", 1}, {"abcd", 0}, {"\r\n-0", 0},
  };
  std::string bytes;
  for (const auto& c : cases) bytes += Raw("2" + c.field + "7 9" + std::string(31, ' ') + "20060401");
  const auto read = ReadRecords(bytes);
  ASSERT_EQ(read.size(), std::size(cases));
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(read[i].bankCode, cases[i].value) << '"' << cases[i].field << '"';
    EXPECT_EQ(read[i].type, 2);
    EXPECT_EQ(read[i].branchCode, 7);
  }
  // Both codes are read whatever the type says.
  EXPECT_EQ(ReadRecords(Raw("1000612 " + std::string(31, ' ') + "20060401"))[0].branchCode, 12);
}

TEST_F(TransactionFileTest, KanaLosesTrailingWhiteSpaceKanjiIsKeptWhole) {
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
  const auto read = ReadRecords(bytes);
  ASSERT_EQ(read.size(), std::size(cases));
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(read[i].kanaName, cases[i].kana) << i;
    EXPECT_EQ(read[i].kanjiName, kanji) << i;
  }
}

TEST_F(TransactionFileTest, DatesThatDoNotExistAreInvalidAndKeepTheLastValidValue) {
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
  const auto read = ReadRecords(bytes);
  ASSERT_EQ(read.size(), std::size(cases));
  double lastValid = 0.0;  // a new file object's date value
  for (size_t i = 0; i < std::size(cases); ++i) {
    const app::OleDate& date = read[i].date;
    if (cases[i].ymd == 0) {
      EXPECT_EQ(date.status, app::OleDate::kInvalid) << cases[i].field;
      EXPECT_EQ(date.value, lastValid) << cases[i].field;
    } else {
      EXPECT_EQ(date.status, app::OleDate::kValid) << cases[i].field;
      EXPECT_EQ(date.GetYear() * 10000 + date.GetMonth() * 100 + date.GetDay(), cases[i].ymd);
      lastValid = date.value;
    }
  }
}

TEST_F(TransactionFileTest, OpeningForWritingEmptiesTheFile) {
  const std::string path = dir.Write("ZMF0.BAK", std::string(3 * 202, 'x'));
  TransactionFile file;
  ASSERT_EQ(file.Open(path, 0), 1);
  EXPECT_EQ(std::filesystem::file_size(path), 0u);
  file.record.type = 1;
  ASSERT_EQ(file.WriteRecord(), 1);
  EXPECT_EQ(std::filesystem::file_size(path), 202u);
}

TEST_F(TransactionFileTest, AnOpenFileIsSharedWithNobody) {
  const std::string record = Raw("10006   " + std::string(31, ' ') + "20060401");
  const std::string path = dir.Write("ZMF0", record);
  {
    TransactionFile reader;
    ASSERT_EQ(reader.Open(path, 1), 1);
    TransactionFile secondReader, writer;
    EXPECT_EQ(secondReader.Open(path, 1), 0);
    EXPECT_EQ(writer.Open(path, 0), 0);
  }
  EXPECT_EQ(ReadAll(path), record);  // the refused writer emptied nothing
  {
    TransactionFile writer;
    ASSERT_EQ(writer.Open(path, 0), 1);
    TransactionFile reader, secondWriter;
    EXPECT_EQ(reader.Open(path, 1), 0);
    EXPECT_EQ(secondWriter.Open(path, 0), 0);
  }
  // Closed with its object: the file is free again.
  TransactionFile reader;
  EXPECT_EQ(reader.Open(path, 1), 1);
  EXPECT_EQ(reader.AtEnd(), 1);
  EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(TransactionFileTest, GarbageIsReadAsBytesWithoutHarm) {
  std::string bytes(50 * 202 + 120, '\0');
  unsigned state = 12345;
  for (char& c : bytes) {
    state = state * 1103515245u + 12345u;
    c = static_cast<char>(state >> 16);
  }
  const auto read = ReadRecords(bytes);
  ASSERT_EQ(read.size(), 50u);
  for (size_t i = 0; i < read.size(); ++i) {
    const std::string raw = bytes.substr(i * 202, 202);
    EXPECT_EQ(read[i].kanjiName, raw.substr(23, 16));
    EXPECT_LE(read[i].kanaName.size(), 15u);
    EXPECT_EQ(raw.substr(8, read[i].kanaName.size()), read[i].kanaName);
  }
}

}  // namespace
