// The text of a locked text box with its caret and selection: the text can be
// selected and copied, never edited. Offsets are bytes into the text; the
// selection runs between the anchor and the caret.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// Keys that move a text box's caret.
enum class CaretMove { Left, Right, Home, End };

class LockedText {
 public:
  const std::string& Value() const { return text_; }
  // A new text, with the caret at its start and nothing selected.
  void SetValue(std::string_view text);

  std::size_t Caret() const { return caret_; }
  std::size_t SelectionFrom() const;
  std::size_t SelectionTo() const;
  std::string Selected() const;

  void Select(std::size_t anchor, std::size_t caret);
  void SelectAll() { Select(0, text_.size()); }
  // The word around an offset: the run of characters other than spaces,
  // tabs and line ends.
  void SelectWordAt(std::size_t at);
  // A press at an offset puts the caret there; with Shift the selection
  // stretches to it from where it was anchored.
  void PressAt(std::size_t at, bool extend);
  // The caret follows the pointer; false when it did not move.
  bool DragTo(std::size_t at);
  void MoveCaret(CaretMove move, bool extend);

 private:
  std::string text_;
  std::size_t anchor_ = 0, caret_ = 0;
};

}  // namespace platform
