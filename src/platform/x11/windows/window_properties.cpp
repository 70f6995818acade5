// ICCCM and EWMH properties of the top-level windows.
#include "platform/x11/windows/window_properties.h"

#include <unistd.h>
#include <xcb/xcb_ewmh.h>
#include <xcb/xcb_icccm.h>

#include <array>
#include <climits>
#include <cstring>
#include <vector>

#include "platform/x11/connection/x11_display.h"
#include "platform/x11/connection/xcb_owners.h"
#include "platform/x11/icon/embedded_assets.h"
#include "platform/x11/icon/icon_image.h"

namespace platform::x11 {

namespace {

// Motif window-manager hints: move, resize and close, with a border, a title
// and a window menu; no minimise or maximise button.
constexpr std::array<std::uint32_t, 5> kMotifHints = {
    1 | 2,           // functions and decorations given
    2 | 4 | 32,      // resize, move, close
    2 | 4 | 8 | 16,  // border, resize handles, title, menu
    0, 0};

}  // namespace

void SetToolWindowProperties(Display& display, xcb_window_t window, const FormDesign& design) {
  xcb_connection_t* c = display.Connection();
  xcb_ewmh_connection_t& ewmh = display.Ewmh();
  const Atoms& atoms = display.Atom();

  const auto caption_length = static_cast<std::uint32_t>(design.caption.size());
  xcb_icccm_set_wm_name(c, window, XCB_ATOM_STRING, 8, caption_length, design.caption.data());
  xcb_ewmh_set_wm_name(&ewmh, window, caption_length, design.caption.data());
  constexpr char kClass[] = "brellock-varn-on\0BRELLOCK-VARN-ON";
  xcb_icccm_set_wm_class(c, window, sizeof kClass, kClass);
  xcb_atom_t protocols[] = {atoms.wm_delete_window};
  xcb_icccm_set_wm_protocols(c, window, atoms.wm_protocols, 1, protocols);

  xcb_icccm_wm_hints_t hints{};
  xcb_icccm_wm_hints_set_input(&hints, 1);
  xcb_icccm_wm_hints_set_normal(&hints);
  xcb_icccm_set_wm_hints(c, window, &hints);

  char host[HOST_NAME_MAX + 1] = {};
  if (gethostname(host, sizeof host - 1) == 0) {
    xcb_icccm_set_wm_client_machine(c, window, XCB_ATOM_STRING, 8,
                                    static_cast<std::uint32_t>(std::strlen(host)), host);
    xcb_ewmh_set_wm_pid(&ewmh, window, static_cast<std::uint32_t>(getpid()));
  }
  // A client sets _NET_WM_STATE itself only while the window is withdrawn.
  xcb_atom_t type = ewmh._NET_WM_WINDOW_TYPE_UTILITY;
  xcb_ewmh_set_wm_window_type(&ewmh, window, 1, &type);
  xcb_atom_t states[] = {ewmh._NET_WM_STATE_SKIP_TASKBAR, ewmh._NET_WM_STATE_SKIP_PAGER};
  xcb_ewmh_set_wm_state(&ewmh, window, 2, states);
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, atoms.motif_wm_hints, atoms.motif_wm_hints,
                      32, kMotifHints.size(), kMotifHints.data());
}

void SetWindowIcon(Display& display, xcb_window_t window, std::string_view icon_name) {
  if (icon_name.empty()) {
    return;
  }
  std::vector<std::uint32_t> icon = IconPixels(EmbeddedAsset(icon_name));
  if (!icon.empty()) {
    xcb_ewmh_set_wm_icon(&display.Ewmh(), XCB_PROP_MODE_REPLACE, window,
                         static_cast<std::uint32_t>(icon.size()), icon.data());
  }
}

void SetModalDialogProperties(Display& display, xcb_window_t window, xcb_window_t owner) {
  xcb_ewmh_connection_t& ewmh = display.Ewmh();
  xcb_icccm_set_wm_transient_for(display.Connection(), window, owner);
  xcb_atom_t type = ewmh._NET_WM_WINDOW_TYPE_DIALOG;
  xcb_ewmh_set_wm_window_type(&ewmh, window, 1, &type);
  xcb_atom_t states[] = {ewmh._NET_WM_STATE_SKIP_TASKBAR, ewmh._NET_WM_STATE_MODAL};
  xcb_ewmh_set_wm_state(&ewmh, window, 2, states);
}

bool IsIconic(Display& display, xcb_window_t window) {
  xcb_connection_t* c = display.Connection();
  const xcb_atom_t wm_state = display.Atom().wm_state;
  const auto reply =
      Take(xcb_get_property_reply, c, xcb_get_property(c, 0, window, wm_state, wm_state, 0, 1));
  constexpr std::uint32_t kIconicState = 3;
  return reply && xcb_get_property_value_length(reply.get()) >= 4 &&
         *static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get())) == kIconicState;
}

}  // namespace platform::x11
