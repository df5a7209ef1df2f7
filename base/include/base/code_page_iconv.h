// Native build only: the conversions done by iconv alone, whole texts at a
// time, which the conversions of code_page.h must agree with byte for byte.
// For tests.
#pragma once

#include <string>
#include <string_view>

namespace base::internal {

std::string Cp932ToUtf8WithIconv(std::string_view cp932, bool* lossy = nullptr);
std::string Utf8ToCp932WithIconv(std::string_view utf8, bool* lossy = nullptr);

}  // namespace base::internal
