// The desktop's double-click time and distance, from its XSETTINGS manager
// (GNOME, Xfce and KDE sessions run one), followed as the manager changes
// them, comes or goes. Without a manager the defaults hold.
#pragma once

#include <xcb/xcb.h>

#include <optional>

#include "platform/input/double_click.h"

namespace platform::x11 {

class Display;

class DesktopSettings {
 public:
  // Asks for what it needs and waits for nothing.
  explicit DesktopSettings(Display& display);
  ~DesktopSettings();
  DesktopSettings(const DesktopSettings&) = delete;
  DesktopSettings& operator=(const DesktopSettings&) = delete;

  DoubleClickLimits DoubleClick();

  // True for the events about the manager: a new one, its settings changed,
  // or its window gone.
  bool OnEvent(const xcb_generic_event_t& event);

 private:
  void TakeAtoms();
  void Watch(xcb_window_t owner);
  void AskForSettings();
  void TakeAnswers();
  void Forget();

  Display& display_;
  std::optional<xcb_intern_atom_cookie_t> selection_cookie_, settings_cookie_, manager_cookie_;
  std::optional<xcb_get_selection_owner_cookie_t> owner_cookie_;
  std::optional<xcb_get_property_cookie_t> settings_value_cookie_;
  xcb_atom_t selection_ = XCB_NONE, settings_ = XCB_NONE, manager_ = XCB_NONE;
  xcb_window_t owner_ = XCB_NONE;
  DoubleClickLimits limits_;
};

}  // namespace platform::x11
