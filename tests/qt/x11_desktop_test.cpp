// Stacking and Num Lock on real X servers: the display in DISPLAY (an Xvfb
// with openbox) for everything a window manager does, and private Xvfb
// servers started here for a desktop with no window manager, one without
// XTEST and one whose keyboard has no Num Lock.
#include "platform/qt/x11_desktop.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using platform::HWND_NOTOPMOST;
using platform::HWND_TOPMOST;
using platform::qt::X11Keys;
using platform::qt::X11Stacking;

constexpr unsigned kKeepPlace = platform::SWP_NOSIZE | platform::SWP_NOMOVE;
constexpr xcb_keysym_t kNumLockKeysym = 0xff7f;

template <typename Condition>
bool WaitFor(Condition condition, std::chrono::milliseconds limit = 15s) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    if (condition()) {
      return true;
    }
    std::this_thread::sleep_for(5ms);
  }
  return condition();
}

struct FreeDeleter {
  void operator()(void* pointer) const { std::free(pointer); }
};
template <typename Reply>
using ReplyPtr = std::unique_ptr<Reply, FreeDeleter>;

// An X server of our own, gone when the object goes. Xvfb picks a free
// display number and writes it to the pipe once it accepts connections.
class PrivateXServer {
 public:
  explicit PrivateXServer(std::vector<std::string> extra_arguments = {}) {
    int ready[2];
    if (pipe(ready) != 0) {
      return;
    }
    pid_ = fork();
    if (pid_ == 0) {
      close(ready[0]);
      const int quiet = open("/dev/null", O_WRONLY);
      dup2(quiet, STDOUT_FILENO);
      dup2(quiet, STDERR_FILENO);
      std::vector<std::string> arguments = {"Xvfb",      "-displayfd", std::to_string(ready[1]),
                                            "-nolisten", "tcp",        "-screen",
                                            "0",         "640x480x24"};
      arguments.insert(arguments.end(), extra_arguments.begin(), extra_arguments.end());
      std::vector<char*> argv;
      for (auto& argument : arguments) {
        argv.push_back(argument.data());
      }
      argv.push_back(nullptr);
      execvp("Xvfb", argv.data());
      _exit(127);
    }
    close(ready[1]);
    std::string number;
    const auto end = std::chrono::steady_clock::now() + 30s;
    while (pid_ > 0 && std::chrono::steady_clock::now() < end) {
      pollfd wait{ready[0], POLLIN, 0};
      if (poll(&wait, 1, 100) <= 0) {
        continue;
      }
      char c = 0;
      if (read(ready[0], &c, 1) != 1) {
        break;  // the server died or could not start
      }
      if (c == '\n') {
        display_ = ":" + number;
        break;
      }
      number += c;
    }
    close(ready[0]);
  }

  ~PrivateXServer() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }

  PrivateXServer(const PrivateXServer&) = delete;
  PrivateXServer& operator=(const PrivateXServer&) = delete;

  const std::string& Display() const { return display_; }  // empty: it did not start

 private:
  pid_t pid_ = -1;
  std::string display_;
};

