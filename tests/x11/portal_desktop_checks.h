// What the Num Lock tests of Wayland desktops share: a private session bus
// for the desktop and its portal, and the checks every desktop's portal route
// must pass, run against what each desktop gives the test (its own witness
// of the compositor's Num Lock, and keys that answer the portal's dialog).
#pragma once

#include <gio/gio.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "x11_test_support.h"

namespace testing_support {

// A session bus of the test's own, its socket in a private runtime folder
// made in `folder`; everything it starts sees `environment` with that folder
// and the bus's address, as the desktop it serves does (Environment()).
class PrivateSessionBus {
 public:
  PrivateSessionBus(const TemporaryFolder& folder, std::vector<std::string> environment);
  const std::string& Runtime() const { return runtime_; }
  const std::string& Address() const { return address_; }
  const std::vector<std::string>& Environment() const { return environment_; }
  std::string Log() const { return ReadFile(log_); }

 private:
  std::string runtime_, address_, log_;
  std::vector<std::string> environment_;
  std::unique_ptr<ChildProcess> daemon_;
};

// A connection to the bus at `address`; nullptr when there is none.
using BusConnection = std::unique_ptr<GDBusConnection, void (*)(gpointer)>;
BusConnection ConnectToSessionBus(const std::string& address);

// A Wayland desktop with its Xwayland and its portal, as the checks use it.
class PortalDesktop {
 public:
  virtual ~PortalDesktop() = default;
  virtual const std::string& Display() const = 0;
  virtual const std::string& Authority() const = 0;
  // The program's environment on this session, its state kept in `state`.
  virtual std::vector<std::string> ProgramEnvironment(const std::string& state) const = 0;
  // The compositor's own Num Lock; nullopt while it cannot be seen.
  virtual std::optional<bool> NumLock() const = 0;
  // Keys to the portal's dialog, sent again and again until it is answered.
  virtual void Allow() const = 0;
  virtual void Refuse() const = 0;
  virtual std::string Log() const = 0;
  // What the program says on stderr at a start with consent: nothing where
  // it can read the desktop's idle clock.
  virtual std::string SaidWithConsent() const { return ""; }
};

// Consent once, the compositor's Num Lock toggling at the blinker's ticks,
// a second start with the kept token asking nobody, and no thread or open
// file more from one press to the next.
void CheckAskedOnceThenNumLockToggles(const PortalDesktop& desktop);
// A refusal said in one line, the lamps running on, a clean exit, and the
// next start not asking.
void CheckRefusalSaidInOneLine(const PortalDesktop& desktop);

}  // namespace testing_support
