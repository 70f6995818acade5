// Num Lock on a GNOME Wayland session, where the program is an Xwayland
// client: it goes through the desktop's RemoteDesktop portal, which asks the
// user once. mutter runs headless with its Xwayland, on a session bus of the
// test's own whose portal (xdg-desktop-portal with its GNOME back end) is
// started by the bus. The witness is the compositor itself: mutter's own
// remote desktop session reports its Num Lock state, and sends the keys
// that answer the portal's dialog and the input of a person come back;
// mutter's idle monitor tells how long it has had no input.
#include <functional>

#include "portal_desktop_checks.h"

namespace {

using namespace testing_support;

constexpr char kWaylandDisplay[] = "varn-portal";
constexpr std::uint32_t kAlt = 0xffe9, kEscape = 0xff1b;

// mutter headless on a private session bus, which starts the portal.
// Everything the bus starts sees this session: its Wayland display, a GNOME
// desktop, and data and settings folders of its own, so that no permission
// the portal stores outlives the test.
class GnomeWaylandSession {
 public:
  GnomeWaylandSession()
      : bus_(folder_,
             {std::string("WAYLAND_DISPLAY=") + kWaylandDisplay, "XDG_CURRENT_DESKTOP=GNOME",
              "XDG_SESSION_TYPE=wayland", "XDG_DATA_HOME=" + folder_.File("data"),
              "XDG_CONFIG_HOME=" + folder_.File("config"), "GSETTINGS_BACKEND=memory",
              "GTK_A11Y=none", "DISPLAY"}) {
    mutter_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{"mutter", "--headless", "--wayland", "--virtual-monitor",
                                 "1280x1024", "--wayland-display", kWaylandDisplay},
        bus_.Environment(), folder_.File("mutter-log"));
    XwaylandOfMutterReady(folder_.File("mutter-log"), bus_.Runtime(), display_, authority_, 30s);
  }

  const std::string& Display() const { return display_; }
  const std::string& Authority() const { return authority_; }
  const std::string& Bus() const { return bus_.Address(); }
  std::string Log() const { return ReadFile(folder_.File("mutter-log")) + bus_.Log(); }

 private:
  TemporaryFolder folder_;
  PrivateSessionBus bus_;  // made first, gone last
  std::string display_, authority_;
  std::unique_ptr<ChildProcess> mutter_;
};

// A remote desktop session of mutter's own, on the test's bus: mutter's
// private interface, which asks nobody.
class MutterRemoteInput {
 public:
  explicit MutterRemoteInput(const std::string& bus) : bus_(ConnectToSessionBus(bus)) {
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
  ~MutterRemoteInput() { Done(Call(session_, kSession, "Stop", nullptr)); }

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

  // A small pointer move, as a person's hand on the mouse gives.
  void MovePointer() const {
    Done(Call(session_, kSession, "NotifyPointerMotionRelative", g_variant_new("(dd)", 5.0, 3.0)));
  }

  // How long mutter has had no input from any device, as its idle monitor
  // tells it (the program reads the same).
  std::optional<std::chrono::milliseconds> IdleTime() const {
    GVariant* reply = Call("/org/gnome/Mutter/IdleMonitor/Core", "org.gnome.Mutter.IdleMonitor",
                           "GetIdletime", nullptr, "org.gnome.Mutter.IdleMonitor");
    if (reply == nullptr) {
      return std::nullopt;
    }
    guint64 ms = 0;
    g_variant_get(reply, "(t)", &ms);
    g_variant_unref(reply);
    return std::chrono::milliseconds(ms);
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
                 GVariant* arguments,
                 const char* service = "org.gnome.Mutter.RemoteDesktop") const {
    if (bus_ == nullptr || path.empty()) {
      return nullptr;
    }
    return g_dbus_connection_call_sync(bus_.get(), service, path.c_str(), interface, method,
                                       arguments, nullptr, G_DBUS_CALL_FLAGS_NONE, 5000, nullptr,
                                       nullptr);
  }
  static void Done(GVariant* reply) {
    if (reply != nullptr) {
      g_variant_unref(reply);
    }
  }

  BusConnection bus_;
  std::string session_;
};

// Takes `name` on `bus` for the test's own objects; whether it got it.
bool OwnName(GDBusConnection* bus, const char* name) {
  if (bus == nullptr) {
    return false;
  }
  GVariant* reply = g_dbus_connection_call_sync(
      bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "RequestName",
      g_variant_new("(su)", name, 4u /* do not queue */), G_VARIANT_TYPE("(u)"),
      G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr);
  guint32 result = 0;
  if (reply != nullptr) {
    g_variant_get(reply, "(u)", &result);
    g_variant_unref(reply);
  }
  return result == 1;  // the primary owner
}

// Sends a signal from `bus` and sees it on its way.
void Emit(GDBusConnection* bus, const char* path, const char* interface, const char* name,
          GVariant* arguments) {
  g_dbus_connection_emit_signal(bus, nullptr, path, interface, name, arguments, nullptr);
  g_dbus_connection_flush_sync(bus, nullptr, nullptr);
}

// GNOME's screen saver as gnome-shell publishes it, which headless mutter
// does not run: the test owns its name and says when it is active.
class TestScreenSaver {
 public:
  explicit TestScreenSaver(const std::string& bus)
      : bus_(ConnectToSessionBus(bus)), owned_(OwnName(bus_.get(), "org.gnome.ScreenSaver")) {}

