// A form's child windows: made, laid out at a DPI, coloured, focused.
#include "platform/win32/form_controls.h"

#include <algorithm>
#include <cmath>

#include "platform/input/tab_order.h"
#include "platform/twips.h"
#include "platform/win32/newer_calls.h"
#include "platform/win32/resource_picture.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_controls.h"

namespace platform::win32 {

namespace {

// Control identifiers start clear of IDOK and IDCANCEL, so that no WM_COMMAND
// a dialog manager might send for Enter or Esc names one of our controls.
constexpr int kFirstControlId = 100;

int FontHeight(float points, UINT dpi) {
  return -static_cast<int>(std::lround(points * static_cast<double>(dpi) / 72.0));
}

UniqueFont MakeFont(const FontDesign& font, UINT dpi) {
  return UniqueFont(CreateFontW(FontHeight(font.points, dpi), 0, 0, 0, font.weight, font.italic,
                                font.underline, font.strikeout, static_cast<BYTE>(font.charset),
                                OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                DEFAULT_PITCH | FF_SWISS, Widen(font.face).c_str()));
}

DWORD TextBoxStyle(const ControlDesign& control) {
  DWORD style = control.multi_line ? ES_MULTILINE : ES_AUTOHSCROLL;
  if (control.locked) {
    style |= ES_READONLY;
  }
  if (control.alignment == Alignment::Centre) {
    style |= ES_CENTER;
  }
  return style;
}

DWORD SunkenIfBordered(const ControlDesign& control) {
  return control.border == Border::FixedSingle ? WS_EX_CLIENTEDGE : 0;
}

}  // namespace

FormControls::FormControls(HINSTANCE instance, HWND parent, const FormDesign& design,
                           WindowEvents& events, UINT dpi)
    : design_(design) {
  MakeFonts(dpi);
  Create(instance, parent, events);
  Place(dpi);
}

void FormControls::Layout(UINT dpi) {
  MakeFonts(dpi);
  Place(dpi);
}

void FormControls::MakeFonts(UINT dpi) {
  form_font_ = MakeFont(design_.font, dpi);
  control_fonts_.clear();
  for (const ControlDesign& control : design_.controls) {
    control_fonts_.push_back(control.font ? MakeFont(*control.font, dpi) : UniqueFont());
  }
}

HFONT FormControls::FontFor(const ControlDesign& control) const {
  const auto row = static_cast<std::size_t>(&control - design_.controls.data());
  return control_fonts_[row] ? control_fonts_[row].Get() : form_font_.Get();
}

// Labels and picture boxes are windows of the program's own classes; push
// buttons and text boxes are the system's.
void FormControls::Create(HINSTANCE instance, HWND parent, WindowEvents& events) {
  int index = 0;
  for (const ControlDesign& control : design_.controls) {
    auto state = std::make_unique<ControlState>();
    state->index = index;
    state->design = &control;
    state->events = &events;
    state->back_colour = control.back_colour.value_or(GetSysColor(COLOR_BTNFACE));
    state->fore_colour = control.fore_colour.value_or(GetSysColor(COLOR_BTNTEXT));
    state->text = Widen(control.caption);
    state->font = FontFor(control);

    const HMENU id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + index));
    DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    if (control.takes_focus) {
      style |= WS_TABSTOP;
    }
    switch (control.kind) {
      case ControlKind::Timer:
        break;  // the scheduler runs timers; they have no window
      case ControlKind::Label:
        if (control.border == Border::FixedSingle) {
          style |= WS_BORDER;
        }
        // The caption is the window text too, for accessibility tools.
        CreateWindowExW(0, kLabelClass, state->text.c_str(), style, 0, 0, 0, 0, parent, id,
                        instance, state.get());
        break;
      case ControlKind::PushButton:
        state->window = CreateWindowExW(0, L"BUTTON", state->text.c_str(), style | BS_PUSHBUTTON, 0,
                                        0, 0, 0, parent, id, instance, nullptr);
        break;
      case ControlKind::TextBox:
        state->window = CreateWindowExW(SunkenIfBordered(control), L"EDIT", state->text.c_str(),
                                        style | TextBoxStyle(control), 0, 0, 0, 0, parent, id,
                                        instance, nullptr);
        break;
      case ControlKind::PictureBox:
        pictures_.push_back(LoadResourcePicture(instance, control.picture, state->picture_size));
        state->picture = pictures_.back().Get();
        CreateWindowExW(SunkenIfBordered(control), kPictureClass, L"", style, 0, 0, 0, 0, parent,
                        id, instance, state.get());
        break;
    }
    controls_.push_back(std::move(state));
    ++index;
  }
  // Stacking order is table order, top first; tab order is handled apart.
  HWND above = HWND_TOP;
  for (const auto& state : controls_) {
    if (state->window != nullptr) {
      SetWindowPos(state->window, above, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      above = state->window;
    }
  }
}

