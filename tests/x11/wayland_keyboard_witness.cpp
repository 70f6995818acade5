// The witness's Wayland objects: a window of shared memory (xdg-shell), and
// the seat's keyboard whose focus and modifiers it follows.
#include "wayland_keyboard_witness.h"

#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cstdint>
#include <cstring>

#include "xdg-shell-client-protocol.h"

namespace testing_support {

namespace {

constexpr int kSide = 64;
// The keymaps of xkeyboard-config map Num Lock to the real modifier Mod2,
// the fifth bit of the state a compositor serializes.
constexpr std::uint32_t kMod2 = 1u << 4;

}  // namespace

struct WaylandKeyboardWitness::Objects {
  std::atomic<bool> focused = false;
  std::atomic<std::uint32_t> locked = 0;
  wl_registry* registry = nullptr;
  wl_compositor* compositor = nullptr;
  wl_shm* shm = nullptr;
  wl_seat* seat = nullptr;
  wl_keyboard* keyboard = nullptr;
  xdg_wm_base* shell = nullptr;
  wl_surface* surface = nullptr;
  xdg_surface* shell_surface = nullptr;
  xdg_toplevel* toplevel = nullptr;
  wl_buffer* buffer = nullptr;
};

namespace {

template <typename Proxy>
void Destroy(Proxy*& proxy, void (*destroy)(Proxy*)) {
  if (proxy != nullptr) {
    destroy(proxy);
    proxy = nullptr;
  }
}

// One black frame (a fresh memory file is zeroes) that the compositor maps.
wl_buffer* BlackBuffer(wl_shm* shm) {
  const int stride = kSide * 4, size = stride * kSide;
  const int fd = memfd_create("varn-witness", MFD_CLOEXEC);
  if (fd < 0 || ftruncate(fd, size) != 0) {
    if (fd >= 0) {
      close(fd);
    }
    return nullptr;
  }
  wl_shm_pool* pool = wl_shm_create_pool(shm, fd, size);
  wl_buffer* buffer =
      wl_shm_pool_create_buffer(pool, 0, kSide, kSide, stride, WL_SHM_FORMAT_XRGB8888);
  wl_shm_pool_destroy(pool);
  close(fd);
  return buffer;
}

// The listeners, as the protocol's C interfaces call them.
using ObjectsOf = WaylandKeyboardWitness::Objects;

void OnKeymap(void*, wl_keyboard*, std::uint32_t, std::int32_t fd, std::uint32_t) {
  close(fd);
}
void OnEnter(void* data, wl_keyboard*, std::uint32_t, wl_surface*, wl_array*) {
  static_cast<ObjectsOf*>(data)->focused = true;
}
void OnLeave(void* data, wl_keyboard*, std::uint32_t, wl_surface*) {
  static_cast<ObjectsOf*>(data)->focused = false;
}
void OnKey(void*, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) {}
void OnModifiers(void* data, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t,
                 std::uint32_t locked, std::uint32_t) {
  static_cast<ObjectsOf*>(data)->locked = locked;
}
void OnRepeatInfo(void*, wl_keyboard*, std::int32_t, std::int32_t) {}
const wl_keyboard_listener kKeyboardListener{OnKeymap, OnEnter,     OnLeave,
                                             OnKey,    OnModifiers, OnRepeatInfo};

void OnCapabilities(void* data, wl_seat* seat, std::uint32_t capabilities) {
  auto* objects = static_cast<ObjectsOf*>(data);
  if ((capabilities & WL_SEAT_CAPABILITY_KEYBOARD) != 0 && objects->keyboard == nullptr) {
    objects->keyboard = wl_seat_get_keyboard(seat);
    wl_keyboard_add_listener(objects->keyboard, &kKeyboardListener, objects);
  }
}
void OnSeatName(void*, wl_seat*, const char*) {}
const wl_seat_listener kSeatListener{OnCapabilities, OnSeatName};

void OnPing(void*, xdg_wm_base* shell, std::uint32_t serial) {
  xdg_wm_base_pong(shell, serial);
}
const xdg_wm_base_listener kShellListener{OnPing};

// The first configure is answered with the window's one frame.
void OnConfigure(void* data, xdg_surface* shell_surface, std::uint32_t serial) {
  auto* objects = static_cast<ObjectsOf*>(data);
  xdg_surface_ack_configure(shell_surface, serial);
  if (objects->buffer == nullptr && (objects->buffer = BlackBuffer(objects->shm)) != nullptr) {
    wl_surface_attach(objects->surface, objects->buffer, 0, 0);
  }
  wl_surface_commit(objects->surface);
}
const xdg_surface_listener kShellSurfaceListener{OnConfigure};

void OnGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
              std::uint32_t) {
  auto* objects = static_cast<ObjectsOf*>(data);
  const auto bind = [&](const wl_interface* type, std::uint32_t version) {
    return wl_registry_bind(registry, name, type, version);
  };
  if (std::strcmp(interface, wl_compositor_interface.name) == 0) {
    objects->compositor = static_cast<wl_compositor*>(bind(&wl_compositor_interface, 4));
  } else if (std::strcmp(interface, wl_shm_interface.name) == 0) {
    objects->shm = static_cast<wl_shm*>(bind(&wl_shm_interface, 1));
  } else if (std::strcmp(interface, wl_seat_interface.name) == 0 && objects->seat == nullptr) {
    objects->seat = static_cast<wl_seat*>(bind(&wl_seat_interface, 5));
    wl_seat_add_listener(objects->seat, &kSeatListener, objects);
  } else if (std::strcmp(interface, xdg_wm_base_interface.name) == 0) {
    objects->shell = static_cast<xdg_wm_base*>(bind(&xdg_wm_base_interface, 1));
    xdg_wm_base_add_listener(objects->shell, &kShellListener, objects);
  }
}
void OnGlobalRemove(void*, wl_registry*, std::uint32_t) {}
const wl_registry_listener kRegistryListener{OnGlobal, OnGlobalRemove};

}  // namespace

