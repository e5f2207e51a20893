// Where the files installed with the program are, and which help page answers a window's keyword.
#pragma once

#include <QString>
#include <QUrl>

namespace kornmill {

// The folder the program's own files are installed in: "share/kornmill"
// beside the program's folder (../share/kornmill), in the build tree as when
// installed.
QString SharedFolder();

// The help keyword for a window caption: "Login Window", "Gesture Window",
// "I/O Options", "Midi response dialog", "Contact", or empty for the contents.
QString HelpKeyword(const QString& caption);

// The help page for a keyword (its topic's page and section), the contents
// for an empty or unknown keyword or a topic whose page is missing. An empty
// URL when the help pages cannot be found at all.
QUrl HelpPage(const QString& keyword);

// The folder of the factory banks installed with the program.
QString FactoryBankFolder();

}  // namespace kornmill
