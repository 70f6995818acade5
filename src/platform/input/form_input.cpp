// A window's input rules: focus, double-clicks, push buttons, the locked text box.
#include "platform/input/form_input.h"

#include <utility>

#include "platform/input/tab_order.h"

namespace platform {

FormInput::FormInput(const FormDesign& design, WindowEvents& events, InputView& view)
    : design_(design),
      events_(events),
      view_(view),
      controls_(design.controls.size()),
      tab_order_(TabOrder(design.controls)) {
  for (std::size_t row = 0; row < controls_.size(); ++row) {
    controls_[row].text.SetValue(design.controls[row].caption);
  }
}

const ControlDesign& FormInput::DesignOf(int row) const {
  return design_.controls[static_cast<std::size_t>(row)];
}

void FormInput::SetText(int row, std::string_view text) {
  Of(row).text.SetValue(text);
}

void FormInput::FocusFirst() {
  if (!tab_order_.empty()) {
    Focus(tab_order_.front());
  }
}

void FormInput::Focus(int row) {
  const int previous = std::exchange(focus_, row);
  if (previous == row) {
    return;
  }
  if (previous >= 0) {
    view_.RepaintControl(previous);
  }
  if (row >= 0) {
    view_.RepaintControl(row);
  }
}

// Tabbing into a text box selects all its text.
void FormInput::MoveFocus(bool forward) {
  const int next = NextInTabOrder(tab_order_, focus_, forward);
  if (next < 0) {
    return;
  }
  if (DesignOf(next).kind == ControlKind::TextBox) {
    Of(next).text.SelectAll();
  }
  Focus(next);
}

// A selection made is offered at once, the X way; an empty one is not.
void FormInput::OfferSelection(int row, InputTime time) {
  const LockedText& text = Of(row).text;
  if (text.SelectionFrom() != text.SelectionTo()) {
    view_.OfferText(TextOffer::Selection, text.Selected(), time);
  }
}

void FormInput::ButtonDown(int row, int x, int y, InputTime time, std::size_t text_at, bool shift) {
  ControlInput& control = Of(row);
  const ControlDesign& design = DesignOf(row);
  const bool double_click = control.clicks.Press(time, x, y, view_.DesktopDoubleClick());
  if (design.takes_focus) {
    Focus(row);
  }
  switch (design.kind) {
    case ControlKind::PushButton:
      control.pressed = true;
      view_.RepaintControl(row);
      return;
    case ControlKind::TextBox:
      if (double_click) {
        control.text.SelectWordAt(text_at);
        OfferSelection(row, time);
      } else {
        control.text.PressAt(text_at, shift);
      }
      view_.RepaintControl(row);
      return;
    case ControlKind::Label:
      if (double_click && design.handles_dbl_click) {
        events_.OnControlDblClick(row);  // may destroy this object
      }
      return;
    default:
      return;
  }
}

void FormInput::Drag(int row, std::size_t text_at) {
  if (DesignOf(row).kind == ControlKind::TextBox && Of(row).text.DragTo(text_at)) {
    view_.RepaintControl(row);
  }
}

void FormInput::ButtonUp(int row, bool inside, InputTime time) {
  ControlInput& control = Of(row);
  const ControlDesign& design = DesignOf(row);
  if (design.kind == ControlKind::TextBox) {
    OfferSelection(row, time);
    return;
  }
  if (design.kind != ControlKind::PushButton || !control.pressed) {
    return;
  }
  control.pressed = false;
  view_.RepaintControl(row);
  if (inside && design.handles_click) {
    events_.OnControlClick(row);  // may destroy this object
  }
}

void FormInput::KeyDown(const KeyPress& press) {
  if (press.key == Key::Tab) {
    MoveFocus(!press.shift);
    return;
  }
  if (focus_ < 0) {
    return;
  }
  const ControlDesign& design = DesignOf(focus_);
  switch (design.kind) {
    case ControlKind::PushButton:
      // Space or Enter presses the focused button. No button of this
      // program is a default or cancel button, so nothing else presses one.
      if ((press.key == Key::Space || press.key == Key::Return) && design.handles_click) {
        events_.OnControlClick(focus_);  // may destroy this object
      }
      return;
    case ControlKind::TextBox:
      TextBoxKey(focus_, press);
      return;
    default:
      return;
  }
}

// Ctrl+A selects everything, Ctrl+C or Ctrl+Insert copies the selection, the
// arrows, Home and End move the caret (Up and Down to the start and the end),
// stretching the selection with Shift. Nothing edits the text.
void FormInput::TextBoxKey(int row, const KeyPress& press) {
  LockedText& text = Of(row).text;
  if (press.ctrl && press.key == Key::A) {
    text.SelectAll();
  } else if (press.ctrl && (press.key == Key::C || press.key == Key::Insert)) {
    if (text.SelectionFrom() != text.SelectionTo()) {
      view_.OfferText(TextOffer::Clipboard, text.Selected(), press.time);
    }
    return;
  } else if (press.key == Key::Left) {
    text.MoveCaret(CaretMove::Left, press.shift);
  } else if (press.key == Key::Right) {
    text.MoveCaret(CaretMove::Right, press.shift);
  } else if (press.key == Key::Home || press.key == Key::Up) {
    text.MoveCaret(CaretMove::Home, press.shift);
  } else if (press.key == Key::End || press.key == Key::Down) {
    text.MoveCaret(CaretMove::End, press.shift);
  } else {
    return;
  }
  view_.RepaintControl(row);
  OfferSelection(row, press.time);
}

}  // namespace platform
