// Locates the files installed with the program and maps window keywords to help pages.
#include "app/help.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <array>

namespace kornmill {

namespace {

struct HelpTopic {
  const char* keyword;
  const char* page;      // in the help folder
  const char* fragment;  // empty: the top of the page
};

// The topics the program's windows ask for. There is no login window: its
// keyword leads to the contents.
constexpr std::array<HelpTopic, 6> kTopics = {{
    {"Gesture Window", "gesture.html", ""},
    {"Sound View", "sound-view.html", ""},
    {"I/O Options", "sound-card.html", "io-options"},
    {"Midi response dialog", "midi.html", "response"},
    {"Contact", "about.html", ""},
    {"Login Window", "index.html", ""},
}};

constexpr const char* kContents = "index.html";

}  // namespace

QString SharedFolder() {
  return QDir::cleanPath(QCoreApplication::applicationDirPath() +
                         QStringLiteral("/../share/kornmill"));
}

QString HelpKeyword(const QString& caption) {
  if (caption.contains(QStringLiteral("Login"), Qt::CaseInsensitive)) {
    return QStringLiteral("Login Window");
  }
  if (caption.contains(QStringLiteral("Gesture"))) return QStringLiteral("Gesture Window");
  if (caption == QStringLiteral("Sound View")) return QStringLiteral("Sound View");
  if (caption == QStringLiteral("In/Out Options")) return QStringLiteral("I/O Options");
  // The dialog's caption is "Configure MIDI Response Options".
  if (caption.contains(QStringLiteral("MIDI response"), Qt::CaseInsensitive)) {
    return QStringLiteral("Midi response dialog");
  }
  if (caption == QStringLiteral("About Kornmill")) return QStringLiteral("Contact");
  return {};
}

QUrl HelpPage(const QString& keyword) {
  const QDir help(SharedFolder() + QStringLiteral("/help"));
  const QString contents = help.filePath(QString::fromLatin1(kContents));
  if (!QFileInfo::exists(contents)) return {};
  for (const HelpTopic& topic : kTopics) {
    if (keyword != QLatin1String(topic.keyword)) continue;
    const QString page = help.filePath(QString::fromLatin1(topic.page));
    if (!QFileInfo::exists(page)) break;
    QUrl url = QUrl::fromLocalFile(QFileInfo(page).canonicalFilePath());
    if (*topic.fragment) url.setFragment(QString::fromLatin1(topic.fragment));
    return url;
  }
  return QUrl::fromLocalFile(QFileInfo(contents).canonicalFilePath());
}

QString FactoryBankFolder() {
  return SharedFolder() + QStringLiteral("/patches");
}

}  // namespace kornmill
