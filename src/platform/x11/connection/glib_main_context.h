// GLib's default main context, driven from the program's one poll() loop as
// a loop of GLib's own would drive it: for the modules that bring GLib's
// sources (the Wayland keys' portal calls, the GTK windows' display).
#pragma once

#include <glib.h>

#include <vector>

#include "platform/x11/connection/event_loop.h"

namespace platform::x11 {

class GlibMainContext final : public WatchedFiles {
 public:
  void AddWatches(std::vector<pollfd>& files, int& timeout_ms) override;
  void OnWatched(std::span<const pollfd> files) override;

 private:
  std::vector<GPollFD> files_;  // this wait's
  gint priority_ = 0;
  bool acquired_ = false;
};

}  // namespace platform::x11
