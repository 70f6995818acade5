#include "platform/x11/x11_window.h"

#include <unistd.h>
#include <xcb/xcb_ewmh.h>
#include <xcb/xcb_icccm.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/x11/control_art.h"
#include "platform/x11/embedded_assets.h"
#include "platform/x11/icon_image.h"
#include "platform/x11/x11_backend.h"

namespace platform::x11 {

namespace {

// Key symbols the windows answer to.
constexpr xcb_keysym_t kTab = 0xff09, kLeftTab = 0xfe20, kReturn = 0xff0d, kKeypadEnter = 0xff8d;
constexpr xcb_keysym_t kSpace = 0x20, kLeft = 0xff51, kRight = 0xff53, kUp = 0xff52, kDown = 0xff54,
                       kHome = 0xff50, kEnd = 0xff57, kInsert = 0xff63;

constexpr xcb_timestamp_t kDoubleClickTime = 500;  // ms, the Windows default
constexpr int kDoubleClickDistance = 4;            // pixels either way

// Motif window-manager hints: move, resize and close, with a border, a title
// and a window menu; no minimise or maximise button.
constexpr std::array<std::uint32_t, 5> kMotifHints = {
    1 | 2,           // functions and decorations given
    2 | 4 | 32,      // resize, move, close
    2 | 4 | 8 | 16,  // border, resize handles, title, menu
    0, 0};

std::string WithUnixLineEnds(std::string_view text) {
  std::string result;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
      result += text[i];
    }
  }
  return result;
}

bool IsWordCharacter(char character) {
  return character != ' ' && character != '\n' && character != '\t';
}

}  // namespace