struct Connection {
  explicit Connection(const char* display) : c(xcb_connect(display, &screen_number)) {}
  ~Connection() { xcb_disconnect(c); }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  bool Ok() const { return xcb_connection_has_error(c) == 0; }
  xcb_screen_t* Screen() const {
    auto screens = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screen_number; ++i) {
      xcb_screen_next(&screens);
    }
    return screens.data;
  }
  xcb_window_t Root() const { return Screen()->root; }

  // Every request sent before has been handled by the server when this returns.
  void Sync() const { std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)); }

  // X errors that reached the event queue since the last call.
  int QueuedErrors() const {
    int errors = 0;
    while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
      errors += event->response_type == 0 ? 1 : 0;
      std::free(event);
    }
    return errors;
  }

  xcb_atom_t Atom(const char* name) const {
    ReplyPtr<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : XCB_NONE;
  }

  std::vector<std::uint32_t> Values(xcb_window_t window, xcb_atom_t property) const {
    ReplyPtr<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 64), nullptr));
    if (!reply || reply->format != 32) {
      return {};
    }
    std::vector<std::uint32_t> values(
        static_cast<std::size_t>(xcb_get_property_value_length(reply.get())) / 4);
    if (!values.empty()) {
      std::memcpy(values.data(), xcb_get_property_value(reply.get()), values.size() * 4);
    }
    return values;
  }

  void SetWindowProperty(xcb_window_t window, const char* property, xcb_window_t value) const {
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, Atom(property), XCB_ATOM_WINDOW, 32, 1,
                        &value);
  }

  xcb_window_t MakeWindow(int left, int top, bool map = true) const {
    const xcb_window_t window = xcb_generate_id(c);
    const std::uint32_t white = Screen()->white_pixel;
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, Root(), static_cast<std::int16_t>(left),
                      static_cast<std::int16_t>(top), 200, 120, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      Screen()->root_visual, XCB_CW_BACK_PIXEL, &white);
    const std::uint32_t hints[9] = {1 /* InputHint */, 1 /* takes focus */};
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 32,
                        9, hints);
    if (map) {
      xcb_map_window(c, window);
    }
    xcb_flush(c);
    return window;
  }

  int screen_number = 0;
  xcb_connection_t* c;
};

// Where a window's inside is on the screen, and how big.
struct Placement {
  int x = 0, y = 0, width = 0, height = 0;
  bool operator==(const Placement&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Placement& p) {
  return out << p.width << "x" << p.height << "+" << p.x << "+" << p.y;
}

std::optional<Placement> PlacementOf(const Connection& x, xcb_window_t window) {
  ReplyPtr<xcb_get_geometry_reply_t> geometry(
      xcb_get_geometry_reply(x.c, xcb_get_geometry(x.c, window), nullptr));
  ReplyPtr<xcb_translate_coordinates_reply_t> origin(xcb_translate_coordinates_reply(
      x.c, xcb_translate_coordinates(x.c, window, x.Root(), 0, 0), nullptr));
  if (!geometry || !origin) {
    return std::nullopt;
  }
  return Placement{origin->dst_x, origin->dst_y, geometry->width, geometry->height};
}

// Root's children, bottom first, each window given as the root child that
// holds it (the window itself, or the frame a window manager put it in).
std::vector<xcb_window_t> StackingOrder(const Connection& x) {
  ReplyPtr<xcb_query_tree_reply_t> tree(
      xcb_query_tree_reply(x.c, xcb_query_tree(x.c, x.Root()), nullptr));
  if (!tree) {
    return {};
  }
  std::vector<xcb_window_t> children(
      static_cast<std::size_t>(xcb_query_tree_children_length(tree.get())));
  if (!children.empty()) {
    std::memcpy(children.data(), xcb_query_tree_children(tree.get()),
                children.size() * sizeof(xcb_window_t));
  }
  return children;
}

xcb_window_t TopLevelOf(const Connection& x, xcb_window_t window) {
  while (true) {
    ReplyPtr<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(x.c, xcb_query_tree(x.c, window), nullptr));
    if (!tree || tree->parent == XCB_NONE || tree->parent == x.Root()) {
      return window;
    }
    window = tree->parent;
  }
}

std::ptrdiff_t StackIndex(const Connection& x, xcb_window_t window) {
  const auto order = StackingOrder(x);
  const xcb_window_t top_level = TopLevelOf(x, window);
  return std::find(order.begin(), order.end(), top_level) - order.begin();
}

// Everything written to stderr between construction and Text().
class StderrCapture {
 public:
  StderrCapture() : file_(std::tmpfile()) {
    std::fflush(stderr);
    saved_ = dup(STDERR_FILENO);
    dup2(fileno(file_), STDERR_FILENO);
  }
  ~StderrCapture() { Text(); }

  std::string Text() {
    if (saved_ >= 0) {
      std::fflush(stderr);
      dup2(saved_, STDERR_FILENO);
      close(saved_);
      saved_ = -1;
      std::rewind(file_);
      char buffer[512];
      std::size_t got = 0;
      while ((got = std::fread(buffer, 1, sizeof buffer, file_)) > 0) {
        text_.append(buffer, got);
      }
      std::fclose(file_);
    }
    return text_;
  }

