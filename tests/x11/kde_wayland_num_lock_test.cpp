// Num Lock on a KDE Plasma Wayland session, where the program is an Xwayland
// client: the same portal route as GNOME's, answered by KDE's portal back end.
// kwin runs virtual with its Xwayland on a session bus of the test's own,
// whose activation environment says what a Plasma session says, so that the
// bus starts xdg-desktop-portal with KDE's back end. kwin publishes its Num
// Lock nowhere, so the witness is a Wayland window of the test's own holding
// the keyboard focus; a KWin script gives the focus back to it whenever the
// program's window takes it. The keys that answer KDE's dialog (Return
// allows, Escape refuses) come from kwin's own emulated input.
#include <gio/gio.h>
#include <gio/gunixfdlist.h>
#include <poll.h>

#include <cstdio>
#include <sstream>

#include "platform/wayland_keys/emulated_keyboard.h"
#include "portal_desktop_checks.h"
#include "wayland_keyboard_witness.h"

namespace {

using namespace testing_support;

constexpr char kWaylandDisplay[] = "varn-kde";
constexpr char kWitnessTitle[] = "varn-num-lock-witness";
constexpr unsigned kEnter = 28, kEscape = 1;  // evdev key codes

// When the program's window becomes active (as kwin makes every new X11
// window), the witness is made active again.
constexpr char kFocusScript[] = R"(
workspace.windowActivated.connect(function (window) {
  if (window && window.caption.indexOf("BRELLOCK - VARN-ON") >= 0) {
    const witness = workspace.windowList().find(function (w) { return w.caption == "%s"; });
    if (witness) { workspace.activeWindow = witness; }
  }
});
)";

// A keyboard from kwin's own emulated input, which asks nobody: the
// program's keyboard route, driven by the test.
class KwinKeyboard : public platform::x11::KeyboardListener {
 public:
  explicit KwinKeyboard(GDBusConnection* bus) {
    GUnixFDList* files = nullptr;
    GVariant* reply = g_dbus_connection_call_with_unix_fd_list_sync(
        bus, "org.kde.KWin", "/org/kde/KWin/EIS/RemoteDesktop", "org.kde.KWin.EIS.RemoteDesktop",
        "connectToEIS", g_variant_new("(i)", 1), G_VARIANT_TYPE("(hi)"), G_DBUS_CALL_FLAGS_NONE,
        5000, nullptr, &files, nullptr, nullptr);
    if (reply != nullptr && files != nullptr) {
      gint32 handle = 0, cookie = 0;
      g_variant_get(reply, "(hi)", &handle, &cookie);
      if (const int fd = g_unix_fd_list_get(files, handle, nullptr); fd >= 0) {
        keyboard_ = std::make_unique<platform::x11::EmulatedKeyboard>(fd, *this);
      }
    }
    if (files != nullptr) {
      g_object_unref(files);
    }
    if (reply != nullptr) {
      g_variant_unref(reply);
    }
  }

  bool Ok() const { return keyboard_ != nullptr && lost_.empty(); }
  const std::string& Lost() const { return lost_; }

  // Pressed once kwin lets the keyboard emulate; until then the press is lost,
  // and the caller presses again.
  void Press(unsigned evdev_code) {
    Pump();
    if (Ok()) {
      keyboard_->PressKey(evdev_code);
    }
    Pump();
  }

  void OnKeyboardLost(const std::string& why) override { lost_ = why; }

 private:
  void Pump() {
    pollfd readable{keyboard_ ? keyboard_->Fd() : -1, POLLIN, 0};
    while (Ok() && readable.fd >= 0 && poll(&readable, 1, 50) > 0) {
      keyboard_->OnReadable();
      readable.fd = keyboard_->Fd();
    }
  }

  std::unique_ptr<platform::x11::EmulatedKeyboard> keyboard_;
  std::string lost_;
};

// What a Plasma session tells its programs. kwin needs it too: it lets KDE's
// portal have kwin's screen casts (which its remote desktop sessions need)
// only once it finds the portal's desktop entry, and it finds no desktop
// entry at all without Plasma's menu.
const std::vector<std::string> kPlasmaSession{"XDG_CURRENT_DESKTOP=KDE", "KDE_FULL_SESSION=true",
                                              "KDE_SESSION_VERSION=6", "XDG_MENU_PREFIX=plasma-",
                                              "XDG_SESSION_TYPE=wayland"};

