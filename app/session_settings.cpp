// The session's banks and the patches folder over QSettings.
#include "app/session_settings.h"

#include <QSettings>
#include <QStringList>
#include <stdexcept>

namespace kornmill {

namespace {

const QString kGroup = QStringLiteral("SessionPatches");
const QString kPatchFolder = QStringLiteral("Patch folder");

QString Key(char letter) {
  return kGroup + QLatin1Char('/') + QLatin1Char(letter);
}

}  // namespace

SettingsSessionStore::SettingsSessionStore()
    : settings_(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                            QStringLiteral("Klangforge"),
                                            QStringLiteral("Kornmill"))) {}

SettingsSessionStore::SettingsSessionStore(const QString& ini_path)
    : settings_(std::make_unique<QSettings>(ini_path, QSettings::IniFormat)) {}

SettingsSessionStore::~SettingsSessionStore() = default;

void SettingsSessionStore::Check() const {
  if (settings_->status() != QSettings::NoError) {
    throw std::runtime_error("Could not use the settings file " +
                             settings_->fileName().toStdString());
  }
}

void SettingsSessionStore::Sync() {
  settings_->sync();
  Check();
}

bool SettingsSessionStore::HasSessionPatches() {
  Check();
  return settings_->childGroups().contains(kGroup);
}

std::string SettingsSessionStore::ReadBankEntry(char letter) {
  Check();
  return settings_->value(Key(letter)).toString().toStdString();
}

void SettingsSessionStore::WriteBankEntry(char letter, const std::string& name) {
  settings_->setValue(Key(letter), QString::fromStdString(name));
  Sync();
}

void SettingsSessionStore::DeleteBankEntry(char letter) {
  settings_->remove(Key(letter));
  Sync();
}

std::string SettingsSessionStore::ReadPatchFolder() {
  Check();
  return settings_->value(kPatchFolder).toString().toStdString();
}

void SettingsSessionStore::WritePatchFolder(const std::string& folder) {
  settings_->setValue(kPatchFolder, QString::fromStdString(folder));
  Sync();
}

}  // namespace kornmill
