#include "app/main_design.h"

#include <array>

namespace app {

namespace {

using platform::ControlDesign;
using platform::ControlKind;

// Lamp n stands at Left = 120 + 360 * (n - 1), Top 120, 255 twips square.
constexpr ControlDesign Lamp(std::string_view name, platform::Twips left, int tab_index) {
  return {.name = name,
          .kind = ControlKind::Label,
          .left = left,
          .top = 120,
          .width = 255,
          .height = 255,
          .back_colour = platform::kRed,
          .tab_index = tab_index,
          .handles_dbl_click = true};
}

constexpr ControlDesign StepTimer(std::string_view name) {
  return {.name = name, .kind = ControlKind::Timer, .enabled = true, .interval = 0};
}

constexpr ControlDesign NumLockTimer(std::string_view name) {
  return {.name = name, .kind = ControlKind::Timer, .enabled = false, .interval = 0};
}

// Stacking order, top first: the lamps lie above the strip.
constexpr std::array kControls{
    Lamp("VARN_LABEL_7", 2280, 6),
    Lamp("VARN_LABEL_6", 1920, 5),
    Lamp("VARN_LABEL_5", 1560, 4),
    Lamp("VARN_LABEL_4", 1200, 3),
    Lamp("VARN_LABEL_3", 840, 2),
    Lamp("VARN_LABEL_2", 480, 1),
    Lamp("VARN_LABEL_1", 120, 0),
    ControlDesign{.name = "VARN_BACKGROUND_LABEL",
                  .kind = ControlKind::Label,
                  .left = 0,
                  .top = 0,
                  .width = 2655,
                  .height = 495,
                  .back_colour = platform::kBlack,
                  .tab_index = 7,
                  .handles_dbl_click = true},
    NumLockTimer("NUMLOCK_TIMER_1"),
    NumLockTimer("NUMLOCK_TIMER_2"),
    StepTimer("VARN_RED_TIMER_1"),
    StepTimer("VARN_RED_TIMER_2"),
    StepTimer("VARN_RED_TIMER_3"),
    StepTimer("VARN_RED_TIMER_4"),
    StepTimer("VARN_RED_TIMER_5"),
    StepTimer("VARN_RED_TIMER_6"),
    StepTimer("VARN_RED_TIMER_7"),
    StepTimer("VARN_RED_TIMER_8"),
    StepTimer("VARN_RED_TIMER_9"),
    StepTimer("VARN_RED_TIMER_10"),
    StepTimer("VARN_RED_TIMER_11"),
    StepTimer("VARN_RED_TIMER_12"),
    StepTimer("VARN_RED_TIMER_13"),
    StepTimer("VARN_RED_TIMER_14"),
    StepTimer("VARN_RED_TIMER_15"),
    StepTimer("VARN_RED_TIMER_16"),
    StepTimer("AlwaysOnTopTimer"),
};

constexpr platform::FormDesign kMainWindow{
    .name = "VARN_ON_MAIN",
    .caption = "     BRELLOCK - VARN-ON",
    .close_box = true,
    .show_in_taskbar = false,
    .start_position = platform::StartPosition::WindowsDefault,
    .client_width = 2670,
    .client_height = 4185,
    .back_colour = std::nullopt,
    .font = {},
    .icon = "icon",
    .controls = kControls,
};

}  // namespace

const platform::FormDesign& MainWindowDesign() {
  return kMainWindow;
}

}  // namespace app
