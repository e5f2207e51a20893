// File choosers set up by kind: title, start folder and filters; the folder chooser.
#include "app/choosers.h"

#include <QMimeDatabase>

#include "app/dialogs.h"

namespace kornmill {

Choosers::Choosers(Dialogs& dialogs, QWidget* owner, Hooks hooks)
    : dialogs_(dialogs), owner_(owner), hooks_(std::move(hooks)) {}

std::string Choosers::FileTypeName(std::string_view extension) {
  const QMimeType type = QMimeDatabase().mimeTypeForFile(
      QStringLiteral("file.") + QString::fromUtf8(extension.data(), qsizetype(extension.size())),
      QMimeDatabase::MatchExtension);
  if (!type.isValid() || type.isDefault()) return {};
  return type.comment().toStdString();
}

std::string Choosers::StartFolder(ChooserFolder folder) const {
  const std::function<std::string()>* source = &hooks_.source_folder;
  if (folder == ChooserFolder::kPatches) source = &hooks_.patches_folder;
  if (folder == ChooserFolder::kSession) source = &hooks_.session_folder;
  return *source ? (*source)() : std::string();
}

QString Choosers::ChooseFile(FileKind kind, std::string_view folder) {
  const ChooserKindInfo& info = KindInfo(kind);
  FileChoice choice;
  choice.mode = info.mode;
  choice.title = QString::fromStdString(ChooserTitle(info.mode, info.title_word));
  choice.folder =
      QString::fromStdString(folder.empty() ? StartFolder(info.folder) : std::string(folder));
  const std::vector<FileFilter> filters = BuildFileFilters(info.extensions, FileTypeName);
  for (const FileFilter& f : filters) choice.filters << QString::fromStdString(f.Text());
  // The first pattern's extension ("*.kpb" gives "kpb").
  const std::string& first = filters.front().patterns.front();
  if (first.size() > 2 && first.compare(0, 2, "*.") == 0) {
    choice.default_suffix = QString::fromStdString(first.substr(2));
  }
  if (hooks_.enter_modal) hooks_.enter_modal();
  const QString path = dialogs_.ChooseFile(owner_, choice);
  if (hooks_.leave_modal) hooks_.leave_modal();
  return path;
}

QString Choosers::ChooseFolder(const QString& title_word, const QString& start) {
  const QString title =
      QString::fromStdString(ChooserTitle(ChooserMode::kFolder, title_word.toStdString()));
  if (hooks_.enter_modal) hooks_.enter_modal();
  const QString folder = dialogs_.ChooseFolder(owner_, title, start);
  if (hooks_.leave_modal) hooks_.leave_modal();
  return folder;
}

}  // namespace kornmill
