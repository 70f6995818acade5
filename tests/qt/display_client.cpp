#include "display_client.h"

#include <xcb/xtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace testing_support {

namespace {

struct FreeReply {
  void operator()(void* reply) const { std::free(reply); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeReply>;

constexpr xcb_keysym_t kNumLockKeysym = 0xff7f;
constexpr std::string_view kMainCaption = "     BRELLOCK - VARN-ON";

}  // namespace

DisplayClient::DisplayClient(const std::string& display) {
  int screen_number = 0;
  c_ = xcb_connect(display.empty() ? nullptr : display.c_str(), &screen_number);
  if (!Ok()) {
    return;
  }
  auto screens = xcb_setup_roots_iterator(xcb_get_setup(c_));
  for (int i = 0; i < screen_number; ++i) {
    xcb_screen_next(&screens);
  }
  root_ = screens.data->root;

  const xcb_setup_t* setup = xcb_get_setup(c_);
  const auto count = static_cast<std::uint8_t>(setup->max_keycode - setup->min_keycode + 1);
  Reply<xcb_get_keyboard_mapping_reply_t> mapping(xcb_get_keyboard_mapping_reply(
      c_, xcb_get_keyboard_mapping(c_, setup->min_keycode, count), nullptr));
  if (mapping && mapping->keysyms_per_keycode > 0) {
    const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(mapping.get());
    const int length = xcb_get_keyboard_mapping_keysyms_length(mapping.get());
    for (int i = 0; i < length && num_lock_key_ == 0; ++i) {
      if (keysyms[i] == kNumLockKeysym) {
        num_lock_key_ =
            static_cast<xcb_keycode_t>(setup->min_keycode + i / mapping->keysyms_per_keycode);
      }
    }
  }
  Reply<xcb_get_modifier_mapping_reply_t> modifiers(
      xcb_get_modifier_mapping_reply(c_, xcb_get_modifier_mapping(c_), nullptr));
  if (modifiers && num_lock_key_ != 0) {
    const xcb_keycode_t* keys = xcb_get_modifier_mapping_keycodes(modifiers.get());
    for (int modifier = 0; modifier < 8; ++modifier) {
      for (int k = 0; k < modifiers->keycodes_per_modifier; ++k) {
        if (keys[modifier * modifiers->keycodes_per_modifier + k] == num_lock_key_) {
          num_lock_mask_ = static_cast<std::uint16_t>(1u << modifier);
        }
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

void DisplayClient::Sync() const {
  std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr));
}

xcb_atom_t DisplayClient::Atom(const char* name) const {
  Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
      c_, xcb_intern_atom(c_, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr));
  return reply ? reply->atom : XCB_NONE;
}

std::vector<std::uint32_t> DisplayClient::Values(xcb_window_t window, const char* property) const {
  Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
      c_, xcb_get_property(c_, 0, window, Atom(property), XCB_GET_PROPERTY_TYPE_ANY, 0, 64),
      nullptr));
  if (!reply || reply->format != 32) {
    return {};
  }
  std::vector<std::uint32_t> values(
      static_cast<std::size_t>(xcb_get_property_value_length(reply.get())) / 4);
  if (!values.empty()) {
    std::memcpy(values.data(), xcb_get_property_value(reply.get()), values.size() * 4);
  }
  return values;
}

xcb_window_t DisplayClient::FindByPid(xcb_window_t parent, std::uint32_t pid, int depth) const {
  Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c_, xcb_query_tree(c_, parent), nullptr));
  if (!tree) {
    return XCB_NONE;
  }
  const xcb_window_t* children = xcb_query_tree_children(tree.get());
  const int count = xcb_query_tree_children_length(tree.get());
  const xcb_atom_t utf8 = Atom("UTF8_STRING");
  for (int i = 0; i < count; ++i) {
    const xcb_window_t child = children[i];
    const auto owner = Values(child, "_NET_WM_PID");
    if (!owner.empty() && owner[0] == pid) {
      Reply<xcb_get_property_reply_t> name(xcb_get_property_reply(
          c_, xcb_get_property(c_, 0, child, Atom("_NET_WM_NAME"), utf8, 0, 64), nullptr));
      Reply<xcb_get_window_attributes_reply_t> attributes(
          xcb_get_window_attributes_reply(c_, xcb_get_window_attributes(c_, child), nullptr));
      if (name && attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE &&
          std::string_view(static_cast<const char*>(xcb_get_property_value(name.get())),
                           static_cast<std::size_t>(xcb_get_property_value_length(name.get()))) ==
              kMainCaption) {
        return child;
      }
    }
    if (depth > 0) {
      if (const xcb_window_t found = FindByPid(child, pid, depth - 1); found != XCB_NONE) {
        return found;
      }
    }
  }
  return XCB_NONE;
}

