// Scroll actions become targets and glides by the scroll rule; value texts go to the status bar.
#include "app/control_view.h"

#include <QApplication>
#include <QLabel>
#include <optional>

#include "app/dialog_panel.h"
#include "app/focus_frame.h"
#include "app/status_bar.h"
#include "controls/control_table.h"
#include "controls/scroll_rule.h"
#include "controls/stream.h"
#include "controls/texts.h"
#include "engine/engine.h"
#include "resources/ids.h"
#include "resources/strings.h"

namespace kornmill {

namespace {
constexpr std::size_t kMaxStatusText = 400;

QString ToQString(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<int>(s.size()));
}
}  // namespace

ControlView::ControlView(DialogPanel& panel, StreamTable& streams, Engine& engine)
    : panel_(panel), streams_(streams), engine_(engine) {
  modifiers_ = [] { return QApplication::keyboardModifiers(); };
  for (int k = 0; k < kControls; ++k) {
    panel_.bar(k)->set_handler([this](ControlScrollBar& bar, ScrollAction a, int tracked) {
      return OnBarAction(bar, a, tracked);
    });
  }
}

bool ControlView::OnBarAction(ControlScrollBar& bar, ScrollAction action, int tracked) {
  return OnControlScroll(action, bar.id(), tracked, modifiers_()) == 0;
}

int ControlView::OnControlScroll(ScrollAction action, int id, int tracked,
                                 Qt::KeyboardModifiers keys) {
  ControlScrollBar* bar = panel_.BarById(id);
  if (!bar) return 1;
  const int k = id - kIdFirstControl;
  const ScrollModifiers modifiers{bool(keys & Qt::ShiftModifier), bool(keys & Qt::ControlModifier)};
  const std::optional<ScrollMove> move =
      ScrollControl(kControlTable[k], bar->position(), action, tracked, modifiers);
  if (!move) return 1;
  if (id != current_id_) {
    const std::string_view text = LoadText(id).substr(0, kMaxStatusText);
    panel_.status_bar()->SetText(1, QString::fromUtf8(text.data(), static_cast<int>(text.size())));
    current_id_ = id;
  }
  DrawFocusFrame();
  SetControlTarget(streams_, k, move->value, move->quick, engine_.output_rate(),
                   engine_.frame_clock());
  bar->SetPosition(move->position);
  ShowControlValue(k);
  return 0;
}

void ControlView::ShowControlValue(int k) {
  const ValueTexts texts = ControlValueTexts(streams_.current(), k, streams_.change_time());
  StatusBar* status = panel_.status_bar();
  if (texts.part2) status->SetText(2, ToQString(*texts.part2));
  if (texts.part3) status->SetText(3, ToQString(*texts.part3));
  if (texts.change_time_text)
    panel_.change_time_text()->setText(ToQString(*texts.change_time_text));
}

void ControlView::SetControlPosition(int k, int position) {
  if (k < 0 || k >= kControls) return;
  ControlScrollBar* bar = panel_.bar(k);
  if (bar->position() == position) return;
  bar->SetPosition(position);
  ShowControlValue(k);
}

void ControlView::ShowStreamPositions() {
  const Stream& s = streams_.current();
  for (int k = 0; k < kGrainControls; ++k) {
    panel_.bar(k)->SetPosition(PositionFromValue(kControlTable[k], s.controls[k].target));
  }
}

void ControlView::DrawFocusFrame() {
  panel_.focus_frame()->Mark(current_id_ ? panel_.BarById(current_id_) : nullptr);
}

}  // namespace kornmill
