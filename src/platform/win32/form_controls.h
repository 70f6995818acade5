// A form's controls on Win32: their child windows made from the design, the
// fonts and pictures they show, their layout at the window's DPI, their
// colours and texts, and the keyboard focus walking them in tab order.
#pragma once

#include "platform/win32/win32_api.h"

#include <memory>
#include <string>
#include <vector>

#include "platform/backend.h"
#include "platform/win32/control_state.h"
#include "platform/win32/handles.h"

namespace platform::win32 {

class FormControls {
 public:
  // Makes every control's window inside `parent`, stacked in table order,
  // top first, and lays them out at `dpi`.
  FormControls(HINSTANCE instance, HWND parent, const FormDesign& design, WindowEvents& events,
               UINT dpi);
  FormControls(const FormControls&) = delete;
  FormControls& operator=(const FormControls&) = delete;

  // Fonts and places for a new DPI.
  void Layout(UINT dpi);
  void SetBackColour(int control, Colour colour);
  void SetText(int control, std::string_view text);
  // The control behind a child window; nullptr for any other window.
  const ControlState* Find(HWND window) const;

  void FocusFirst();
  // Moves the keyboard focus to the next (or previous) control in tab order.
  void MoveFocus(bool forward);

 private:
  void Create(HINSTANCE instance, HWND parent, WindowEvents& events);
  void MakeFonts(UINT dpi);
  void Place(UINT dpi);
  HFONT FontFor(const ControlDesign& control) const;
  std::vector<int> TabOrder() const;  // rows whose window takes the focus now

  const FormDesign& design_;
  std::vector<std::unique_ptr<ControlState>> controls_;  // one per design row; timers empty
  UniqueFont form_font_;
  std::vector<UniqueFont> control_fonts_;  // per design row, for rows with their own font
  std::vector<UniqueBitmap> pictures_;
};

}  // namespace platform::win32
