#include "about/about_design.h"

#include <array>

namespace about {

namespace {

using platform::Alignment;
using platform::Border;
using platform::ControlDesign;
using platform::ControlKind;
using platform::FontDesign;

constexpr FontDesign kLabelFont{.face = "MS Sans Serif", .points = 13.5f, .weight = 400};
constexpr FontDesign kLinkFont{.face = "MS Sans Serif", .points = 8.25f, .weight = 700};

// All five text labels share one look: green on black, one line, centred.
constexpr ControlDesign TextLabel(std::string_view name, platform::Twips left, platform::Twips top,
                                  platform::Twips width, std::string_view caption, int tab_index) {
  return {.name = name,
          .kind = ControlKind::Label,
          .left = left,
          .top = top,
          .width = width,
          .height = 495,
          .back_colour = platform::kBlack,
          .fore_colour = platform::kGreen,
          .font = kLabelFont,
          .caption = caption,
          .tab_index = tab_index,
          .border = Border::FixedSingle,
          .alignment = Alignment::Centre};
}

// Stacking order, top first; no two controls overlap.
constexpr std::array kControls{
    ControlDesign{.name = "MARQUENT_WEBSITE_LINK",
                  .kind = ControlKind::TextBox,
                  .left = 4920,
                  .top = 3360,
                  .width = 4215,
                  .height = 375,
                  .font = kLinkFont,
                  .caption = kWebsiteText,
                  .tab_index = 7,
                  .takes_focus = true,
                  .border = Border::FixedSingle,
                  .alignment = Alignment::Centre,
                  .multi_line = true,
                  .locked = true},
    ControlDesign{.name = "VARN_PIC_PICBOX",
                  .kind = ControlKind::PictureBox,
                  .left = 4680,
                  .top = 720,
                  .width = 4770,
                  .height = 2490,
                  .tab_index = 6,
                  .takes_focus = true,
                  .border = Border::FixedSingle,
                  .picture = "about",
                  .auto_size = true},
    ControlDesign{.name = "OK_BUTTON",
                  .kind = ControlKind::PushButton,
                  .left = 1440,
                  .top = 2880,
                  .width = 1935,
                  .height = 615,
                  .caption = "OK",
                  .tab_index = 4,
                  .takes_focus = true,
                  .default_button = false,
                  .cancel_button = false,
                  .handles_click = true},
    TextLabel("VARN_DEDICATION_LABEL", 4920, 120, 4215, "DEDICATED TO V.A.R.N.", 5),
    TextLabel("BRELLOCK_VARN_ON_TITLE", 120, 120, 4335, "BRELLOCK - VARN-ON", 3),
    [] {
      ControlDesign creator =
          TextLabel("BRELLOCK_VARN_ON_CREATOR", 120, 1320, 4335, "Created By Tavisk", 2);
      creator.handles_dbl_click = true;
      return creator;
    }(),
    TextLabel("BRELLOCK_VARN_ON_VERSION", 120, 720, 4335, "Version 1.0", 1),
    TextLabel("BRELLOCK_VARN_ON_FREEWARE", 120, 1920, 4335, "!!! FREEWARE !!!", 0),
};

constexpr platform::FormDesign kAboutWindow{
    .name = "VARN_ON_ABOUT",
    .caption = "VARN-ON",
    .close_box = true,
    .show_in_taskbar = false,
    .start_position = platform::StartPosition::CentreScreen,
    .client_width = 9615,
    .client_height = 3930,
    .back_colour = std::nullopt,
    .font = {},
    .icon = "icon",
    .controls = kControls,
};

}  // namespace

const platform::FormDesign& AboutWindowDesign() {
  return kAboutWindow;
}

}  // namespace about