 private:
  std::FILE* file_;
  int saved_ = -1;
  std::string text_;
};

int LineCount(const std::string& text) {
  return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

// ---- with the window manager in DISPLAY ---------------------------------------

class WindowManagerDesktop : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(x_.Ok()) << "DISPLAY must name an X server with openbox running";
    const auto check = x_.Values(x_.Root(), x_.Atom("_NET_SUPPORTING_WM_CHECK"));
    ASSERT_FALSE(check.empty()) << "no EWMH window manager runs on DISPLAY";
  }

  void TearDown() override {
    for (const xcb_window_t window : windows_) {
      xcb_destroy_window(x_.c, window);
    }
    x_.Sync();
  }

  // A mapped window, once the window manager has taken it on.
  xcb_window_t ManagedWindow(int left, int top) {
    const xcb_window_t window = x_.MakeWindow(left, top);
    windows_.push_back(window);
    const xcb_atom_t wm_state = x_.Atom("WM_STATE");
    EXPECT_TRUE(WaitFor([&] {
      const auto state = x_.Values(window, wm_state);
      return !state.empty() && state[0] == 1;  // NormalState
    })) << "the window manager did not take the window on";
    return window;
  }

  void SendToWindowManager(xcb_window_t window, const char* type,
                           std::array<std::uint32_t, 5> data) {
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = x_.Atom(type);
    std::copy(data.begin(), data.end(), message.data.data32);
    xcb_send_event(x_.c, 0, x_.Root(),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(x_.c);
  }

  bool ActiveIs(xcb_window_t window) {
    const auto active = x_.Values(x_.Root(), x_.Atom("_NET_ACTIVE_WINDOW"));
    return !active.empty() && active[0] == window;
  }

  void Activate(xcb_window_t window) {
    SendToWindowManager(window, "_NET_ACTIVE_WINDOW", {2, XCB_CURRENT_TIME, 0, 0, 0});
    ASSERT_TRUE(WaitFor([&] { return ActiveIs(window); })) << "window manager ignored activation";
  }

  // Read through a connection of its own, so nothing here flushes requests
  // the code under test left unsent.
  bool Above(xcb_window_t window) {
    const auto state = watch_.Values(window, watch_.Atom("_NET_WM_STATE"));
    return std::find(state.begin(), state.end(), watch_.Atom("_NET_WM_STATE_ABOVE")) != state.end();
  }

  Connection x_{nullptr};
  Connection watch_{nullptr};
  std::vector<xcb_window_t> windows_;
};

TEST_F(WindowManagerDesktop, ForegroundWindowFollowsTheActiveWindow) {
  X11Stacking stacking(x_.c);
  const xcb_window_t first = ManagedWindow(100, 100);
  const xcb_window_t second = ManagedWindow(400, 300);

  Activate(first);
  EXPECT_EQ(stacking.GetForegroundWindow(), first);
  Activate(second);
  EXPECT_EQ(stacking.GetForegroundWindow(), second);
  Activate(first);
  EXPECT_EQ(stacking.GetForegroundWindow(), first);
}

TEST_F(WindowManagerDesktop, DemotesTheOtherWindowAndPromotesOursInPlace) {
  X11Stacking stacking(x_.c);
  const xcb_window_t ours = ManagedWindow(50, 60);
  const xcb_window_t other = ManagedWindow(300, 200);
  Activate(other);
  SendToWindowManager(other, "_NET_WM_STATE", {1, x_.Atom("_NET_WM_STATE_ABOVE"), 0, 2, 0});
  ASSERT_TRUE(WaitFor([&] { return Above(other); }));
  ASSERT_FALSE(Above(ours));
  const auto our_place = PlacementOf(x_, ours);
  const auto other_place = PlacementOf(x_, other);
  ASSERT_TRUE(our_place && other_place);

  stacking.SetWindowPos(other, HWND_NOTOPMOST, 0, 0, 0, 0, kKeepPlace);
  EXPECT_TRUE(WaitFor([&] { return !Above(other); })) << "the other window kept ABOVE";
  stacking.SetWindowPos(ours, HWND_TOPMOST, 0, 0, 0, 0, kKeepPlace);
  EXPECT_TRUE(WaitFor([&] { return Above(ours); })) << "our window did not become ABOVE";
  EXPECT_TRUE(WaitFor([&] { return StackIndex(x_, ours) > StackIndex(x_, other); }));

  x_.Sync();
  EXPECT_FALSE(Above(other));
  EXPECT_EQ(PlacementOf(x_, ours), our_place);
  EXPECT_EQ(PlacementOf(x_, other), other_place);
  EXPECT_EQ(x_.QueuedErrors(), 0);
}

