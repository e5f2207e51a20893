// What a drag onto a window carries that the loader can take: one local file.
#pragma once

#include <QString>

class QMimeData;

namespace kornmill {

// The path of the single local file a drag carries; empty when it carries no
// file, several, or something that is not a local file. Whether the file is a
// soundfile the loader decides, with the same messages as for a chosen file.
QString DroppedSoundfile(const QMimeData* data);

}  // namespace kornmill
