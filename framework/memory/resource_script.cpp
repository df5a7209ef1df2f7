#include "resource_script.h"

#include <cctype>
#include <stdexcept>

namespace fw::memory {
namespace {

constexpr std::uint32_t kWsChild = 0x40000000;
constexpr std::uint32_t kWsVisible = 0x10000000;

class Cursor {
 public:
  Cursor(std::string_view line, int lineNo) : s_(line), lineNo_(lineNo) {}

  [[noreturn]] void Fail(const std::string& what) const {
    throw std::runtime_error("resource script line " + std::to_string(lineNo_) + ": " + what);
  }
  void SkipSpace() {
    while (pos_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[pos_]))) ++pos_;
  }
  bool AtEnd() {
    SkipSpace();
    return pos_ >= s_.size() || s_.substr(pos_, 2) == "//";
  }
  bool TryWord(std::string_view word) {
    SkipSpace();
    if (s_.substr(pos_, word.size()) != word) return false;
    const size_t after = pos_ + word.size();
    if (after < s_.size() && (std::isalnum(static_cast<unsigned char>(s_[after])) || s_[after] == '_'))
      return false;
    pos_ = after;
    return true;
  }
  void Expect(char c) {
    SkipSpace();
    if (pos_ >= s_.size() || s_[pos_] != c) Fail(std::string("expected '") + c + "'");
    ++pos_;
  }
  long long Number() {
    SkipSpace();
    size_t used = 0;
    long long value = 0;
    try {
      value = std::stoll(std::string(s_.substr(pos_)), &used, 0);
    } catch (const std::exception&) {
      Fail("expected a number");
    }
    pos_ += used;
    return value;
  }
  // NOT <n> clears bits, any other term sets them.
  std::uint32_t Style(std::uint32_t base) {
    std::uint32_t style = base;
    do {
      if (TryWord("NOT"))
        style &= ~static_cast<std::uint32_t>(Number());
      else
        style |= static_cast<std::uint32_t>(Number());
      SkipSpace();
    } while (pos_ < s_.size() && s_[pos_] == '|' && ++pos_);
    return style;
  }
  bool PeekQuote() {
    SkipSpace();
    return pos_ < s_.size() && s_[pos_] == '"';
  }
  std::string Quoted() {
    SkipSpace();
    if (pos_ >= s_.size() || s_[pos_] != '"') Fail("expected a quoted text");
    ++pos_;
    std::string out;
    while (true) {
      if (pos_ >= s_.size()) Fail("unterminated text");
      const char c = s_[pos_++];
      if (c == '"') {
        if (pos_ < s_.size() && s_[pos_] == '"') {
          out += '"';
          ++pos_;
          continue;
        }
        return out;
      }
      if (c == '\\' && pos_ < s_.size()) {
        const char e = s_[pos_++];
        switch (e) {
          case 'n': out += '\n'; break;
          case 't': out += '\t'; break;
          case '\\': out += '\\'; break;
          case '"': out += '"'; break;
          default: Fail(std::string("unsupported escape \\") + e);
        }
        continue;
      }
      out += c;
    }
  }

 private:
  std::string_view s_;
  size_t pos_ = 0;
  int lineNo_;
};

enum class Block { None, StringTable, DialogHeader, DialogBody };

}  // namespace

void ParseResourceScript(std::string_view text, ResourceScript& into) {
  Block block = Block::None;
  DialogTemplate dialog;
  int lineNo = 0;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    ++lineNo;
    Cursor c(line, lineNo);
    if (c.AtEnd()) continue;
    if (c.TryWord("#pragma") || c.TryWord("#include") || c.TryWord("#define") ||
        c.TryWord("LANGUAGE"))
      continue;

    switch (block) {
      case Block::None:
        if (c.TryWord("STRINGTABLE")) {
          block = Block::StringTable;
          if (!c.AtEnd() && !c.TryWord("BEGIN")) c.Fail("expected BEGIN");
          continue;
        }
        dialog = DialogTemplate{};
        dialog.id = static_cast<unsigned>(c.Number());
        if (c.TryWord("DIALOG")) {
          dialog.x = static_cast<int>(c.Number());
          c.Expect(',');
          dialog.y = static_cast<int>(c.Number());
          c.Expect(',');
          dialog.cx = static_cast<int>(c.Number());
          c.Expect(',');
          dialog.cy = static_cast<int>(c.Number());
          block = Block::DialogHeader;
          continue;
        }
        // Other resources (bitmaps, icons, version) concern only the exe.
        continue;
      case Block::StringTable: {
        if (c.TryWord("BEGIN")) continue;
        if (c.TryWord("END")) {
          block = Block::None;
          continue;
        }
        const auto id = static_cast<unsigned>(c.Number());
        c.Expect(',');
        into.strings[id] = c.Quoted();
        continue;
      }
      case Block::DialogHeader:
        if (c.TryWord("STYLE")) {
          dialog.style = c.Style(0);
        } else if (c.TryWord("FONT")) {
          dialog.fontSize = static_cast<int>(c.Number());
          c.Expect(',');
          dialog.fontFace = c.Quoted();
        } else if (c.TryWord("BEGIN")) {
          block = Block::DialogBody;
        } else {
          c.Fail("unsupported dialog statement");
        }
        continue;
      case Block::DialogBody: {
        if (c.TryWord("END")) {
          into.dialogs[dialog.id] = dialog;
          block = Block::None;
          continue;
        }
        if (!c.TryWord("CONTROL")) c.Fail("only CONTROL statements are supported in a dialog");
        ControlTemplate ctl;
        // A picture names its bitmap by number.
        ctl.text = c.PeekQuote() ? c.Quoted() : std::string("#").append(std::to_string(c.Number()));
        c.Expect(',');
        ctl.id = static_cast<int>(c.Number()) & 0xFFFF;
        c.Expect(',');
        ctl.className = c.Quoted();
        c.Expect(',');
        ctl.style = c.Style(kWsChild | kWsVisible);
        c.Expect(',');
        ctl.x = static_cast<int>(c.Number());
        c.Expect(',');
        ctl.y = static_cast<int>(c.Number());
        c.Expect(',');
        ctl.cx = static_cast<int>(c.Number());
        c.Expect(',');
        ctl.cy = static_cast<int>(c.Number());
        dialog.controls.push_back(ctl);
        continue;
      }
    }
  }
  if (block != Block::None) throw std::runtime_error("resource script ends inside a block");
}

}  // namespace fw::memory
