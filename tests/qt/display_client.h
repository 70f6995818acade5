// Another X client on a given display: sees the program's windows as the
// server holds them, reads the screen and the keyboard's Num Lock, and makes
// and steers windows of its own the way other programs and the window
// manager do. Also the waiting and the user input every test needs.
#pragma once

#include <xcb/xcb.h>

#include <QImage>
#include <QRect>
#include <QStringList>
#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/design.h"

namespace testing_support {

using namespace std::chrono_literals;

// Every X server the tests use runs at 96 dpi.
inline constexpr double kTwipsPerPixel = 15.0;

class DisplayClient {
 public:
  explicit DisplayClient(const std::string& display);  // empty: DISPLAY
  ~DisplayClient();
  DisplayClient(const DisplayClient&) = delete;
  DisplayClient& operator=(const DisplayClient&) = delete;

  bool Ok() const;
  xcb_window_t Root() const { return root_; }
  xcb_atom_t Atom(const char* name) const;
  std::vector<std::uint32_t> Values(xcb_window_t window, const char* property) const;
  std::string Text(xcb_window_t window, const char* property) const;  // UTF8_STRING
  bool Has(xcb_window_t window, const char* property, const char* atom) const;

  // The viewable top-level window of process `pid` with the main window's
  // caption (searched through window-manager frames too); XCB_NONE if none.
  xcb_window_t ProgramMainWindow(std::int64_t pid) const;
  std::optional<QRect> ClientRect(xcb_window_t window) const;  // in root coordinates
  // Frame included, once a window manager has said how big its frame is.
  std::optional<QRect> OuterFrame(xcb_window_t window) const;
  bool Framed(xcb_window_t window) const;  // managed (WM_STATE Normal) and frame known
  xcb_window_t TopViewableWindow() const;  // the highest mapped child of the root
  bool ActiveIs(xcb_window_t window) const;
  QImage ScreenImage(QRect area) const;  // null when the screen can't be read

  // What the window manager sends when the user closes the window.
  void SendDeleteWindow(xcb_window_t window) const;
  xcb_window_t MakeWindow(int left, int top) const;  // mapped, 200x120
  void Raise(xcb_window_t window) const;
  void DestroyWindow(xcb_window_t window) const;
  // An EWMH request to the window manager about `window`.
  void SendToWindowManager(xcb_window_t window, const char* type,
                           std::array<std::uint32_t, 5> data) const;

  // The keyboard's Num Lock: the modifier its key is bound to, as locked in
  // the core keyboard state.
  bool NumLockUsable() const { return num_lock_mask_ != 0; }
  bool NumLockLocked() const;

 private:
  std::vector<xcb_window_t> TopLevelWindows() const;  // the root's children, bottom first
  bool Viewable(xcb_window_t window) const;

  xcb_connection_t* c_ = nullptr;
  xcb_window_t root_ = XCB_NONE;
  std::uint16_t num_lock_mask_ = 0;
};

// The desktop in DISPLAY: an Xvfb with openbox.
const DisplayClient& Desktop();

// Twips and pixels at that resolution.
QRect PixelRect(float left, float top, float width, float height);
float TwipsOf(int pixels);
bool Near(const QRect& a, const QRect& b);  // within a pixel on each side

// Screen rectangle of a control of a window made from `design`.
QRect ControlRect(const DisplayClient& x, xcb_window_t window, const platform::FormDesign& design,
                  std::string_view control);
int RedLamp(const DisplayClient& x, xcb_window_t main_window);  // 1 to 7; 0 when none is red

bool IsRed(const QColor& colour);
bool IsBlack(const QColor& colour);
bool IsGreen(const QColor& colour);

// Real input through the X server in DISPLAY (XTEST, by xdotool).
void Xdotool(const QStringList& arguments);
void DoubleClickAt(QPoint at);

// Polls `condition` until it holds or `limit` is up; says whether it held.
template <typename Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    if (condition()) {
      return true;
    }
    std::this_thread::sleep_for(2ms);
  }
  return condition();
}

}  // namespace testing_support
