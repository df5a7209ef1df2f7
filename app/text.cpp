#include "app/text.h"

#include "platform/platform.h"

Text Ansi(std::string_view utf8) { return platform::Utf8ToCp932(utf8); }
