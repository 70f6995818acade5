// What the program does when its surroundings go wrong: settings that can't
// be saved, vanish, turn to junk or hold nonsense, two copies sharing them,
// and an X display that goes away or was never there.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>

#include "app/placement.h"
#include "app/settings.h"
#include "display_client.h"
#include "platform/form.h"
#include "platform/twips.h"
#include "program_process.h"
#include "program_script.h"
#include "qt_settings.h"
#include "x11_probe.h"

namespace {

using namespace testing_support;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr double kTwipsPerPixel = 15.0;  // every server here runs at 96 dpi

std::string SharedDisplay() {
  const char* display = std::getenv("DISPLAY");
  return display != nullptr ? display : "";
}

QString IniPath(const QString& config_home) {
  return config_home + QStringLiteral("/BRELLOCK-VARN-ON/BRELLOCK-VARN-ON.ini");
}

void WriteFile(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray ReadFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A stored position as a fresh reader sees it: a plain string that reads as
// a number. nullopt otherwise.
std::optional<float> StoredNumber(const QString& config_home, const char* key) {
  QSettings settings(IniPath(config_home), QSettings::IniFormat);
  const QVariant value = settings.value(QStringLiteral("Settings/") + key);
  if (value.typeId() != QMetaType::QString) {
    return std::nullopt;
  }
  return app::TextToNumber(value.toString().toStdString());
}

bool Near(const QRect& a, const QRect& b) {
  return std::abs(a.x() - b.x()) <= 1 && std::abs(a.y() - b.y()) <= 1 &&
         std::abs(a.width() - b.width()) <= 1 && std::abs(a.height() - b.height()) <= 1;
}

float OuterTwips(int pixels) {
  return platform::PixelsToTwips(pixels, kTwipsPerPixel);
}

// Moves a window as the user would, and waits until its frame stands there.
std::optional<QRect> MoveWindow(const DisplayClient& x, xcb_window_t window, int left, int top) {
  QProcess::execute(QStringLiteral("xdotool"), {"windowmove", QString::number(window),
                                                QString::number(left), QString::number(top)});
  std::optional<QRect> frame;
  WaitUntil(
      [&] {
        frame = x.OuterFrame(window);
        return frame && std::abs(frame->x() - left) < 30 && std::abs(frame->y() - top) < 30;
      },
      15s);
  return frame && std::abs(frame->x() - left) < 30 ? frame : std::nullopt;
}

void CloseAndExpectCleanExit(const DisplayClient& x, ProgramProcess& program, xcb_window_t window) {
  x.SendDeleteWindow(window);
  const auto status = program.WaitForExit(20s);
  ASSERT_TRUE(status.has_value()) << "the program did not end after its window was closed";
  EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << DescribeStatus(*status);
}

class SettingsFaults : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(x_.Ok()) << "DISPLAY must name an X server with openbox running";
    ASSERT_TRUE(config_.isValid());
  }
  std::string ConfigHome() const { return config_.path().toStdString(); }

  DisplayClient x_{""};
  QTemporaryDir config_;
};

TEST_F(SettingsFaults, UnusableSettingsFolderOnlyCostsTheSavedPosition) {
  // A folder below a plain file can't be made, not even by root.
  WriteFile(config_.path() + "/plain-file", "x");
  ProgramProcess program({SharedDisplay(), ConfigHome() + "/plain-file/config"});
  const xcb_window_t window = WaitForMainWindow(x_, program, /*framed=*/true);
  ASSERT_NE(window, XCB_NONE) << program.Stderr();
  EXPECT_EQ(program.Stderr(), "");
  CloseAndExpectCleanExit(x_, program, window);
  EXPECT_EQ(program.Stderr(),
            "brellock-varn-on: could not save setting MainLeft\n"
            "brellock-varn-on: could not save setting MainTop\n");
}

TEST_F(SettingsFaults, SettingsDeletedWhileRunningAreWrittenAfresh) {
  WriteFile(IniPath(config_.path()), "[Settings]\nMainLeft=3000\nMainTop=4500\n");
  ProgramProcess program({SharedDisplay(), ConfigHome()});
  const xcb_window_t window = WaitForMainWindow(x_, program, /*framed=*/true);
  ASSERT_NE(window, XCB_NONE) << program.Stderr();
  ASSERT_TRUE(WaitUntil(
      [&] { return x_.OuterFrame(window).value_or(QRect()).topLeft() == QPoint(200, 300); }, 15s));
  // The folder goes with the file.
  ASSERT_TRUE(QDir(QFileInfo(IniPath(config_.path())).absolutePath()).removeRecursively());
  CloseAndExpectCleanExit(x_, program, window);
  EXPECT_EQ(program.Stderr(), "");
  EXPECT_TRUE(ReadFile(IniPath(config_.path())).startsWith("[Settings]\n"));
  EXPECT_EQ(StoredNumber(config_.path(), "MainLeft"), 3000.0f);
  EXPECT_EQ(StoredNumber(config_.path(), "MainTop"), 4500.0f);
}

