// A form's outer rectangle and client size in twips, through DPI and frame changes.
#include "platform/win32/form_frame.h"

#include "platform/win32/newer_calls.h"

namespace platform::win32 {

void FormFrame::Attach(HWND window, const FormDesign& design) {
  window_ = window;
  dpi_ = DpiOfWindow(window_);
  const double tpp = TwipsPerPixel();
  client_ = {TwipsToPixels(design.client_width, tpp), TwipsToPixels(design.client_height, tpp)};
  const SIZE outer = OuterSizeFor(client_);
  RECT place = WindowRect();
  if (design.start_position == StartPosition::CentreScreen) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(window_, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& work = monitor.rcWork;
    place.left = work.left + (work.right - work.left - outer.cx) / 2;
    place.top = work.top + (work.bottom - work.top - outer.cy) / 2;
  }
  MoveWindowTo(place.left, place.top, outer.cx, outer.cy);
}

RECT FormFrame::WindowRect() const {
  RECT rect{};
  GetWindowRect(window_, &rect);
  return rect;
}

void FormFrame::MoveWindowTo(int left, int top, int width, int height) {
  SetWindowPos(window_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

SIZE FormFrame::ClientSize() const {
  RECT rect{};
  GetClientRect(window_, &rect);
  return {rect.right - rect.left, rect.bottom - rect.top};
}

// The frame is whatever this system draws around the window; the
// client area is the one the program asked for.
SIZE FormFrame::OuterSizeFor(SIZE client) const {
  RECT frame{0, 0, client.cx, client.cy};
  AdjustWindowRectForDpi(window_, frame, dpi_);
  return {frame.right - frame.left, frame.bottom - frame.top};
}

void FormFrame::SizeClientTo(SIZE client) {
  client_ = client;
  const RECT rect = WindowRect();
  const SIZE outer = OuterSizeFor(client);
  MoveWindowTo(rect.left, rect.top, outer.cx, outer.cy);
}

Twips FormFrame::Left() const {
  return left_.Read(WindowRect().left, TwipsPerPixel());
}
Twips FormFrame::Top() const {
  return top_.Read(WindowRect().top, TwipsPerPixel());
}
Twips FormFrame::Width() const {
  return width_.Read(ClientSize().cx, TwipsPerPixel());
}
Twips FormFrame::Height() const {
  return height_.Read(ClientSize().cy, TwipsPerPixel());
}

void FormFrame::SetLeft(Twips value) {
  const RECT rect = WindowRect();
  MoveWindowTo(left_.Assign(value, TwipsPerPixel()), rect.top, rect.right - rect.left,
               rect.bottom - rect.top);
}
void FormFrame::SetTop(Twips value) {
  const RECT rect = WindowRect();
  MoveWindowTo(rect.left, top_.Assign(value, TwipsPerPixel()), rect.right - rect.left,
               rect.bottom - rect.top);
}
void FormFrame::SetWidth(Twips value) {
  SizeClientTo({width_.Assign(value, TwipsPerPixel()), ClientSize().cy});
}
void FormFrame::SetHeight(Twips value) {
  SizeClientTo({ClientSize().cx, height_.Assign(value, TwipsPerPixel())});
}

void FormFrame::OnDpiChanged(UINT dpi, const RECT& suggested) {
  const Twips width = Width();
  const Twips height = Height();
  dpi_ = dpi;
  client_ = {width_.Assign(width, TwipsPerPixel()), height_.Assign(height, TwipsPerPixel())};
  const SIZE outer = OuterSizeFor(client_);
  MoveWindowTo(suggested.left, suggested.top, outer.cx, outer.cy);
}

}  // namespace platform::win32
