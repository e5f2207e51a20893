// Filling the recent-soundfiles submenu from the list.
#include "app/recent_files_menu.h"

#include <QAction>
#include <QMenu>

#include "settings/file_list.h"

namespace kornmill {

RecentFilesMenu::RecentFilesMenu(const FileList& list, std::function<void(int id)> command)
    : list_(list), command_(std::move(command)) {}

int RecentFilesMenu::Fill(QMenu& menu) const {
  menu.clear();
  for (int i = list_.count() - 1; i >= 0; --i) {
    const int id = FileList::kFirstCommandId + i;
    const QString path = QString::fromStdString(list_[i]);
    // An '&' in a path is shown, not taken as a mnemonic.
    QAction* item = menu.addAction(QString(path).replace(QLatin1Char('&'), QStringLiteral("&&")));
    item->setData(id);
    item->setStatusTip(path);
    item->setObjectName(QStringLiteral("command%1").arg(id));
    std::function<void(int)> command = command_;
    QObject::connect(item, &QAction::triggered, item, [command, id] { command(id); });
  }
  return list_.count();
}

}  // namespace kornmill
