// Where a top-level window stands and how big it is, in twips of the outer
// rectangle, kept true through the window manager's frame: the program sets
// and reads the outer rectangle; X places the client inside the frame. The
// frame is learnt from _NET_FRAME_EXTENTS, the client's place from the
// ConfigureNotify reports of the window manager or the server.
#pragma once

#include <xcb/xcb.h>

#include <optional>

#include "platform/design.h"
#include "platform/twips.h"
#include "platform/x11/placement/frame_extents.h"

namespace platform::x11 {

class Display;

class WindowPlacement {
 public:
  // Where a new window of this design goes before the program places it:
  // centred, or an inch in from the corner.
  WindowPlacement(const Display& display, const FormDesign& design, double twips_per_pixel);
  // The client window, created at ClientX(), ClientY() with the client size.
  void Attach(xcb_connection_t* connection, xcb_window_t root, xcb_window_t window);

  int ClientX() const { return outer_left_ + frame_.left; }
  int ClientY() const { return outer_top_ + frame_.top; }
  int ClientWidth() const { return client_width_; }
  int ClientHeight() const { return client_height_; }

  Twips Left() const;
  Twips Top() const;
  Twips Width() const;
  Twips Height() const;
  void SetLeft(Twips value);
  void SetTop(Twips value);
  void SetWidth(Twips value);
  void SetHeight(Twips value);

  // Just before the window maps, with the frame if the window manager has
  // said which it will draw.
  void BeforeMap(std::optional<FrameExtents> frame);
  // The attached window's ConfigureNotify, MapNotify, ReparentNotify and
  // _NET_FRAME_EXTENTS changes; other events are left alone.
  void OnStructureEvent(xcb_ewmh_connection_t& ewmh, const xcb_generic_event_t& event);

 private:
  void OnConfigureNotify(const xcb_configure_notify_event_t& event, bool sent);
  void OnFrameExtents(const FrameExtents& frame);
  void PlaceClient();                       // puts the client where the outer rectangle asks
  void SendPlace();                         // tells the server where it was put
  void OnClientMoved(int x, int y);         // in root coordinates
  bool ClientOrigin(int& x, int& y) const;  // in root coordinates

  double twips_per_pixel_;
  xcb_connection_t* connection_ = nullptr;
  xcb_window_t root_ = XCB_NONE;
  xcb_window_t window_ = XCB_NONE;
  FrameExtents frame_;
  bool shown_ = false;
  bool frame_learnt_after_map_ = false;
  // The window manager (or, without one, the server) has said where the
  // client is since the program last placed it; until then it stands where
  // it was asked to.
  bool stands_placed_ = false;
  bool mapped_ = false;             // the window manager has mapped it
  xcb_window_t parent_ = XCB_NONE;  // the root, or the window manager's frame
  // The outer rectangle the program last asked for, in pixels.
  int outer_left_ = 0, outer_top_ = 0, client_width_ = 1, client_height_ = 1;
  int placed_x_ = 0, placed_y_ = 0;           // where the client was last put
  int left_place_x_ = 0, left_place_y_ = 0;   // and where it was put before
  int actual_width_ = 1, actual_height_ = 1;  // the client size as the server has it
  TwipsCoordinate left_, top_;
  TwipsCoordinate width_{kDesignFrameWidth}, height_{kDesignFrameHeight};
};

}  // namespace platform::x11