WaylandKeyboardWitness::WaylandKeyboardWitness(const std::string& socket, const std::string& title)
    : display_(wl_display_connect(socket.c_str())) {
  if (display_ == nullptr) {
    return;
  }
  objects_ = new Objects;
  objects_->registry = wl_display_get_registry(display_);
  wl_registry_add_listener(objects_->registry, &kRegistryListener, objects_);
  wl_display_roundtrip(display_);
  if (objects_->compositor == nullptr || objects_->shm == nullptr || objects_->shell == nullptr) {
    return;
  }
  objects_->surface = wl_compositor_create_surface(objects_->compositor);
  objects_->shell_surface = xdg_wm_base_get_xdg_surface(objects_->shell, objects_->surface);
  xdg_surface_add_listener(objects_->shell_surface, &kShellSurfaceListener, objects_);
  objects_->toplevel = xdg_surface_get_toplevel(objects_->shell_surface);
  xdg_toplevel_set_title(objects_->toplevel, title.c_str());
  xdg_toplevel_set_app_id(objects_->toplevel, title.c_str());
  wl_surface_commit(objects_->surface);
  wl_display_roundtrip(display_);
  thread_ = std::thread([this] { Run(); });
}

WaylandKeyboardWitness::~WaylandKeyboardWitness() {
  stop_ = true;
  if (thread_.joinable()) {
    thread_.join();
  }
  if (objects_ != nullptr) {
    Destroy(objects_->keyboard, wl_keyboard_destroy);
    Destroy(objects_->toplevel, xdg_toplevel_destroy);
    Destroy(objects_->shell_surface, xdg_surface_destroy);
    Destroy(objects_->surface, wl_surface_destroy);
    Destroy(objects_->buffer, wl_buffer_destroy);
    Destroy(objects_->shell, xdg_wm_base_destroy);
    Destroy(objects_->seat, wl_seat_destroy);
    Destroy(objects_->shm, wl_shm_destroy);
    Destroy(objects_->compositor, wl_compositor_destroy);
    Destroy(objects_->registry, wl_registry_destroy);
    delete objects_;
  }
  if (display_ != nullptr) {
    wl_display_disconnect(display_);
  }
}

std::optional<bool> WaylandKeyboardWitness::NumLock() const {
  if (objects_ == nullptr || !objects_->focused) {
    return std::nullopt;
  }
  return (objects_->locked & kMod2) != 0;
}

// The events as they come, on this thread only; a tenth of a second at most
// between looks at whether to stop.
void WaylandKeyboardWitness::Run() {
  while (!stop_ && wl_display_get_error(display_) == 0) {
    while (wl_display_prepare_read(display_) != 0) {
      wl_display_dispatch_pending(display_);
    }
    wl_display_flush(display_);
    pollfd readable{wl_display_get_fd(display_), POLLIN, 0};
    if (poll(&readable, 1, 100) > 0) {
      wl_display_read_events(display_);
    } else {
      wl_display_cancel_read(display_);
    }
    wl_display_dispatch_pending(display_);
  }
}

}  // namespace testing_support
