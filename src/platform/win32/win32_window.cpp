#include "platform/win32/win32_window.h"

#include <algorithm>
#include <cmath>

#include "platform/win32/resource_picture.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_controls.h"

namespace platform::win32 {

namespace {

constexpr wchar_t kFormClass[] = L"BrellockVarnOnForm";
constexpr DWORD kFormStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_CLIPCHILDREN;
constexpr DWORD kFormExStyle = WS_EX_TOOLWINDOW;
// Control identifiers start clear of IDOK and IDCANCEL, so that no WM_COMMAND
// a dialog manager might send for Enter or Esc names one of our controls.
constexpr int kFirstControlId = 100;
constexpr WORD kIconGroup = 1;

Win32Window* WindowOf(HWND window) {
  return reinterpret_cast<Win32Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

int FontHeight(float points, UINT dpi) {
  return -static_cast<int>(std::lround(points * static_cast<double>(dpi) / 72.0));
}

UniqueFont MakeFont(const FontDesign& font, UINT dpi) {
  return UniqueFont(CreateFontW(FontHeight(font.points, dpi), 0, 0, 0, font.weight, font.italic,
                                font.underline, font.strikeout, static_cast<BYTE>(font.charset),
                                OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                DEFAULT_PITCH | FF_SWISS, Widen(font.face).c_str()));
}

HICON LoadFormIcon(HINSTANCE instance, int size_metric) {
  return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(kIconGroup), IMAGE_ICON,
                                       GetSystemMetrics(size_metric), GetSystemMetrics(size_metric),
                                       LR_SHARED));
}

}  // namespace

void RegisterWindowClasses(HINSTANCE instance) {
  WNDCLASSEXW form{};
  form.cbSize = sizeof form;
  form.lpfnWndProc = &Win32Window::FormProcEntry;
  form.hInstance = instance;
  form.hIcon = LoadFormIcon(instance, SM_CXICON);
  form.hIconSm = LoadFormIcon(instance, SM_CXSMICON);
  form.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  form.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  form.lpszClassName = kFormClass;
  RegisterClassExW(&form);
  RegisterControlClasses(instance);
}

bool IsFormWindow(HWND window) {
  wchar_t name[64]{};
  return window != nullptr && GetClassNameW(window, name, 64) > 0 &&
         std::wstring_view(name) == kFormClass;
}

void MoveFocusInTabOrder(HWND form, bool forward) {
  if (Win32Window* window = WindowOf(form)) {
    window->MoveFocus(forward);
  }
}

// ---- creation and destruction ---------------------------------------------------

Win32Window::Win32Window(HINSTANCE instance, const FormDesign& design, WindowEvents& events)
    : instance_(instance), design_(design), events_(events) {
  CreateWindowExW(kFormExStyle, kFormClass, Widen(design_.caption).c_str(), kFormStyle,
                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                  instance_, this);
  // WM_NCCREATE has taken ownership of the handle in window_.
  if (!window_) {
    return;
  }
  dpi_ = GetDpiForWindow(window_.Get());
  if (design_.back_colour) {
    back_brush_.Reset(CreateSolidBrush(*design_.back_colour));
  }
  SizeToDesign();
  MakeFonts();
  CreateControls();
  LayoutControls();
}

Win32Window::~Win32Window() {
  // The owner takes input again before this window goes, so that Windows
  // hands the activation back to it rather than to some other program.
  if (owner_ != nullptr && IsWindow(owner_)) {
    EnableWindow(owner_, TRUE);
  }
  window_.Reset();
}

void Win32Window::SizeToDesign() {
  const double tpp = TwipsPerPixel();
  client_ = {TwipsToPixels(design_.client_width, tpp), TwipsToPixels(design_.client_height, tpp)};
  const SIZE outer = OuterSizeFor(client_);
  RECT place = WindowRect();
  if (design_.start_position == StartPosition::CentreScreen) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(window_.Get(), MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& work = monitor.rcWork;
    place.left = work.left + (work.right - work.left - outer.cx) / 2;
    place.top = work.top + (work.bottom - work.top - outer.cy) / 2;
  }
  MoveWindowTo(place.left, place.top, outer.cx, outer.cy);
}

void Win32Window::MakeFonts() {
  form_font_ = MakeFont(design_.font, dpi_);
  control_fonts_.clear();
  for (const ControlDesign& control : design_.controls) {
    control_fonts_.push_back(control.font ? MakeFont(*control.font, dpi_) : UniqueFont());
  }
}