xcb_window_t DisplayClient::ProgramMainWindow(pid_t pid) const {
  // A window manager puts each top-level window in a frame or two.
  return FindByPid(root_, static_cast<std::uint32_t>(pid), 2);
}

std::optional<QPoint> DisplayClient::ClientOrigin(xcb_window_t window) const {
  Reply<xcb_translate_coordinates_reply_t> reply(xcb_translate_coordinates_reply(
      c_, xcb_translate_coordinates(c_, window, root_, 0, 0), nullptr));
  if (!reply) {
    return std::nullopt;
  }
  return QPoint(reply->dst_x, reply->dst_y);
}

std::optional<QRect> DisplayClient::ClientRect(xcb_window_t window) const {
  Reply<xcb_get_geometry_reply_t> geometry(
      xcb_get_geometry_reply(c_, xcb_get_geometry(c_, window), nullptr));
  const auto origin = ClientOrigin(window);
  if (!geometry || !origin) {
    return std::nullopt;
  }
  return QRect(*origin, QSize(geometry->width, geometry->height));
}

std::optional<QRect> DisplayClient::OuterFrame(xcb_window_t window) const {
  const auto frame = Values(window, "_NET_FRAME_EXTENTS");
  const auto client = ClientRect(window);
  if (frame.size() != 4 || !client) {
    return std::nullopt;
  }
  const auto left = static_cast<int>(frame[0]), right = static_cast<int>(frame[1]);
  const auto top = static_cast<int>(frame[2]), bottom = static_cast<int>(frame[3]);
  return client->adjusted(-left, -top, right, bottom);
}

bool DisplayClient::Above(xcb_window_t window) const {
  const auto state = Values(window, "_NET_WM_STATE");
  return std::ranges::find(state, Atom("_NET_WM_STATE_ABOVE")) != state.end();
}

bool DisplayClient::Exists(xcb_window_t window) const {
  Reply<xcb_get_window_attributes_reply_t> reply(
      xcb_get_window_attributes_reply(c_, xcb_get_window_attributes(c_, window), nullptr));
  return reply != nullptr;
}

std::optional<std::vector<std::uint32_t>> DisplayClient::ScreenPixels(
    const std::vector<QPoint>& points) const {
  QRect area;
  for (const QPoint& point : points) {
    area |= QRect(point, QSize(1, 1));
  }
  xcb_generic_error_t* error = nullptr;
  Reply<xcb_get_image_reply_t> image(xcb_get_image_reply(
      c_,
      xcb_get_image(c_, XCB_IMAGE_FORMAT_Z_PIXMAP, root_, static_cast<std::int16_t>(area.x()),
                    static_cast<std::int16_t>(area.y()), static_cast<std::uint16_t>(area.width()),
                    static_cast<std::uint16_t>(area.height()), ~0u),
      &error));
  std::free(error);
  // A 24-bit screen comes as 32 bits a pixel, blue first.
  if (!image || image->depth != 24 ||
      xcb_get_image_data_length(image.get()) < area.width() * area.height() * 4) {
    return std::nullopt;
  }
  const std::uint8_t* data = xcb_get_image_data(image.get());
  std::vector<std::uint32_t> colours;
  for (const QPoint& point : points) {
    const std::uint8_t* pixel =
        data + ((point.y() - area.y()) * area.width() + (point.x() - area.x())) * 4;
    colours.push_back(std::uint32_t{pixel[2]} << 16 | std::uint32_t{pixel[1]} << 8 | pixel[0]);
  }
  return colours;
}

