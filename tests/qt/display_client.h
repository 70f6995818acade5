// Another X client on a given display: sees the program's windows as the
// server holds them, reads screen pixels and the keyboard's Num Lock, and
// makes and steers windows of its own the way other programs and the window
// manager do.
#pragma once

#include <xcb/xcb.h>

#include <QRect>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "program_process.h"

namespace testing_support {

class DisplayClient {
 public:
  explicit DisplayClient(const std::string& display);  // empty: DISPLAY
  ~DisplayClient();
  DisplayClient(const DisplayClient&) = delete;
  DisplayClient& operator=(const DisplayClient&) = delete;

  bool Ok() const;
  xcb_connection_t* Raw() const { return c_; }
  xcb_window_t Root() const { return root_; }
  void Sync() const;  // every request sent before has been handled
  xcb_atom_t Atom(const char* name) const;
  std::vector<std::uint32_t> Values(xcb_window_t window, const char* property) const;

  // The viewable top-level window of process `pid` with the main window's
  // caption (searched through window-manager frames too); XCB_NONE if none.
  xcb_window_t ProgramMainWindow(pid_t pid) const;
  std::optional<QPoint> ClientOrigin(xcb_window_t window) const;
  std::optional<QRect> ClientRect(xcb_window_t window) const;
  // Frame included, once a window manager has said how big its frame is.
  std::optional<QRect> OuterFrame(xcb_window_t window) const;
  bool Above(xcb_window_t window) const;  // _NET_WM_STATE_ABOVE is set
  bool Exists(xcb_window_t window) const;

  // 0xRRGGBB of each given screen pixel; nullopt when the screen can't be read.
  std::optional<std::vector<std::uint32_t>> ScreenPixels(const std::vector<QPoint>& points) const;

  // What the window manager sends when the user closes the window.
  void SendDeleteWindow(xcb_window_t window) const;

  // Windows of this client.
  xcb_window_t MakeWindow(int left, int top) const;
  void DestroyWindow(xcb_window_t window) const;
  bool Managed(xcb_window_t window) const;  // the window manager gave it WM_STATE Normal
  // An EWMH request to the window manager about `window`.
  void SendToWindowManager(xcb_window_t window, const char* type,
                           std::array<std::uint32_t, 5> data) const;
  bool ActiveIs(xcb_window_t window) const;

  // The keyboard's Num Lock: the modifier its key is bound to, as locked in
  // the core keyboard state. Usable() is false when no key is Num_Lock.
  bool NumLockUsable() const { return num_lock_mask_ != 0; }
  bool NumLockLocked() const;
  void PressNumLock() const;  // one press and release through XTEST

 private:
  xcb_window_t FindByPid(xcb_window_t parent, std::uint32_t pid, int depth) const;

  xcb_connection_t* c_ = nullptr;
  xcb_window_t root_ = XCB_NONE;
  xcb_keycode_t num_lock_key_ = 0;
  std::uint16_t num_lock_mask_ = 0;
};

// The program's main window once it is on screen (framed by the window
// manager when `framed`), XCB_NONE if it did not come within 30 s.
xcb_window_t WaitForMainWindow(const DisplayClient& x, ProgramProcess& program, bool framed);

}  // namespace testing_support
