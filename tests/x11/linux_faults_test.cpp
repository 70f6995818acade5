// What the program does when its surroundings go wrong: settings that can't
// be saved, vanish, turn to junk or hold nonsense, two copies sharing them,
// and an X display that goes away or was never there.
#include <sys/stat.h>

#include <ostream>

#include "x11_test_support.h"

namespace {

using namespace testing_support;

// Moves a window as the user would, and waits until its frame stands there.
std::optional<Rect> MoveWindow(const DisplayClient& x, xcb_window_t window, int left, int top) {
  Xdotool({"windowmove", std::to_string(window), std::to_string(left), std::to_string(top)});
  std::optional<Rect> frame;
  const bool moved = WaitUntil(
      [&] {
        frame = x.OuterFrame(window);
        return frame && std::abs(frame->x - left) < 30 && std::abs(frame->y - top) < 30;
      },
      15s);
  return moved ? frame : std::nullopt;
}

class SettingsFaults : public OnTheDesktop {
 protected:
  xcb_window_t Start(ProgramProcess& program) { return program.WaitForMainWindow(x_, true); }
  std::string Ini() const { return IniPath(config_.Path()); }
};

TEST_F(SettingsFaults, UnusableSettingsFolderOnlyCostsTheSavedPosition) {
  // A folder below a plain file can't be made, not even by root.
  WriteFile(config_.File("plain-file"), "x");
  ProgramProcess program(display_, config_.File("plain-file/config"));
  const xcb_window_t window = Start(program);
  ASSERT_NE(window, XCB_NONE);
  EXPECT_EQ(program.Stderr(), "");
  program.CloseAndExpectCleanExit(x_, window);
  EXPECT_EQ(program.Stderr(),
            "brellock-varn-on: could not save setting MainLeft\n"
            "brellock-varn-on: could not save setting MainTop\n");
}

// A FIFO at the settings path once hung the program before its window came.
TEST_F(SettingsFaults, AFifoWhereTheFileBelongsNeitherHangsNorIsReplaced) {
  std::filesystem::create_directories(std::filesystem::path(Ini()).parent_path());
  ASSERT_EQ(mkfifo(Ini().c_str(), 0600), 0);
  ProgramProcess program(display_, config_.Path());
  const xcb_window_t window = Start(program);
  ASSERT_NE(window, XCB_NONE);
  EXPECT_EQ(x_.OuterFrame(window)->x, 67);  // the defaults
  program.Terminate();
  ASSERT_TRUE(program.Ended(15s)) << "SIGTERM did not end the program";
  EXPECT_TRUE(program.EndedWithStatus(0)) << program.Outcome();
  EXPECT_TRUE(std::filesystem::is_fifo(Ini()));
  EXPECT_EQ(program.Stderr(),
            "brellock-varn-on: could not save setting MainLeft\n"
            "brellock-varn-on: could not save setting MainTop\n");
}

// The settings folder deleted, or the file turned to junk, while the program
// runs: at close the file is written afresh with where the window stood, and
// the next start opens there.
TEST_F(SettingsFaults, SettingsDeletedOrTurnedToJunkWhileRunningAreWrittenAfreshAndUsed) {
  std::string junk;
  for (int i = 0; i < 4096; ++i) {
    junk += static_cast<char>((i * 7919 + 13) % 256);
  }
  junk += std::string("\n[Settings]\n=\n\0\xff\xfe[[", 16);
  for (const bool deleted : {true, false}) {
    SCOPED_TRACE(deleted ? "the folder deleted" : "the file turned to junk");
    WriteFile(Ini(), "[Settings]\nMainLeft=3000\nMainTop=4500\n");
    std::optional<Rect> moved;
    {
      ProgramProcess program(display_, config_.Path());
      const xcb_window_t window = Start(program);
      ASSERT_NE(window, XCB_NONE);
      moved = MoveWindow(x_, window, 420, 260);
      ASSERT_TRUE(moved.has_value()) << "the window could not be moved";
      if (deleted) {
        std::filesystem::remove_all(std::filesystem::path(Ini()).parent_path());
      } else {
        WriteFile(Ini(), junk);
      }
      program.CloseAndExpectCleanExit(x_, window);
      EXPECT_EQ(program.Stderr(), "");
    }
    EXPECT_EQ(StoredNumber(config_.Path(), "MainLeft"), TwipsOf(moved->x));
    EXPECT_EQ(StoredNumber(config_.Path(), "MainTop"), TwipsOf(moved->y));

    ProgramProcess again(display_, config_.Path());
    const xcb_window_t window = Start(again);
    ASSERT_NE(window, XCB_NONE);
    std::optional<Rect> seen;
    EXPECT_TRUE(WaitUntil(
        [&] {
          seen = x_.OuterFrame(window);
          return seen && Near(*seen, *moved);
        },
        15s))
        << "started at " << (seen ? seen->x : -1) << "," << (seen ? seen->y : -1);
    again.CloseAndExpectCleanExit(x_, window);
    EXPECT_EQ(again.Stderr(), "");
  }
}

TEST_F(SettingsFaults, EndOfTheSessionClosesLikeTheUserAndSaves) {
  ProgramProcess program(display_, config_.Path());
  const xcb_window_t window = Start(program);
  ASSERT_NE(window, XCB_NONE);
  const auto place = MoveWindow(x_, window, 400, 350);
  ASSERT_TRUE(place);
  program.Terminate();
  ASSERT_TRUE(program.Ended(15s));
  EXPECT_TRUE(program.EndedWithStatus(0)) << program.Outcome();
  EXPECT_EQ(program.Stderr(), "");
  EXPECT_EQ(StoredNumber(config_.Path(), "MainLeft"), TwipsOf(place->x));
  EXPECT_EQ(StoredNumber(config_.Path(), "MainTop"), TwipsOf(place->y));
}

// Two copies share one file: whichever closes last has its position kept,
// and the file is whole after each close.
class TwoCopies : public SettingsFaults, public testing::WithParamInterface<bool> {};

TEST_P(TwoCopies, TheLastClosedWins) {
  ProgramProcess one(display_, config_.Path());
  ProgramProcess two(display_, config_.Path());
  const xcb_window_t one_window = Start(one);
  const xcb_window_t two_window = Start(two);
  ASSERT_TRUE(one_window != XCB_NONE && two_window != XCB_NONE);
  const auto one_place = MoveWindow(x_, one_window, 150, 150);
  const auto two_place = MoveWindow(x_, two_window, 600, 450);
  ASSERT_TRUE(one_place && two_place);

  const bool first_started_closes_first = GetParam();
  for (const int copy : {first_started_closes_first ? 0 : 1, first_started_closes_first ? 1 : 0}) {
    ProgramProcess& program = copy == 0 ? one : two;
    const Rect place = copy == 0 ? *one_place : *two_place;
    program.CloseAndExpectCleanExit(x_, copy == 0 ? one_window : two_window);
    EXPECT_EQ(program.Stderr(), "");
    EXPECT_EQ(StoredNumber(config_.Path(), "MainLeft"), TwipsOf(place.x));
    EXPECT_EQ(StoredNumber(config_.Path(), "MainTop"), TwipsOf(place.y));
  }
}

INSTANTIATE_TEST_SUITE_P(EitherOrder, TwoCopies, testing::Bool());

// ---- the X display ----------------------------------------------------------------

TEST(XDisplayFaults, ServerGoingAwayEndsTheProgramWithOneLineAndAFailureStatus) {
  PrivateXServer server;
  ASSERT_FALSE(server.Display().empty()) << "could not start Xvfb";
  TemporaryFolder config;
  ProgramProcess program(server.Display(), config.Path());
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
  EXPECT_TRUE(program.EndedWithStatus(1)) << program.Outcome();
  EXPECT_EQ(program.Stderr(),
            "brellock-varn-on: lost the connection to the X display; this program needs X11\n");
}

TEST(XDisplayFaults, NoDisplayAtAllEndsWithOneLineAndStatusOne) {
  TemporaryFolder config;
  ProgramProcess program(std::nullopt, config.Path());
  ASSERT_TRUE(program.Ended(30s)) << "the program kept running without a display";
  EXPECT_TRUE(program.EndedWithStatus(1)) << program.Outcome();
  EXPECT_EQ(program.Stderr(),
            "brellock-varn-on: cannot open the X display (DISPLAY is not set); this program "
            "needs X11\n");
}

}  // namespace