TEST_F(WindowManagerDesktop, PromotionAndDemotionCanBeRepeated) {
  X11Stacking stacking(x_.c);
  const xcb_window_t ours = ManagedWindow(120, 80);
  const auto place = PlacementOf(x_, ours);
  for (int round = 0; round < 3; ++round) {
    stacking.SetWindowPos(ours, HWND_TOPMOST, 0, 0, 0, 0, kKeepPlace);
    ASSERT_TRUE(WaitFor([&] { return Above(ours); })) << "round " << round;
    stacking.SetWindowPos(ours, HWND_NOTOPMOST, 0, 0, 0, 0, kKeepPlace);
    ASSERT_TRUE(WaitFor([&] { return !Above(ours); })) << "round " << round;
  }
  EXPECT_EQ(PlacementOf(x_, ours), place);
}

TEST_F(WindowManagerDesktop, AWindowNotYetShownStartsAboveWhenPromoted) {
  X11Stacking stacking(x_.c);
  const xcb_window_t window = x_.MakeWindow(200, 150, /*map=*/false);
  windows_.push_back(window);
  stacking.SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, kKeepPlace);
  x_.Sync();
  EXPECT_TRUE(Above(window));

  xcb_map_window(x_.c, window);
  xcb_flush(x_.c);
  const xcb_atom_t wm_state = x_.Atom("WM_STATE");
  ASSERT_TRUE(WaitFor([&] { return !x_.Values(window, wm_state).empty(); }));
  EXPECT_TRUE(Above(window)) << "the window manager did not keep the state it found";
}

TEST_F(WindowManagerDesktop, VanishedWindowsAreIgnoredSilently) {
  X11Stacking stacking(x_.c);
  stacking.GetForegroundWindow();  // learn the window manager first
  const xcb_window_t doomed = ManagedWindow(150, 150);
  Activate(doomed);
  xcb_destroy_window(x_.c, doomed);
  xcb_flush(x_.c);

  StderrCapture capture;
  const platform::WindowHandle foreground = stacking.GetForegroundWindow();
  stacking.SetWindowPos(doomed, HWND_NOTOPMOST, 0, 0, 0, 0, kKeepPlace);
  stacking.SetWindowPos(doomed, HWND_TOPMOST, 0, 0, 0, 0, kKeepPlace);
  stacking.SetWindowPos(foreground, HWND_NOTOPMOST, 0, 0, 0, 0, kKeepPlace);
  x_.Sync();
  EXPECT_EQ(capture.Text(), "");
  EXPECT_EQ(x_.QueuedErrors(), 0);
  EXPECT_EQ(xcb_connection_has_error(x_.c), 0);
}

TEST_F(WindowManagerDesktop, NoWindowSendsNothing) {
  X11Stacking stacking(x_.c);
  const unsigned before = xcb_get_input_focus(x_.c).sequence;
  stacking.SetWindowPos(0, HWND_TOPMOST, 0, 0, 0, 0, kKeepPlace);
  stacking.SetWindowPos(0, HWND_NOTOPMOST, 0, 0, 0, 0, kKeepPlace);
  const unsigned after = xcb_get_input_focus(x_.c).sequence;
  EXPECT_EQ(after, before + 1);
  x_.Sync();
}

// ---- with no window manager ----------------------------------------------------

class BareDesktop : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(server_.Display().empty()) << "could not start Xvfb";
    x_ = std::make_unique<Connection>(server_.Display().c_str());
    watch_ = std::make_unique<Connection>(server_.Display().c_str());
    ASSERT_TRUE(x_->Ok() && watch_->Ok());
  }

  PrivateXServer server_;
  std::unique_ptr<Connection> x_;
  std::unique_ptr<Connection> watch_;  // sees the server without flushing x_
};

