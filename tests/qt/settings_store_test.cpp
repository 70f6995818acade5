#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "program_script.h"
#include "qt_settings.h"

namespace {

using platform::qt::QtSettings;
using testing_support::TemporaryConfigHome;

constexpr std::string_view kApp = "BRELLOCK-VARN-ON";
constexpr std::string_view kSection = "Settings";

void WriteFile(const QString& path, const QByteArray& text) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(text);
}

TEST(QtSettingsStore, AValueWrittenReadsBackAndIsPlainTextInTheIniFile) {
  TemporaryConfigHome home;
  QtSettings store;
  EXPECT_EQ(store.Read(kApp, kSection, "MainLeft"), std::nullopt);
  ASSERT_TRUE(store.Write(kApp, kSection, "MainLeft", "1234.5"));
  ASSERT_TRUE(store.Write(kApp, kSection, "MainTop", "1,2"));
  EXPECT_EQ(store.Read(kApp, kSection, "MainLeft"), "1234.5");
  EXPECT_EQ(store.Read(kApp, kSection, "MainTop"), "1,2");
  EXPECT_EQ(QtSettings::FilePath(kApp), home.IniPath());
  const QString text = home.IniText();
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

TEST(QtSettingsStore, SeesTheFileAsAnotherCopyOfTheProgramLeftIt) {
  TemporaryConfigHome home;
  QtSettings store;
  ASSERT_TRUE(store.Write(kApp, kSection, "AboutLeft", "100"));
  ASSERT_EQ(store.Read(kApp, kSection, "AboutLeft"), "100");
  WriteFile(home.IniPath(), "[Settings]\nAboutLeft=250000\n");
  EXPECT_EQ(store.Read(kApp, kSection, "AboutLeft"), "250000");
  ASSERT_TRUE(QFile::remove(home.IniPath()));
  EXPECT_EQ(store.Read(kApp, kSection, "AboutLeft"), std::nullopt);
}

TEST(QtSettingsStore, WriteFailsCleanlyWhereNoFolderCanBeMade) {
  TemporaryConfigHome home;
  // A folder below a plain file cannot be made, not even by root.
  const QString file = home.Path() + "/not-a-folder";
  WriteFile(file, "x");
  qputenv("XDG_CONFIG_HOME", file.toUtf8());
  QtSettings store;
  EXPECT_FALSE(store.Write(kApp, kSection, "MainLeft", "1"));
  EXPECT_EQ(store.Read(kApp, kSection, "MainLeft"), std::nullopt);
}

TEST(QtSettingsStore, WriteFailsCleanlyWhenTheFileCannotBeReplaced) {
  TemporaryConfigHome home;
  // A folder where the file should be: QSettings cannot save over it.
  ASSERT_TRUE(QDir().mkpath(home.IniPath()));
  QtSettings store;
  EXPECT_FALSE(store.Write(kApp, kSection, "MainLeft", "1"));
}

}  // namespace
