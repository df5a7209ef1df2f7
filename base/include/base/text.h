// Texts of the program: counted byte strings in code page 932, the ANSI code
// page of the machines it serves.
#pragma once

#include <string>
#include <string_view>

using Text = std::string;

// A text written in the sources (UTF-8) as the program holds it.
Text Ansi(std::string_view utf8);