  bool Ok() const { return owned_; }
  void SayActive(bool active) const {
    Emit(bus_.get(), "/org/gnome/ScreenSaver", "org.gnome.ScreenSaver", "ActiveChanged",
         g_variant_new("(b)", active));
  }

 private:
  BusConnection bus_;
  bool owned_;
};

// logind as the program sees it on the system bus: the caller's session
// ("auto"), its id, its path, and its LockedHint, which the test sets. The
// test's own main context serves the calls, so the test runs it (Serve)
// while it waits.
class TestLogind {
 public:
  explicit TestLogind(const std::string& bus) : bus_(ConnectToSessionBus(bus)) {
    if (bus_ == nullptr) {
      return;
    }
    info_ = g_dbus_node_info_new_for_xml(kInterfaces, nullptr);
    static const GDBusInterfaceVTable session = {
        nullptr, &TestLogind::SessionProperty, nullptr, {}};
    static const GDBusInterfaceVTable manager = {&TestLogind::ManagerCall, nullptr, nullptr, {}};
    for (const char* path : {"/org/freedesktop/login1/session/auto", kSessionPath}) {
      objects_.push_back(g_dbus_connection_register_object(bus_.get(), path, info_->interfaces[0],
                                                           &session, this, nullptr, nullptr));
    }
    objects_.push_back(g_dbus_connection_register_object(bus_.get(), "/org/freedesktop/login1",
                                                         info_->interfaces[1], &manager, this,
                                                         nullptr, nullptr));
    owned_ = OwnName(bus_.get(), "org.freedesktop.login1");
  }
  ~TestLogind() {
    for (const guint object : objects_) {
      g_dbus_connection_unregister_object(bus_.get(), object);
    }
    if (info_ != nullptr) {
      g_dbus_node_info_unref(info_);
    }
  }

  bool Ok() const { return owned_; }
  // The session's own path was asked for its LockedHint.
  bool HintAsked() const { return hint_asked_; }
  static void Serve() {
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
  }
  void SetLocked(bool locked) {
    locked_ = locked;
    GVariantBuilder changed;
    g_variant_builder_init(&changed, G_VARIANT_TYPE_VARDICT);
    g_variant_builder_add(&changed, "{sv}", "LockedHint", g_variant_new_boolean(locked));
    Emit(bus_.get(), kSessionPath, "org.freedesktop.DBus.Properties", "PropertiesChanged",
         g_variant_new("(sa{sv}as)", "org.freedesktop.login1.Session", &changed, nullptr));
  }

