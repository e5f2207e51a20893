// Soundfiles for the tests, written by sox as a user's tools would write them.
#pragma once

#include <QDir>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace kornmill::testing {

// Writes `seconds` of a full-scale 441 Hz square wave, 16-bit at 22050 Hz with `channels`
// channels, to `folder`/`name` and returns its path. Stops the program when sox is missing.
inline QString Sox(const QString& folder, const QString& name, int channels, double seconds) {
  const QString path = QDir(folder).filePath(name);
  const QStringList args = {"-n",     "-r",  "22050", "-c",    QString::number(channels),
                            "-b",     "16",  path,    "synth", QString::number(seconds),
                            "square", "441", "gain",  "-n"};
  if (QProcess::execute(QStringLiteral("sox"), args) != 0) qFatal("sox is needed by these tests");
  return path;
}

}  // namespace kornmill::testing
