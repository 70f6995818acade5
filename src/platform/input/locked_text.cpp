// A locked text box's caret and selection over text that never changes.
#include "platform/input/locked_text.h"

#include <algorithm>

namespace platform {

namespace {

bool IsWordCharacter(char character) {
  return character != ' ' && character != '\t' && character != '\r' && character != '\n';
}

}  // namespace

void LockedText::SetValue(std::string_view text) {
  text_ = text;
  anchor_ = caret_ = 0;
}

std::size_t LockedText::SelectionFrom() const {
  return std::min(anchor_, caret_);
}

std::size_t LockedText::SelectionTo() const {
  return std::max(anchor_, caret_);
}

std::string LockedText::Selected() const {
  return text_.substr(SelectionFrom(), SelectionTo() - SelectionFrom());
}

void LockedText::Select(std::size_t anchor, std::size_t caret) {
  anchor_ = std::min(anchor, text_.size());
  caret_ = std::min(caret, text_.size());
}

void LockedText::SelectWordAt(std::size_t at) {
  std::size_t from = std::min(at, text_.size());
  std::size_t to = from;
  while (from > 0 && IsWordCharacter(text_[from - 1])) {
    --from;
  }
  while (to < text_.size() && IsWordCharacter(text_[to])) {
    ++to;
  }
  Select(from, to);
}

void LockedText::PressAt(std::size_t at, bool extend) {
  Select(extend ? anchor_ : at, at);
}

bool LockedText::DragTo(std::size_t at) {
  at = std::min(at, text_.size());
  if (at == caret_) {
    return false;
  }
  caret_ = at;
  return true;
}

void LockedText::MoveCaret(CaretMove move, bool extend) {
  std::size_t caret = caret_;
  switch (move) {
    case CaretMove::Left:
      caret = caret > 0 ? caret - 1 : 0;
      break;
    case CaretMove::Right:
      caret = std::min(caret + 1, text_.size());
      break;
    case CaretMove::Home:
      caret = 0;
      break;
    case CaretMove::End:
      caret = text_.size();
      break;
  }
  Select(extend ? anchor_ : caret, caret);
}

}  // namespace platform
