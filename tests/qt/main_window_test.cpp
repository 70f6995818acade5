#include <gtest/gtest.h>

#include <QProcess>
#include <QWidget>
#include <algorithm>

#include "app/main_design.h"
#include "app/placement.h"
#include "app/settings.h"
#include "platform/form.h"
#include "platform/twips.h"
#include "program_script.h"
#include "x11_probe.h"

namespace {

using namespace testing_support;

bool Contains(const std::vector<std::string>& names, const std::string& name) {
  return std::ranges::find(names, name) != names.end();
}

bool Near(const QRect& a, const QRect& b) {
  return std::abs(a.x() - b.x()) <= 1 && std::abs(a.y() - b.y()) <= 1 &&
         std::abs(a.width() - b.width()) <= 1 && std::abs(a.height() - b.height()) <= 1;
}

QRect ExpectedOuter(QtProgram& program, float left, float top, float width, float height) {
  const double twips_per_pixel = program.backend.TwipsPerPixel();
  return QRect(platform::TwipsToPixels(left, twips_per_pixel),
               platform::TwipsToPixels(top, twips_per_pixel),
               platform::TwipsToPixels(width, twips_per_pixel),
               platform::TwipsToPixels(height, twips_per_pixel));
}

TEST(QtMainWindow, IsATitledUtilityWindowWithOnlyACloseBoxAndNoTaskbarButton) {
  QtProgram program;
  program.Start();
  const std::string failure = RunScript(
      program, {MainWindowShown(program,
                                [&] {
                                  const xcb_window_t main = program.MainId();
                                  EXPECT_EQ(WindowName(main), "     BRELLOCK - VARN-ON");
                                  EXPECT_TRUE(Contains(AtomList(main, "_NET_WM_WINDOW_TYPE"),
                                                       "_NET_WM_WINDOW_TYPE_UTILITY"));
                                  EXPECT_TRUE(Contains(AtomList(main, "_NET_WM_STATE"),
                                                       "_NET_WM_STATE_SKIP_TASKBAR"));
                                  const QWidget* widget = QWidget::find(main);
                                  ASSERT_NE(widget, nullptr);
                                  const Qt::WindowFlags flags = widget->windowFlags();
                                  EXPECT_EQ(widget->windowType(), Qt::Tool);
                                  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
                                  EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
                                  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
                                  EXPECT_FALSE(widget->windowIcon().isNull());
                                }),
                SendClose(program), ProgramEnded(program)});
  EXPECT_EQ(failure, "");
}

TEST(QtMainWindow, OuterRectangleIsTheDefaultPlacementInTwips) {
  QtProgram program;
  program.Start();
  const app::PlacementKeys& keys = app::kMainPlacement;
  const QRect expected = ExpectedOuter(program, keys.default_left, keys.default_top,
                                       keys.default_width, keys.default_height);
  QRect seen;
  const std::string failure =
      RunScript(program, {MainWindowShown(program),
                          {"the outer frame at the default placement",
                           [&] {
                             seen = OuterFrame(program.MainId()).value_or(QRect());
                             return Near(seen, expected);
                           },
                           [&] {
                             // Read back exactly as assigned while the window stays put.
                             platform::Form& main = program.app.Forms(0);
                             EXPECT_EQ(main.Left(), keys.default_left);
                             EXPECT_EQ(main.Top(), keys.default_top);
                             EXPECT_EQ(main.Width(), keys.default_width);
                             EXPECT_EQ(main.Height(), keys.default_height);
                           }},
                          SendClose(program),
                          ProgramEnded(program)});
  EXPECT_EQ(failure, "") << "outer frame seen at " << seen.x() << "," << seen.y() << " "
                         << seen.width() << "x" << seen.height();
}

TEST(QtMainWindow, StandsWhereTheStoredPositionSays) {
  QtProgram program;
  program.Preset("MainLeft", "3000");
  program.Preset("MainTop", "4500");
  program.Start();
  const app::PlacementKeys& keys = app::kMainPlacement;
  const QRect expected =
      ExpectedOuter(program, 3000, 4500, keys.default_width, keys.default_height);
  QRect seen;
  const std::string failure =
      RunScript(program, {MainWindowShown(program),
                          {"the outer frame at the stored position",
                           [&] {
                             seen = OuterFrame(program.MainId()).value_or(QRect());
                             return Near(seen, expected);
                           }},
                          SendClose(program),
                          ProgramEnded(program)});
  EXPECT_EQ(failure, "") << "outer frame seen at " << seen.x() << "," << seen.y();
}

TEST(QtMainWindow, LampsLightOneAfterAnotherOnTheBlackStrip) {
  QtProgram program;
  program.Start();
  const std::string failure = RunScript(
      program,
      {MainWindowShown(program),
       {"lamp 1 red on screen", [&] { return IsRed(ScreenPixel(program.LampCentre(1))); }},
       {"lamp 2 red and lamp 1 black on screen",
        [&] {
          return IsRed(ScreenPixel(program.LampCentre(2))) &&
                 IsBlack(ScreenPixel(program.LampCentre(1)));
        },
        [&] {
          // The strip shows between the lamps and at its corner.
          const QRect lamp1 =
              program.ControlRect(program.MainId(), app::MainWindowDesign(), "VARN_LABEL_1");
          const QRect lamp2 =
              program.ControlRect(program.MainId(), app::MainWindowDesign(), "VARN_LABEL_2");
          const QRect strip = program.ControlRect(program.MainId(), app::MainWindowDesign(),
                                                  "VARN_BACKGROUND_LABEL");
          EXPECT_TRUE(
              IsBlack(ScreenPixel(QPoint((lamp1.right() + lamp2.left()) / 2, lamp1.center().y()))));
          EXPECT_TRUE(IsBlack(ScreenPixel(strip.topLeft() + QPoint(1, 1))));
          EXPECT_TRUE(IsBlack(ScreenPixel(strip.bottomRight() - QPoint(1, 1))));
        }},
       SendClose(program),
       ProgramEnded(program)});
  EXPECT_EQ(failure, "");
}

TEST(QtMainWindow, CloseSavesTheOuterPositionAndEndsTheProgram) {
  QtProgram program;
  program.Start();
  QRect moved;
  const std::string failure = RunScript(
      program,
      {MainWindowShown(program,
                       [&] {
                         QProcess::execute(
                             QStringLiteral("xdotool"),
                             {"windowmove", QString::number(program.MainId()), "300", "200"});
                       }),
       {"the window moved by the user",
        [&] {
          moved = OuterFrame(program.MainId()).value_or(QRect());
          return moved.x() > 200 && moved.y() > 100;
        }},
       SendClose(program),
       ProgramEnded(program)});
  EXPECT_EQ(failure, "");
  const double twips_per_pixel = program.backend.TwipsPerPixel();
  const QString ini = program.config.IniText();
  EXPECT_TRUE(ini.startsWith("[Settings]")) << ini.toStdString();
  EXPECT_TRUE(ini.contains(QString::fromStdString(
      "MainLeft=" + app::NumberToText(platform::PixelsToTwips(moved.x(), twips_per_pixel)))))
      << ini.toStdString();
  EXPECT_TRUE(ini.contains(QString::fromStdString(
      "MainTop=" + app::NumberToText(platform::PixelsToTwips(moved.y(), twips_per_pixel)))))
      << ini.toStdString();
}

}  // namespace
