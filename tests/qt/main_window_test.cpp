#include <gtest/gtest.h>

#include "app/main_design.h"
#include "app/placement.h"
#include "platform/form.h"
#include "program_script.h"

namespace {

using namespace testing_support;

// A first run: no settings yet.
TEST(QtMainWindow, OpensAtTheDefaultsRunsItsLampsAndSavesWhereItStoodOnClose) {
  QtProgram program;
  ASSERT_EQ(program.backend.TwipsPerPixel(), kTwipsPerPixel);
  const DisplayClient& x = Desktop();
  const app::PlacementKeys& keys = app::kMainPlacement;
  const QRect defaults =
      PixelRect(keys.default_left, keys.default_top, keys.default_width, keys.default_height);
  QRect seen;
  auto lamp = [&](int number) {
    return x.ScreenImage(QRect(program.LampCentre(number), QSize(1, 1))).pixelColor(0, 0);
  };
  const std::string failure = RunScript(
      program,
      {MainWindowShown(program,
                       [&] {
                         const xcb_window_t main = program.MainId();
                         EXPECT_EQ(x.Text(main, "_NET_WM_NAME"), "     BRELLOCK - VARN-ON");
                         EXPECT_TRUE(
                             x.Has(main, "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_UTILITY"));
                         EXPECT_TRUE(x.Has(main, "_NET_WM_STATE", "_NET_WM_STATE_SKIP_TASKBAR"));
                         // 100 x 100 ARGB pixels, row by row: the icon's masked
                         // corner is clear, the dark lamp in its middle opaque.
                         const auto icon = x.Values(main, "_NET_WM_ICON");
                         ASSERT_EQ(icon.size(), 2u + 100 * 100);
                         EXPECT_EQ(icon[0], 100u);
                         EXPECT_EQ(icon[1], 100u);
                         EXPECT_EQ(icon[2 + 0] >> 24, 0u);
                         EXPECT_EQ(icon[2 + 50 * 100 + 50], 0xFF340A0Au);
                         EXPECT_EQ(icon[2 + 50 * 100 + 20], 0xFFA71A12u);
                       }),
       {"the outer frame at the default placement",
        [&] {
          seen = x.OuterFrame(program.MainId()).value_or(QRect());
          return Near(seen, defaults);
        },
        [&] {
          // Read back exactly as assigned while the window stays put.
          platform::Form& main = program.app.Forms(0);
          EXPECT_EQ(main.Left(), keys.default_left);
          EXPECT_EQ(main.Top(), keys.default_top);
          EXPECT_EQ(main.Width(), keys.default_width);
          EXPECT_EQ(main.Height(), keys.default_height);
        }},
       {"lamp 1 red", [&] { return IsRed(lamp(1)); }},
       {"lamp 2 red and lamp 1 black", [&] { return IsRed(lamp(2)) && IsBlack(lamp(1)); },
        [&] {
          // The strip shows between the lamps and at its corners.
          const auto rect = [&](const char* name) {
            return ControlRect(x, program.MainId(), app::MainWindowDesign(), name);
          };
          const QRect strip = rect("VARN_BACKGROUND_LABEL");
          const QImage image = x.ScreenImage(strip);
          const QPoint gap((rect("VARN_LABEL_1").right() + rect("VARN_LABEL_2").left()) / 2,
                           rect("VARN_LABEL_1").center().y());
          EXPECT_TRUE(IsBlack(image.pixelColor(gap - strip.topLeft())));
          EXPECT_TRUE(IsBlack(image.pixelColor(1, 1)));
          EXPECT_TRUE(IsBlack(image.pixelColor(strip.width() - 2, strip.height() - 2)));
          Xdotool({"windowmove", QString::number(program.MainId()), "300", "200"});
        }},
       {"the window moved by the user",
        [&] {
          seen = x.OuterFrame(program.MainId()).value_or(QRect());
          return seen.x() > 200 && seen.y() > 100;
        }},
       SendClose(program),
       ProgramEnded(program)});
  ASSERT_EQ(failure, "") << "outer frame seen at " << seen.x() << "," << seen.y() << " "
                         << seen.width() << "x" << seen.height();
  EXPECT_TRUE(ReadFile(program.config.IniPath()).startsWith("[Settings]\n"));
  EXPECT_EQ(StoredNumber(program.config.Path(), "MainLeft"), TwipsOf(seen.x()));
  EXPECT_EQ(StoredNumber(program.config.Path(), "MainTop"), TwipsOf(seen.y()));
}

}  // namespace
