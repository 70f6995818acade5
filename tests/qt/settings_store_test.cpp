#include <gtest/gtest.h>

#include <QDir>

#include "program_script.h"
#include "qt_settings.h"

namespace {

using platform::qt::QtSettings;
using testing_support::StoredNumber;
using testing_support::TemporaryConfigHome;
using testing_support::WriteFile;

constexpr std::string_view kApp = "BRELLOCK-VARN-ON";
constexpr std::string_view kSection = "Settings";

TEST(QtSettingsStore, AValueWrittenReadsBackAndIsPlainTextInTheIniFile) {
  TemporaryConfigHome home;
  QtSettings store;
  EXPECT_EQ(store.Read(kApp, kSection, "MainLeft"), std::nullopt);
  ASSERT_TRUE(store.Write(kApp, kSection, "MainLeft", "1234.5"));
  ASSERT_TRUE(store.Write(kApp, kSection, "MainTop", "1,2"));
  EXPECT_EQ(store.Read(kApp, kSection, "MainLeft"), "1234.5");
  EXPECT_EQ(store.Read(kApp, kSection, "MainTop"), "1,2");
  const QByteArray text = testing_support::ReadFile(home.IniPath());
  EXPECT_TRUE(text.startsWith("[Settings]\n")) << text.toStdString();
  EXPECT_TRUE(text.contains("\nMainLeft=1234.5\n")) << text.toStdString();
  EXPECT_FALSE(text.contains("@Variant")) << text.toStdString();
}

TEST(QtSettingsStore, AValueThatIsNotAStringReadsAsAbsent) {
  TemporaryConfigHome home;
  WriteFile(home.IniPath(),
            "[Settings]\nMainLeft=1,2\nMainTop=@Variant(\\0\\0\\0\\x2\\0\\0\\0\\x5)\n"
            "MainWidth=2760\n");
  QtSettings store;
  EXPECT_EQ(store.Read(kApp, kSection, "MainLeft"), std::nullopt);
  EXPECT_EQ(store.Read(kApp, kSection, "MainTop"), std::nullopt);
  EXPECT_EQ(store.Read(kApp, kSection, "MainWidth"), "2760");
}

TEST(QtSettingsStore, WriteSaysFalseWhereTheFileCannotBeMade) {
  TemporaryConfigHome home;
  // A folder where the file should be: nothing can be saved over it.
  ASSERT_TRUE(QDir().mkpath(home.IniPath()));
  EXPECT_FALSE(QtSettings().Write(kApp, kSection, "MainLeft", "1"));
  // A folder below a plain file can't be made, not even by root.
  WriteFile(home.Path() + "/plain-file", "x");
  qputenv("XDG_CONFIG_HOME", (home.Path() + "/plain-file").toUtf8());
  QtSettings store;
  EXPECT_FALSE(store.Write(kApp, kSection, "MainLeft", "1"));
  EXPECT_EQ(store.Read(kApp, kSection, "MainLeft"), std::nullopt);
}

TEST(QtSettingsOverJunk, WritingOverAFileThatIsNotIniSucceedsAndSaysSo) {
  TemporaryConfigHome home;
  WriteFile(home.IniPath(), QByteArray("\xff\xfe[[=\n\0junk\n[Settings\n", 20));
  EXPECT_TRUE(QtSettings().Write(kApp, kSection, "MainLeft", "1234.5"));
  EXPECT_EQ(StoredNumber(home.Path(), "MainLeft"), 1234.5f);
}

}  // namespace
