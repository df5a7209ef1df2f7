// How the native build finds the files the program names: the program's
// paths are Windows-shaped byte strings in code page 932; the file system
// here speaks UTF-8 and separates with '/'.
#pragma once

#include <string>

namespace platform {

// Backslashes that stand as characters of their own become '/' (a trail
// byte 0x5C of a double-byte character such as ソ is left alone), and the
// whole converts from code page 932 to UTF-8; `lossy` tells whether a byte
// had to be dropped on the way.
std::string NativePath(const std::string& ansiPath, bool* lossy = nullptr);

}  // namespace platform
