#include "base/text.h"

#include "base/code_page.h"

Text Ansi(std::string_view utf8) { return base::Utf8ToCp932(utf8); }