void DisplayClient::SendDeleteWindow(xcb_window_t window) const {
  xcb_client_message_event_t message{};
  message.response_type = XCB_CLIENT_MESSAGE;
  message.format = 32;
  message.window = window;
  message.type = Atom("WM_PROTOCOLS");
  message.data.data32[0] = Atom("WM_DELETE_WINDOW");
  message.data.data32[1] = XCB_CURRENT_TIME;
  xcb_send_event(c_, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&message));
  xcb_flush(c_);
}

xcb_window_t DisplayClient::MakeWindow(int left, int top) const {
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
  const xcb_window_t window = xcb_generate_id(c_);
  const std::uint32_t white = screen->white_pixel;
  xcb_create_window(c_, XCB_COPY_FROM_PARENT, window, root_, static_cast<std::int16_t>(left),
                    static_cast<std::int16_t>(top), 200, 120, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                    screen->root_visual, XCB_CW_BACK_PIXEL, &white);
  const std::uint32_t hints[9] = {1 /* InputHint */, 1 /* takes focus */};
  xcb_change_property(c_, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 32,
                      9, hints);
  xcb_map_window(c_, window);
  xcb_flush(c_);
  return window;
}

void DisplayClient::DestroyWindow(xcb_window_t window) const {
  xcb_destroy_window(c_, window);
  xcb_flush(c_);
}

bool DisplayClient::Managed(xcb_window_t window) const {
  const auto state = Values(window, "WM_STATE");
  return !state.empty() && state[0] == 1;  // NormalState
}

void DisplayClient::SendToWindowManager(xcb_window_t window, const char* type,
                                        std::array<std::uint32_t, 5> data) const {
  xcb_client_message_event_t message{};
  message.response_type = XCB_CLIENT_MESSAGE;
  message.format = 32;
  message.window = window;
  message.type = Atom(type);
  std::ranges::copy(data, message.data.data32);
  xcb_send_event(c_, 0, root_,
                 XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                 reinterpret_cast<const char*>(&message));
  xcb_flush(c_);
}

bool DisplayClient::ActiveIs(xcb_window_t window) const {
  const auto active = Values(root_, "_NET_ACTIVE_WINDOW");
  return !active.empty() && active[0] == window;
}

bool DisplayClient::NumLockLocked() const {
  Reply<xcb_query_pointer_reply_t> pointer(
      xcb_query_pointer_reply(c_, xcb_query_pointer(c_, root_), nullptr));
  return pointer && (pointer->mask & num_lock_mask_) != 0;
}

void DisplayClient::PressNumLock() const {
  xcb_test_fake_input(c_, XCB_KEY_PRESS, num_lock_key_, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
  xcb_test_fake_input(c_, XCB_KEY_RELEASE, num_lock_key_, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
  Sync();
}

xcb_window_t WaitForMainWindow(const DisplayClient& x, ProgramProcess& program, bool framed) {
  xcb_window_t window = XCB_NONE;
  const bool shown = WaitUntil(
      [&] {
        if (!program.Running()) {
          return true;
        }
        window = x.ProgramMainWindow(program.Pid());
        return window != XCB_NONE &&
               (!framed || (x.Managed(window) && x.OuterFrame(window).has_value()));
      },
      std::chrono::seconds(30));
  return shown && program.Running() ? window : XCB_NONE;
}

}  // namespace testing_support
