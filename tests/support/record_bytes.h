// Records and their bytes spelled out for the transaction tests,
// independent of any converter.
#pragma once

#include <gtest/gtest.h>

#include <string>

// A record as it lies in a file, from its first 47 bytes (type to date).
inline std::string Raw(const std::string& fields) {
  EXPECT_EQ(fields.size(), 47u) << "test data";
  return fields + std::string(153, ' ') + "\r\n";
}

inline const std::string kHonten = "\x96\x7B\x93\x58";  // 本店
inline const std::string kFullWidthSpace = "\x81\x40";

inline std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}
