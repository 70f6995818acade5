#include "display_client.h"

#include <QProcess>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "app/main_design.h"
#include "platform/twips.h"

namespace testing_support {

namespace {

struct FreeReply {
  void operator()(void* reply) const { std::free(reply); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeReply>;

constexpr xcb_keysym_t kNumLockKeysym = 0xff7f;

Reply<xcb_get_property_reply_t> Property(xcb_connection_t* c, xcb_window_t window, xcb_atom_t name,
                                         xcb_atom_t type) {
  // Up to 64 Ki 32-bit values: enough for a window icon of 100 x 100 pixels.
  return Reply<xcb_get_property_reply_t>(
      xcb_get_property_reply(c, xcb_get_property(c, 0, window, name, type, 0, 65536), nullptr));
}

void SendClientMessage(xcb_connection_t* c, xcb_window_t to, std::uint32_t mask,
                       xcb_window_t window, xcb_atom_t type, std::array<std::uint32_t, 5> data) {
  xcb_client_message_event_t message{};
  message.response_type = XCB_CLIENT_MESSAGE;
  message.format = 32;
  message.window = window;
  message.type = type;
  std::ranges::copy(data, message.data.data32);
  xcb_send_event(c, 0, to, mask, reinterpret_cast<const char*>(&message));
  xcb_flush(c);
}

}  // namespace

DisplayClient::DisplayClient(const std::string& display) {
  c_ = xcb_connect(display.empty() ? nullptr : display.c_str(), nullptr);
  if (!Ok()) {
    return;
  }
  const xcb_setup_t* setup = xcb_get_setup(c_);
  root_ = xcb_setup_roots_iterator(setup).data->root;  // every server here has one screen

  const auto count = static_cast<std::uint8_t>(setup->max_keycode - setup->min_keycode + 1);
  Reply<xcb_get_keyboard_mapping_reply_t> mapping(xcb_get_keyboard_mapping_reply(
      c_, xcb_get_keyboard_mapping(c_, setup->min_keycode, count), nullptr));
  xcb_keycode_t num_lock_key = 0;
  if (mapping && mapping->keysyms_per_keycode > 0) {
    const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(mapping.get());
    const int length = xcb_get_keyboard_mapping_keysyms_length(mapping.get());
    const auto found = std::find(keysyms, keysyms + length, kNumLockKeysym) - keysyms;
    if (found < length) {
      num_lock_key =
          static_cast<xcb_keycode_t>(setup->min_keycode + found / mapping->keysyms_per_keycode);
    }
  }
  Reply<xcb_get_modifier_mapping_reply_t> modifiers(
      xcb_get_modifier_mapping_reply(c_, xcb_get_modifier_mapping(c_), nullptr));
  if (modifiers && num_lock_key != 0) {
    const xcb_keycode_t* keys = xcb_get_modifier_mapping_keycodes(modifiers.get());
    for (int i = 0; i < 8 * modifiers->keycodes_per_modifier; ++i) {
      if (keys[i] == num_lock_key) {
        num_lock_mask_ = static_cast<std::uint16_t>(1u << (i / modifiers->keycodes_per_modifier));
      }
    }
  }
}

DisplayClient::~DisplayClient() {
  xcb_disconnect(c_);
}

bool DisplayClient::Ok() const {
  return c_ != nullptr && xcb_connection_has_error(c_) == 0;
}

xcb_atom_t DisplayClient::Atom(const char* name) const {
  Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
      c_, xcb_intern_atom(c_, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr));
  return reply ? reply->atom : XCB_NONE;
}

std::vector<std::uint32_t> DisplayClient::Values(xcb_window_t window, const char* property) const {
  const auto reply = Property(c_, window, Atom(property), XCB_GET_PROPERTY_TYPE_ANY);
  if (!reply || reply->format != 32) {
    return {};
  }
  const auto* values = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
  return {values, values + xcb_get_property_value_length(reply.get()) / 4};
}

std::string DisplayClient::Text(xcb_window_t window, const char* property) const {
  const auto reply = Property(c_, window, Atom(property), Atom("UTF8_STRING"));
  return !reply ? std::string()
                : std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                              static_cast<std::size_t>(xcb_get_property_value_length(reply.get())));
}

bool DisplayClient::Has(xcb_window_t window, const char* property, const char* atom) const {
  return std::ranges::count(Values(window, property), Atom(atom)) > 0;
}

std::vector<xcb_window_t> DisplayClient::TopLevelWindows() const {
  Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c_, xcb_query_tree(c_, root_), nullptr));
  if (!tree) {
    return {};
  }
  const xcb_window_t* children = xcb_query_tree_children(tree.get());
  return {children, children + xcb_query_tree_children_length(tree.get())};
}