TEST_F(SettingsFaults, SettingsTurnedToJunkWhileRunningAreReplacedAndUsedNextTime) {
  WriteFile(IniPath(config_.path()), "[Settings]\nMainLeft=3000\nMainTop=4500\n");
  std::optional<QRect> moved;
  {
    ProgramProcess program({SharedDisplay(), ConfigHome()});
    const xcb_window_t window = WaitForMainWindow(x_, program, /*framed=*/true);
    ASSERT_NE(window, XCB_NONE) << program.Stderr();
    moved = MoveWindow(x_, window, 420, 260);
    ASSERT_TRUE(moved.has_value()) << "the window could not be moved";
    QByteArray junk;
    for (int i = 0; i < 4096; ++i) {
      junk.append(static_cast<char>((i * 7919 + 13) % 256));
    }
    junk.append("\n[Settings]\n=\n\0\xff\xfe[[", 16);
    WriteFile(IniPath(config_.path()), junk);
    CloseAndExpectCleanExit(x_, program, window);
    EXPECT_EQ(program.Stderr(), "");
  }
  EXPECT_EQ(StoredNumber(config_.path(), "MainLeft"), OuterTwips(moved->x()));
  EXPECT_EQ(StoredNumber(config_.path(), "MainTop"), OuterTwips(moved->y()));

  ProgramProcess again({SharedDisplay(), ConfigHome()});
  const xcb_window_t window = WaitForMainWindow(x_, again, /*framed=*/true);
  ASSERT_NE(window, XCB_NONE) << again.Stderr();
  std::optional<QRect> seen;
  EXPECT_TRUE(WaitUntil(
      [&] {
        seen = x_.OuterFrame(window);
        return seen && Near(*seen, *moved);
      },
      15s))
      << "started at " << (seen ? seen->x() : -1) << "," << (seen ? seen->y() : -1);
  CloseAndExpectCleanExit(x_, again, window);
  EXPECT_EQ(again.Stderr(), "");
}

TEST(QtSettingsOverJunk, WritingOverAFileThatIsNotIniSucceedsAndSaysSo) {
  TemporaryConfigHome home;
  WriteFile(home.IniPath(), QByteArray("\xff\xfe[[=\n\0junk\n[Settings\n", 20));
  platform::qt::QtSettings store;
  EXPECT_TRUE(store.Write(app::kApplicationName, app::kSettingsSection, "MainLeft", "1234.5"));
  EXPECT_EQ(StoredNumber(home.Path(), "MainLeft"), 1234.5f);
}

// Two copies share one file: whichever closes last has its position kept,
// and the file is whole after each close.
class TwoCopies : public SettingsFaults, public testing::WithParamInterface<bool> {};

TEST_P(TwoCopies, TheLastClosedWins) {
  const bool first_started_closes_first = GetParam();
  ProgramProcess one({SharedDisplay(), ConfigHome()});
  ProgramProcess two({SharedDisplay(), ConfigHome()});
  const xcb_window_t one_window = WaitForMainWindow(x_, one, /*framed=*/true);
  const xcb_window_t two_window = WaitForMainWindow(x_, two, /*framed=*/true);
  ASSERT_NE(one_window, XCB_NONE) << one.Stderr();
  ASSERT_NE(two_window, XCB_NONE) << two.Stderr();
  const auto one_place = MoveWindow(x_, one_window, 150, 150);
  const auto two_place = MoveWindow(x_, two_window, 600, 450);
  ASSERT_TRUE(one_place && two_place);

  struct Copy {
    ProgramProcess* program;
    xcb_window_t window;
    QRect place;
  };
  std::array<Copy, 2> order = {Copy{&one, one_window, *one_place},
                               Copy{&two, two_window, *two_place}};
  if (!first_started_closes_first) {
    std::swap(order[0], order[1]);
  }
  for (const Copy& copy : order) {
    CloseAndExpectCleanExit(x_, *copy.program, copy.window);
    EXPECT_EQ(copy.program->Stderr(), "");
    EXPECT_EQ(StoredNumber(config_.path(), "MainLeft"), OuterTwips(copy.place.x()));
    EXPECT_EQ(StoredNumber(config_.path(), "MainTop"), OuterTwips(copy.place.y()));
  }
}

