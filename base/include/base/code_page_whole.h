// The system's own conversion of a whole text (iconv natively, the Win32
// conversion functions on Windows), which the conversions of code_page.h
// remember character by character and must agree with byte for byte.
// Each returns whether anything was dropped.  For code_page.cpp and tests.
#pragma once

#include <string>
#include <string_view>

namespace base::internal {

bool WholeCp932ToUtf8(std::string_view cp932, std::string& out);
bool WholeUtf8ToCp932(std::string_view utf8, std::string& out);

}  // namespace base::internal