bool DisplayClient::Viewable(xcb_window_t window) const {
  Reply<xcb_get_window_attributes_reply_t> attributes(
      xcb_get_window_attributes_reply(c_, xcb_get_window_attributes(c_, window), nullptr));
  return attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
}

xcb_window_t DisplayClient::ProgramMainWindow(std::int64_t pid) const {
  // A window manager puts each window it manages in a frame and lists it.
  std::vector<xcb_window_t> windows = Values(root_, "_NET_CLIENT_LIST");
  std::ranges::copy(TopLevelWindows(), std::back_inserter(windows));
  for (const xcb_window_t window : windows) {
    if (Values(window, "_NET_WM_PID") == std::vector{static_cast<std::uint32_t>(pid)} &&
        Viewable(window) && Text(window, "_NET_WM_NAME") == "     BRELLOCK - VARN-ON") {
      return window;
    }
  }
  return XCB_NONE;
}

std::optional<QRect> DisplayClient::ClientRect(xcb_window_t window) const {
  Reply<xcb_get_geometry_reply_t> geometry(
      xcb_get_geometry_reply(c_, xcb_get_geometry(c_, window), nullptr));
  Reply<xcb_translate_coordinates_reply_t> origin(xcb_translate_coordinates_reply(
      c_, xcb_translate_coordinates(c_, window, root_, 0, 0), nullptr));
  if (!geometry || !origin) {
    return std::nullopt;
  }
  return QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
}

std::optional<QRect> DisplayClient::OuterFrame(xcb_window_t window) const {
  const auto frame = Values(window, "_NET_FRAME_EXTENTS");
  const auto client = ClientRect(window);
  if (frame.size() != 4 || !client) {
    return std::nullopt;
  }
  return client->adjusted(-static_cast<int>(frame[0]), -static_cast<int>(frame[2]),
                          static_cast<int>(frame[1]), static_cast<int>(frame[3]));
}

bool DisplayClient::Framed(xcb_window_t window) const {
  const auto state = Values(window, "WM_STATE");
  return !state.empty() && state[0] == 1 /* NormalState */ && OuterFrame(window).has_value();
}

xcb_window_t DisplayClient::TopViewableWindow() const {
  const std::vector<xcb_window_t> windows = TopLevelWindows();
  const auto top = std::ranges::find_if(windows.rbegin(), windows.rend(),
                                        [&](xcb_window_t window) { return Viewable(window); });
  return top != windows.rend() ? *top : XCB_NONE;
}

bool DisplayClient::ActiveIs(xcb_window_t window) const {
  const auto active = Values(root_, "_NET_ACTIVE_WINDOW");
  return !active.empty() && active[0] == window;
}

QImage DisplayClient::ScreenImage(QRect area) const {
  Reply<xcb_get_image_reply_t> image(xcb_get_image_reply(
      c_,
      xcb_get_image(c_, XCB_IMAGE_FORMAT_Z_PIXMAP, root_, static_cast<std::int16_t>(area.x()),
                    static_cast<std::int16_t>(area.y()), static_cast<std::uint16_t>(area.width()),
                    static_cast<std::uint16_t>(area.height()), ~0u),
      nullptr));
  // A 24-bit screen comes as 32 bits a pixel, blue first, as QImage's RGB32.
  if (!image || image->depth != 24 ||
      xcb_get_image_data_length(image.get()) < area.width() * area.height() * 4) {
    return {};
  }
  return QImage(xcb_get_image_data(image.get()), area.width(), area.height(), QImage::Format_RGB32)
      .copy();
}

void DisplayClient::SendDeleteWindow(xcb_window_t window) const {
  SendClientMessage(c_, window, XCB_EVENT_MASK_NO_EVENT, window, Atom("WM_PROTOCOLS"),
                    {Atom("WM_DELETE_WINDOW"), XCB_CURRENT_TIME, 0, 0, 0});
}

