// Num Lock on a GNOME Wayland session, where the program is an Xwayland
// client: it goes through the desktop's RemoteDesktop portal, which asks the
// user once. mutter runs headless with its Xwayland, on a session bus of the
// test's own whose portal (xdg-desktop-portal with its GNOME back end) is
// started by the bus. The witness is the compositor itself: mutter's own
// remote desktop session reports its Num Lock state, and sends the keys
// that answer the portal's dialog.
#include <gio/gio.h>

#include <algorithm>

#include "x11_test_support.h"

namespace {

using namespace testing_support;

constexpr char kWaylandDisplay[] = "varn-portal";
constexpr std::uint32_t kAlt = 0xffe9, kEscape = 0xff1b;

class GnomeWaylandSession {
 public:
  GnomeWaylandSession() {
    const std::string runtime = folder_.File("runtime");
    std::filesystem::create_directory(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    bus_ = "unix:path=" + runtime + "/bus";
    // Everything the bus starts sees this session: its Wayland display, a
    // GNOME desktop, and data and settings folders of its own, so that no
    // permission the portal stores outlives the test.
    const std::vector<std::string> session{"XDG_RUNTIME_DIR=" + runtime,
                                           std::string("WAYLAND_DISPLAY=") + kWaylandDisplay,
                                           "XDG_CURRENT_DESKTOP=GNOME",
                                           "XDG_SESSION_TYPE=wayland",
                                           "XDG_DATA_HOME=" + folder_.File("data"),
                                           "XDG_CONFIG_HOME=" + folder_.File("config"),
                                           "GSETTINGS_BACKEND=memory",
                                           "GTK_A11Y=none",
                                           "DBUS_SESSION_BUS_ADDRESS=" + bus_,
                                           "DISPLAY"};
    std::filesystem::create_directories("/tmp/.X11-unix");
    std::error_code ignored;
    std::filesystem::permissions("/tmp/.X11-unix",
                                 std::filesystem::perms::all | std::filesystem::perms::sticky_bit,
                                 ignored);
    bus_daemon_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{"dbus-daemon", "--session", "--nofork", "--nopidfile",
                                 "--address=" + bus_},
        session, folder_.File("bus-log"));
    WaitUntil([&] { return std::filesystem::exists(runtime + "/bus"); }, 10s);
    mutter_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{"mutter", "--headless", "--wayland", "--virtual-monitor",
                                 "1280x1024", "--wayland-display", kWaylandDisplay},
        session, folder_.File("mutter-log"));
    XwaylandOfMutterReady(folder_.File("mutter-log"), runtime, display_, authority_, 30s);
    program_environment_ = {std::string("WAYLAND_DISPLAY=") + kWaylandDisplay,
                            "DBUS_SESSION_BUS_ADDRESS=" + bus_};
  }

  const std::string& Display() const { return display_; }
  const std::string& Authority() const { return authority_; }
  const std::string& Bus() const { return bus_; }
  std::string Log() const {
    return ReadFile(folder_.File("mutter-log")) + ReadFile(folder_.File("bus-log"));
  }
  // The program's environment on this session, its state kept in `state`.
  std::vector<std::string> ProgramEnvironment(const std::string& state) const {
    std::vector<std::string> environment = program_environment_;
    environment.push_back("XDG_STATE_HOME=" + state);
    return environment;
  }

 private:
  TemporaryFolder folder_;
  std::string bus_, display_, authority_;
  std::vector<std::string> program_environment_;
  std::unique_ptr<ChildProcess> bus_daemon_;  // made first, gone last
  std::unique_ptr<ChildProcess> mutter_;
};

// A remote desktop session of mutter's own, on the test's bus: mutter's
// private interface, which asks nobody.
class MutterRemoteInput {
 public:
  explicit MutterRemoteInput(const std::string& bus) {
    bus_ = g_dbus_connection_new_for_address_sync(
        bus.c_str(),
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, nullptr);
    if (bus_ == nullptr) {
      return;
    }
    GVariant* created = Call("/org/gnome/Mutter/RemoteDesktop", "org.gnome.Mutter.RemoteDesktop",
                             "CreateSession", nullptr);
    if (created != nullptr) {
      const gchar* path = nullptr;
      g_variant_get(created, "(&o)", &path);
      session_ = path;
      g_variant_unref(created);
      Done(Call(session_, kSession, "Start", nullptr));
    }
  }
  ~MutterRemoteInput() {
    if (bus_ != nullptr) {
      if (!session_.empty()) {
        Done(Call(session_, kSession, "Stop", nullptr));
      }
      g_object_unref(bus_);
    }
  }
  MutterRemoteInput(const MutterRemoteInput&) = delete;
  MutterRemoteInput& operator=(const MutterRemoteInput&) = delete;

