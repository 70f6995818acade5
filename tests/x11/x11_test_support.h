// What every Linux test needs: another X client on a display (it sees the
// program's windows as the server holds them, reads the screen, the keyboard's
// Num Lock and the selections, and makes and steers windows of its own the way
// other programs and window managers do), X servers and window managers of
// the tests' own, the real program as a child process, files and waiting.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>
#include <xcb/xcb.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/design.h"

namespace testing_support {

using namespace std::chrono_literals;

struct Point {
  int x = 0, y = 0;
};
struct Rect {
  int x = 0, y = 0, width = 0, height = 0;
  Point Centre() const { return {x + width / 2, y + height / 2}; }
  bool operator==(const Rect&) const = default;
};
struct Rgb {
  int red = 0, green = 0, blue = 0;
};
// Screen pixels, row by row.
struct Image {
  int width = 0, height = 0;
  std::vector<std::uint32_t> pixels;  // 0x00RRGGBB
  Rgb At(int x, int y) const;
};

bool IsBlack(Rgb colour);
bool IsGreen(Rgb colour);

// ---- files -------------------------------------------------------------------------

class TemporaryFolder {
 public:
  TemporaryFolder();
  ~TemporaryFolder();
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

std::string IniPath(const std::string& config_home);
void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);  // empty when there is none
// A stored value as a fresh reader of the file sees it: nullopt unless it
// reads as a number.
std::optional<float> StoredNumber(const std::string& config_home, const char* key);

// ---- waiting and commands ------------------------------------------------------------

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

// A program run to its end; its exit status, or -1.
int RunCommand(const std::vector<std::string>& arguments);

class DisplayClient;
// Real input through x's X server (XTEST, by xdotool; an empty name is the
// desktop in DISPLAY).
bool XdotoolOn(const DisplayClient& x, std::vector<std::string> arguments);
// Moves the pointer there and waits until it is there.
bool MovePointerTo(const DisplayClient& x, Point at);
// Moves a window as the user would (as xdotool does, through the window
// manager), and waits until its frame stands there, give or take the
// frame's borders; its frame then, or nullopt.
std::optional<Rect> MoveWindow(const DisplayClient& x, xcb_window_t window, int left, int top);
// Moves the pointer to `at` and clicks the left button there `clicks` times,
// `gap_ms` apart. False if any step failed.
bool ClickAt(const DisplayClient& x, Point at, int clicks = 1, int gap_ms = 60);
// A double-click at `at` once the server has the pointer in the child of
// `window` there, as it has when a user's pointer came to rest on it before
// the press: a press made the moment the pointer is warped there can still
// go to the window it came from.
bool DoubleClickOnAChild(const DisplayClient& x, xcb_window_t window, Point at, int gap_ms = 60);

// ---- another X client ----------------------------------------------------------------

class DisplayClient {
 public:
  explicit DisplayClient(const std::string& display);  // empty: DISPLAY
  ~DisplayClient();
  DisplayClient(const DisplayClient&) = delete;
  DisplayClient& operator=(const DisplayClient&) = delete;

  bool Ok() const;
  const std::string& Name() const { return name_; }
  xcb_window_t Root() const { return root_; }
  xcb_atom_t Atom(const char* name) const;
  std::vector<std::uint32_t> Values(xcb_window_t window, const char* property) const;
  std::string Text(xcb_window_t window, const char* property) const;  // UTF8_STRING
  bool Has(xcb_window_t window, const char* property, const char* atom) const;
  void SetRootText(const char* property, const std::string& text) const;  // STRING

  // The viewable top-level window of process `pid` with this caption
  // (searched through window-manager frames too); XCB_NONE if none.
  xcb_window_t WindowOf(pid_t pid, const std::string& caption) const;
  std::optional<Rect> ClientRect(xcb_window_t window) const;  // in root coordinates
  // Frame included, once a window manager has said how big its frame is.
  std::optional<Rect> OuterFrame(xcb_window_t window) const;
  bool Framed(xcb_window_t window) const;  // managed (WM_STATE Normal) and frame known
  xcb_window_t TopViewableWindow() const;  // the highest mapped child of the root
  bool ActiveIs(xcb_window_t window) const;
  // Whether the server has the pointer in a child of `window` (the window
  // its crossing events and presses go to), not only at its place.
  bool PointerOverAChildOf(xcb_window_t window) const;
  std::optional<Point> Pointer() const;                     // in root coordinates
  Image ScreenImage(Rect area) const;                       // empty when the screen can't be read
  Image WindowImage(xcb_window_t window, Rect area) const;  // in the window's coordinates
  // The text the owner of a selection ("PRIMARY", "CLIPBOARD") gives for
  // UTF8_STRING; nullopt when there is no answer within a few seconds.
  std::optional<std::string> Selection(const char* selection) const;