xcb_window_t DisplayClient::MakeWindow(int left, int top) const {
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
  const xcb_window_t window = xcb_generate_id(c_);
  xcb_create_window(c_, XCB_COPY_FROM_PARENT, window, root_, static_cast<std::int16_t>(left),
                    static_cast<std::int16_t>(top), 200, 120, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                    screen->root_visual, XCB_CW_BACK_PIXEL, &screen->white_pixel);
  const std::uint32_t hints[9] = {1 /* InputHint */, 1 /* takes focus */};
  xcb_change_property(c_, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 32,
                      9, hints);
  xcb_map_window(c_, window);
  xcb_flush(c_);
  return window;
}

void DisplayClient::Raise(xcb_window_t window) const {
  const std::uint32_t mode = XCB_STACK_MODE_ABOVE;
  xcb_configure_window(c_, window, XCB_CONFIG_WINDOW_STACK_MODE, &mode);
  xcb_flush(c_);
}

void DisplayClient::DestroyWindow(xcb_window_t window) const {
  xcb_destroy_window(c_, window);
  xcb_flush(c_);
}

void DisplayClient::SendToWindowManager(xcb_window_t window, const char* type,
                                        std::array<std::uint32_t, 5> data) const {
  SendClientMessage(c_, root_,
                    XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                    window, Atom(type), data);
}

bool DisplayClient::NumLockLocked() const {
  Reply<xcb_query_pointer_reply_t> pointer(
      xcb_query_pointer_reply(c_, xcb_query_pointer(c_, root_), nullptr));
  return pointer && (pointer->mask & num_lock_mask_) != 0;
}

const DisplayClient& Desktop() {
  static const DisplayClient desktop("");
  return desktop;
}

QRect PixelRect(float left, float top, float width, float height) {
  const auto pixels = [](float twips) { return platform::TwipsToPixels(twips, kTwipsPerPixel); };
  return QRect(pixels(left), pixels(top), pixels(width), pixels(height));
}

float TwipsOf(int pixels) {
  return platform::PixelsToTwips(pixels, kTwipsPerPixel);
}

bool Near(const QRect& a, const QRect& b) {
  return std::abs(a.x() - b.x()) <= 1 && std::abs(a.y() - b.y()) <= 1 &&
         std::abs(a.width() - b.width()) <= 1 && std::abs(a.height() - b.height()) <= 1;
}

QRect ControlRect(const DisplayClient& x, xcb_window_t window, const platform::FormDesign& design,
                  std::string_view control) {
  const QPoint origin = x.ClientRect(window).value_or(QRect()).topLeft();
  for (const platform::ControlDesign& item : design.controls) {
    if (item.name == control) {
      return PixelRect(item.left, item.top, item.width, item.height).translated(origin);
    }
  }
  return {};
}

int RedLamp(const DisplayClient& x, xcb_window_t main_window) {
  const QRect client = x.ClientRect(main_window).value_or(QRect());
  const QImage screen = x.ScreenImage(client);
  for (int lamp = 1; !screen.isNull() && lamp <= 7; ++lamp) {
    const QRect rect =
        ControlRect(x, main_window, app::MainWindowDesign(), "VARN_LABEL_" + std::to_string(lamp));
    if (IsRed(screen.pixelColor(rect.center() - client.topLeft()))) {
      return lamp;
    }
  }
  return 0;
}

bool IsRed(const QColor& colour) {
  return colour.red() > 200 && colour.green() < 60 && colour.blue() < 60;
}

bool IsBlack(const QColor& colour) {
  return colour.red() < 40 && colour.green() < 40 && colour.blue() < 40;
}

bool IsGreen(const QColor& colour) {
  return colour.green() > 150 && colour.red() < 100 && colour.blue() < 100;
}

void Xdotool(const QStringList& arguments) {
  QProcess::execute(QStringLiteral("xdotool"), arguments);
}

void DoubleClickAt(QPoint at) {
  Xdotool({"mousemove", QString::number(at.x()), QString::number(at.y()), "click", "--repeat", "2",
           "--delay", "60", "1"});
}

}  // namespace testing_support
