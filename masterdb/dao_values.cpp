// Column values as the engine hands them over, and as GetFieldValue shows
// them.
#include <cstdlib>
#include <cstring>

#include "base/code_page.h"
#include "masterdb/dao.h"

bool SqlValue::operator==(const SqlValue& other) const {
  if (type != other.type) return false;
  switch (type) {
    case Type::kNull:
      return true;
    case Type::kInteger:
      return integer == other.integer;
    case Type::kReal:
      return std::memcmp(&real, &other.real, sizeof real) == 0;
    case Type::kText:
    case Type::kBlob:
      return bytes == other.bytes;
  }
  return false;
}

COleVariant::COleVariant(const SqlValue& value) {
  switch (value.type) {
    case SqlValue::Type::kNull:
      type_ = Type::kNull;
      break;
    case SqlValue::Type::kInteger:
      type_ = Type::kLong;
      long_ = value.integer;
      double_ = static_cast<double>(value.integer);
      break;
    case SqlValue::Type::kReal:
      type_ = Type::kDouble;
      double_ = value.real;
      // A double beyond 64 bits does not convert: it reads as 0.
      long_ = value.real > -9.2e18 && value.real < 9.2e18 ? static_cast<std::int64_t>(value.real) : 0;
      break;
    case SqlValue::Type::kText:
      type_ = Type::kText;
      text_ = base::Utf8ToCp932(value.bytes);
      long_ = std::strtoll(value.bytes.c_str(), nullptr, 10);
      double_ = std::strtod(value.bytes.c_str(), nullptr);
      break;
    case SqlValue::Type::kBlob:
      type_ = Type::kBinary;
      text_ = value.bytes;
      break;
  }
}

std::int32_t COleVariant::AsLong() const { return static_cast<std::int32_t>(long_); }
double COleVariant::AsDouble() const { return double_; }
Text COleVariant::AsText() const {
  switch (type_) {
    case Type::kLong:
      return std::to_string(long_);
    case Type::kDouble:
      return std::to_string(double_);
    default:
      return text_;
  }
}
