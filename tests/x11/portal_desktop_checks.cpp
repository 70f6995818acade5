// The Num Lock checks every Wayland desktop's portal route passes, and the
// private session bus the desktops run on.
#include "portal_desktop_checks.h"

#include <algorithm>

namespace testing_support {

namespace {

// How often the compositor's Num Lock changed within `limit` from now, up
// to seven times; `answer` runs every two seconds until the first change. A
// change is counted against the last state seen, so a moment without sight
// of it (a witness without the keyboard focus) loses none.
std::size_t NumLockChanges(const PortalDesktop& desktop, std::chrono::milliseconds limit,
                           const std::function<void()>& answer = {}) {
  std::optional<bool> last = desktop.NumLock();
  std::size_t changes = 0;
  auto next_answer = std::chrono::steady_clock::now();
  const auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end && changes < 7) {
    if (answer && changes == 0 && std::chrono::steady_clock::now() >= next_answer) {
      answer();
      next_answer += 2s;
    }
    std::this_thread::sleep_for(20ms);
    const std::optional<bool> now = desktop.NumLock();
    if (now && last && *now != *last) {
      ++changes;
    }
    if (now) {
      last = now;
    }
  }
  return changes;
}

// How many threads and open files a process has: the same from one press
// to the next when every press goes down the one session opened at start.
std::pair<std::ptrdiff_t, std::ptrdiff_t> ThreadsAndFiles(pid_t pid) {
  const auto count = [](const std::string& folder) {
    std::error_code error;  // a process gone has no entries
    return std::distance(std::filesystem::directory_iterator(folder, error), {});
  };
  const std::string proc = "/proc/" + std::to_string(pid);
  return {count(proc + "/task"), count(proc + "/fd")};
}

std::string StateFile(const TemporaryFolder& state, const std::string& name) {
  return state.File("BRELLOCK-VARN-ON/" + name);
}

}  // namespace

PrivateSessionBus::PrivateSessionBus(const TemporaryFolder& folder,
                                     std::vector<std::string> environment)
    : runtime_(folder.File("runtime")),
      address_("unix:path=" + runtime_ + "/bus"),
      log_(folder.File("bus-log")),
      environment_(std::move(environment)) {
  std::filesystem::create_directory(runtime_);
  std::filesystem::permissions(runtime_, std::filesystem::perms::owner_all);
  environment_.push_back("XDG_RUNTIME_DIR=" + runtime_);
  environment_.push_back("DBUS_SESSION_BUS_ADDRESS=" + address_);
  // Xwayland's sockets; a fresh root may not have their folder yet.
  std::filesystem::create_directories("/tmp/.X11-unix");
  std::error_code ignored;
  std::filesystem::permissions(
      "/tmp/.X11-unix", std::filesystem::perms::all | std::filesystem::perms::sticky_bit, ignored);
  daemon_ = std::make_unique<ChildProcess>(
      std::vector<std::string>{"dbus-daemon", "--session", "--nofork", "--nopidfile",
                               "--address=" + address_},
      environment_, log_);
  WaitUntil([&] { return std::filesystem::exists(runtime_ + "/bus"); }, 10s);
}

BusConnection ConnectToSessionBus(const std::string& address) {
  return {g_dbus_connection_new_for_address_sync(
              address.c_str(),
              static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                                G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
              nullptr, nullptr, nullptr),
          g_object_unref};
}

void CheckAskedOnceThenNumLockToggles(const PortalDesktop& desktop) {
  const ScopedAuthority authority(desktop.Authority());
  DisplayClient x(desktop.Display());
  ASSERT_TRUE(x.Ok());
  TemporaryFolder config, state;
  {
    ProgramProcess program(desktop.Display(), config.Path(), {},
                           desktop.ProgramEnvironment(state.Path()));
    ASSERT_NE(program.WaitForMainWindow(x, /*framed=*/true), XCB_NONE);
    // While the dialog waits for an answer, nothing is pressed.
    EXPECT_EQ(NumLockChanges(desktop, 2s), 0u);
    EXPECT_GE(NumLockChanges(desktop, 20s, [&] { desktop.Allow(); }), 3u)
        << "after the dialog was answered\n"
        << program.Stderr() << desktop.Log();
    EXPECT_FALSE(ReadFile(StateFile(state, "portal-restore-token")).empty());
    EXPECT_EQ(program.Stderr(), desktop.SaidWithConsent());
  }
  // The kept token opens the session again without the dialog.
  ProgramProcess again(desktop.Display(), config.Path(), {},
                       desktop.ProgramEnvironment(state.Path()));
  ASSERT_NE(NumLockChanges(desktop, 10s), 0u) << again.Stderr() << desktop.Log();
  const auto opened = ThreadsAndFiles(again.Pid());
  EXPECT_GE(NumLockChanges(desktop, 10s), 3u) << again.Stderr();
  EXPECT_EQ(ThreadsAndFiles(again.Pid()), opened) << "threads and open files";
  EXPECT_EQ(again.Stderr(), desktop.SaidWithConsent());
}

void CheckRefusalSaidInOneLine(const PortalDesktop& desktop) {
  const ScopedAuthority authority(desktop.Authority());
  DisplayClient x(desktop.Display());
  ASSERT_TRUE(x.Ok());
  TemporaryFolder config, state;
  const std::string refused = "Num Lock is not pressed on this Wayland session: remote input";
  {
    ProgramProcess program(desktop.Display(), config.Path(), {},
                           desktop.ProgramEnvironment(state.Path()));
    const xcb_window_t main = program.WaitForMainWindow(x, /*framed=*/true);
    ASSERT_NE(main, XCB_NONE);
    EXPECT_TRUE(WaitUntil(
        [&] {
          desktop.Refuse();
          std::this_thread::sleep_for(100ms);
          return program.Stderr().find(refused) != std::string::npos;
        },
        20s))
        << program.Stderr() << desktop.Log();
    EXPECT_EQ(std::ranges::count(program.Stderr(), '\n'), 1) << program.Stderr();
    EXPECT_TRUE(std::filesystem::exists(StateFile(state, "portal-refused")));
    int lamp = 0;
    EXPECT_TRUE(WaitUntil([&] { return (lamp = RedLamp(x, main)) != 0; }, 10s));
    EXPECT_TRUE(WaitUntil([&] { return RedLamp(x, main) != lamp; }, 10s));
    EXPECT_EQ(NumLockChanges(desktop, 2s), 0u);
    program.CloseAndExpectCleanExit(x, main);
  }
  ProgramProcess again(desktop.Display(), config.Path(), {},
                       desktop.ProgramEnvironment(state.Path()));
  EXPECT_TRUE(WaitUntil(
      [&] { return again.Stderr().find(StateFile(state, "portal-refused")) != std::string::npos; },
      10s))
      << again.Stderr();
  EXPECT_EQ(NumLockChanges(desktop, 2s), 0u);
}

}  // namespace testing_support
