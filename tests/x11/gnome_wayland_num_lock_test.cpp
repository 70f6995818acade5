// Num Lock on a GNOME Wayland session, where the program is an Xwayland
// client: it goes through the desktop's RemoteDesktop portal, which asks the
// user once. mutter runs headless with its Xwayland, on a session bus of the
// test's own whose portal (xdg-desktop-portal with its GNOME back end) is
// started by the bus. The witness is the compositor itself: mutter's own
// remote desktop session reports its Num Lock state, and sends the keys
// that answer the portal's dialog.
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
  explicit MutterRemoteInput(const std::string& bus) {
    bus_ = ConnectToSessionBus(bus);
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

// The GNOME desktop as the portal checks use it: mutter's remote session is
// the witness, and its keys answer the dialog.
class GnomeWaylandNumLock : public testing::Test, public PortalDesktop {
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

  GnomeWaylandSession session_;
  std::unique_ptr<MutterRemoteInput> remote_;
};

TEST_F(GnomeWaylandNumLock, AskedOnceThenTheCompositorsNumLockTogglesAndTheNextStartAsksNot) {
  CheckAskedOnceThenNumLockToggles(*this);
}

TEST_F(GnomeWaylandNumLock, ARefusalIsSaidInOneLineTheLampsRunOnAndTheNextStartDoesNotAsk) {
  CheckRefusalSaidInOneLine(*this);
}

}  // namespace
