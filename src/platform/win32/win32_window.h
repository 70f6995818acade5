// A form as a top-level Win32 window: a sizable tool window of the program's
// form class, whose window procedure hands each message to a named handler.
// Its rectangle is the frame's concern, its child windows the controls'.
#pragma once

#include "platform/win32/win32_api.h"

#include <memory>

#include "platform/backend.h"
#include "platform/win32/form_controls.h"
#include "platform/win32/form_frame.h"
#include "platform/win32/handles.h"

namespace platform::win32 {

// Registers the form, label and picture window classes; called once by the
// backend before any window is made.
void RegisterWindowClasses(HINSTANCE instance);
// True for the top-level window of a form.
bool IsFormWindow(HWND window);
// Moves the keyboard focus to the next (or previous) control of the form in
// its tab order.
void MoveFocusInTabOrder(HWND form, bool forward);

class Win32Window : public NativeWindow {
 public:
  Win32Window(HINSTANCE instance, const FormDesign& design, WindowEvents& events);
  ~Win32Window() override;
  Win32Window(const Win32Window&) = delete;
  Win32Window& operator=(const Win32Window&) = delete;

  Twips Left() const override { return frame_.Left(); }
  Twips Top() const override { return frame_.Top(); }
  Twips Width() const override { return frame_.Width(); }
  Twips Height() const override { return frame_.Height(); }
  void SetLeft(Twips value) override { frame_.SetLeft(value); }
  void SetTop(Twips value) override { frame_.SetTop(value); }
  void SetWidth(Twips value) override { frame_.SetWidth(value); }
  void SetHeight(Twips value) override { frame_.SetHeight(value); }
  int WindowState() const override;
  WindowHandle Handle() const override { return reinterpret_cast<WindowHandle>(window_.Get()); }
  void SetControlBackColour(int control, Colour colour) override;
  void SetControlText(int control, std::string_view text) override;
  void Show(NativeWindow* owner) override;

  HWND Hwnd() const { return window_.Get(); }
  void MoveFocus(bool forward);

  // The form class's window procedure.
  static LRESULT CALLBACK FormProcEntry(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

 private:
  LRESULT OnMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  void OnCommand(HWND control, UINT notification);
  LRESULT OnCtlColorStatic(HDC dc, HWND control);
  void OnDpiChanged(UINT dpi, const RECT& suggested);
  void OnSettingChange(UINT setting);
  void OnActivate(bool active);
  bool OnEraseBackground(HDC dc);

  const FormDesign& design_;
  WindowEvents& events_;
  HWND owner_ = nullptr;  // disabled while this modal window lives
  HWND focus_ = nullptr;  // the control to give the focus back to on activation
  FormFrame frame_;
  std::unique_ptr<FormControls> controls_;
  UniqueBrush back_brush_;
  UniqueWindow window_;  // last member: destroyed first, while the rest still exists
};

}  // namespace platform::win32