  bool Ok() const { return !session_.empty() && NumLock().has_value(); }

  // The keys go down in order and come up in reverse, as a chord does.
  void Chord(const std::vector<std::uint32_t>& keysyms) const {
    for (const std::uint32_t keysym : keysyms) {
      Done(Call(session_, kSession, "NotifyKeyboardKeysym", g_variant_new("(ub)", keysym, TRUE)));
    }
    for (auto keysym = keysyms.rbegin(); keysym != keysyms.rend(); ++keysym) {
      Done(Call(session_, kSession, "NotifyKeyboardKeysym", g_variant_new("(ub)", *keysym, FALSE)));
    }
  }

  std::optional<bool> NumLock() const {
    GVariant* reply = Call(session_, "org.freedesktop.DBus.Properties", "Get",
                           g_variant_new("(ss)", kSession, "NumLockState"));
    if (reply == nullptr) {
      return std::nullopt;
    }
    GVariant* value = nullptr;
    g_variant_get(reply, "(v)", &value);
    const bool on = g_variant_get_boolean(value) != FALSE;
    g_variant_unref(value);
    g_variant_unref(reply);
    return on;
  }

 private:
  static constexpr char kSession[] = "org.gnome.Mutter.RemoteDesktop.Session";

  GVariant* Call(const std::string& path, const char* interface, const char* method,
                 GVariant* arguments) const {
    if (bus_ == nullptr || path.empty()) {
      return nullptr;
    }
    return g_dbus_connection_call_sync(bus_, "org.gnome.Mutter.RemoteDesktop", path.c_str(),
                                       interface, method, arguments, nullptr,
                                       G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr);
  }
  static void Done(GVariant* reply) {
    if (reply != nullptr) {
      g_variant_unref(reply);
    }
  }

  GDBusConnection* bus_ = nullptr;
  std::string session_;
};

// When the compositor's Num Lock changed within `limit` from now, up to
// seven times; `answer` runs every two seconds until the first change.
std::vector<std::chrono::steady_clock::time_point> NumLockChanges(
    const MutterRemoteInput& remote, std::chrono::milliseconds limit,
    const std::function<void()>& answer = {}) {
  std::optional<bool> last = remote.NumLock();
  std::vector<std::chrono::steady_clock::time_point> changes;
  auto next_answer = std::chrono::steady_clock::now();
  const auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end && changes.size() < 7) {
    if (answer && changes.empty() && std::chrono::steady_clock::now() >= next_answer) {
      answer();
      next_answer += 2s;
    }
    std::this_thread::sleep_for(20ms);
    const std::optional<bool> now = remote.NumLock();
    if (now && last && *now != *last) {
      changes.push_back(std::chrono::steady_clock::now());
    }
    last = now;
  }
  return changes;
}

// How many threads and open files a process has: the same from one press
// to the next when every press goes down the one session opened at start.
std::pair<int, int> ThreadsAndFiles(pid_t pid) {
  const auto count = [](const std::string& folder) {
    std::error_code error;
    int entries = 0;
    for (auto entry = std::filesystem::directory_iterator(folder, error);
         !error && entry != std::filesystem::directory_iterator(); entry.increment(error)) {
      ++entries;
    }
    return entries;
  };
  const std::string proc = "/proc/" + std::to_string(pid);
  return {count(proc + "/task"), count(proc + "/fd")};
}

// The median time between changes, in milliseconds, for the record: how
// steady the ticks are is the benchmark's to judge, not a test's.
void RecordMedianInterval(const std::vector<std::chrono::steady_clock::time_point>& changes) {
  std::vector<long long> gaps;
  for (std::size_t i = 1; i < changes.size(); ++i) {
    gaps.push_back(
        std::chrono::duration_cast<std::chrono::milliseconds>(changes[i] - changes[i - 1]).count());
  }
  if (!gaps.empty()) {
    std::ranges::nth_element(gaps, gaps.begin() + static_cast<long>(gaps.size() / 2));
    testing::Test::RecordProperty("median_num_lock_interval_ms",
                                  std::to_string(gaps[gaps.size() / 2]));
  }
}

