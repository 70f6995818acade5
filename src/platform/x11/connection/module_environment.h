// The environment the program's modules start their libraries in, fixed
// once, first thing in main.
#pragma once

namespace platform::x11 {

// Sets what GTK reads when the About window's module starts it, and takes out
// what GTK's library would otherwise take out when it is loaded. Called
// before any other thread can exist: the environment is not changed after
// it, since setenv beside another thread that reads the environment (GLib's
// D-Bus worker, once the Wayland keys module runs) is a data race in the C
// library.
void FixModuleEnvironment();

}  // namespace platform::x11
