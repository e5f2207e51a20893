// The items of the "&Recent Soundfiles" submenu, made from the recent-files list.
#pragma once

#include <functional>

class QMenu;

namespace kornmill {

class FileList;

// The menu bar's recent-files filler: each time a menu opens, entry i of the
// list becomes the item with command id 22222 + i, the newest first, with the
// entry's path as its text and status text (shown in status part 1 while
// highlighted). The menu bar greys the submenu while the list is empty.
// GUI thread only.
class RecentFilesMenu {
 public:
  RecentFilesMenu(const FileList& list, std::function<void(int id)> command);

  // Replaces the items of `menu`; returns how many there are.
  int Fill(QMenu& menu) const;

 private:
  const FileList& list_;
  std::function<void(int)> command_;
};

}  // namespace kornmill
