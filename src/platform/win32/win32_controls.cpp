// The label and picture box window classes: painting and double-clicks.
#include "platform/win32/win32_controls.h"

#include "platform/win32/control_state.h"
#include "platform/win32/handles.h"

namespace platform::win32 {

namespace {

ControlState* StateOf(HWND window) {
  return reinterpret_cast<ControlState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

void KeepCreationState(HWND window, LPARAM lparam) {
  const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
  auto* state = static_cast<ControlState*>(create->lpCreateParams);
  state->window = window;
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
}

// Labels are opaque rectangles of their back colour with, where they have
// one, a single line of text centred across the top.
void OnPaintLabel(HWND window, const ControlState& state) {
  const PaintDc paint(window);
  RECT client{};
  GetClientRect(window, &client);
  const UniqueBrush brush(CreateSolidBrush(state.back_colour));
  FillRect(paint.Get(), &client, brush.Get());
  if (state.text.empty()) {
    return;
  }
  const SelectedObject font(paint.Get(), state.font != nullptr ? static_cast<HGDIOBJ>(state.font)
                                                               : GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(paint.Get(), TRANSPARENT);
  SetTextColor(paint.Get(), state.fore_colour);
  DrawTextW(paint.Get(), state.text.c_str(), static_cast<int>(state.text.size()), &client,
            DT_CENTER | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
}

LRESULT CALLBACK LabelProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    KeepCreationState(window, lparam);
  }
  ControlState* state = StateOf(window);
  if (state == nullptr) {
    return DefWindowProcW(window, message, wparam, lparam);
  }
  switch (message) {
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT covers every pixel
    case WM_PAINT:
      OnPaintLabel(window, *state);
      return 0;
    case WM_GETFONT:  // as the system's static controls answer it
      return reinterpret_cast<LRESULT>(state->font);
    case WM_LBUTTONDBLCLK:
      if (state->design->handles_dbl_click) {
        // The handler may unload the form and destroy this window: nothing
        // of it is touched afterwards.
        state->events->OnControlDblClick(state->index);
      }
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

// The picture is drawn at the top left of the inside, scaled with the
// window's DPI; the rest of the inside is the face colour.
void OnPaintPicture(HWND window, const ControlState& state) {
  const PaintDc paint(window);
  RECT client{};
  GetClientRect(window, &client);
  FillRect(paint.Get(), &client, GetSysColorBrush(COLOR_BTNFACE));
  if (state.picture == nullptr) {
    return;
  }
  const MemoryDc source(paint.Get());
  const SelectedObject bitmap(source.Get(), state.picture);
  const int width =
      MulDiv(state.picture_size.cx, static_cast<int>(state.dpi), USER_DEFAULT_SCREEN_DPI);
  const int height =
      MulDiv(state.picture_size.cy, static_cast<int>(state.dpi), USER_DEFAULT_SCREEN_DPI);
  if (width == state.picture_size.cx && height == state.picture_size.cy) {
    BitBlt(paint.Get(), 0, 0, width, height, source.Get(), 0, 0, SRCCOPY);
  } else {
    SetStretchBltMode(paint.Get(), HALFTONE);
    StretchBlt(paint.Get(), 0, 0, width, height, source.Get(), 0, 0, state.picture_size.cx,
               state.picture_size.cy, SRCCOPY);
  }
}

LRESULT CALLBACK PictureProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    KeepCreationState(window, lparam);
  }
  ControlState* state = StateOf(window);
  if (state == nullptr) {
    return DefWindowProcW(window, message, wparam, lparam);
  }
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      OnPaintPicture(window, *state);
      return 0;
    case WM_LBUTTONDOWN:
      SetFocus(window);  // a picture box takes the focus when clicked
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

void RegisterControlClasses(HINSTANCE instance) {
  WNDCLASSEXW label{};
  label.cbSize = sizeof label;
  label.style = CS_DBLCLKS;
  label.lpfnWndProc = LabelProc;
  label.hInstance = instance;
  label.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  label.lpszClassName = kLabelClass;
  RegisterClassExW(&label);

  WNDCLASSEXW picture = label;
  picture.style = 0;
  picture.lpfnWndProc = PictureProc;
  picture.lpszClassName = kPictureClass;
  RegisterClassExW(&picture);
}

}  // namespace platform::win32