 private:
  static constexpr char kSessionPath[] = "/org/freedesktop/login1/session/c1";
  static constexpr char kInterfaces[] = R"(<node>
  <interface name="org.freedesktop.login1.Session">
    <property name="Id" type="s" access="read"/>
    <property name="LockedHint" type="b" access="read"/>
  </interface>
  <interface name="org.freedesktop.login1.Manager">
    <method name="GetSession"><arg type="s" direction="in"/><arg type="o" direction="out"/></method>
  </interface>
</node>)";

  static GVariant* SessionProperty(GDBusConnection*, const gchar*, const gchar* path, const gchar*,
                                   const gchar* name, GError**, gpointer self) {
    auto* logind = static_cast<TestLogind*>(self);
    if (g_strcmp0(name, "Id") == 0) {
      return g_variant_new_string("c1");
    }
    logind->hint_asked_ = logind->hint_asked_ || g_strcmp0(path, kSessionPath) == 0;
    return g_variant_new_boolean(logind->locked_);
  }
  static void ManagerCall(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                          GVariant* parameters, GDBusMethodInvocation* invocation, gpointer) {
    const gchar* id = nullptr;
    g_variant_get(parameters, "(&s)", &id);
    if (g_strcmp0(id, "c1") == 0) {
      g_dbus_method_invocation_return_value(invocation, g_variant_new("(o)", kSessionPath));
    } else {
      g_dbus_method_invocation_return_dbus_error(invocation, "org.freedesktop.login1.NoSuchSession",
                                                 "no such session");
    }
  }

  BusConnection bus_;
  GDBusNodeInfo* info_ = nullptr;
  std::vector<guint> objects_;
  bool owned_ = false;
  bool locked_ = false;
  bool hint_asked_ = false;
};

// The GNOME desktop as the portal checks use it: mutter's remote session is
// the witness, and its keys answer the dialog.
class GnomeWaylandNumLock : public testing::Test, public PortalDesktop {
 protected:
  void SetUp() override {
    ASSERT_FALSE(session_.Display().empty()) << "mutter did not start Xwayland:\n"
                                             << session_.Log();
    // mutter takes its names on the bus a moment after Xwayland is up.
    ASSERT_TRUE(WaitUntil(
        [&] {
          remote_ = std::make_unique<MutterRemoteInput>(session_.Bus());
          return remote_->Ok();
        },
        20s))
        << "no remote desktop session of mutter's:\n"
        << session_.Log();
  }

  const std::string& Display() const override { return session_.Display(); }
  const std::string& Authority() const override { return session_.Authority(); }
  std::vector<std::string> ProgramEnvironment(const std::string& state) const override {
    return {std::string("WAYLAND_DISPLAY=") + kWaylandDisplay,
            "DBUS_SESSION_BUS_ADDRESS=" + session_.Bus(), "XDG_STATE_HOME=" + state};
  }
  std::optional<bool> NumLock() const override { return remote_->NumLock(); }
  // "Allow Remote Interaction", then "Share".
  void Allow() const override {
    remote_->Chord({kAlt, 'i'});
    std::this_thread::sleep_for(300ms);
    remote_->Chord({kAlt, 's'});
  }
  void Refuse() const override { remote_->Chord({kEscape}); }
  std::string Log() const override { return session_.Log(); }

  // Nothing is pressed while `say(true)` holds; once `say(false)`, the
  // presses come back.
  void ExpectNoPressWhile(const std::function<void(bool)>& say, const std::string& what) const {
    say(true);
    std::this_thread::sleep_for(300ms);  // the signal on its way; a press may be under way
    std::optional<bool> last = NumLock();
    EXPECT_FALSE(WaitUntil([&] { return NumLock() != last; }, 3s)) << "pressed while " << what;
    say(false);
    last = NumLock();
    EXPECT_TRUE(WaitUntil([&] { return NumLock() != last; }, 1500ms)) << "no press after " << what;
  }

  GnomeWaylandSession session_;
  std::unique_ptr<MutterRemoteInput> remote_;
};

TEST_F(GnomeWaylandNumLock, AskedOnceThenTheCompositorsNumLockTogglesAndTheNextStartAsksNot) {
  CheckAskedOnceThenNumLockToggles(*this);
}

