// What the program does when its surroundings go wrong: settings that can't
// be saved, vanish, turn to junk or hold nonsense, two copies sharing them,
// and an X display that goes away or was never there.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <ostream>

#include "app/placement.h"
#include "program_process.h"
#include "program_script.h"

namespace {

using namespace testing_support;

// Moves a window as the user would, and waits until its frame stands there.
std::optional<QRect> MoveWindow(const DisplayClient& x, xcb_window_t window, int left, int top) {
  Xdotool({"windowmove", QString::number(window), QString::number(left), QString::number(top)});
  std::optional<QRect> frame;
  const bool moved = WaitUntil(
      [&] {
        frame = x.OuterFrame(window);
        return frame && std::abs(frame->x() - left) < 30 && std::abs(frame->y() - top) < 30;
      },
      15s);
  return moved ? frame : std::nullopt;
}

class SettingsFaults : public OnTheDesktop {
 protected:
  xcb_window_t Start(ProgramProcess& program) { return program.WaitForMainWindow(x_, true); }
  QString Ini() const { return IniPath(config_.path()); }
};

TEST_F(SettingsFaults, UnusableSettingsFolderOnlyCostsTheSavedPosition) {
  // A folder below a plain file can't be made, not even by root.
  WriteFile(config_.filePath("plain-file"), "x");
  ProgramProcess program(display_, config_.filePath("plain-file/config"));
  const xcb_window_t window = Start(program);
  ASSERT_NE(window, XCB_NONE);
  EXPECT_EQ(program.Stderr(), "");
  program.CloseAndExpectCleanExit(x_, window);
  EXPECT_EQ(program.Stderr(),
            "brellock-varn-on: could not save setting MainLeft\n"
            "brellock-varn-on: could not save setting MainTop\n");
}

TEST_F(SettingsFaults, SettingsDeletedWhileRunningAreWrittenAfresh) {
  WriteFile(Ini(), "[Settings]\nMainLeft=3000\nMainTop=4500\n");
  ProgramProcess program(display_, config_.path());
  const xcb_window_t window = Start(program);
  ASSERT_NE(window, XCB_NONE);
  // The stored position is honoured: 3000 and 4500 twips.
  ASSERT_TRUE(WaitUntil(
      [&] { return x_.OuterFrame(window).value_or(QRect()).topLeft() == QPoint(200, 300); }, 15s));
  // The folder goes with the file.
  ASSERT_TRUE(QDir(QFileInfo(Ini()).absolutePath()).removeRecursively());
  program.CloseAndExpectCleanExit(x_, window);
  EXPECT_EQ(program.Stderr(), "");
  EXPECT_TRUE(ReadFile(Ini()).startsWith("[Settings]\n"));
  EXPECT_EQ(StoredNumber(config_.path(), "MainLeft"), 3000.0f);
  EXPECT_EQ(StoredNumber(config_.path(), "MainTop"), 4500.0f);
}

TEST_F(SettingsFaults, SettingsTurnedToJunkWhileRunningAreReplacedAndUsedNextTime) {
  WriteFile(Ini(), "[Settings]\nMainLeft=3000\nMainTop=4500\n");
  std::optional<QRect> moved;
  {
    ProgramProcess program(display_, config_.path());
    const xcb_window_t window = Start(program);
    ASSERT_NE(window, XCB_NONE);
    moved = MoveWindow(x_, window, 420, 260);
    ASSERT_TRUE(moved.has_value()) << "the window could not be moved";
    QByteArray junk;
    for (int i = 0; i < 4096; ++i) {
      junk.append(static_cast<char>((i * 7919 + 13) % 256));
    }
    junk.append("\n[Settings]\n=\n\0\xff\xfe[[", 16);
    WriteFile(Ini(), junk);
    program.CloseAndExpectCleanExit(x_, window);
    EXPECT_EQ(program.Stderr(), "");
  }
  EXPECT_EQ(StoredNumber(config_.path(), "MainLeft"), TwipsOf(moved->x()));
  EXPECT_EQ(StoredNumber(config_.path(), "MainTop"), TwipsOf(moved->y()));

  ProgramProcess again(display_, config_.path());
  const xcb_window_t window = Start(again);
  ASSERT_NE(window, XCB_NONE);
  std::optional<QRect> seen;
  EXPECT_TRUE(WaitUntil(
      [&] {
        seen = x_.OuterFrame(window);
        return seen && Near(*seen, *moved);
      },
      15s))
      << "started at " << (seen ? seen->x() : -1) << "," << (seen ? seen->y() : -1);
  again.CloseAndExpectCleanExit(x_, window);
  EXPECT_EQ(again.Stderr(), "");
}

TEST_F(SettingsFaults, EndOfTheSessionClosesLikeTheUserAndSaves) {
  ProgramProcess program(display_, config_.path());
  const xcb_window_t window = Start(program);
  ASSERT_NE(window, XCB_NONE);
  const auto place = MoveWindow(x_, window, 400, 350);
  ASSERT_TRUE(place);
  program.Terminate();
  ASSERT_TRUE(program.Ended(15s));
  EXPECT_TRUE(program.EndedWithStatus(0)) << program.Outcome();
  EXPECT_EQ(program.Stderr(), "");
  EXPECT_EQ(StoredNumber(config_.path(), "MainLeft"), TwipsOf(place->x()));
  EXPECT_EQ(StoredNumber(config_.path(), "MainTop"), TwipsOf(place->y()));
}

// Two copies share one file: whichever closes last has its position kept,
// and the file is whole after each close.
class TwoCopies : public SettingsFaults, public testing::WithParamInterface<bool> {};

TEST_P(TwoCopies, TheLastClosedWins) {
  ProgramProcess one(display_, config_.path());
  ProgramProcess two(display_, config_.path());
  const xcb_window_t one_window = Start(one);
  const xcb_window_t two_window = Start(two);
  ASSERT_TRUE(one_window != XCB_NONE && two_window != XCB_NONE);
  const auto one_place = MoveWindow(x_, one_window, 150, 150);
  const auto two_place = MoveWindow(x_, two_window, 600, 450);
  ASSERT_TRUE(one_place && two_place);

  const bool first_started_closes_first = GetParam();
  for (const int copy : {first_started_closes_first ? 0 : 1, first_started_closes_first ? 1 : 0}) {
    ProgramProcess& program = copy == 0 ? one : two;
    const QRect place = copy == 0 ? *one_place : *two_place;
    program.CloseAndExpectCleanExit(x_, copy == 0 ? one_window : two_window);
    EXPECT_EQ(program.Stderr(), "");
    EXPECT_EQ(StoredNumber(config_.path(), "MainLeft"), TwipsOf(place.x()));
    EXPECT_EQ(StoredNumber(config_.path(), "MainTop"), TwipsOf(place.y()));
  }
}

INSTANTIATE_TEST_SUITE_P(EitherOrder, TwoCopies, testing::Bool());

// Nonsense stored for all four keys of the main window: it opens at the
// defaults, and nothing is written before it closes.
struct BadValue {
  const char* name;
  QByteArray text;
};

void PrintTo(const BadValue& value, std::ostream* out) {
  *out << value.name;
}

class BadStoredValue : public testing::TestWithParam<BadValue> {};

TEST_P(BadStoredValue, MainWindowOpensAtTheDefaultsAndTheFileIsLeftAlone) {
  QtProgram program;
  QByteArray ini = "[Settings]\n";
  for (const char* key : {"MainLeft", "MainTop", "MainWidth", "MainHeight"}) {
    ini += QByteArray(key) + "=" + GetParam().text + "\n";
  }
  WriteFile(program.config.IniPath(), ini);
  const QDateTime written = QFileInfo(program.config.IniPath()).lastModified();
  const app::PlacementKeys& keys = app::kMainPlacement;
  const QRect defaults =
      PixelRect(keys.default_left, keys.default_top, keys.default_width, keys.default_height);
  QRect seen;
  const std::string failure =
      RunScript(program, {MainWindowShown(program),
                          {"the outer frame at the default placement",
                           [&] {
                             seen = Desktop().OuterFrame(program.MainId()).value_or(QRect());
                             return Near(seen, defaults);
                           },
                           [&] {
                             EXPECT_EQ(ReadFile(program.config.IniPath()), ini);
                             EXPECT_EQ(QFileInfo(program.config.IniPath()).lastModified(), written);
                           }},
                          SendClose(program),
                          ProgramEnded(program)});
  EXPECT_EQ(failure, "") << "outer frame seen at " << seen.x() << "," << seen.y() << " "
                         << seen.width() << "x" << seen.height();
  // Closing saves the position it stood at; the sizes are never written.
  EXPECT_EQ(StoredNumber(program.config.Path(), "MainLeft"), keys.default_left);
  EXPECT_EQ(StoredNumber(program.config.Path(), "MainTop"), keys.default_top);
}

INSTANTIATE_TEST_SUITE_P(
    AllFourMainKeys, BadStoredValue,
    testing::Values(BadValue{"Letters", "abc"}, BadValue{"Empty", ""}, BadValue{"Spaces", "   "},
                    BadValue{"NotANumber", "nan"}, BadValue{"Infinite", "inf"},
                    BadValue{"MinusInfinite", "-inf"}, BadValue{"TooLarge", "1e40"},
                    BadValue{"TooSmall", "1e-50"},
                    BadValue{"FourHundredDigits", "1" + QByteArray(399, '0')},
                    BadValue{"OneMebibyte", QByteArray(1 << 20, '7')},
                    BadValue{"BinaryBytes", QByteArray("\x01\x02\x7f\x80\xfe\xff\x00\x1b", 8)},
                    BadValue{"CommaList", "1,2"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- the X display ----------------------------------------------------------------

TEST(XDisplayFaults, ServerGoingAwayEndsTheProgramWithOneLineAndAFailureStatus) {
  PrivateXServer server;
  ASSERT_FALSE(server.Display().empty()) << "could not start Xvfb";
  QTemporaryDir config;
  ProgramProcess program(server.Display(), config.path());
  {
    DisplayClient x(server.Display());
    ASSERT_TRUE(x.Ok());
    const xcb_window_t window = program.WaitForMainWindow(x, /*framed=*/false);
    ASSERT_NE(window, XCB_NONE);
    // The server goes while the program runs, not while it is still starting:
    // once its lamps have been painted twice.
    int lamp = 0;
    ASSERT_TRUE(WaitUntil([&] { return (lamp = RedLamp(x, window)) != 0; }, 15s));
    ASSERT_TRUE(WaitUntil([&] { return RedLamp(x, window) != lamp; }, 15s));
  }
  server.Kill();
  ASSERT_TRUE(program.Ended(15s)) << "the program kept running without its X server";
  EXPECT_TRUE(program.Outcome().starts_with("exit status ") && !program.EndedWithStatus(0))
      << program.Outcome();
  const std::string said = program.Stderr();
  EXPECT_TRUE(std::ranges::count(said, '\n') == 1 && said.ends_with("\n") &&
              said.find("X11") != std::string::npos)
      << said;
}

TEST(XDisplayFaults, NoDisplayAtAllEndsWithOneLineAndStatusOne) {
  QTemporaryDir config;
  ProgramProcess program(std::nullopt, config.path());
  ASSERT_TRUE(program.Ended(30s)) << "the program kept running without a display";
  EXPECT_TRUE(program.EndedWithStatus(1)) << program.Outcome();
  EXPECT_EQ(program.Stderr(),
            "brellock-varn-on: cannot open the X display (DISPLAY is not set); this program "
            "needs X11\n");
}

}  // namespace