// Every control at its design place for the DPI; an auto-sized picture box
// takes its picture's size, scaled, plus its border.
void FormControls::Place(UINT dpi) {
  const double tpp = TwipsPerPixel(dpi);
  for (const auto& state : controls_) {
    if (state->window == nullptr) {
      continue;
    }
    const ControlDesign& control = *state->design;
    state->dpi = dpi;
    state->font = FontFor(control);
    int width = TwipsToPixels(control.width, tpp);
    int height = TwipsToPixels(control.height, tpp);
    if (control.kind == ControlKind::PictureBox && control.auto_size && state->picture != nullptr) {
      RECT frame{0, 0,
                 MulDiv(state->picture_size.cx, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI),
                 MulDiv(state->picture_size.cy, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI)};
      AdjustWindowRectForDpi(state->window, frame, dpi);
      width = frame.right - frame.left;
      height = frame.bottom - frame.top;
    }
    SetWindowPos(state->window, nullptr, TwipsToPixels(control.left, tpp),
                 TwipsToPixels(control.top, tpp), width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    if (control.kind == ControlKind::PushButton || control.kind == ControlKind::TextBox) {
      SendMessageW(state->window, WM_SETFONT, reinterpret_cast<WPARAM>(state->font), TRUE);
    } else {
      InvalidateRect(state->window, nullptr, FALSE);
    }
  }
}

void FormControls::SetBackColour(int control, Colour colour) {
  ControlState& state = *controls_.at(static_cast<std::size_t>(control));
  if (state.back_colour == colour) {
    return;
  }
  state.back_colour = colour;
  if (state.window != nullptr) {
    InvalidateRect(state.window, nullptr, FALSE);
  }
}

void FormControls::SetText(int control, std::string_view text) {
  ControlState& state = *controls_.at(static_cast<std::size_t>(control));
  std::wstring wide = Widen(text);
  if (state.text == wide) {
    return;
  }
  state.text = std::move(wide);
  if (state.window == nullptr) {
    return;
  }
  SetWindowTextW(state.window, state.text.c_str());
  if (state.design->kind == ControlKind::Label) {
    InvalidateRect(state.window, nullptr, FALSE);
  }
}

const ControlState* FormControls::Find(HWND window) const {
  for (const auto& state : controls_) {
    if (window != nullptr && state->window == window) {
      return state.get();
    }
  }
  return nullptr;
}

std::vector<int> FormControls::TabOrder() const {
  std::vector<int> order = platform::TabOrder(design_.controls);
  std::erase_if(order, [this](int row) {
    const HWND window = controls_[static_cast<std::size_t>(row)]->window;
    return window == nullptr || !IsWindowEnabled(window);
  });
  return order;
}

void FormControls::FocusFirst() {
  const std::vector<int> order = TabOrder();
  if (!order.empty()) {
    SetFocus(controls_[static_cast<std::size_t>(order.front())]->window);
  }
}

// Tabbing into a text box selects all its text.
void FormControls::MoveFocus(bool forward) {
  const HWND focus = GetFocus();
  int current = -1;
  for (const auto& state : controls_) {
    if (state->window != nullptr && (state->window == focus || IsChild(state->window, focus))) {
      current = state->index;
    }
  }
  const int next = NextInTabOrder(TabOrder(), current, forward);
  if (next < 0) {
    return;
  }
  const ControlState& target = *controls_[static_cast<std::size_t>(next)];
  SetFocus(target.window);
  if (target.design->kind == ControlKind::TextBox) {
    SendMessageW(target.window, EM_SETSEL, 0, -1);
  }
}

}  // namespace platform::win32
