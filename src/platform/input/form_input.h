// How a window's controls answer the mouse and the keyboard, whatever window
// system delivers the input: the focus and its tab order, double-clicks,
// push buttons, and the locked text box's caret, selection and copying. A
// backend translates its events into these calls and draws what they say.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/backend.h"
#include "platform/design.h"
#include "platform/input/double_click.h"
#include "platform/input/locked_text.h"

namespace platform {

enum class Key { Tab, Space, Return, Left, Right, Up, Down, Home, End, Insert, A, C, Other };

struct KeyPress {
  Key key = Key::Other;
  bool shift = false;
  bool ctrl = false;
  InputTime time = 0;
};

// Where copied or selected text goes: X keeps a selection apart from the
// clipboard; elsewhere only the clipboard counts.
enum class TextOffer { Selection, Clipboard };

// What the window system does for the input rules.
class InputView {
 public:
  virtual ~InputView() = default;
  // A control's face changed: focus, pressed state, caret or selection.
  virtual void RepaintControl(int row) = 0;
  virtual void OfferText(TextOffer where, std::string text, InputTime time) = 0;
  // The desktop's double-click time and distance, read at each press.
  virtual DoubleClickLimits DesktopDoubleClick() { return {}; }
};

class FormInput {
 public:
  FormInput(const FormDesign& design, WindowEvents& events, InputView& view);

  // What the controls show. Every control's text is kept here.
  int Focused() const { return focus_; }  // -1: none
  bool Pressed(int row) const { return Of(row).pressed; }
  const LockedText& Text(int row) const { return Of(row).text; }
  void SetText(int row, std::string_view text);

  // A window that shows puts the focus on the first control in tab order.
  void FocusFirst();

  // The calls below may end in a call to the program that destroys the
  // window, and this object with it: nothing is touched after them.

  // The left button went down at (x, y) in the control's pixels; for a text
  // box, `text_at` is the offset in its text nearest to that point.
  void ButtonDown(int row, int x, int y, InputTime time, std::size_t text_at, bool shift);
  // The pointer moved with the button down.
  void Drag(int row, std::size_t text_at);
  // The left button came up; `inside` when over the control it went down on.
  void ButtonUp(int row, bool inside, InputTime time);
  void KeyDown(const KeyPress& press);

 private:
  struct ControlInput {
    DoubleClickRule clicks;
    bool pressed = false;
    LockedText text;
  };

  const ControlInput& Of(int row) const { return controls_.at(static_cast<std::size_t>(row)); }
  ControlInput& Of(int row) { return controls_.at(static_cast<std::size_t>(row)); }
  const ControlDesign& DesignOf(int row) const;
  void Focus(int row);
  void MoveFocus(bool forward);
  void TextBoxKey(int row, const KeyPress& press);
  void OfferSelection(int row, InputTime time);

  const FormDesign& design_;
  WindowEvents& events_;
  InputView& view_;
  std::vector<ControlInput> controls_;  // one per design row
  std::vector<int> tab_order_;
  int focus_ = -1;
};

}  // namespace platform