TEST_F(BareDesktop, NoForegroundWindowWithoutAWindowManager) {
  X11Stacking stacking(x_->c);
  const xcb_window_t window = x_->MakeWindow(10, 10);
  x_->SetWindowProperty(x_->Root(), "_NET_ACTIVE_WINDOW", window);
  x_->Sync();
  EXPECT_EQ(stacking.GetForegroundWindow(), 0u);

  // A check window left behind by a window manager that is gone.
  const xcb_window_t stale = x_->MakeWindow(0, 0, /*map=*/false);
  x_->SetWindowProperty(x_->Root(), "_NET_SUPPORTING_WM_CHECK", stale);
  x_->SetWindowProperty(stale, "_NET_SUPPORTING_WM_CHECK", stale);
  xcb_destroy_window(x_->c, stale);
  x_->Sync();
  EXPECT_EQ(stacking.GetForegroundWindow(), 0u);
  EXPECT_EQ(x_->QueuedErrors(), 0);
}

TEST_F(BareDesktop, ForegroundWindowNeedsAValidCheckWindow) {
  X11Stacking stacking(x_->c);
  const xcb_window_t window = x_->MakeWindow(10, 10);
  const xcb_window_t check = x_->MakeWindow(0, 0, /*map=*/false);
  x_->SetWindowProperty(x_->Root(), "_NET_ACTIVE_WINDOW", window);
  x_->SetWindowProperty(x_->Root(), "_NET_SUPPORTING_WM_CHECK", check);
  x_->Sync();
  EXPECT_EQ(stacking.GetForegroundWindow(), 0u) << "the check window does not name itself";

  x_->SetWindowProperty(check, "_NET_SUPPORTING_WM_CHECK", check);
  x_->Sync();
  EXPECT_EQ(stacking.GetForegroundWindow(), window);

  xcb_destroy_window(x_->c, check);
  x_->Sync();
  EXPECT_EQ(stacking.GetForegroundWindow(), 0u) << "the window manager's departure went unseen";
  EXPECT_EQ(x_->QueuedErrors(), 0);
}

TEST_F(BareDesktop, PromotionRaisesAndDemotionLeavesTheStackAlone) {
  X11Stacking stacking(x_->c);
  const xcb_window_t ours = x_->MakeWindow(10, 10);
  const xcb_window_t other = x_->MakeWindow(50, 50);
  x_->Sync();
  ASSERT_LT(StackIndex(*x_, ours), StackIndex(*x_, other));
  const auto place = PlacementOf(*x_, ours);

  stacking.SetWindowPos(other, HWND_NOTOPMOST, 0, 0, 0, 0, kKeepPlace);
  x_->Sync();
  EXPECT_LT(StackIndex(*x_, ours), StackIndex(*x_, other));

  stacking.SetWindowPos(ours, HWND_TOPMOST, 0, 0, 0, 0, kKeepPlace);
  EXPECT_TRUE(WaitFor([&] { return StackIndex(*watch_, ours) > StackIndex(*watch_, other); }));
  x_->Sync();
  EXPECT_EQ(StackIndex(*x_, ours), static_cast<std::ptrdiff_t>(StackingOrder(*x_).size()) - 1);
  EXPECT_EQ(PlacementOf(*x_, ours), place);
  EXPECT_EQ(x_->QueuedErrors(), 0);
}

TEST_F(BareDesktop, VanishedWindowIsIgnoredSilently) {
  X11Stacking stacking(x_->c);
  const xcb_window_t doomed = x_->MakeWindow(10, 10);
  xcb_destroy_window(x_->c, doomed);
  xcb_flush(x_->c);

  StderrCapture capture;
  stacking.SetWindowPos(doomed, HWND_TOPMOST, 0, 0, 0, 0, kKeepPlace);
  stacking.SetWindowPos(doomed, HWND_NOTOPMOST, 0, 0, 0, 0, kKeepPlace);
  EXPECT_EQ(stacking.GetForegroundWindow(), 0u);
  x_->Sync();
  EXPECT_EQ(capture.Text(), "");
  EXPECT_EQ(x_->QueuedErrors(), 0);
  EXPECT_EQ(xcb_connection_has_error(x_->c), 0);
}

