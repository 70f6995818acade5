// What the program does when its surroundings go wrong: settings that can't
// be saved, vanish, turn to junk or hold nonsense, two copies sharing them,
// and an X display that was never there (one that goes away:
// ProgramWithoutWindowManager).
#include <sys/stat.h>

#include "x11_test_support.h"

namespace {

using namespace testing_support;

class SettingsFaults : public OnTheDesktop {
 protected:
  xcb_window_t Start(ProgramProcess& program) { return program.WaitForMainWindow(x_, true); }
  std::string Ini() const { return IniPath(config_.Path()); }
};

// Settings that cannot be saved only cost the saved position: where the
// folder can't be made (below a plain file, not even by root), and where a
// FIFO stands in the file's place, which once hung the program before its
// window came and must not be replaced.
TEST_F(SettingsFaults, UnusableSettingsFolderOrAFifoOnlyCostsTheSavedPosition) {
  WriteFile(config_.File("plain-file"), "x");
  std::filesystem::create_directories(std::filesystem::path(Ini()).parent_path());
  ASSERT_EQ(mkfifo(Ini().c_str(), 0600), 0);
  for (const std::string& home : {config_.File("plain-file/config"), config_.Path()}) {
    SCOPED_TRACE(home);
    ProgramProcess program(display_, home);
    const xcb_window_t window = Start(program);
    ASSERT_NE(window, XCB_NONE);
    EXPECT_EQ(x_.OuterFrame(window)->x, 67);  // the defaults
    EXPECT_EQ(program.Stderr(), "");
    program.CloseAndExpectCleanExit(x_, window);
    EXPECT_EQ(program.Stderr(),
              "brellock-varn-on: could not save setting MainLeft\n"
              "brellock-varn-on: could not save setting MainTop\n");
  }
  EXPECT_TRUE(std::filesystem::is_fifo(Ini()));
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
          return seen && std::abs(seen->x - moved->x) <= 1 && std::abs(seen->y - moved->y) <= 1;
        },
        15s))
        << "started at " << (seen ? seen->x : -1) << "," << (seen ? seen->y : -1);
    again.CloseAndExpectCleanExit(x_, window);
    EXPECT_EQ(again.Stderr(), "");
  }
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
