// Owners for what XCB hands out: replies and errors (malloc'd), and server
// resources that must be freed with a request of their own.
#pragma once

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <utility>

namespace platform::x11 {

struct FreeWithFree {
  void operator()(void* pointer) const { std::free(pointer); }
};

template <typename Reply>
using ReplyPtr = std::unique_ptr<Reply, FreeWithFree>;
using ErrorPtr = std::unique_ptr<xcb_generic_error_t, FreeWithFree>;

// Takes a reply, dropping any error: the caller only wants to know whether
// there was an answer.
template <typename Reply, typename Cookie>
ReplyPtr<Reply> Take(Reply* (*take)(xcb_connection_t*, Cookie, xcb_generic_error_t**),
                     xcb_connection_t* connection, Cookie cookie) {
  xcb_generic_error_t* error = nullptr;
  ReplyPtr<Reply> reply(take(connection, cookie, &error));
  std::free(error);
  return reply;
}

// A request whose error, if any, nobody wants to hear about: it must not
// reach the event loop (windows of other programs vanish at any time).
inline void Discard(xcb_connection_t* connection, xcb_void_cookie_t cookie) {
  xcb_discard_reply(connection, cookie.sequence);
}

// A window, pixmap or graphics context of ours, freed with the request that
// belongs to it when the owner goes.
template <xcb_void_cookie_t (*Free)(xcb_connection_t*, std::uint32_t)>
class ServerResource {
 public:
  ServerResource() = default;
  ServerResource(xcb_connection_t* connection, std::uint32_t id)
      : connection_(connection), id_(id) {}
  ~ServerResource() { Reset(); }
  ServerResource(ServerResource&& other) noexcept
      : connection_(other.connection_), id_(std::exchange(other.id_, 0)) {}
  ServerResource& operator=(ServerResource&& other) noexcept {
    if (this != &other) {
      Reset();
      connection_ = other.connection_;
      id_ = std::exchange(other.id_, 0);
    }
    return *this;
  }
  std::uint32_t Id() const { return id_; }
  explicit operator bool() const { return id_ != 0; }
  void Reset() {
    if (id_ != 0 && xcb_connection_has_error(connection_) == 0) {
      Discard(connection_, Free(connection_, id_));
    }
    id_ = 0;
  }

 private:
  xcb_connection_t* connection_ = nullptr;
  std::uint32_t id_ = 0;
};

inline xcb_void_cookie_t DestroyWindowChecked(xcb_connection_t* c, std::uint32_t id) {
  return xcb_destroy_window_checked(c, id);
}
inline xcb_void_cookie_t FreeGcChecked(xcb_connection_t* c, std::uint32_t id) {
  return xcb_free_gc_checked(c, id);
}
inline xcb_void_cookie_t FreePixmapChecked(xcb_connection_t* c, std::uint32_t id) {
  return xcb_free_pixmap_checked(c, id);
}

using OwnedWindow = ServerResource<DestroyWindowChecked>;
using OwnedGc = ServerResource<FreeGcChecked>;
using OwnedPixmap = ServerResource<FreePixmapChecked>;

}  // namespace platform::x11