  // What the window manager sends when the user closes the window.
  void SendDeleteWindow(xcb_window_t window) const;
  xcb_window_t MakeWindow(int left, int top) const;  // mapped, 200x120
  void Raise(xcb_window_t window) const;
  void DestroyWindow(xcb_window_t window) const;
  // An EWMH request to the window manager about `window`.
  void SendToWindowManager(xcb_window_t window, const char* type,
                           std::array<std::uint32_t, 5> data) const;

  // The keyboard's Num Lock, as locked in the core keyboard state.
  bool NumLockUsable() const { return num_lock_mask_ != 0; }
  bool NumLockLocked() const;

  // The server's idle clock and screen saver (MIT-SCREEN-SAVER).
  std::optional<std::chrono::milliseconds> IdleTime() const;
  bool ScreenSaverOn() const;
  bool HasExtension(const char* name) const;
  void ActivateScreenSaver() const;  // as `xset s activate` does

 private:
  std::vector<xcb_window_t> TopLevelWindows() const;  // the root's children, bottom first
  bool Viewable(xcb_window_t window) const;

  std::string name_;
  xcb_connection_t* c_ = nullptr;
  xcb_window_t root_ = XCB_NONE;
  std::uint16_t num_lock_mask_ = 0;
};

inline constexpr double kTwipsPerPixel = 15.0;
float TwipsOf(int pixels);  // at 96 dpi

// Screen rectangle of a control of a window made from `design`.
Rect ControlRect(const DisplayClient& x, xcb_window_t window, const platform::FormDesign& design,
                 std::string_view control, double twips_per_pixel = kTwipsPerPixel);
int RedLamp(const DisplayClient& x, xcb_window_t main_window,
            double twips_per_pixel = kTwipsPerPixel);  // 1 to 7; 0 when none is red

// ---- processes -----------------------------------------------------------------------

class ChildProcess {
 public:
  // Starts `arguments` with the test's environment changed by `changes`
  // ("NAME=value" sets, "NAME" removes), stdin and stdout on /dev/null,
  // stderr into `stderr_file` (or /dev/null when empty).
  ChildProcess(const std::vector<std::string>& arguments, const std::vector<std::string>& changes,
               const std::string& stderr_file = "");
  ~ChildProcess() { Kill(); }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t Pid() const { return pid_; }
  bool Running();
  void Signal(int signal_number) const;
  void Kill();  // at once, with its process group, and reaped
  bool Ended(std::chrono::milliseconds limit);
  std::optional<int> ExitStatus() const { return exit_status_; }  // after a normal exit
  bool Crashed() const { return crashed_; }

 private:
  pid_t pid_ = -1;
  std::optional<int> exit_status_;
  bool crashed_ = false;
  bool reaped_ = false;
};

// An Xvfb with no window manager, gone when the object goes.
class PrivateXServer {
 public:
  explicit PrivateXServer(const std::vector<std::string>& extra_arguments = {}, int dpi = 96);
  const std::string& Display() const { return display_; }  // empty: it did not start
  void Kill() { server_.reset(); }  // at once, as a crash or a pulled session would

 private:
  std::unique_ptr<ChildProcess> server_;
  std::string display_;
};

// A window manager on a display, once it has taken over (Ok()): openbox,
// xfwm4, metacity, mutter or kwin. It and all it started end with the object.
class WindowManager {
 public:
  WindowManager(const std::string& name, const std::string& display);
  bool Ok() const { return ok_; }

