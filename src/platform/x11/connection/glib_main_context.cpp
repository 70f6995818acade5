// GLib's sources prepared, asked for their files and dispatched around the
// program's wait.
#include "platform/x11/connection/glib_main_context.h"

namespace platform::x11 {

void GlibMainContext::AddWatches(std::vector<pollfd>& files, int& timeout_ms) {
  GMainContext* context = g_main_context_default();
  files_.clear();
  acquired_ = g_main_context_acquire(context) != FALSE;
  if (!acquired_) {
    return;
  }
  g_main_context_prepare(context, &priority_);
  int glib_timeout = -1;
  files_.resize(8);
  int needed = 0;
  while ((needed = g_main_context_query(context, priority_, &glib_timeout, files_.data(),
                                        static_cast<int>(files_.size()))) >
         static_cast<int>(files_.size())) {
    files_.resize(static_cast<std::size_t>(needed));
  }
  files_.resize(static_cast<std::size_t>(needed));
  for (const GPollFD& file : files_) {
    files.push_back({file.fd, static_cast<short>(file.events), 0});
  }
  if (glib_timeout >= 0 && (timeout_ms < 0 || glib_timeout < timeout_ms)) {
    timeout_ms = glib_timeout;
  }
}

void GlibMainContext::OnWatched(std::span<const pollfd> files) {
  if (!acquired_) {
    return;
  }
  GMainContext* context = g_main_context_default();
  for (std::size_t i = 0; i < files_.size() && i < files.size(); ++i) {
    files_[i].revents = static_cast<gushort>(files[i].revents);
  }
  if (g_main_context_check(context, priority_, files_.data(), static_cast<int>(files_.size()))) {
    g_main_context_dispatch(context);
  }
  g_main_context_release(context);
  acquired_ = false;
}

}  // namespace platform::x11
