#include <gtest/gtest.h>

#include <filesystem>

#include "platform/probes.h"
#include "platform/platform.h"
#include "support/temp_dir.h"

TEST(FileExistsTest, FilesOnlyNeverDirectories) {
  TempDir dir;
  const std::string empty = dir.Write("empty", "");
  std::filesystem::create_directory(dir.path() / "ZMF0");
  EXPECT_EQ(platform::FileExists(empty), 1);
  EXPECT_EQ(platform::FileExists(dir.File("ZMF0")), 0);
  EXPECT_EQ(platform::FileExists(dir.File("missing")), 0);
  EXPECT_EQ(platform::FileExists(dir.File("missing/below")), 0);
  EXPECT_EQ(platform::FileExists(""), 0);
}

TEST(QueryFileSizeTest, SizesBelowFourGibOnly) {
  TempDir dir;
  std::uint32_t size = 77;
  EXPECT_EQ(platform::QueryFileSize(dir.Write("empty", ""), size), 1);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(platform::QueryFileSize(dir.Write("three", "abc"), size), 1);
  EXPECT_EQ(size, 3u);

  // Sparse files: no disk space is used.
  const std::string largest = dir.File("largest");
  const std::string fourGib = dir.File("four-gib");
  std::filesystem::resize_file(dir.Write("largest", ""), 4294967295ull);
  std::filesystem::resize_file(dir.Write("four-gib", ""), 4294967296ull);
  EXPECT_EQ(platform::QueryFileSize(largest, size), 1);
  EXPECT_EQ(size, 4294967295u);

  size = 77;
  EXPECT_EQ(platform::QueryFileSize(fourGib, size), 0);
  EXPECT_EQ(size, 77u);
  std::filesystem::create_directory(dir.path() / "d");
  EXPECT_EQ(platform::QueryFileSize(dir.File("d"), size), 0);
  EXPECT_EQ(platform::QueryFileSize(dir.File("missing"), size), 0);
  EXPECT_EQ(size, 77u);
}

TEST(DrainMessageQueueTest, HandlesWhatArrivesWhileDrainingAndNeverWaits) {
  platform::DrainMessageQueue();  // empty: returns at once
  int handled = 0;
  platform::PostTask([&] {
    ++handled;
    platform::PostTask([&] { ++handled; });  // posted during the drain
  });
  platform::DrainMessageQueue();
  EXPECT_EQ(handled, 2);
  EXPECT_FALSE(platform::DispatchOnePendingMessage());
}
