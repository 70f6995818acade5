// Starting GTK inside a program that has its own X connection and loop.
#pragma once

namespace platform::gtk_about {

// Starts GTK on the first call; whether it runs (it cannot where GDK cannot
// open the display, which is then said once on stderr).
bool StartGtk();

}  // namespace platform::gtk_about