X11Window::X11Window(X11Backend& backend, const FormDesign& design, WindowEvents& events)
    : backend_(backend), design_(design), events_(events) {
  xcb_connection_t* c = backend_.Connection();
  const Display& x = backend_.X();
  const double tpp = TwipsPerPixel();
  client_width_ = std::max(1, TwipsToPixels(design_.client_width, tpp));
  client_height_ = std::max(1, TwipsToPixels(design_.client_height, tpp));
  actual_width_ = client_width_;
  actual_height_ = client_height_;
  if (design_.start_position == StartPosition::CentreScreen) {
    outer_left_ = (x.Screen().width_in_pixels - client_width_) / 2;
    outer_top_ = (x.Screen().height_in_pixels - client_height_) / 2;
  } else {
    outer_left_ = outer_top_ = TwipsToPixels(1440, tpp);  // an inch in from the corner
  }

  window_ = OwnedWindow(c, xcb_generate_id(c));
  parent_ = x.Root();
  // Keys only where a control can take them: the main window would
  // otherwise be woken by every Num Lock press it makes.
  const bool takes_keys = std::ranges::any_of(
      design_.controls, [](const ControlDesign& control) { return control.takes_focus; });
  const std::uint32_t values[] = {x.PixelOf(design_.back_colour.value_or(kFaceColour)),
                                  XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE |
                                      (takes_keys ? std::uint32_t{XCB_EVENT_MASK_KEY_PRESS} : 0u)};
  xcb_create_window(c, XCB_COPY_FROM_PARENT, window_.Id(), x.Root(), outer_left_, outer_top_,
                    static_cast<std::uint16_t>(client_width_),
                    static_cast<std::uint16_t>(client_height_), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                    XCB_COPY_FROM_PARENT, XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
  SetProperties();
  CreateControls();
  if (backend_.FrameExtentsRequestsAnswered()) {
    xcb_ewmh_request_frame_extents(&backend_.X().Ewmh(), 0, window_.Id());
  }
  backend_.Register(this);
}

X11Window::~X11Window() {
  backend_.Unregister(this);
  controls_.clear();
  window_.Reset();
  xcb_flush(backend_.Connection());
}

void X11Window::SetProperties() {
  xcb_connection_t* c = backend_.Connection();
  xcb_ewmh_connection_t& ewmh = backend_.X().Ewmh();
  const Atoms& atoms = backend_.X().Atom();
  const xcb_window_t id = window_.Id();

  const auto caption_length = static_cast<std::uint32_t>(design_.caption.size());
  xcb_icccm_set_wm_name(c, id, XCB_ATOM_STRING, 8, caption_length, design_.caption.data());
  xcb_ewmh_set_wm_name(&ewmh, id, caption_length, design_.caption.data());
  constexpr char kClass[] = "brellock-varn-on\0BRELLOCK-VARN-ON";
  xcb_icccm_set_wm_class(c, id, sizeof kClass, kClass);
  xcb_atom_t protocols[] = {atoms.wm_delete_window};
  xcb_icccm_set_wm_protocols(c, id, atoms.wm_protocols, 1, protocols);

  xcb_icccm_wm_hints_t hints{};
  xcb_icccm_wm_hints_set_input(&hints, 1);
  xcb_icccm_wm_hints_set_normal(&hints);
  xcb_icccm_set_wm_hints(c, id, &hints);

  char host[HOST_NAME_MAX + 1] = {};
  if (gethostname(host, sizeof host - 1) == 0) {
    xcb_icccm_set_wm_client_machine(c, id, XCB_ATOM_STRING, 8,
                                    static_cast<std::uint32_t>(std::strlen(host)), host);
    xcb_ewmh_set_wm_pid(&ewmh, id, static_cast<std::uint32_t>(getpid()));
  }
  // A tool window: in neither the taskbar nor the pager. A client sets
  // _NET_WM_STATE itself only while the window is withdrawn.
  xcb_atom_t type = ewmh._NET_WM_WINDOW_TYPE_UTILITY;
  xcb_ewmh_set_wm_window_type(&ewmh, id, 1, &type);
  xcb_atom_t states[] = {ewmh._NET_WM_STATE_SKIP_TASKBAR, ewmh._NET_WM_STATE_SKIP_PAGER};
  xcb_ewmh_set_wm_state(&ewmh, id, 2, states);
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, atoms.motif_wm_hints, atoms.motif_wm_hints, 32,
                      kMotifHints.size(), kMotifHints.data());
  if (!design_.icon.empty()) {
    std::vector<std::uint32_t> icon = IconPixels(EmbeddedAsset(design_.icon));
    if (!icon.empty()) {
      xcb_ewmh_set_wm_icon(&ewmh, XCB_PROP_MODE_REPLACE, id,
                           static_cast<std::uint32_t>(icon.size()), icon.data());
    }
  }
}