std::vector<std::string> Joined(std::vector<std::string> first,
                                const std::vector<std::string>& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

// kwin_wayland virtual with Xwayland on a private session bus whose
// activation environment is a Plasma session's.
class KdeWaylandSession {
 public:
  KdeWaylandSession()
      : bus_(folder_, Joined(kPlasmaSession, {std::string("WAYLAND_DISPLAY=") + kWaylandDisplay,
                                              "XDG_CONFIG_HOME=" + folder_.File("config"),
                                              "XDG_DATA_HOME=" + folder_.File("data"),
                                              "XDG_CACHE_HOME=" + folder_.File("cache"), "DISPLAY",
                                              "XAUTHORITY"})) {
    const std::string runtime = bus_.Runtime();
    // The services the bus starts (the portal and its KDE back end, a Qt
    // program) see the session as a Plasma session's startup sets it.
    activated_ = RunCommand(Joined({"env", "DBUS_SESSION_BUS_ADDRESS=" + bus_.Address(),
                                    "dbus-update-activation-environment", "QT_QPA_PLATFORM=wayland",
                                    std::string("WAYLAND_DISPLAY=") + kWaylandDisplay,
                                    "XDG_RUNTIME_DIR=" + runtime},
                                   kPlasmaSession)) == 0;
    // kwin starts the program named after its options once Xwayland is up,
    // with the X display and its key in the environment: this one writes
    // them down.
    const std::string xwayland = runtime + "/xwayland", reporter = folder_.File("report-xwayland");
    WriteFile(reporter, "#!/bin/sh\nprintf '%s\\n%s\\n' \"$DISPLAY\" \"$XAUTHORITY\" >" + xwayland +
                            ".new && mv " + xwayland + ".new " + xwayland + "\n");
    std::filesystem::permissions(reporter, std::filesystem::perms::owner_all);
    kwin_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{"kwin_wayland", "--virtual", "--xwayland", "--socket",
                                 kWaylandDisplay, "--width", "1280", "--height", "1024", reporter},
        bus_.Environment(), folder_.File("kwin-log"));
    WaitUntil([&] { return std::filesystem::exists(xwayland); }, 30s);
    std::istringstream written(ReadFile(xwayland));
    std::getline(written, display_);
    std::getline(written, authority_);
  }

  bool Activated() const { return activated_; }  // the activation environment set
  const std::string& Display() const { return display_; }
  const std::string& Authority() const { return authority_; }
  const std::string& Bus() const { return bus_.Address(); }
  GDBusConnection* Connection() const { return connection_.get(); }
  std::string WaylandSocket() const { return bus_.Runtime() + "/" + kWaylandDisplay; }
  std::string Log() const {
    return ReadFile(folder_.File("pipewire-log")) + ReadFile(folder_.File("kwin-log")) + bus_.Log();
  }

  // Loads and starts the script that gives the focus back to the witness.
  bool GiveFocusBackToTheWitness() const {
    const std::string script = folder_.File("witness-focus.js");
    std::vector<char> text(sizeof kFocusScript + sizeof kWitnessTitle);
    std::snprintf(text.data(), text.size(), kFocusScript, kWitnessTitle);
    WriteFile(script, text.data());
    const auto call = [&](const char* method, GVariant* arguments) {
      GVariant* reply = g_dbus_connection_call_sync(
          connection_.get(), "org.kde.KWin", "/Scripting", "org.kde.kwin.Scripting", method,
          arguments, nullptr, G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr);
      if (reply != nullptr) {
        g_variant_unref(reply);
      }
      return reply != nullptr;
    };
    return call("loadScript", g_variant_new("(ss)", script.c_str(), "varn-witness-focus")) &&
           call("start", nullptr);
  }

 private:
  TemporaryFolder folder_;
  PrivateSessionBus bus_;  // made first, gone last
  std::unique_ptr<ChildProcess> kwin_;
  bool activated_ = false;
  std::string display_, authority_;
  BusConnection connection_ = ConnectToSessionBus(bus_.Address());
};

class KdeWaylandNumLock : public testing::Test, public PortalDesktop {
 protected:
  void SetUp() override {
    ASSERT_TRUE(session_.Activated()) << "dbus-update-activation-environment failed";
    ASSERT_FALSE(session_.Display().empty()) << "kwin did not start Xwayland:\n" << session_.Log();
    ASSERT_NE(session_.Connection(), nullptr);
    // kwin takes its name on the bus a moment after Xwayland is up.
    ASSERT_TRUE(WaitUntil([&] { return session_.GiveFocusBackToTheWitness(); }, 20s))
        << "kwin did not load the script:\n"
        << session_.Log();
    witness_ = std::make_unique<WaylandKeyboardWitness>(session_.WaylandSocket(), kWitnessTitle);
    ASSERT_TRUE(witness_->Connected()) << session_.Log();
    ASSERT_TRUE(WaitUntil([&] { return witness_->NumLock().has_value(); }, 20s))
        << "the witness has no keyboard focus:\n"
        << session_.Log();
    keyboard_ = std::make_unique<KwinKeyboard>(session_.Connection());
    ASSERT_TRUE(keyboard_->Ok()) << "no keyboard from kwin: " << keyboard_->Lost() << "\n"
                                 << session_.Log();
  }

  const std::string& Display() const override { return session_.Display(); }
  const std::string& Authority() const override { return session_.Authority(); }
  std::vector<std::string> ProgramEnvironment(const std::string& state) const override {
    return {std::string("WAYLAND_DISPLAY=") + kWaylandDisplay,
            "DBUS_SESSION_BUS_ADDRESS=" + session_.Bus(), "XDG_CURRENT_DESKTOP=KDE",
            "XDG_STATE_HOME=" + state};
  }
  std::optional<bool> NumLock() const override { return witness_->NumLock(); }
  void Allow() const override { keyboard_->Press(kEnter); }
  void Refuse() const override { keyboard_->Press(kEscape); }
  std::string Log() const override { return session_.Log(); }
  // KDE's Wayland sessions tell no idle time on the session bus (their
  // org.freedesktop.ScreenSaver refuses GetSessionIdleTime there), so the
  // program presses as ever and says so.
  std::string SaidWithConsent() const override {
    return "brellock-varn-on: this Wayland session's idle clock is not read, so Num Lock is "
           "pressed even while nobody is at the machine\n";
  }

  KdeWaylandSession session_;
  std::unique_ptr<WaylandKeyboardWitness> witness_;
  std::unique_ptr<KwinKeyboard> keyboard_;
};

TEST_F(KdeWaylandNumLock, AskedOnceThenTheCompositorsNumLockTogglesAndTheNextStartAsksNot) {
  CheckAskedOnceThenNumLockToggles(*this);
}

TEST_F(KdeWaylandNumLock, ARefusalIsSaidInOneLineTheLampsRunOnAndTheNextStartDoesNotAsk) {
  CheckRefusalSaidInOneLine(*this);
}

}  // namespace