HFONT Win32Window::FontFor(const ControlDesign& control) const {
  const auto row = static_cast<std::size_t>(&control - design_.controls.data());
  return control_fonts_[row] ? control_fonts_[row].Get() : form_font_.Get();
}

void Win32Window::CreateControls() {
  int index = 0;
  for (const ControlDesign& control : design_.controls) {
    auto state = std::make_unique<ControlState>();
    state->index = index;
    state->design = &control;
    state->events = &events_;
    state->back_colour = control.back_colour.value_or(GetSysColor(COLOR_BTNFACE));
    state->fore_colour = control.fore_colour.value_or(GetSysColor(COLOR_BTNTEXT));
    state->text = Widen(control.caption);
    state->font = FontFor(control);
    state->dpi = dpi_;

    const HMENU id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + index));
    DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    if (control.takes_focus) {
      style |= WS_TABSTOP;
    }
    const HWND parent = window_.Get();
    switch (control.kind) {
      case ControlKind::Timer:
        break;  // the scheduler runs timers; they have no window
      case ControlKind::Label:
        if (control.border == Border::FixedSingle) {
          style |= WS_BORDER;
        }
        // The caption is the window text too, for accessibility tools.
        CreateWindowExW(0, kLabelClass, state->text.c_str(), style, 0, 0, 0, 0, parent, id,
                        instance_, state.get());
        break;
      case ControlKind::PushButton:
        state->window = CreateWindowExW(0, L"BUTTON", state->text.c_str(), style | BS_PUSHBUTTON, 0,
                                        0, 0, 0, parent, id, instance_, nullptr);
        break;
      case ControlKind::TextBox: {
        style |= ES_AUTOHSCROLL;
        if (control.multi_line) {
          style = (style & ~ES_AUTOHSCROLL) | ES_MULTILINE;
        }
        if (control.locked) {
          style |= ES_READONLY;
        }
        if (control.alignment == Alignment::Centre) {
          style |= ES_CENTER;
        }
        const DWORD ex_style = control.border == Border::FixedSingle ? WS_EX_CLIENTEDGE : 0;
        state->window = CreateWindowExW(ex_style, L"EDIT", state->text.c_str(), style, 0, 0, 0, 0,
                                        parent, id, instance_, nullptr);
        break;
      }
      case ControlKind::PictureBox: {
        pictures_.push_back(LoadResourcePicture(instance_, control.picture, state->picture_size));
        state->picture = pictures_.back().Get();
        const DWORD ex_style = control.border == Border::FixedSingle ? WS_EX_CLIENTEDGE : 0;
        CreateWindowExW(ex_style, kPictureClass, L"", style, 0, 0, 0, 0, parent, id, instance_,
                        state.get());
        break;
      }
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

// Places every control at its design position for the window's DPI.
void Win32Window::LayoutControls() {
  const double tpp = TwipsPerPixel();
  for (const auto& state : controls_) {
    if (state->window == nullptr) {
      continue;
    }
    const ControlDesign& control = *state->design;
    state->dpi = dpi_;
    state->font = FontFor(control);
    int width = TwipsToPixels(control.width, tpp);
    int height = TwipsToPixels(control.height, tpp);
    if (control.kind == ControlKind::PictureBox && control.auto_size && state->picture != nullptr) {
      RECT frame{0, 0,
                 MulDiv(state->picture_size.cx, static_cast<int>(dpi_), USER_DEFAULT_SCREEN_DPI),
                 MulDiv(state->picture_size.cy, static_cast<int>(dpi_), USER_DEFAULT_SCREEN_DPI)};
      AdjustWindowRectExForDpi(
          &frame, static_cast<DWORD>(GetWindowLongW(state->window, GWL_STYLE)), FALSE,
          static_cast<DWORD>(GetWindowLongW(state->window, GWL_EXSTYLE)), dpi_);
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

// ---- geometry -----------------------------------------------------------------

RECT Win32Window::WindowRect() const {
  RECT rect{};
  GetWindowRect(window_.Get(), &rect);
  return rect;
}

void Win32Window::MoveWindowTo(int left, int top, int width, int height) {
  SetWindowPos(window_.Get(), nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

SIZE Win32Window::ClientSize() const {
  RECT rect{};
  GetClientRect(window_.Get(), &rect);
  return {rect.right - rect.left, rect.bottom - rect.top};
}

// The frame is whatever this system draws around a sizable tool window, at
// the window's DPI; the client area is the one the program asked for.
SIZE Win32Window::OuterSizeFor(SIZE client) const {
  RECT frame{0, 0, client.cx, client.cy};
  AdjustWindowRectExForDpi(&frame, static_cast<DWORD>(GetWindowLongW(window_.Get(), GWL_STYLE)),
                           FALSE, static_cast<DWORD>(GetWindowLongW(window_.Get(), GWL_EXSTYLE)),
                           dpi_);
  return {frame.right - frame.left, frame.bottom - frame.top};
}

void Win32Window::SizeClientTo(SIZE client) {
  client_ = client;
  const RECT rect = WindowRect();
  const SIZE outer = OuterSizeFor(client);
  MoveWindowTo(rect.left, rect.top, outer.cx, outer.cy);
}

Twips Win32Window::Left() const {
  return left_.Read(WindowRect().left, TwipsPerPixel());
}
Twips Win32Window::Top() const {
  return top_.Read(WindowRect().top, TwipsPerPixel());
}
Twips Win32Window::Width() const {
  return width_.Read(ClientSize().cx, TwipsPerPixel());
}
Twips Win32Window::Height() const {
  return height_.Read(ClientSize().cy, TwipsPerPixel());
}

void Win32Window::SetLeft(Twips value) {
  const RECT rect = WindowRect();
  MoveWindowTo(left_.Assign(value, TwipsPerPixel()), rect.top, rect.right - rect.left,
               rect.bottom - rect.top);
}
void Win32Window::SetTop(Twips value) {
  const RECT rect = WindowRect();
  MoveWindowTo(rect.left, top_.Assign(value, TwipsPerPixel()), rect.right - rect.left,
               rect.bottom - rect.top);
}
void Win32Window::SetWidth(Twips value) {
  SizeClientTo({width_.Assign(value, TwipsPerPixel()), ClientSize().cy});
}
void Win32Window::SetHeight(Twips value) {
  SizeClientTo({ClientSize().cx, height_.Assign(value, TwipsPerPixel())});
}

int Win32Window::WindowState() const {
  if (IsIconic(window_.Get())) {
    return kStateMinimised;
  }
  return IsZoomed(window_.Get()) ? kStateMaximised : kStateNormal;
}

// ---- controls -------------------------------------------------------------------

void Win32Window::SetControlBackColour(int control, Colour colour) {
  ControlState& state = *controls_.at(static_cast<std::size_t>(control));
  if (state.back_colour == colour) {
    return;
  }
  state.back_colour = colour;
  if (state.window != nullptr) {
    InvalidateRect(state.window, nullptr, FALSE);
  }
}

void Win32Window::SetControlText(int control, std::string_view text) {
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

std::vector<ControlState*> Win32Window::TabOrder() const {
  const auto by_tab_index = [](const ControlState* a, const ControlState* b) {
    return a->design->tab_index < b->design->tab_index;
  };
  std::vector<ControlState*> order;
  for (const auto& state : controls_) {
    if (state->window != nullptr && state->design->takes_focus && IsWindowEnabled(state->window)) {
      order.insert(std::upper_bound(order.begin(), order.end(), state.get(), by_tab_index),
                   state.get());
    }
  }
  return order;
}

void Win32Window::MoveFocus(bool forward) {
  const std::vector<ControlState*> order = TabOrder();
  if (order.empty()) {
    return;
  }
  const HWND focus = GetFocus();
  const auto current = std::find_if(order.begin(), order.end(), [focus](const ControlState* s) {
    return s->window == focus || IsChild(s->window, focus);
  });
  std::size_t next = 0;
  if (current != order.end()) {
    const std::size_t at = static_cast<std::size_t>(current - order.begin());
    next = forward ? (at + 1) % order.size() : (at + order.size() - 1) % order.size();
  } else if (!forward) {
    next = order.size() - 1;
  }
  ControlState& target = *order[next];
  SetFocus(target.window);
  if (target.design->kind == ControlKind::TextBox) {
    SendMessageW(target.window, EM_SETSEL, 0, -1);  // tabbing into a text box selects its text
  }
}

void Win32Window::Show(NativeWindow* owner) {
  if (owner != nullptr) {
    owner_ = static_cast<Win32Window*>(owner)->Hwnd();
    SetWindowLongPtrW(window_.Get(), GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner_));
    EnableWindow(owner_, FALSE);
  }
  ShowWindow(window_.Get(), SW_SHOW);
  SetForegroundWindow(window_.Get());
  const std::vector<ControlState*> order = TabOrder();
  if (!order.empty()) {
    SetFocus(order.front()->window);
  }
}

// ---- messages -------------------------------------------------------------------

LRESULT CALLBACK Win32Window::FormProcEntry(HWND window, UINT message, WPARAM wparam,
                                            LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* self =
        static_cast<Win32Window*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    self->window_.Reset(window);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  Win32Window* self = WindowOf(window);
  if (self == nullptr) {
    return DefWindowProcW(window, message, wparam, lparam);
  }
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    self->window_.Release();  // the window is gone; nothing left to destroy
    return DefWindowProcW(window, message, wparam, lparam);
  }
  return self->OnMessage(window, message, wparam, lparam);
}

LRESULT Win32Window::OnMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CLOSE:
      // The program decides; it may unload and destroy this very object, so
      // nothing of it is touched afterwards.
      events_.OnCloseRequest();
      return 0;
    case WM_ENDSESSION:
      // Windows is logging off or shutting down and ends the process once
      // this returns: close as though the user had, so that the windows'
      // positions are saved.
      if (wparam != FALSE) {
        events_.OnCloseRequest();
      }
      return 0;
    case WM_COMMAND:
      OnCommand(reinterpret_cast<HWND>(lparam), HIWORD(wparam));
      return 0;
    case WM_CTLCOLORSTATIC:
      return OnCtlColorStatic(reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));
    case WM_ERASEBKGND:
      if (OnEraseBackground(reinterpret_cast<HDC>(wparam))) {
        return 1;
      }
      break;
    case WM_ACTIVATE:
      OnActivate(LOWORD(wparam) != WA_INACTIVE);
      return 0;
    case WM_DPICHANGED:
      OnDpiChanged(HIWORD(wparam), *reinterpret_cast<const RECT*>(lparam));
      return 0;
    case WM_SETTINGCHANGE:
      OnSettingChange(static_cast<UINT>(wparam));
      break;
    case WM_EXITSIZEMOVE:
      client_ = ClientSize();  // the user's own size is kept from now on
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

// Only a button's own click notification counts: WM_COMMAND with IDOK or
// IDCANCEL and no control handle, as Enter or Esc may produce, presses nothing.
void Win32Window::OnCommand(HWND control, UINT notification) {
  if (control == nullptr || notification != BN_CLICKED) {
    return;
  }
  for (const auto& state : controls_) {
    if (state->window == control && state->design->kind == ControlKind::PushButton) {
      if (state->design->handles_click) {
        events_.OnControlClick(state->index);  // may destroy this object
      }
      return;
    }
  }
}

// A locked text box keeps the window colour of an editable one.
LRESULT Win32Window::OnCtlColorStatic(HDC dc, HWND control) {
  for (const auto& state : controls_) {
    if (state->window == control && state->design->kind == ControlKind::TextBox) {
      SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
      SetBkColor(dc, GetSysColor(COLOR_WINDOW));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    }
  }
  return DefWindowProcW(window_.Get(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                        reinterpret_cast<LPARAM>(control));
}

bool Win32Window::OnEraseBackground(HDC dc) {
  if (!back_brush_) {
    return false;  // the class brush: the face colour
  }
  RECT client{};
  GetClientRect(window_.Get(), &client);
  FillRect(dc, &client, back_brush_.Get());
  return true;
}

// The focused control is remembered when the window loses activation and
// given the focus back when it regains it.
void Win32Window::OnActivate(bool active) {
  if (!active) {
    const HWND focus = GetFocus();
    if (focus != nullptr && IsChild(window_.Get(), focus)) {
      focus_ = focus;
    }
    return;
  }
  if (focus_ != nullptr && IsWindow(focus_) && IsChild(window_.Get(), focus_)) {
    SetFocus(focus_);
  } else {
    SetFocus(window_.Get());
  }
}

// Moved to a monitor of another DPI: the client area keeps its size in
// twips, so it takes the new DPI's pixels and the frame goes around it at the
// place Windows suggests; fonts and controls are laid out again.
void Win32Window::OnDpiChanged(UINT dpi, const RECT& suggested) {
  const Twips width = Width();
  const Twips height = Height();
  dpi_ = dpi;
  client_ = {width_.Assign(width, TwipsPerPixel()), height_.Assign(height, TwipsPerPixel())};
  const SIZE outer = OuterSizeFor(client_);
  MoveWindowTo(suggested.left, suggested.top, outer.cx, outer.cy);
  MakeFonts();
  LayoutControls();
}

// The caption or border size changed in the system settings: the frame
// grows or shrinks around the same client area.
void Win32Window::OnSettingChange(UINT setting) {
  if (setting == SPI_SETNONCLIENTMETRICS) {
    SizeClientTo(client_);
  }
}

}  // namespace platform::win32