// ---- connections that can't be used --------------------------------------------

TEST(UnusableConnection, NullConnectionDoesNothing) {
  X11Stacking stacking(nullptr);
  EXPECT_EQ(stacking.GetForegroundWindow(), 0u);
  stacking.SetWindowPos(42, HWND_TOPMOST, 0, 0, 0, 0, kKeepPlace);

  StderrCapture capture;
  X11Keys keys(nullptr);
  keys.PressNumLock();
  const std::string said = capture.Text();
  EXPECT_EQ(LineCount(said), 1) << said;
  EXPECT_EQ(said.rfind("brellock-varn-on: cannot press Num Lock here: ", 0), 0u) << said;
}

TEST(UnusableConnection, BrokenConnectionDoesNothing) {
  Connection broken(":65123");  // no server there
  ASSERT_NE(xcb_connection_has_error(broken.c), 0);
  X11Stacking stacking(broken.c);
  EXPECT_EQ(stacking.GetForegroundWindow(), 0u);
  stacking.SetWindowPos(42, HWND_TOPMOST, 0, 0, 0, 0, kKeepPlace);
  stacking.SetWindowPos(42, HWND_NOTOPMOST, 0, 0, 0, 0, kKeepPlace);

  StderrCapture capture;
  X11Keys keys(broken.c);
  keys.PressNumLock();
  EXPECT_EQ(LineCount(capture.Text()), 1);
}

// ---- Num Lock -------------------------------------------------------------------

xcb_keycode_t NumLockKeycode(const Connection& x) {
  const xcb_setup_t* setup = xcb_get_setup(x.c);
  const auto count = static_cast<std::uint8_t>(setup->max_keycode - setup->min_keycode + 1);
  ReplyPtr<xcb_get_keyboard_mapping_reply_t> mapping(xcb_get_keyboard_mapping_reply(
      x.c, xcb_get_keyboard_mapping(x.c, setup->min_keycode, count), nullptr));
  if (!mapping) {
    return 0;
  }
  const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(mapping.get());
  const int length = xcb_get_keyboard_mapping_keysyms_length(mapping.get());
  for (int i = 0; i < length; ++i) {
    if (keysyms[i] == kNumLockKeysym) {
      return static_cast<xcb_keycode_t>(setup->min_keycode + i / mapping->keysyms_per_keycode);
    }
  }
  return 0;
}

// Num Lock as the server sees it: the modifier the key is bound to, as
// locked in the core keyboard state, and the key being held down.
class NumLockProbe {
 public:
  explicit NumLockProbe(const Connection& x) : x_(x), keycode_(NumLockKeycode(x)) {
    ReplyPtr<xcb_get_modifier_mapping_reply_t> modifiers(
        xcb_get_modifier_mapping_reply(x.c, xcb_get_modifier_mapping(x.c), nullptr));
    if (!modifiers || keycode_ == 0) {
      return;
    }
    const xcb_keycode_t* keys = xcb_get_modifier_mapping_keycodes(modifiers.get());
    for (int modifier = 0; modifier < 8; ++modifier) {
      for (int k = 0; k < modifiers->keycodes_per_modifier; ++k) {
        if (keys[modifier * modifiers->keycodes_per_modifier + k] == keycode_) {
          mask_ = static_cast<std::uint16_t>(1u << modifier);
        }
      }
    }
  }

  bool Usable() const { return keycode_ != 0 && mask_ != 0; }

  bool Locked() const {
    ReplyPtr<xcb_query_pointer_reply_t> pointer(
        xcb_query_pointer_reply(x_.c, xcb_query_pointer(x_.c, x_.Root()), nullptr));
    return pointer && (pointer->mask & mask_) != 0;
  }

  bool KeyDown() const {
    ReplyPtr<xcb_query_keymap_reply_t> keymap(
        xcb_query_keymap_reply(x_.c, xcb_query_keymap(x_.c), nullptr));
    return keymap && (keymap->keys[keycode_ / 8] & (1 << (keycode_ % 8))) != 0;
  }

