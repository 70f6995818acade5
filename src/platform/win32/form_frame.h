// A form's rectangle on Win32, in twips: the outer top-left and the client
// size, with the frame this system draws around a sizable tool window
// standing outside the client. It follows the window to a
// monitor of another DPI and through changes of the frame's metrics.
#pragma once

#include "platform/win32/win32_api.h"

#include "platform/design.h"
#include "platform/twips.h"

namespace platform::win32 {

class FormFrame {
 public:
  // Sizes the new window for the design's client area, centred on its
  // monitor's work area where the design asks.
  void Attach(HWND window, const FormDesign& design);

  UINT Dpi() const { return dpi_; }
  Twips Left() const;
  Twips Top() const;
  Twips Width() const;
  Twips Height() const;
  void SetLeft(Twips value);
  void SetTop(Twips value);
  void SetWidth(Twips value);
  void SetHeight(Twips value);

  // Moved to a monitor of another DPI: the client keeps its size in twips,
  // and the frame goes round it at the place Windows suggests.
  void OnDpiChanged(UINT dpi, const RECT& suggested);
  // The caption or border size changed: the frame grows or shrinks round the
  // same client area.
  void OnFrameMetricsChanged() { SizeClientTo(client_); }
  // The user's own size is kept from now on.
  void OnUserSized() { client_ = ClientSize(); }

 private:
  double TwipsPerPixel() const { return platform::TwipsPerPixel(dpi_); }
  RECT WindowRect() const;
  SIZE ClientSize() const;
  SIZE OuterSizeFor(SIZE client) const;  // with the frame drawn round this window
  void MoveWindowTo(int left, int top, int width, int height);
  void SizeClientTo(SIZE client);  // the outer top-left stays

  HWND window_ = nullptr;
  UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
  TwipsCoordinate left_, top_;
  TwipsCoordinate width_{kDesignFrameWidth}, height_{kDesignFrameHeight};  // of the client area
  SIZE client_{};  // the client size the program or the user last chose
};

}  // namespace platform::win32
