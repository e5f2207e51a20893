// Reads a dropped file's path from the drag's URL list.
#include "app/sound_drop.h"

#include <QMimeData>
#include <QUrl>

namespace kornmill {

QString DroppedSoundfile(const QMimeData* data) {
  if (!data || !data->hasUrls()) return {};
  const QList<QUrl> urls = data->urls();
  if (urls.size() != 1 || !urls.front().isLocalFile()) return {};
  return urls.front().toLocalFile();
}

}  // namespace kornmill
