#include "qt_settings.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QVariant>

namespace platform::qt {

namespace {

QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString ConfigFolder() {
  const QString configured = qEnvironmentVariable("XDG_CONFIG_HOME");
  if (!configured.isEmpty() && QDir::isAbsolutePath(configured)) {
    return configured;
  }
  return QDir::homePath() + QStringLiteral("/.config");
}

}  // namespace

QString QtSettings::FilePath(std::string_view application) {
  const QString name = ToQString(application);
  return ConfigFolder() + '/' + name + '/' + name + QStringLiteral(".ini");
}

// A fresh QSettings each time, so a file another copy of the program changed
// or deleted meanwhile is read as it now stands.
std::optional<std::string> QtSettings::Read(std::string_view application, std::string_view section,
                                            std::string_view key) {
  QSettings settings(FilePath(application), QSettings::IniFormat);
  settings.beginGroup(ToQString(section));
  const QVariant value = settings.value(ToQString(key));
  // Anything QSettings parsed into another type (a list, a variant) was not
  // stored as a plain string.
  if (!value.isValid() || value.typeId() != QMetaType::QString) {
    return std::nullopt;
  }
  return value.toString().toStdString();
}

bool QtSettings::Write(std::string_view application, std::string_view section, std::string_view key,
                       std::string_view value) {
  const QString path = FilePath(application);
  // QSettings reports no error when the folder cannot be made; find out here.
  if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
    return false;
  }
  QSettings settings(path, QSettings::IniFormat);
  settings.beginGroup(ToQString(section));
  settings.setValue(ToQString(key), ToQString(value));
  settings.endGroup();
  settings.sync();
  if (settings.status() == QSettings::FormatError) {
    // A file that was not valid INI when read keeps reporting that even
    // after it has been written over, and QSettings then reports no later
    // error: whether the value is on disk now is what counts.
    return Read(application, section, key) == value;
  }
  return settings.status() == QSettings::NoError;
}

}  // namespace platform::qt