 private:
  TemporaryFolder home_;  // its XDG folders
  std::unique_ptr<ChildProcess> process_;
  bool ok_ = false;
};

class ProgramProcess {
 public:
  // No DISPLAY at all when `display` is nullopt. `environment` changes the
  // program's environment further, as ChildProcess takes changes.
  ProgramProcess(std::optional<std::string> display, const std::string& config_home,
                 const std::vector<std::string>& arguments = {},
                 const std::vector<std::string>& environment = {});

  bool Running() { return process_->Running(); }
  void Terminate() const;  // SIGTERM, as at the end of a session
  bool Ended(std::chrono::milliseconds limit) { return process_->Ended(limit); }
  bool EndedWithStatus(int status) const { return process_->ExitStatus() == status; }
  std::string Outcome();  // for failure messages
  std::string Stderr() const;
  pid_t Pid() const { return process_->Pid(); }

  // Its main window once on screen (and framed by a window manager when
  // `framed`); XCB_NONE, and a failure, if it did not come within 30 s.
  xcb_window_t WaitForMainWindow(const DisplayClient& x, bool framed);
  // Closes the main window as the user does; the program must end cleanly.
  void CloseAndExpectCleanExit(const DisplayClient& x, xcb_window_t window);
  // The About window, once the window manager has framed it (a failure, and
  // XCB_NONE, when it does not show within 15 s).
  xcb_window_t WaitForAboutWindow(const DisplayClient& x);

 private:
  TemporaryFolder folder_;  // stderr file and a private XDG_RUNTIME_DIR
  std::unique_ptr<ChildProcess> process_;
};

// A desk: a private X server at this resolution with this window manager.
struct Desk {
  const char* window_manager;  // "" for none
  int dpi = 96;
  const char* screen = "1024x768x24";
};
std::string DeskName(const testing::TestParamInfo<Desk>& info);
void PrintTo(const Desk& desk, std::ostream* out);

// Tests of the program on a desk of their own.
class OnADesk : public testing::TestWithParam<Desk> {
 protected:
  void SetUp() override;
  bool Managed() const { return *GetParam().window_manager != '\0'; }
  // Waits until the window's outer corner (the client's with no window
  // manager) is at x (any x when nullopt), y; says where it stood if not.
  testing::AssertionResult OuterReaches(xcb_window_t window, std::optional<int> x, int y) const;
  int Pixels(float twips) const;
  double TwipsPerPixel() const;

  PrivateXServer server_{{"-screen", "0", GetParam().screen}, GetParam().dpi};
  DisplayClient x_{server_.Display()};
  std::optional<WindowManager> manager_;
  TemporaryFolder config_;
};

// mutter, writing its messages to `log`, has said which X display its
// Xwayland serves and written that display's key into `runtime`; both are
// filled in once it has, within `limit`.
bool XwaylandOfMutterReady(const std::string& log, const std::string& runtime, std::string& display,
                           std::string& authority, std::chrono::milliseconds limit);

// XAUTHORITY for as long as it lives: the program inherits it, and this
// test's own client reads it.
class ScopedAuthority {
 public:
  explicit ScopedAuthority(const std::string& file) {
    if (const char* before = std::getenv("XAUTHORITY")) {
      previous_ = before;
    }
    setenv("XAUTHORITY", file.c_str(), 1);
  }
  ~ScopedAuthority() {
    if (previous_) {
      setenv("XAUTHORITY", previous_->c_str(), 1);
    } else {
      unsetenv("XAUTHORITY");
    }
  }
  ScopedAuthority(const ScopedAuthority&) = delete;
  ScopedAuthority& operator=(const ScopedAuthority&) = delete;

 private:
  std::optional<std::string> previous_;
};

// Tests of the program run on the desktop in DISPLAY: an Xvfb at 96 dpi with
// openbox (tools/test).
class OnTheDesktop : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(x_.Ok()) << "DISPLAY must name an X server with openbox running";
    ASSERT_FALSE(x_.Values(x_.Root(), "_NET_SUPPORTING_WM_CHECK").empty())
        << "no EWMH window manager runs on DISPLAY";
  }

  const DisplayClient x_{""};
  const std::string display_ = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
  TemporaryFolder config_;
};

inline constexpr char kMainCaption[] = "     BRELLOCK - VARN-ON";

}  // namespace testing_support
