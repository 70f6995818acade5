// A form as a top-level Win32 window: a sizable tool window whose controls
// are child windows placed at their design positions.
#pragma once

#include "platform/win32/win32_api.h"

#include <memory>
#include <string>
#include <vector>

#include "platform/backend.h"
#include "platform/twips.h"
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

// What a label or picture box child window needs to paint and report itself.
struct ControlState {
  int index = 0;
  const ControlDesign* design = nullptr;
  WindowEvents* events = nullptr;
  HWND window = nullptr;
  Colour back_colour = 0;
  Colour fore_colour = 0;
  std::wstring text;
  HFONT font = nullptr;       // owned by the form
  HBITMAP picture = nullptr;  // owned by the form
  SIZE picture_size{};        // in picture pixels
  UINT dpi = USER_DEFAULT_SCREEN_DPI;
};

class Win32Window : public NativeWindow {
 public:
  Win32Window(HINSTANCE instance, const FormDesign& design, WindowEvents& events);
  ~Win32Window() override;
  Win32Window(const Win32Window&) = delete;
  Win32Window& operator=(const Win32Window&) = delete;

  Twips Left() const override;
  Twips Top() const override;
  Twips Width() const override;
  Twips Height() const override;
  void SetLeft(Twips value) override;
  void SetTop(Twips value) override;
  void SetWidth(Twips value) override;
  void SetHeight(Twips value) override;
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

  double TwipsPerPixel() const { return platform::TwipsPerPixel(dpi_); }
  RECT WindowRect() const;
  SIZE ClientSize() const;
  SIZE OuterSizeFor(SIZE client) const;  // with this window's frame at its DPI
  void MoveWindowTo(int left, int top, int width, int height);
  void SizeClientTo(SIZE client);  // the outer top-left stays
  void SizeToDesign();
  void CreateControls();
  void LayoutControls();
  void MakeFonts();
  HFONT FontFor(const ControlDesign& control) const;
  std::vector<ControlState*> TabOrder() const;

  HINSTANCE instance_;
  const FormDesign& design_;
  WindowEvents& events_;
  UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
  HWND owner_ = nullptr;  // disabled while this modal window lives
  HWND focus_ = nullptr;  // the control to give the focus back to on activation
  TwipsCoordinate left_, top_;
  TwipsCoordinate width_{kDesignFrameWidth}, height_{kDesignFrameHeight};  // of the client area
  SIZE client_{};  // the client size the program or the user last chose
  std::vector<std::unique_ptr<ControlState>> controls_;  // one per design row; timers empty
  UniqueFont form_font_;
  std::vector<UniqueFont> control_fonts_;  // per design row, for rows with their own font
  std::vector<UniqueBitmap> pictures_;
  UniqueBrush back_brush_;
  UniqueWindow window_;  // last member: destroyed first, while the rest still exists
};

}  // namespace platform::win32