 private:
  const Connection& x_;
  xcb_keycode_t keycode_;
  std::uint16_t mask_ = 0;
};

TEST_F(BareDesktop, EachPressTogglesNumLockOnce) {
  NumLockProbe probe(*watch_);
  ASSERT_TRUE(probe.Usable()) << "the test server's keyboard has no Num Lock modifier";
  StderrCapture capture;
  X11Keys keys(x_->c);
  EXPECT_EQ(capture.Text(), "");

  bool locked = probe.Locked();
  for (int press = 0; press < 4; ++press) {
    keys.PressNumLock();
    ASSERT_TRUE(WaitFor([&] { return probe.Locked() != locked; })) << "press " << press;
    ASSERT_TRUE(WaitFor([&] { return !probe.KeyDown(); })) << "the key stayed down";
    x_->Sync();
    locked = !locked;
    EXPECT_EQ(probe.Locked(), locked) << "press " << press << " toggled more than once";
  }
  EXPECT_EQ(x_->QueuedErrors(), 0);
}

TEST(NoXTest, WarnsOnceAndPressesNothing) {
  PrivateXServer server({"-extension", "XTEST"});
  ASSERT_FALSE(server.Display().empty()) << "could not start Xvfb";
  Connection x(server.Display().c_str());
  ASSERT_TRUE(x.Ok());
  NumLockProbe probe(x);
  ASSERT_TRUE(probe.Usable());
  const bool locked = probe.Locked();

  StderrCapture capture;
  X11Keys keys(x.c);
  const std::string said = capture.Text();
  EXPECT_EQ(LineCount(said), 1) << said;
  EXPECT_NE(said.find("brellock-varn-on: cannot press Num Lock here: "), std::string::npos);
  EXPECT_NE(said.find("XTEST"), std::string::npos) << said;

  StderrCapture quiet;
  keys.PressNumLock();
  keys.PressNumLock();
  keys.PressNumLock();
  x.Sync();
  EXPECT_EQ(quiet.Text(), "");
  EXPECT_EQ(probe.Locked(), locked);
  EXPECT_EQ(x.QueuedErrors(), 0);
  EXPECT_EQ(xcb_connection_has_error(x.c), 0);
}

TEST_F(BareDesktop, KeyboardWithoutNumLockWarnsOnce) {
  const xcb_keycode_t num_lock = NumLockKeycode(*x_);
  ASSERT_NE(num_lock, 0);
  // Take Num_Lock off every key that has it.
  const xcb_setup_t* setup = xcb_get_setup(x_->c);
  const auto count = static_cast<std::uint8_t>(setup->max_keycode - setup->min_keycode + 1);
  ReplyPtr<xcb_get_keyboard_mapping_reply_t> mapping(xcb_get_keyboard_mapping_reply(
      x_->c, xcb_get_keyboard_mapping(x_->c, setup->min_keycode, count), nullptr));
  ASSERT_TRUE(mapping);
  std::vector<xcb_keysym_t> keysyms(xcb_get_keyboard_mapping_keysyms(mapping.get()),
                                    xcb_get_keyboard_mapping_keysyms(mapping.get()) +
                                        xcb_get_keyboard_mapping_keysyms_length(mapping.get()));
  std::replace(keysyms.begin(), keysyms.end(), kNumLockKeysym, xcb_keysym_t{0});
  xcb_change_keyboard_mapping(x_->c, count, setup->min_keycode, mapping->keysyms_per_keycode,
                              keysyms.data());
  x_->Sync();
  ASSERT_EQ(NumLockKeycode(*x_), 0);

  StderrCapture capture;
  X11Keys keys(x_->c);
  keys.PressNumLock();
  x_->Sync();
  const std::string said = capture.Text();
  EXPECT_EQ(LineCount(said), 1) << said;
  EXPECT_NE(said.find("brellock-varn-on: cannot press Num Lock here: "), std::string::npos);
  EXPECT_EQ(x_->QueuedErrors(), 0);
}

}  // namespace