class GnomeWaylandNumLock : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(session_.Display().empty()) << "mutter did not start Xwayland:\n"
                                             << session_.Log();
    // mutter takes its names on the bus a moment after Xwayland is up.
    std::unique_ptr<MutterRemoteInput> remote;
    EXPECT_TRUE(WaitUntil(
        [&] {
          remote = std::make_unique<MutterRemoteInput>(session_.Bus());
          return remote->Ok();
        },
        20s));
    ASSERT_TRUE(remote->Ok()) << "no remote desktop session of mutter's:\n" << session_.Log();
    remote_ = std::move(remote);
  }

  std::string StateFile(const std::string& name) const {
    return state_.File("BRELLOCK-VARN-ON/" + name);
  }

  GnomeWaylandSession session_;
  std::unique_ptr<MutterRemoteInput> remote_;
  TemporaryFolder config_, state_;
};

TEST_F(GnomeWaylandNumLock, AskedOnceThenTheCompositorsNumLockTogglesAndTheNextStartAsksNot) {
  const ScopedAuthority authority(session_.Authority());
  DisplayClient x(session_.Display());
  ASSERT_TRUE(x.Ok());
  {
    ProgramProcess program(session_.Display(), config_.Path(), {},
                           session_.ProgramEnvironment(state_.Path()));
    ASSERT_NE(program.WaitForMainWindow(x, /*framed=*/true), XCB_NONE);
    // While the dialog waits for an answer, nothing is pressed.
    EXPECT_EQ(NumLockChanges(*remote_, 2s).size(), 0u);
    // "Allow Remote Interaction", then "Share".
    const auto changes = NumLockChanges(*remote_, 20s, [&] {
      remote_->Chord({kAlt, 'i'});
      std::this_thread::sleep_for(300ms);
      remote_->Chord({kAlt, 's'});
    });
    EXPECT_GE(changes.size(), 3u) << "after the dialog was answered\n"
                                  << program.Stderr() << session_.Log();
    EXPECT_FALSE(ReadFile(StateFile("portal-restore-token")).empty());
    EXPECT_EQ(program.Stderr(), "");
  }
  // The kept token opens the session again without the dialog.
  ProgramProcess again(session_.Display(), config_.Path(), {},
                       session_.ProgramEnvironment(state_.Path()));
  EXPECT_FALSE(NumLockChanges(*remote_, 10s).empty()) << again.Stderr();
  const std::pair<int, int> opened = ThreadsAndFiles(again.Pid());
  const auto changes = NumLockChanges(*remote_, 10s);
  EXPECT_GE(changes.size(), 3u) << again.Stderr();
  EXPECT_EQ(ThreadsAndFiles(again.Pid()), opened) << "threads and open files";
  RecordMedianInterval(changes);
  EXPECT_EQ(again.Stderr(), "");
}

TEST_F(GnomeWaylandNumLock, ARefusalIsSaidInOneLineTheLampsRunOnAndTheNextStartDoesNotAsk) {
  const ScopedAuthority authority(session_.Authority());
  DisplayClient x(session_.Display());
  ASSERT_TRUE(x.Ok());
  const std::string refused = "Num Lock is not pressed on this Wayland session: remote input";
  {
    ProgramProcess program(session_.Display(), config_.Path(), {},
                           session_.ProgramEnvironment(state_.Path()));
    const xcb_window_t main = program.WaitForMainWindow(x, /*framed=*/true);
    ASSERT_NE(main, XCB_NONE);
    EXPECT_TRUE(WaitUntil(
        [&] {
          remote_->Chord({kEscape});
          return program.Stderr().find(refused) != std::string::npos;
        },
        20s))
        << program.Stderr();
    EXPECT_EQ(std::ranges::count(program.Stderr(), '\n'), 1) << program.Stderr();
    EXPECT_TRUE(std::filesystem::exists(StateFile("portal-refused")));
    int lamp = 0;
    EXPECT_TRUE(WaitUntil([&] { return (lamp = RedLamp(x, main)) != 0; }, 10s));
    EXPECT_TRUE(WaitUntil([&] { return RedLamp(x, main) != lamp; }, 10s));
    EXPECT_EQ(NumLockChanges(*remote_, 2s).size(), 0u);
    program.CloseAndExpectCleanExit(x, main);
  }
  ProgramProcess again(session_.Display(), config_.Path(), {},
                       session_.ProgramEnvironment(state_.Path()));
  EXPECT_TRUE(WaitUntil(
      [&] { return again.Stderr().find(StateFile("portal-refused")) != std::string::npos; }, 10s))
      << again.Stderr();
  EXPECT_EQ(NumLockChanges(*remote_, 2s).size(), 0u);
}

}  // namespace