TEST_F(GnomeWaylandNumLock, ARefusalIsSaidInOneLineTheLampsRunOnAndTheNextStartDoesNotAsk) {
  CheckRefusalSaidInOneLine(*this);
}

// Nobody at the machine: a minute after the last input that was not the
// program's own (the dialog's answer) the presses rest, on a count that
// leaves Num Lock as it was at start, and mutter's idle time grows; a
// pointer move brings them back. Then, while GNOME's screen saver says it is
// active (as it does over the lock screen), and while logind says the
// program's session is locked, nothing is pressed; once each says otherwise,
// the presses come back. One long wait: the minute itself.
TEST_F(GnomeWaylandNumLock, PressesRestAloneForAMinuteUnderTheScreenSaverAndWhileLocked) {
  using Clock = std::chrono::steady_clock;
  const ScopedAuthority authority(Authority());
  DisplayClient x(Display());
  ASSERT_TRUE(x.Ok());
  const TestScreenSaver screen_saver(session_.Bus());
  ASSERT_TRUE(screen_saver.Ok());
  TemporaryFolder system_folder, config, state;
  const PrivateSessionBus system_bus(system_folder, {});
  TestLogind logind(system_bus.Address());
  ASSERT_TRUE(logind.Ok());
  std::vector<std::string> environment = ProgramEnvironment(state.Path());
  environment.push_back("DBUS_SYSTEM_BUS_ADDRESS=" + system_bus.Address());
  const std::optional<bool> at_start = NumLock();
  ASSERT_TRUE(at_start.has_value());
  ProgramProcess program(Display(), config.Path(), {}, environment);
  ASSERT_NE(program.WaitForMainWindow(x, /*framed=*/true), XCB_NONE);
  bool consented = false;
  for (const auto end = Clock::now() + 20s; !consented && Clock::now() < end;) {
    Allow();
    consented = WaitUntil(
        [&] {
          TestLogind::Serve();
          return NumLock() != at_start;
        },
        2s);
  }
  ASSERT_TRUE(consented) << program.Stderr() << Log();
  const auto answered = Clock::now();
  ASSERT_TRUE(WaitUntil(
      [&] {
        TestLogind::Serve();
        return logind.HintAsked();
      },
      5s));

  // Num Lock and mutter's idle time, every 100 ms, until the idle time is
  // past 15 s with Num Lock still for as long, or 100 s have gone.
  bool last = !*at_start;
  int changes = 1;
  auto last_change = answered;
  std::chrono::milliseconds idle{0};
  while (Clock::now() < answered + 100s) {
    std::this_thread::sleep_for(100ms);
    TestLogind::Serve();
    if (const std::optional<bool> now = NumLock(); now && *now != last) {
      last = *now;
      ++changes;
      last_change = Clock::now();
    }
    idle = remote_->IdleTime().value_or(idle);
    if (idle >= 15s && Clock::now() - last_change >= 15s) {
      break;
    }
  }
  EXPECT_GE(idle, 15s) << "mutter's idle time";
  EXPECT_GE(Clock::now() - last_change, 15s) << "Num Lock went on changing:\n" << program.Stderr();
  EXPECT_GE(last_change - answered, 50s) << "the presses rested before a minute alone";
  EXPECT_GE(changes, 40);
  EXPECT_EQ(NumLock(), at_start) << "Num Lock is not as it was at start";

  remote_->MovePointer();
  EXPECT_TRUE(WaitUntil([&] { return NumLock() != at_start; }, 3s)) << "no press after the move";
  const auto idle_after_move = remote_->IdleTime();
  ASSERT_TRUE(idle_after_move.has_value());
  EXPECT_LT(*idle_after_move, 3s) << "mutter did not count the pointer move";

  ExpectNoPressWhile([&](bool on) { screen_saver.SayActive(on); }, "the screen saver is active");
  ExpectNoPressWhile([&](bool on) { logind.SetLocked(on); }, "logind says the session is locked");
  EXPECT_EQ(program.Stderr(), "");
}

}  // namespace
