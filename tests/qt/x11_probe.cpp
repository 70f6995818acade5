#include "x11_probe.h"

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
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

xcb_atom_t Atom(const char* name) {
  Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
      Connection(),
      xcb_intern_atom(Connection(), 0, static_cast<std::uint16_t>(std::strlen(name)), name),
      nullptr));
  return reply ? reply->atom : XCB_NONE;
}

std::string AtomName(xcb_atom_t atom) {
  Reply<xcb_get_atom_name_reply_t> reply(
      xcb_get_atom_name_reply(Connection(), xcb_get_atom_name(Connection(), atom), nullptr));
  if (!reply) {
    return {};
  }
  return std::string(xcb_get_atom_name_name(reply.get()),
                     static_cast<std::size_t>(xcb_get_atom_name_name_length(reply.get())));
}

Reply<xcb_get_property_reply_t> Property(xcb_window_t window, const char* name, xcb_atom_t type) {
  return Reply<xcb_get_property_reply_t>(xcb_get_property_reply(
      Connection(), xcb_get_property(Connection(), 0, window, Atom(name), type, 0, 1024), nullptr));
}

xcb_window_t Root() {
  return xcb_setup_roots_iterator(xcb_get_setup(Connection())).data->root;
}

void Xdotool(const QStringList& arguments) {
  QProcess::execute(QStringLiteral("xdotool"), arguments);
}

}  // namespace

xcb_connection_t* Connection() {
  static xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  return connection;
}

std::string WindowName(xcb_window_t window) {
  const auto reply = Property(window, "_NET_WM_NAME", Atom("UTF8_STRING"));
  if (!reply) {
    return {};
  }
  return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                     static_cast<std::size_t>(xcb_get_property_value_length(reply.get())));
}

std::vector<std::string> AtomList(xcb_window_t window, const char* property) {
  std::vector<std::string> names;
  const auto reply = Property(window, property, XCB_ATOM_ATOM);
  if (!reply || reply->format != 32) {
    return names;
  }
  const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
  for (std::uint32_t i = 0; i < reply->value_len; ++i) {
    names.push_back(AtomName(atoms[i]));
  }
  return names;
}

xcb_window_t TransientFor(xcb_window_t window) {
  const auto reply = Property(window, "WM_TRANSIENT_FOR", XCB_ATOM_WINDOW);
  if (!reply || reply->format != 32 || reply->value_len != 1) {
    return XCB_NONE;
  }
  return *static_cast<const xcb_window_t*>(xcb_get_property_value(reply.get()));
}

std::optional<QPoint> ClientOrigin(xcb_window_t window) {
  Reply<xcb_translate_coordinates_reply_t> reply(xcb_translate_coordinates_reply(
      Connection(), xcb_translate_coordinates(Connection(), window, Root(), 0, 0), nullptr));
  if (!reply) {
    return std::nullopt;
  }
  return QPoint(reply->dst_x, reply->dst_y);
}

std::optional<QRect> OuterFrame(xcb_window_t window) {
  const auto extents = Property(window, "_NET_FRAME_EXTENTS", XCB_ATOM_CARDINAL);
  Reply<xcb_get_geometry_reply_t> geometry(
      xcb_get_geometry_reply(Connection(), xcb_get_geometry(Connection(), window), nullptr));
  const std::optional<QPoint> origin = ClientOrigin(window);
  if (!extents || extents->value_len != 4 || !geometry || !origin) {
    return std::nullopt;
  }
  const auto* frame = static_cast<const std::uint32_t*>(xcb_get_property_value(extents.get()));
  const int left = static_cast<int>(frame[0]), right = static_cast<int>(frame[1]);
  const int top = static_cast<int>(frame[2]), bottom = static_cast<int>(frame[3]);
  return QRect(origin->x() - left, origin->y() - top, geometry->width + left + right,
               geometry->height + top + bottom);
}

bool IsViewable(xcb_window_t window) {
  Reply<xcb_get_window_attributes_reply_t> reply(xcb_get_window_attributes_reply(
      Connection(), xcb_get_window_attributes(Connection(), window), nullptr));
  return reply && reply->map_state == XCB_MAP_STATE_VIEWABLE;
}

void SendDeleteWindow(xcb_window_t window) {
  xcb_client_message_event_t message{};
  message.response_type = XCB_CLIENT_MESSAGE;
  message.format = 32;
  message.window = window;
  message.type = Atom("WM_PROTOCOLS");
  message.data.data32[0] = Atom("WM_DELETE_WINDOW");
  message.data.data32[1] = XCB_CURRENT_TIME;
  xcb_send_event(Connection(), 0, window, XCB_EVENT_MASK_NO_EVENT,
                 reinterpret_cast<const char*>(&message));
  xcb_flush(Connection());
}

QColor ScreenPixel(QPoint at) {
  const QImage image =
      QGuiApplication::primaryScreen()->grabWindow(0, at.x(), at.y(), 1, 1).toImage();
  return image.isNull() ? QColor() : image.pixelColor(0, 0);
}

QImage ScreenImage(QRect area) {
  return QGuiApplication::primaryScreen()
      ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
      .toImage();
}

void DoubleClickAt(QPoint at) {
  Xdotool({"mousemove", QString::number(at.x()), QString::number(at.y()), "click", "--repeat", "2",
           "--delay", "60", "1"});
}

void ClickAt(QPoint at) {
  Xdotool({"mousemove", QString::number(at.x()), QString::number(at.y()), "click", "1"});
}

void PressKey(const char* key) {
  Xdotool({"key", key});
}

}  // namespace testing_support
