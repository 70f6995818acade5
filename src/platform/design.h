// Designs are data: a window and its controls as they stand when the window is
// created, before its load handler runs. Geometry is in twips (1/1440 inch),
// colours are 0xBBGGRR values, red in the low byte.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace platform {

using Twips = float;
using Colour = std::uint32_t;

inline constexpr Colour kBlack = 0x000000;
inline constexpr Colour kRed = 0x0000FF;
inline constexpr Colour kGreen = 0x00FF00;

struct FontDesign {
  std::string_view face = "MS Sans Serif";
  float points = 8.25f;
  int weight = 400;  // 400 regular, 700 bold
  int charset = 0;   // ANSI
  bool italic = false;
  bool underline = false;
  bool strikeout = false;
};

enum class ControlKind { Label, Timer, PushButton, TextBox, PictureBox };
enum class Border { None, FixedSingle };
enum class Alignment { Left, Centre };

struct ControlDesign {
  std::string_view name{};
  ControlKind kind = ControlKind::Label;
  Twips left = 0, top = 0, width = 0, height = 0;
  std::optional<Colour> back_colour{};  // nullopt: the desktop theme's colour
  std::optional<Colour> fore_colour{};
  std::optional<FontDesign> font{};  // nullopt: the window's font
  std::string_view caption{};        // label or button caption, text box text
  int tab_index = -1;                // -1 for timers
  bool takes_focus = false;          // labels never do
  Border border = Border::None;
  Alignment alignment = Alignment::Left;
  bool multi_line = false;
  bool locked = false;          // text can be selected and copied, not edited
  bool default_button = false;  // Enter presses it
  bool cancel_button = false;   // Esc presses it
  std::string_view picture{};   // built-in image name, picture boxes only
  bool auto_size = false;       // picture box fits its picture plus border
  bool handles_click = false;   // events the program listens to
  bool handles_dbl_click = false;
  bool enabled = false;  // timers: design Enabled
  int interval = 0;      // timers: design Interval, milliseconds
};

enum class StartPosition { WindowsDefault, CentreScreen };

struct FormDesign {
  std::string_view name{};
  std::string_view caption{};
  // Both windows of the program use a sizable tool-window frame: a thin
  // resizable frame, a small caption bar with a close box only, and no
  // taskbar button.
  bool close_box = true;
  bool show_in_taskbar = false;
  StartPosition start_position = StartPosition::WindowsDefault;
  Twips client_width = 0, client_height = 0;
  std::optional<Colour> back_colour{};  // nullopt: the theme's 3-D face colour
  FontDesign font{};
  std::string_view icon{};                    // built-in image name
  std::span<const ControlDesign> controls{};  // stacking order, top first
};

}  // namespace platform
