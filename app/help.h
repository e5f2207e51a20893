// The help pages shipped with the program and the keyword chosen for the active window.
#pragma once

#include <QString>
#include <QUrl>

namespace kornmill {

// The help keyword for a window caption: "Login Window", "Gesture Window",
// "I/O Options", "Midi response dialog", "Contact", or empty for the contents.
QString HelpKeyword(const QString& caption);

// The shipped help page (help/index.html next to the program, or
// ../share/kornmill/help/index.html when installed), at the keyword's
// section. An empty URL when no help page can be found.
QUrl HelpPage(const QString& keyword);

}  // namespace kornmill
