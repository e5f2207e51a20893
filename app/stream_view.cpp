// Stream selection: scrollbars from the stream's targets, title and status from its sound.
#include "app/stream_view.h"

#include <QTabBar>

#include "app/control_view.h"
#include "app/dialog_panel.h"
#include "app/status_bar.h"
#include "controls/control_table.h"
#include "controls/stream.h"
#include "controls/texts.h"

namespace kornmill {

namespace {
QString ToQString(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<int>(s.size()));
}
}  // namespace

StreamView::StreamView(DialogPanel& panel, StreamTable& streams, ControlView& controls,
                       std::function<void(const QString&)> set_title)
    : QObject(&panel),
      panel_(panel),
      streams_(streams),
      controls_(controls),
      set_title_(std::move(set_title)) {
  connect(panel_.tabs(), &QTabBar::currentChanged, this, &StreamView::OnTabChanged);
}

void StreamView::AddTabs() {
  QTabBar* tabs = panel_.tabs();
  const bool blocked = tabs->blockSignals(true);
  while (tabs->count() > 0) tabs->removeTab(0);
  for (int i = 0; i < streams_.count(); ++i) {
    const int tab = tabs->addTab(ToQString(StreamTabLabel(streams_[i].state, i)));
    tabs->setTabData(tab, i);
  }
  tabs->blockSignals(blocked);
}

void StreamView::SelectStream(int index) {
  if (index < 0 || index >= streams_.count()) return;
  if (index != streams_.current_index() && mark_patch_) mark_patch_(index);
  streams_.set_current_index(index);
  controls_.ShowStreamPositions();
  const Stream& s = streams_.current();
  set_title_(ToQString(WindowTitle(s)));
  const bool stored = slot_stored_ && slot_stored_(index);
  panel_.status_bar()->SetText(1, ToQString(StreamStatusText(s, stored)));
  controls_.ShowControlValue(kGrainFreq);
  panel_.status_bar()->SetText(2, QString());
}

void StreamView::SetStreamState(int index, int state) {
  if (index < 0 || index >= streams_.count()) return;
  streams_[index].state = state;
  if (index >= panel_.tabs()->count()) return;
  const QString label = ToQString(StreamTabLabel(state, index));
  panel_.tabs()->setTabText(index, label);
  emit tabRelabelled(index, label);
}

void StreamView::OnTabChanged(int tab) {
  if (tab < 0) return;
  SelectStream(panel_.tabs()->tabData(tab).toInt());
}

}  // namespace kornmill
