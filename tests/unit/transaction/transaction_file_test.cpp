// Transaction files: reading whole records to the end, what cannot be
// opened, and files held without sharing.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/text.h"
#include "support/fake_user.h"
#include "support/record_bytes.h"
#include "support/temp_dir.h"
#include "transaction/transaction_file.h"

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class TransactionFileTest : public ::testing::Test {
 protected:
  TempDir dir;
  FakeReporter reporter;
};

TEST_F(TransactionFileTest, ReadsWholeRecordsOnlyAndKeepsTheLastOneAtTheEnd) {
  const std::string first = Raw("10006   " + Ansi("ｷﾞﾝｺｳ") + std::string(10, ' ') + std::string(16, ' ') +
                                "20060401");
  const std::string second = Raw("20006123" + Ansi("ﾎﾝﾃﾝ") + std::string(11, ' ') + kHonten +
                                 Repeat(kFullWidthSpace, 6) + "20061231");
  const std::string tail = Raw("29999999" + std::string(31, 'X') + "20070101").substr(0, 96);
  ASSERT_EQ((first + second + tail).size(), 500u);

  TransactionFile file(reporter);
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
  EXPECT_EQ(file.RecordLength(), 202);
}

TEST_F(TransactionFileTest, FileWithoutAWholeRecordOpensAtItsEndWithAClearedRecord) {
  for (const std::string& bytes : {std::string(), Raw("10006" + std::string(34, ' ') + "20060401").substr(0, 201)}) {
    SCOPED_TRACE(bytes.size());
    TransactionFile file(reporter);
    ASSERT_EQ(file.Open(dir.Write("ZMF3", bytes), 1), 1);
    EXPECT_EQ(file.AtEnd(), 1);
    EXPECT_EQ(file.record.type, 0);
    EXPECT_EQ(file.record.bankCode, 0);
    EXPECT_EQ(file.record.branchCode, 0);
    EXPECT_TRUE(file.record.kanaName.empty());
    EXPECT_TRUE(file.record.kanjiName.empty());
    EXPECT_EQ(file.record.date.status, base::OleDate::kInvalid);
    EXPECT_EQ(file.record.date.value, 0.0);  // nothing was ever decoded
    EXPECT_EQ(file.ReadNext(), 0);
  }
}

TEST_F(TransactionFileTest, WhatCannotBeOpenedIsRefusedQuietly) {
  std::filesystem::create_directory(dir.path() / "ZMF0");
  TransactionFile missing(reporter), directory(reporter), noSuchFolder(reporter), badMode(reporter);
  EXPECT_EQ(missing.Open(dir.File("ZMF1"), 1), 0);
  EXPECT_EQ(directory.Open(dir.File("ZMF0"), 1), 0);
  EXPECT_EQ(noSuchFolder.Open(dir.File("Home") + "\\ZMF0.BAK", 0), 0);
  EXPECT_EQ(badMode.Open(dir.File("ZMF4"), 2), 0);
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "ZMF4"));
  EXPECT_TRUE(reporter.errors.empty());
}

TEST_F(TransactionFileTest, OpeningForWritingEmptiesTheFile) {
  const std::string path = dir.Write("ZMF0.BAK", std::string(3 * 202, 'x'));
  TransactionFile file(reporter);
  ASSERT_EQ(file.Open(path, 0), 1);
  EXPECT_EQ(std::filesystem::file_size(path), 0u);
  file.record.type = 1;
  ASSERT_EQ(file.WriteRecord(), 1);
  ASSERT_EQ(file.Flush(), 1);
  EXPECT_EQ(std::filesystem::file_size(path), 202u);
}

TEST_F(TransactionFileTest, AnOpenFileIsSharedWithNobody) {
  const std::string record = Raw("10006   " + std::string(31, ' ') + "20060401");
  const std::string path = dir.Write("ZMF0", record);
  {
    TransactionFile reader(reporter);
    ASSERT_EQ(reader.Open(path, 1), 1);
    TransactionFile secondReader(reporter), writer(reporter);
    EXPECT_EQ(secondReader.Open(path, 1), 0);
    EXPECT_EQ(writer.Open(path, 0), 0);
  }
  EXPECT_EQ(ReadAll(path), record);  // the refused writer emptied nothing
  {
    TransactionFile writer(reporter);
    ASSERT_EQ(writer.Open(path, 0), 1);
    TransactionFile reader(reporter), secondWriter(reporter);
    EXPECT_EQ(reader.Open(path, 1), 0);
    EXPECT_EQ(secondWriter.Open(path, 0), 0);
  }
  // Closed with its object: the file is free again.
  TransactionFile reader(reporter);
  EXPECT_EQ(reader.Open(path, 1), 1);
  EXPECT_EQ(reader.AtEnd(), 1);
  EXPECT_TRUE(reporter.errors.empty());
}

}  // namespace
