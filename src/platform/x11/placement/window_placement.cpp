// A top-level window's place and size through the window manager's frame.
#include "platform/x11/placement/window_placement.h"

#include <xcb/xcb_icccm.h>

#include <algorithm>
#include <utility>

#include "platform/x11/connection/x11_display.h"
#include "platform/x11/connection/xcb_owners.h"

namespace platform::x11 {

WindowPlacement::WindowPlacement(const Display& display, const FormDesign& design,
                                 double twips_per_pixel)
    : twips_per_pixel_(twips_per_pixel) {
  client_width_ = std::max(1, TwipsToPixels(design.client_width, twips_per_pixel_));
  client_height_ = std::max(1, TwipsToPixels(design.client_height, twips_per_pixel_));
  actual_width_ = client_width_;
  actual_height_ = client_height_;
  if (design.start_position == StartPosition::CentreScreen) {
    outer_left_ = (display.Screen().width_in_pixels - client_width_) / 2;
    outer_top_ = (display.Screen().height_in_pixels - client_height_) / 2;
  } else {
    outer_left_ = outer_top_ = TwipsToPixels(1440, twips_per_pixel_);
  }
}

void WindowPlacement::Attach(xcb_connection_t* connection, xcb_window_t root, xcb_window_t window) {
  connection_ = connection;
  root_ = parent_ = root;
  window_ = window;
}

// The client goes where the outer rectangle asks, inside the frame the
// window manager said it draws. A window not shown yet is seen by nobody:
// it is only moved once, as it maps (BeforeMap), so the window manager has
// no requests to pass on for it meanwhile.
void WindowPlacement::PlaceClient() {
  const int x = ClientX();
  const int y = ClientY();
  if (x != placed_x_ || y != placed_y_) {
    left_place_x_ = std::exchange(placed_x_, x);
    left_place_y_ = std::exchange(placed_y_, y);
  }
  stands_placed_ = false;
  actual_width_ = client_width_;
  actual_height_ = client_height_;
  if (shown_) {
    SendPlace();
  }
}

void WindowPlacement::SendPlace() {
  const std::uint32_t values[] = {
      static_cast<std::uint32_t>(placed_x_), static_cast<std::uint32_t>(placed_y_),
      static_cast<std::uint32_t>(client_width_), static_cast<std::uint32_t>(client_height_)};
  xcb_configure_window(connection_, window_,
                       XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH |
                           XCB_CONFIG_WINDOW_HEIGHT,
                       values);
}

// Until the window manager has said where it put the client, the window
// stands where the program asked, whatever a read would say: a window
// manager still taking the window on (reparenting it into a frame that has
// not moved yet) would give a place nobody chose.
bool WindowPlacement::ClientOrigin(int& x, int& y) const {
  x = placed_x_;
  y = placed_y_;
  if (!shown_ || !stands_placed_) {
    return true;
  }
  const auto reply = Take(xcb_translate_coordinates_reply, connection_,
                          xcb_translate_coordinates(connection_, window_, root_, 0, 0));
  if (!reply) {
    return false;
  }
  x = reply->dst_x;
  y = reply->dst_y;
  return true;
}

// The window manager's own report (sent) is in root coordinates; the
// server's is in the parent's, the root's only while unframed.
void WindowPlacement::OnStructureEvent(xcb_ewmh_connection_t& ewmh,
                                       const xcb_generic_event_t& event) {
  switch (event.response_type & 0x7F) {
    case XCB_CONFIGURE_NOTIFY:
      if (const auto& configure = reinterpret_cast<const xcb_configure_notify_event_t&>(event);
          configure.window == window_) {
        OnConfigureNotify(configure, (event.response_type & 0x80) != 0);
      }
      return;
    case XCB_MAP_NOTIFY:
      if (reinterpret_cast<const xcb_map_notify_event_t&>(event).window == window_) {
        mapped_ = true;
      }
      return;
    case XCB_REPARENT_NOTIFY:
      if (const auto& reparent = reinterpret_cast<const xcb_reparent_notify_event_t&>(event);
          reparent.window == window_) {
        parent_ = reparent.parent;
      }
      return;
    case XCB_PROPERTY_NOTIFY:
      if (IsFrameExtentsChange(ewmh, event, window_)) {
        if (const std::optional<FrameExtents> frame = ReadFrameExtents(ewmh, window_)) {
          OnFrameExtents(*frame);
        }
      }
      return;
    default:
      return;
  }
}

void WindowPlacement::OnConfigureNotify(const xcb_configure_notify_event_t& event, bool sent) {
  actual_width_ = event.width;
  actual_height_ = event.height;
  if (sent || parent_ == root_) {
    OnClientMoved(event.x, event.y);
  }
}

// Where the client now stands, in root coordinates. Once the window is
// mapped, the window stands where it is said to be: placed as asked, or
// elsewhere by the window manager of its own accord (kept on screen, say), or
// moved by the user. A report of the place the program has just moved it from
// does not count: it may have been sent before the window manager took the
// move (kwin does, after the frame it learns at mapping moves the client).
// Before mapping, only a report of the place asked for counts.
void WindowPlacement::OnClientMoved(int x, int y) {
  const bool at_place = x == placed_x_ && y == placed_y_;
  const bool at_left_place = x == left_place_x_ && y == left_place_y_;
  stands_placed_ = stands_placed_ || at_place || (mapped_ && !at_left_place);
}

// The first frame learnt after mapping places the client again, wherever a
// read would say it is, so that the outer corner is where it was asked to
// be. Later, a frame that changes while the window stands where the program
// put it (a new theme, say) moves the client so that the outer corner stays;
// once the user has moved the window, the client stays where it is, as
// window managers keep it.
void WindowPlacement::OnFrameExtents(const FrameExtents& frame) {
  if (frame == frame_) {
    return;
  }
  int x = 0, y = 0;
  const bool first_after_map = shown_ && !frame_learnt_after_map_;
  const bool unmoved = !shown_ || (ClientOrigin(x, y) && x == placed_x_ && y == placed_y_);
  frame_ = frame;
  frame_learnt_after_map_ = frame_learnt_after_map_ || shown_;
  if (first_after_map || unmoved) {
    PlaceClient();
  }
}

// Where the window manager answers, the frame is known before the window is
// first seen, so it shows at once where it belongs instead of jumping there.
// Elsewhere it maps at once, and the frame learnt later places it. Static
// gravity asks the window manager to put the client itself at its place,
// whatever its frame.
void WindowPlacement::BeforeMap(std::optional<FrameExtents> frame) {
  if (frame) {
    frame_ = *frame;
  }
  PlaceClient();
  xcb_size_hints_t hints{};
  xcb_icccm_size_hints_set_position(&hints, 1, placed_x_, placed_y_);
  xcb_icccm_size_hints_set_size(&hints, 1, client_width_, client_height_);
  xcb_icccm_size_hints_set_win_gravity(&hints, XCB_GRAVITY_STATIC);
  xcb_icccm_set_wm_normal_hints(connection_, window_, &hints);
  SendPlace();
  shown_ = true;
}

Twips WindowPlacement::Left() const {
  int x = 0, y = 0;
  ClientOrigin(x, y);
  return left_.Read(x - frame_.left, twips_per_pixel_);
}
Twips WindowPlacement::Top() const {
  int x = 0, y = 0;
  ClientOrigin(x, y);
  return top_.Read(y - frame_.top, twips_per_pixel_);
}
Twips WindowPlacement::Width() const {
  return width_.Read(actual_width_, twips_per_pixel_);
}
Twips WindowPlacement::Height() const {
  return height_.Read(actual_height_, twips_per_pixel_);
}

void WindowPlacement::SetLeft(Twips value) {
  outer_left_ = left_.Assign(value, twips_per_pixel_);
  PlaceClient();
}
void WindowPlacement::SetTop(Twips value) {
  outer_top_ = top_.Assign(value, twips_per_pixel_);
  PlaceClient();
}
// X has no empty windows: a size of nothing is one pixel.
void WindowPlacement::SetWidth(Twips value) {
  client_width_ = std::max(1, width_.Assign(value, twips_per_pixel_));
  PlaceClient();
}
void WindowPlacement::SetHeight(Twips value) {
  client_height_ = std::max(1, height_.Assign(value, twips_per_pixel_));
  PlaceClient();
}

}  // namespace platform::x11