void X11Window::CreateControls() {
  xcb_connection_t* c = backend_.Connection();
  const double tpp = TwipsPerPixel();
  controls_.resize(design_.controls.size());
  // The table lists the topmost control first, and a new window goes on top
  // of its siblings: so the last row is made first.
  for (std::size_t row = design_.controls.size(); row-- > 0;) {
    const ControlDesign& design = design_.controls[row];
    ControlWindow& control = controls_[row];
    control.index = static_cast<int>(row);
    control.design = &design;
    control.back_colour = design.back_colour.value_or(
        design.kind == ControlKind::TextBox ? kWindowColour : kFaceColour);
    control.text = WithUnixLineEnds(design.caption);
    if (design.kind == ControlKind::Timer) {
      continue;  // the scheduler runs timers; they have no window
    }
    control.drawn = design.kind != ControlKind::Label || !design.caption.empty() ||
                    design.border != Border::None;
    ControlArt* art = control.drawn ? backend_.Art() : nullptr;
    control.width = std::max(1, TwipsToPixels(design.width, tpp));
    control.height = std::max(1, TwipsToPixels(design.height, tpp));
    if (design.kind == ControlKind::PictureBox && design.auto_size && art != nullptr) {
      int width = 0, height = 0;
      art->PictureSize(design.picture, width, height);
      if (width > 0 && height > 0) {
        control.width = width + 2 * art->BorderWidth();
        control.height = height + 2 * art->BorderWidth();
      }
    }
    std::uint32_t events = XCB_EVENT_MASK_BUTTON_PRESS;
    if (control.drawn) {
      events |=
          XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_BUTTON_RELEASE | XCB_EVENT_MASK_BUTTON_1_MOTION;
    }
    const std::uint32_t values[] = {backend_.X().PixelOf(control.back_colour), events};
    control.window = OwnedWindow(c, xcb_generate_id(c));
    xcb_create_window(c, XCB_COPY_FROM_PARENT, control.window.Id(), window_.Id(),
                      static_cast<std::int16_t>(TwipsToPixels(design.left, tpp)),
                      static_cast<std::int16_t>(TwipsToPixels(design.top, tpp)),
                      static_cast<std::uint16_t>(control.width),
                      static_cast<std::uint16_t>(control.height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      XCB_COPY_FROM_PARENT, XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
    xcb_map_window(c, control.window.Id());
  }
}

bool X11Window::Owns(xcb_window_t window) const {
  if (window == window_.Id()) {
    return true;
  }
  return std::ranges::any_of(controls_,
                             [window](const ControlWindow& c) { return c.window.Id() == window; });
}

X11Window::ControlWindow* X11Window::ControlOf(xcb_window_t window) {
  for (ControlWindow& control : controls_) {
    if (control.window && control.window.Id() == window) {
      return &control;
    }
  }
  return nullptr;
}

double X11Window::TwipsPerPixel() const {
  return backend_.TwipsPerPixel();
}

// ---- geometry ------------------------------------------------------------------

// The client goes where the outer rectangle asks, inside the frame the
// window manager said it draws. Static gravity asks the window manager to put
// the client itself at that place, whatever its frame.
void X11Window::PlaceClient() {
  xcb_connection_t* c = backend_.Connection();
  const int x = outer_left_ + frame_.left;
  const int y = outer_top_ + frame_.top;
  if (x != placed_x_ || y != placed_y_) {
    left_place_x_ = std::exchange(placed_x_, x);
    left_place_y_ = std::exchange(placed_y_, y);
  }
  stands_placed_ = false;
  if (!shown_) {
    xcb_size_hints_t hints{};
    xcb_icccm_size_hints_set_position(&hints, 1, x, y);
    xcb_icccm_size_hints_set_size(&hints, 1, client_width_, client_height_);
    xcb_icccm_size_hints_set_win_gravity(&hints, XCB_GRAVITY_STATIC);
    xcb_icccm_set_wm_normal_hints(c, window_.Id(), &hints);
  }
  const std::uint32_t values[] = {static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y),
                                  static_cast<std::uint32_t>(client_width_),
                                  static_cast<std::uint32_t>(client_height_)};
  xcb_configure_window(c, window_.Id(),
                       XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH |
                           XCB_CONFIG_WINDOW_HEIGHT,
                       values);
  actual_width_ = client_width_;
  actual_height_ = client_height_;
}

// Until the window manager has said where it put the client, the window
// stands where the program asked, whatever a read would say: a window
// manager still taking the window on (reparenting it into a frame that has
// not moved yet) would give a place nobody chose.
bool X11Window::ClientOrigin(int& x, int& y) const {
  x = placed_x_;
  y = placed_y_;
  if (!shown_ || !stands_placed_) {
    return true;
  }
  xcb_connection_t* c = backend_.Connection();
  const auto reply = Take(xcb_translate_coordinates_reply, c,
                          xcb_translate_coordinates(c, window_.Id(), backend_.X().Root(), 0, 0));
  if (!reply) {
    return false;
  }
  x = reply->dst_x;
  y = reply->dst_y;
  return true;
}

// Where the client now stands, in root coordinates, as a ConfigureNotify
// says: the window manager's own report when it moves the frame, or the
// server's while no frame holds the client. Once the window is mapped, the
// window stands where it is said to be: placed as asked, or elsewhere by the
// window manager of its own accord (kept on screen, say), or moved by the
// user. A report of the place the program has just moved it from does not
// count: it may have been sent before the window manager took the move (kwin
// does, after the frame it learns at mapping moves the client). Before
// mapping, only a report of the place asked for counts.
void X11Window::OnClientMoved(int x, int y) {
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
void X11Window::LearnFrame(const FrameExtents& frame) {
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

Twips X11Window::Left() const {
  int x = 0, y = 0;
  ClientOrigin(x, y);
  return left_.Read(x - frame_.left, TwipsPerPixel());
}
Twips X11Window::Top() const {
  int x = 0, y = 0;
  ClientOrigin(x, y);
  return top_.Read(y - frame_.top, TwipsPerPixel());
}
Twips X11Window::Width() const {
  return width_.Read(actual_width_, TwipsPerPixel());
}
Twips X11Window::Height() const {
  return height_.Read(actual_height_, TwipsPerPixel());
}

void X11Window::SetLeft(Twips value) {
  outer_left_ = left_.Assign(value, TwipsPerPixel());
  PlaceClient();
}
void X11Window::SetTop(Twips value) {
  outer_top_ = top_.Assign(value, TwipsPerPixel());
  PlaceClient();
}
// X has no empty windows: a size of nothing is one pixel.
void X11Window::SetWidth(Twips value) {
  client_width_ = std::max(1, width_.Assign(value, TwipsPerPixel()));
  PlaceClient();
}
void X11Window::SetHeight(Twips value) {
  client_height_ = std::max(1, height_.Assign(value, TwipsPerPixel()));
  PlaceClient();
}

int X11Window::WindowState() const {
  xcb_connection_t* c = backend_.Connection();
  const xcb_atom_t wm_state = backend_.X().Atom().wm_state;
  const auto reply = Take(xcb_get_property_reply, c,
                          xcb_get_property(c, 0, window_.Id(), wm_state, wm_state, 0, 1));
  constexpr std::uint32_t kIconicState = 3;
  if (reply && xcb_get_property_value_length(reply.get()) >= 4 &&
      *static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get())) == kIconicState) {
    return kStateMinimised;
  }
  return kStateNormal;
}

void X11Window::Show(NativeWindow* owner) {
  xcb_connection_t* c = backend_.Connection();
  xcb_ewmh_connection_t& ewmh = backend_.X().Ewmh();
  if (shown_) {
    return;
  }
  // A window shown with an owner is a modal dialog: window managers give a
  // dialog the focus when it maps, where they leave a utility window without.
  if (auto* owner_window = static_cast<X11Window*>(owner)) {
    xcb_icccm_set_wm_transient_for(c, window_.Id(), owner_window->Id());
    xcb_atom_t type = ewmh._NET_WM_WINDOW_TYPE_DIALOG;
    xcb_ewmh_set_wm_window_type(&ewmh, window_.Id(), 1, &type);
    xcb_atom_t states[] = {ewmh._NET_WM_STATE_SKIP_TASKBAR, ewmh._NET_WM_STATE_MODAL};
    xcb_ewmh_set_wm_state(&ewmh, window_.Id(), 2, states);
    backend_.BeginModal(this);
  }
  // Where the window manager answers, the frame is known before the window
  // is first seen, so it shows at once where it belongs instead of jumping
  // there. Elsewhere it maps at once, and the frame learnt later places it.
  if (backend_.FrameExtentsRequestsAnswered()) {
    if (const std::optional<FrameExtents> frame = backend_.AwaitFrameExtents(window_.Id())) {
      frame_ = *frame;
    }
  }
  PlaceClient();
  shown_ = true;
  xcb_map_window(c, window_.Id());
  const std::vector<ControlWindow*> order = TabOrder();
  if (!order.empty()) {
    FocusControl(order.front());
  }
  xcb_flush(c);
}

// ---- controls ------------------------------------------------------------------

ControlFace X11Window::FaceOf(const ControlWindow& control) const {
  ControlFace face;
  face.design = control.design;
  face.font = control.design->font ? &*control.design->font : &design_.font;
  face.text = control.text;
  face.back_colour = control.back_colour;
  face.width = control.width;
  face.height = control.height;
  face.focused = focus_ == &control;
  face.pressed = control.pressed;
  face.selection_from = std::min(control.anchor, control.caret);
  face.selection_to = std::max(control.anchor, control.caret);
  return face;
}

void X11Window::Paint(ControlWindow& control) {
  if (ControlArt* art = control.drawn ? backend_.Art() : nullptr) {
    art->Paint(control.window.Id(), FaceOf(control));
  }
}

// A plain rectangle is refilled by the server with its new background; a
// drawn control is drawn again. Either way only this control is touched.
void X11Window::Repaint(ControlWindow& control) {
  xcb_connection_t* c = backend_.Connection();
  if (!control.window) {
    return;
  }
  if (control.drawn) {
    Paint(control);
    return;
  }
  const std::uint32_t pixel = backend_.X().PixelOf(control.back_colour);
  xcb_change_window_attributes(c, control.window.Id(), XCB_CW_BACK_PIXEL, &pixel);
  xcb_clear_area(c, 0, control.window.Id(), 0, 0, 0, 0);
}

void X11Window::SetControlBackColour(int control, Colour colour) {
  ControlWindow& target = controls_.at(static_cast<std::size_t>(control));
  if (target.back_colour == colour) {
    return;
  }
  target.back_colour = colour;
  Repaint(target);
}

void X11Window::SetControlText(int control, std::string_view text) {
  ControlWindow& target = controls_.at(static_cast<std::size_t>(control));
  std::string lines = WithUnixLineEnds(text);
  if (target.text == lines) {
    return;
  }
  target.text = std::move(lines);
  target.anchor = target.caret = 0;
  Repaint(target);
}

std::vector<X11Window::ControlWindow*> X11Window::TabOrder() {
  std::vector<ControlWindow*> order;
  for (ControlWindow& control : controls_) {
    if (control.window && control.design->takes_focus) {
      order.push_back(&control);
    }
  }
  std::ranges::stable_sort(order, {}, [](const ControlWindow* c) { return c->design->tab_index; });
  return order;
}

void X11Window::FocusControl(ControlWindow* control) {
  ControlWindow* previous = std::exchange(focus_, control);
  if (previous == control) {
    return;
  }
  if (previous != nullptr) {
    Repaint(*previous);
  }
  if (control != nullptr) {
    Repaint(*control);
  }
}

void X11Window::MoveFocus(bool forward) {
  const std::vector<ControlWindow*> order = TabOrder();
  if (order.empty()) {
    return;
  }
  const auto current = std::ranges::find(order, focus_);
  std::size_t next = 0;
  if (current != order.end()) {
    const auto at = static_cast<std::size_t>(current - order.begin());
    next = forward ? (at + 1) % order.size() : (at + order.size() - 1) % order.size();
  } else if (!forward) {
    next = order.size() - 1;
  }
  ControlWindow& target = *order[next];
  if (target.design->kind == ControlKind::TextBox) {
    target.anchor = 0;  // tabbing into a text box selects its text
    target.caret = target.text.size();
  }
  FocusControl(&target);
}

// ---- events --------------------------------------------------------------------

void X11Window::HandleEvent(const xcb_generic_event_t& event) {
  const std::uint8_t type = event.response_type & 0x7F;
  switch (type) {
    case XCB_EXPOSE: {
      const auto& expose = reinterpret_cast<const xcb_expose_event_t&>(event);
      if (ControlWindow* control = ControlOf(expose.window); control && expose.count == 0) {
        Paint(*control);
      }
      return;
    }
    case XCB_CONFIGURE_NOTIFY: {
      const auto& configure = reinterpret_cast<const xcb_configure_notify_event_t&>(event);
      if (configure.window == window_.Id()) {
        actual_width_ = configure.width;
        actual_height_ = configure.height;
        // The window manager's own report (sent) is in root coordinates;
        // the server's is in the parent's, the root's only while unframed.
        const bool sent = (event.response_type & 0x80) != 0;
        if (sent || parent_ == backend_.X().Root()) {
          OnClientMoved(configure.x, configure.y);
        }
      }
      return;
    }
    case XCB_MAP_NOTIFY:
      mapped_ = mapped_ || reinterpret_cast<const xcb_map_notify_event_t&>(event).window == Id();
      return;
    case XCB_REPARENT_NOTIFY: {
      const auto& reparent = reinterpret_cast<const xcb_reparent_notify_event_t&>(event);
      if (reparent.window == window_.Id()) {
        parent_ = reparent.parent;
      }
      return;
    }
    case XCB_PROPERTY_NOTIFY: {
      const auto& property = reinterpret_cast<const xcb_property_notify_event_t&>(event);
      if (property.window == window_.Id() &&
          property.atom == backend_.X().Ewmh()._NET_FRAME_EXTENTS) {
        xcb_ewmh_connection_t& ewmh = backend_.X().Ewmh();
        xcb_ewmh_get_extents_reply_t reply{};
        if (xcb_ewmh_get_frame_extents_reply(
                &ewmh, xcb_ewmh_get_frame_extents_unchecked(&ewmh, window_.Id()), &reply,
                nullptr) != 0) {
          LearnFrame({static_cast<int>(reply.left), static_cast<int>(reply.right),
                      static_cast<int>(reply.top), static_cast<int>(reply.bottom)});
        }
      }
      return;
    }
    default:
      break;
  }
  // Input: none while a modal window stands over this one.
  if (!backend_.TakesInput(this)) {
    return;
  }
  switch (type) {
    case XCB_BUTTON_PRESS: {
      const auto& press = reinterpret_cast<const xcb_button_press_event_t&>(event);
      if (ControlWindow* control = ControlOf(press.event)) {
        OnButtonPress(*control, press);
      }
      return;
    }
    case XCB_BUTTON_RELEASE: {
      const auto& release = reinterpret_cast<const xcb_button_release_event_t&>(event);
      if (ControlWindow* control = ControlOf(release.event)) {
        OnButtonRelease(*control, release);
      }
      return;
    }
    case XCB_MOTION_NOTIFY: {
      const auto& motion = reinterpret_cast<const xcb_motion_notify_event_t&>(event);
      if (ControlWindow* control = ControlOf(motion.event)) {
        OnMotion(*control, motion);
      }
      return;
    }
    case XCB_KEY_PRESS:
      OnKeyPress(reinterpret_cast<const xcb_key_press_event_t&>(event));
      return;
    default:
      return;
  }
}

void X11Window::OnButtonPress(ControlWindow& control, const xcb_button_press_event_t& event) {
  if (event.detail != XCB_BUTTON_INDEX_1) {
    return;
  }
  // Two presses close together in time and place make a double-click.
  const bool double_click =
      control.last_press != 0 && event.time - control.last_press <= kDoubleClickTime &&
      std::abs(event.event_x - control.last_press_x) <= kDoubleClickDistance &&
      std::abs(event.event_y - control.last_press_y) <= kDoubleClickDistance;
  control.last_press = double_click ? 0 : event.time;
  control.last_press_x = event.event_x;
  control.last_press_y = event.event_y;

  if (control.design->takes_focus) {
    FocusControl(&control);
  }
  switch (control.design->kind) {
    case ControlKind::PushButton:
      control.pressed = true;
      Repaint(control);
      return;
    case ControlKind::TextBox: {
      ControlArt* art = backend_.Art();
      const std::size_t at =
          art ? art->TextOffsetAt(FaceOf(control), event.event_x, event.event_y) : 0;
      if (double_click) {
        std::size_t from = at, to = at;
        while (from > 0 && IsWordCharacter(control.text[from - 1])) {
          --from;
        }
        while (to < control.text.size() && IsWordCharacter(control.text[to])) {
          ++to;
        }
        SelectText(control, from, to, event.time);
      } else {
        const bool extend = (event.state & XCB_MOD_MASK_SHIFT) != 0;
        control.caret = at;
        if (!extend) {
          control.anchor = at;
        }
        Repaint(control);
      }
      return;
    }
    case ControlKind::Label:
      if (double_click && control.design->handles_dbl_click) {
        events_.OnControlDblClick(control.index);  // may destroy this object
      }
      return;
    default:
      return;
  }
}

void X11Window::OnMotion(ControlWindow& control, const xcb_motion_notify_event_t& event) {
  if (control.design->kind != ControlKind::TextBox) {
    return;
  }
  if (ControlArt* art = backend_.Art()) {
    const std::size_t at = art->TextOffsetAt(FaceOf(control), event.event_x, event.event_y);
    if (at != control.caret) {
      control.caret = at;
      Repaint(control);
    }
  }
}

void X11Window::OnButtonRelease(ControlWindow& control, const xcb_button_release_event_t& event) {
  if (event.detail != XCB_BUTTON_INDEX_1) {
    return;
  }
  if (control.design->kind == ControlKind::TextBox) {
    SelectText(control, control.anchor, control.caret, event.time);
    return;
  }
  if (control.design->kind != ControlKind::PushButton || !control.pressed) {
    return;
  }
  control.pressed = false;
  Repaint(control);
  const bool inside = event.event_x >= 0 && event.event_x < control.width && event.event_y >= 0 &&
                      event.event_y < control.height;
  if (inside && control.design->handles_click) {
    events_.OnControlClick(control.index);  // may destroy this object
  }
}

// A selection made is offered as PRIMARY, the X way.
void X11Window::SelectText(ControlWindow& control, std::size_t anchor, std::size_t caret,
                           xcb_timestamp_t time) {
  control.anchor = std::min(anchor, control.text.size());
  control.caret = std::min(caret, control.text.size());
  Repaint(control);
  if (control.anchor != control.caret) {
    const std::size_t from = std::min(control.anchor, control.caret);
    backend_.OwnSelection(XCB_ATOM_PRIMARY,
                          control.text.substr(from, std::max(control.anchor, control.caret) - from),
                          time);
  }
}

void X11Window::OnKeyPress(const xcb_key_press_event_t& event) {
  const xcb_keysym_t key = backend_.KeySym(event);
  if (key == kTab || key == kLeftTab) {
    MoveFocus(key == kTab && (event.state & XCB_MOD_MASK_SHIFT) == 0);
    return;
  }
  if (focus_ == nullptr) {
    return;
  }
  ControlWindow& control = *focus_;
  switch (control.design->kind) {
    case ControlKind::PushButton:
      // Space or Enter presses the focused button; it is neither the default
      // nor the cancel button, so nothing else presses it.
      if ((key == kSpace || key == kReturn || key == kKeypadEnter) &&
          control.design->handles_click) {
        events_.OnControlClick(control.index);  // may destroy this object
      }
      return;
    case ControlKind::TextBox:
      OnTextBoxKey(control, key, event.state, event.time);
      return;
    default:
      return;
  }
}

// A locked text box: the caret and the selection move, the text stays.
void X11Window::OnTextBoxKey(ControlWindow& control, xcb_keysym_t key, std::uint16_t state,
                             xcb_timestamp_t time) {
  const bool shift = (state & XCB_MOD_MASK_SHIFT) != 0;
  const bool ctrl = (state & XCB_MOD_MASK_CONTROL) != 0;
  const std::size_t size = control.text.size();
  if (ctrl && (key == 'a' || key == 'A')) {
    SelectText(control, 0, size, time);
    return;
  }
  if (ctrl && (key == 'c' || key == 'C' || key == kInsert)) {
    const std::size_t from = std::min(control.anchor, control.caret);
    const std::size_t to = std::max(control.anchor, control.caret);
    if (from != to) {
      backend_.OwnSelection(backend_.X().Atom().clipboard, control.text.substr(from, to - from),
                            time);
    }
    return;
  }
  std::size_t caret = control.caret;
  switch (key) {
    case kLeft:
      caret = caret > 0 ? caret - 1 : 0;
      break;
    case kRight:
      caret = std::min(caret + 1, size);
      break;
    case kHome:
    case kUp:
      caret = 0;
      break;
    case kEnd:
    case kDown:
      caret = size;
      break;
    default:
      return;
  }
  SelectText(control, shift ? control.anchor : caret, caret, time);
}

}  // namespace platform::x11
