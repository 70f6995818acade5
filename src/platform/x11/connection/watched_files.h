// Files someone else needs watched along with the event loop's own, such as
// the connections of a module loaded later.
#pragma once

#include <poll.h>

#include <span>
#include <vector>

namespace platform::x11 {

class WatchedFiles {
 public:
  virtual ~WatchedFiles() = default;
  // Just before the wait: the files and the longest wait (-1: no limit).
  virtual void AddWatches(std::vector<pollfd>& files, int& timeout_ms) = 0;
  // Just after it, with what became of the files added.
  virtual void OnWatched(std::span<const pollfd> files) = 0;
};

}  // namespace platform::x11