INSTANTIATE_TEST_SUITE_P(EitherOrder, TwoCopies, testing::Bool());

// Nonsense stored for all four keys of the main window: it opens at the
// defaults, and nothing is written before it closes.
class BadStoredValue : public testing::TestWithParam<std::pair<const char*, QByteArray>> {};

TEST_P(BadStoredValue, MainWindowOpensAtTheDefaultsAndTheFileIsLeftAlone) {
  const QByteArray& value = GetParam().second;
  QtProgram program;
  QByteArray ini = "[Settings]\n";
  for (const char* key : {"MainLeft", "MainTop", "MainWidth", "MainHeight"}) {
    ini += QByteArray(key) + "=" + value + "\n";
  }
  WriteFile(program.config.IniPath(), ini);
  const QDateTime written = QFileInfo(program.config.IniPath()).lastModified();

  const app::PlacementKeys& keys = app::kMainPlacement;
  const double twips_per_pixel = program.backend.TwipsPerPixel();
  const QRect expected(platform::TwipsToPixels(keys.default_left, twips_per_pixel),
                       platform::TwipsToPixels(keys.default_top, twips_per_pixel),
                       platform::TwipsToPixels(keys.default_width, twips_per_pixel),
                       platform::TwipsToPixels(keys.default_height, twips_per_pixel));
  if (twips_per_pixel == kTwipsPerPixel) {
    ASSERT_EQ(expected, QRect(67, 67, 184, 57));
  }
  QRect seen;
  program.Start();
  const std::string failure =
      RunScript(program, {MainWindowShown(program),
                          {"the outer frame at the default placement",
                           [&] {
                             seen = OuterFrame(program.MainId()).value_or(QRect());
                             return Near(seen, expected);
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
  EXPECT_EQ(
      program.backend.Settings().Read(app::kApplicationName, app::kSettingsSection, "MainLeft"),
      "1000");
  EXPECT_EQ(
      program.backend.Settings().Read(app::kApplicationName, app::kSettingsSection, "MainTop"),
      "1000");
}

std::vector<std::pair<const char*, QByteArray>> BadValues() {
  return {
      {"Letters", "abc"},
      {"Empty", ""},
      {"Spaces", "   "},
      {"NotANumber", "nan"},
      {"Infinite", "inf"},
      {"MinusInfinite", "-inf"},
      {"TooLarge", "1e40"},
      {"TooSmall", "1e-50"},
      {"FourHundredDigits", "1" + QByteArray(399, '0')},
      {"OneMebibyte", QByteArray(1 << 20, '7')},
      {"BinaryBytes", QByteArray("\x01\x02\x7f\x80\xfe\xff\x00\x1b", 8)},
      {"CommaList", "1,2"},
  };
}

INSTANTIATE_TEST_SUITE_P(AllFourMainKeys, BadStoredValue, testing::ValuesIn(BadValues()),
                         [](const auto& info) { return std::string(info.param.first); });

// ---- the X display ----------------------------------------------------------------

TEST(XDisplayFaults, ServerGoingAwayEndsTheProgramWithOneLineAndAFailureStatus) {
  PrivateXServer server;
  ASSERT_FALSE(server.Display().empty()) << "could not start Xvfb";
  QTemporaryDir config;
  std::optional<int> status;
  ProgramProcess program({server.Display(), config.path().toStdString()});
  {
    DisplayClient x(server.Display());
    ASSERT_TRUE(x.Ok());
    ASSERT_NE(WaitForMainWindow(x, program, /*framed=*/false), XCB_NONE) << program.Stderr();
  }
  server.Kill();
  const Clock::time_point gone = Clock::now();
  status = program.WaitForExit(15s);
  ASSERT_TRUE(status.has_value()) << "the program kept running without its X server";
  std::printf(
      "ended %ld ms after the X server went away\n",
      static_cast<long>(
          std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - gone).count()));
  EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) != 0) << DescribeStatus(*status);
  const auto lines = Lines(program.Stderr());
  ASSERT_EQ(lines.size(), 1u) << program.Stderr();
  EXPECT_NE(lines[0].find("X11"), std::string::npos) << lines[0];
}

TEST(XDisplayFaults, NoDisplayAtAllEndsWithOneLineAndStatusOne) {
  QTemporaryDir config;
  ProgramProcess program({std::nullopt, config.path().toStdString()});
  const auto status = program.WaitForExit(30s);
  ASSERT_TRUE(status.has_value()) << "the program kept running without a display";
  EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 1) << DescribeStatus(*status);
  EXPECT_EQ(program.Stderr(),
            "brellock-varn-on: cannot open the X display (DISPLAY is not set); this program "
            "needs X11\n");
}

}  // namespace
