// The settings file as the store reads and writes it, whatever stands at its
// path.
#include <sys/stat.h>
#include <unistd.h>

#include <sstream>

#include "platform/ini_settings/ini_settings.h"
#include "x11_test_support.h"

namespace {

using platform::x11::IniSettings;
using namespace testing_support;

constexpr std::string_view kApp = "BRELLOCK-VARN-ON";
constexpr std::string_view kSection = "Settings";

// The test program's reads (the store's among them: -Wl,--wrap=read) as the
// system makes them, unless a test has a read fail partway: set to 1, the
// next read gets half of what it asks for and the one after fails.
int g_failing_read = 0;
extern "C" ssize_t __real_read(int fd, void* buffer, size_t size);
extern "C" ssize_t __wrap_read(int fd, void* buffer, size_t size) {
  if (g_failing_read == 0) {
    return __real_read(fd, buffer, size);
  }
  if (g_failing_read++ == 1) {
    return __real_read(fd, buffer, size / 2);
  }
  g_failing_read = 0;
  errno = EIO;
  return -1;
}

// Points XDG_CONFIG_HOME at a fresh folder for as long as it lives.
class SettingsFile : public testing::Test {
 protected:
  void SetUp() override { setenv("XDG_CONFIG_HOME", home_.Path().c_str(), 1); }
  void TearDown() override { unsetenv("XDG_CONFIG_HOME"); }
  std::string Ini() const { return IniPath(home_.Path()); }

  TemporaryFolder home_;
  IniSettings store_;
};

// Line for line, blank lines aside: key-file libraries differ in where they
// put those.
std::string Lines(const std::string& text) {
  std::istringstream lines(text);
  std::string kept;
  for (std::string line; std::getline(lines, line);) {
    kept += line.empty() ? "" : line + "\n";
  }
  return kept;
}

// Whatever else the file holds is kept, however large a file the store
// takes: it is read whole before it is written back.
TEST_F(SettingsFile, ValuesRoundTripAsPlainTextAndKeepWhatElseTheFileHolds) {
  EXPECT_EQ(store_.Read(kApp, kSection, "MainLeft"), std::nullopt);
  WriteFile(Ini(), "# my note\n[Other]\nKey=1\n");
  ASSERT_TRUE(store_.Write(kApp, kSection, "MainLeft", "1234.5"));
  ASSERT_TRUE(store_.Write(kApp, kSection, "MainTop", "1,2"));
  EXPECT_EQ(store_.Read(kApp, kSection, "MainLeft"), "1234.5");
  EXPECT_EQ(store_.Read(kApp, kSection, "MainTop"), "1,2");
  EXPECT_EQ(Lines(ReadFile(Ini())),
            "# my note\n[Other]\nKey=1\n[Settings]\nMainLeft=1234.5\nMainTop=1,2\n");

  const std::string large =
      "[Other]\n# note\nKey=" + std::string(60 * 1024, 'v') + "\n[Settings]\n";
  WriteFile(Ini(), large);
  ASSERT_TRUE(store_.Write(kApp, kSection, "MainLeft", "5"));
  EXPECT_TRUE(Lines(ReadFile(Ini())) == large + "MainLeft=5\n");
}

// A file whose reading fails partway is neither taken for what was read
// nor written back over the whole.
TEST_F(SettingsFile, AFileThatCannotBeReadWholeIsNeitherReadNorReplaced) {
  const std::string whole = "[Settings]\nMainLeft=5\n[Other]\nKey=" + std::string(4000, 'v') + "\n";
  WriteFile(Ini(), whole);
  g_failing_read = 1;
  EXPECT_EQ(store_.Read(kApp, kSection, "MainLeft"), std::nullopt);
  g_failing_read = 1;
  EXPECT_FALSE(store_.Write(kApp, kSection, "MainTop", "1"));
  EXPECT_EQ(ReadFile(Ini()), whole);
}

// A FIFO must not hang the program, a folder or a device must not be
// replaced: each reads as no settings, is left as it is, and a write there
// says it failed. Junk, and a huge file, which must not fill the memory,
// read as nothing and are written over.
TEST_F(SettingsFile, WhatIsNotASaneRegularFileIsNeitherReadNorReplacedAndJunkIsWrittenOver) {
  const auto expect_untouchable = [&](const char* what) {
    EXPECT_EQ(store_.Read(kApp, kSection, "MainLeft"), std::nullopt) << what;
    EXPECT_FALSE(store_.Write(kApp, kSection, "MainLeft", "1")) << what;
  };
  std::filesystem::create_directories(std::filesystem::path(Ini()).parent_path());
  ASSERT_EQ(mkfifo(Ini().c_str(), 0600), 0);
  expect_untouchable("a FIFO");
  EXPECT_TRUE(std::filesystem::is_fifo(Ini()));
  std::filesystem::remove(Ini());

  for (const std::string& junk :
       {std::string("\xff\xfe[[=\n\0junk\n[Settings\n", 20),
        "[Settings]\nMainLeft=5\n" + std::string(IniSettings::kLargestFile, '#')}) {
    WriteFile(Ini(), junk);
    EXPECT_EQ(store_.Read(kApp, kSection, "MainLeft"), std::nullopt);
    EXPECT_TRUE(store_.Write(kApp, kSection, "MainTop", "1"));
    EXPECT_EQ(ReadFile(Ini()), "[Settings]\nMainTop=1\n");
  }
  std::filesystem::remove(Ini());

  std::filesystem::create_directory(Ini());
  expect_untouchable("a folder");
  std::filesystem::remove(Ini());

  std::filesystem::create_symlink("/dev/zero", Ini());
  expect_untouchable("a device");
  EXPECT_TRUE(std::filesystem::is_symlink(Ini()));
}

// Dotfile managers keep the file elsewhere behind a link: the link stays.
TEST_F(SettingsFile, ALinkedFileIsWrittenWhereTheLinkPoints) {
  TemporaryFolder elsewhere;
  std::filesystem::create_directories(std::filesystem::path(Ini()).parent_path());
  std::filesystem::create_symlink(elsewhere.File("varn.ini"), Ini());  // dangling at first
  EXPECT_EQ(store_.Read(kApp, kSection, "MainLeft"), std::nullopt);
  ASSERT_TRUE(store_.Write(kApp, kSection, "MainLeft", "1000"));
  ASSERT_TRUE(store_.Write(kApp, kSection, "MainTop", "2000"));
  EXPECT_TRUE(std::filesystem::is_symlink(Ini()));
  EXPECT_EQ(ReadFile(elsewhere.File("varn.ini")), "[Settings]\nMainLeft=1000\nMainTop=2000\n");
}

// The folder is made for the user alone; where it cannot be made (below a
// plain file, not even by root) the write fails.
TEST_F(SettingsFile, TheFolderIsTheUsersAloneOrTheWriteFails) {
  ASSERT_TRUE(store_.Write(kApp, kSection, "MainLeft", "1"));
  struct stat folder = {};
  ASSERT_EQ(stat(std::filesystem::path(Ini()).parent_path().c_str(), &folder), 0);
  EXPECT_EQ(folder.st_mode & 07777, 0700u);
  WriteFile(home_.File("plain-file"), "x");
  setenv("XDG_CONFIG_HOME", home_.File("plain-file").c_str(), 1);
  EXPECT_FALSE(store_.Write(kApp, kSection, "MainLeft", "1"));
  EXPECT_EQ(store_.Read(kApp, kSection, "MainLeft"), std::nullopt);
}

}  // namespace
