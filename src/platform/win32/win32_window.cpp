// The form window class: its window procedure and message handlers.
#include "platform/win32/win32_window.h"

#include "platform/win32/wide_text.h"
#include "platform/win32/win32_controls.h"

namespace platform::win32 {

namespace {

constexpr wchar_t kFormClass[] = L"BrellockVarnOnForm";
constexpr DWORD kFormStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_CLIPCHILDREN;
constexpr DWORD kFormExStyle = WS_EX_TOOLWINDOW;
constexpr WORD kIconGroup = 1;

Win32Window* WindowOf(HWND window) {
  return reinterpret_cast<Win32Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
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
    : design_(design), events_(events) {
  CreateWindowExW(kFormExStyle, kFormClass, Widen(design_.caption).c_str(), kFormStyle,
                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                  instance, this);
  // WM_NCCREATE has taken ownership of the handle in window_.
  if (!window_) {
    return;
  }
  if (design_.back_colour) {
    back_brush_.Reset(CreateSolidBrush(*design_.back_colour));
  }
  frame_.Attach(window_.Get(), design_);
  // Messages that name a control find none until all of them exist.
  controls_ =
      std::make_unique<FormControls>(instance, window_.Get(), design_, events_, frame_.Dpi());
}

Win32Window::~Win32Window() {
  // The owner takes input again before this window goes, so that Windows
  // hands the activation back to it rather than to some other program.
  if (owner_ != nullptr && IsWindow(owner_)) {
    EnableWindow(owner_, TRUE);
  }
  window_.Reset();
}

int Win32Window::WindowState() const {
  if (IsIconic(window_.Get())) {
    return kStateMinimised;
  }
  return IsZoomed(window_.Get()) ? kStateMaximised : kStateNormal;
}

// Without a window (its creation failed) there are no controls either.
void Win32Window::SetControlBackColour(int control, Colour colour) {
  if (controls_) {
    controls_->SetBackColour(control, colour);
  }
}

void Win32Window::SetControlText(int control, std::string_view text) {
  if (controls_) {
    controls_->SetText(control, text);
  }
}

void Win32Window::MoveFocus(bool forward) {
  if (controls_) {
    controls_->MoveFocus(forward);
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
  if (controls_) {
    controls_->FocusFirst();
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
      frame_.OnUserSized();
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
  const ControlState* state = controls_ ? controls_->Find(control) : nullptr;
  if (state != nullptr && state->design->kind == ControlKind::PushButton &&
      state->design->handles_click) {
    events_.OnControlClick(state->index);  // may destroy this object
  }
}

// A locked text box keeps the window colour of an editable one.
LRESULT Win32Window::OnCtlColorStatic(HDC dc, HWND control) {
  const ControlState* state = controls_ ? controls_->Find(control) : nullptr;
  if (state != nullptr && state->design->kind == ControlKind::TextBox) {
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
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

// Moved to a monitor of another DPI: the frame follows, and fonts and
// controls are laid out again.
void Win32Window::OnDpiChanged(UINT dpi, const RECT& suggested) {
  frame_.OnDpiChanged(dpi, suggested);
  if (controls_) {
    controls_->Layout(dpi);
  }
}

void Win32Window::OnSettingChange(UINT setting) {
  if (setting == SPI_SETNONCLIENTMETRICS) {
    frame_.OnFrameMetricsChanged();
  }
}

}  // namespace platform::win32
