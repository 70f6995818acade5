// The measured program runs as the watcher's child in a process group of its
// own, so whatever helpers it starts (Wine's) are stopped with it.
#pragma once

#include <X11/Xlib.h>
#include <sys/types.h>

#include "x11_windows.h"

namespace bench {

pid_t Launch(char* const* command);  // command ends with nullptr
bool Exited(pid_t child);
// Stops the child and waits until its window has gone from the screen, so the
// next program starts on an empty screen.
void Stop(pid_t child, Display* display, const WindowQuery& query);

}  // namespace bench
