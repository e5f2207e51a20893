// Locates the HTML help and maps window captions to its sections.
#include "app/help.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace kornmill {

QString HelpKeyword(const QString& caption) {
  if (caption.contains(QStringLiteral("Login"), Qt::CaseInsensitive)) {
    return QStringLiteral("Login Window");
  }
  if (caption.contains(QStringLiteral("Gesture"))) return QStringLiteral("Gesture Window");
  if (caption == QStringLiteral("In/Out Options")) return QStringLiteral("I/O Options");
  // The dialog's caption is "Configure MIDI Response Options".
  if (caption.contains(QStringLiteral("MIDI response"), Qt::CaseInsensitive)) {
    return QStringLiteral("Midi response dialog");
  }
  if (caption == QStringLiteral("About Kornmill")) return QStringLiteral("Contact");
  return {};
}

namespace {

// "Gesture Window" -> "gesture-window": the anchors of the help page.
QString Anchor(const QString& keyword) {
  QString anchor = keyword.toLower();
  anchor.replace(QLatin1Char('/'), QString());
  anchor.replace(QLatin1Char(' '), QLatin1Char('-'));
  return anchor;
}

}  // namespace

QUrl HelpPage(const QString& keyword) {
  const QString dir = QCoreApplication::applicationDirPath();
  const QStringList candidates = {
      dir + QStringLiteral("/help/index.html"),
      dir + QStringLiteral("/../share/kornmill/help/index.html"),
  };
  for (const QString& path : candidates) {
    if (!QFileInfo::exists(path)) continue;
    QUrl url = QUrl::fromLocalFile(QFileInfo(path).canonicalFilePath());
    url.setFragment(keyword.isEmpty() ? QStringLiteral("contents") : Anchor(keyword));
    return url;
  }
  return {};
}

}  // namespace kornmill
