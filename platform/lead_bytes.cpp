#include <vector>

#include "platform/platform.h"

namespace platform {

int FindLastChar(const std::string& text, char ch) {
  // Classify from the front: only a forward walk knows which bytes are
  // second bytes of double-byte characters.
  std::vector<bool> ownChar(text.size(), false);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (IsLeadByte(static_cast<unsigned char>(text[i]))) {
      ++i;  // its second byte, whatever it is (none at the very end)
    } else {
      ownChar[i] = true;
    }
  }
  for (std::size_t i = text.size(); i-- > 0;)
    if (ownChar[i] && text[i] == ch) return static_cast<int>(i);
  return -1;
}

}  // namespace platform
