// The services a window system backend provides. The program's behaviour calls
// them through Application and Form; each backend (Win32, X11, simulated)
// implements them once.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/design.h"
#include "platform/timer_scheduler.h"

namespace platform {

using WindowHandle = std::uintptr_t;  // 0: no window

// Events a native window reports back to its form. Control numbers index the
// form design's control table.
class WindowEvents {
 public:
  virtual ~WindowEvents() = default;
  virtual void OnControlClick(int control) = 0;
  virtual void OnControlDblClick(int control) = 0;
  // The close box, the system's close command, or a window manager's request.
  virtual void OnCloseRequest() = 0;
};

inline constexpr int kStateNormal = 0;
inline constexpr int kStateMinimised = 1;
inline constexpr int kStateMaximised = 2;

// One top-level window built from a FormDesign, created hidden. Geometry is
// the outer rectangle (frame and caption bar included) in screen twips.
// Destroying the object destroys the window.
class NativeWindow {
 public:
  virtual ~NativeWindow() = default;

  virtual Twips Left() const = 0;
  virtual Twips Top() const = 0;
  virtual Twips Width() const = 0;
  virtual Twips Height() const = 0;
  virtual void SetLeft(Twips value) = 0;
  virtual void SetTop(Twips value) = 0;
  virtual void SetWidth(Twips value) = 0;
  virtual void SetHeight(Twips value) = 0;

  virtual int WindowState() const = 0;
  virtual WindowHandle Handle() const = 0;

  virtual void SetControlBackColour(int control, Colour colour) = 0;
  virtual void SetControlText(int control, std::string_view text) = 0;

  // Shows the window. With an owner it is shown modally over it: the owner
  // takes no input until this window is destroyed.
  virtual void Show(NativeWindow* owner) = 0;
};

class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  // nullopt when nothing usable is stored under the key.
  virtual std::optional<std::string> Read(std::string_view application, std::string_view section,
                                          std::string_view key) = 0;
  // False when the value could not be stored.
  virtual bool Write(std::string_view application, std::string_view section, std::string_view key,
                     std::string_view value) = 0;
};

// SetWindowPos insert-after values and flags, as the stacking calls take them.
inline constexpr std::intptr_t HWND_TOPMOST = -1;
inline constexpr std::intptr_t HWND_NOTOPMOST = -2;
inline constexpr unsigned SWP_NOSIZE = 1;
inline constexpr unsigned SWP_NOMOVE = 2;

class WindowStacking {
 public:
  virtual ~WindowStacking() = default;
  virtual WindowHandle GetForegroundWindow() = 0;  // 0 when there is none
  // Moves a window into or out of the topmost band; failures are ignored.
  virtual void SetWindowPos(WindowHandle window, std::intptr_t insert_after, int x, int y, int cx,
                            int cy, unsigned flags) = 0;
};

// What the system's own idle clock says of the session: how long ago it
// counted the last input (any input, the program's own key presses
// included), and whether the session is locked or its screen saver is on.
struct IdleReading {
  std::optional<Duration> idle;  // nullopt: no idle clock can be read here
  bool locked = false;
};

class KeyInjector {
 public:
  virtual ~KeyInjector() = default;
  // One press and release of the Num Lock key; does nothing where keys
  // cannot be injected.
  virtual void PressNumLock() = 0;
  // One reading of the idle clock that counts the presses this injects.
  // Where there is none, says so once on stderr and returns no idle time.
  virtual IdleReading ReadIdleClock() = 0;
};

class Backend : public TimerHost {
 public:
  virtual std::unique_ptr<NativeWindow> CreateNativeWindow(const FormDesign& design,
                                                           WindowEvents& events) = 0;
  // Runs the event loop until QuitEventLoop.
  virtual void RunEventLoop() = 0;
  virtual void QuitEventLoop() = 0;
  // Delivers events, timers included, until `finished` is true.
  virtual void RunModalLoop(const std::function<bool()>& finished) = 0;

  virtual SettingsStore& Settings() = 0;
  virtual WindowStacking& Stacking() = 0;
  virtual KeyInjector& Keys() = 0;
};

}  // namespace platform
