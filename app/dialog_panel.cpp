// Builds the main window's items at their dialog-unit places, converted with the window's font.
#include "app/dialog_panel.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <QTabBar>

#include "app/control_scroll_bar.h"
#include "app/dialog_layout.h"
#include "app/focus_frame.h"
#include "app/status_bar.h"
#include "resources/ids.h"

namespace kornmill {

DialogPanel::DialogPanel(QWidget* parent) : QWidget(parent), units_(font()) {
  setObjectName(QStringLiteral("dialog103"));
  // The group captions use a bold copy of the dialog's font.
  bold_font_ = font();
  bold_font_.setWeight(QFont::Bold);
  BuildGroups();
  BuildControls();
  BuildButtons();
  status_ = new StatusBar(this);
  status_->setObjectName(QStringLiteral("statusBar%1").arg(kIdStatusBar));
  frame_ = new FocusFrame(this);
  resize(DialogSize());
}

QSize DialogPanel::DialogSize() const {
  return QSize(units_.X(kDialogWidthDu), units_.Y(kDialogHeightDu));
}

ControlScrollBar* DialogPanel::BarById(int id) const {
  const int k = id - kIdFirstControl;
  return k >= 0 && k < kControls ? bars_[k] : nullptr;
}

void DialogPanel::BuildGroups() {
  const auto& layout = GroupBoxes();
  for (std::size_t i = 0; i < layout.size(); ++i) {
    auto* box = new QGroupBox(
        QString::fromUtf8(layout[i].title.data(), static_cast<int>(layout[i].title.size())), this);
    box->setObjectName(QStringLiteral("group%1").arg(layout[i].id));
    box->setFont(bold_font_);
    box->setGeometry(units_.Rect(layout[i].rect));
    groups_[i] = box;
  }
}

void DialogPanel::BuildControls() {
  for (int k = 0; k < kControls; ++k) {
    const ControlRow& row = kControlTable[k];
    const ControlLayout place = ControlPlacement(k);
    auto* bar = new ControlScrollBar(kIdFirstControl + k,
                                     place.horizontal ? Qt::Horizontal : Qt::Vertical, this);
    // Range minimum .. maximum + 3 with a page of 5: the thumb stops one step
    // above the bottom, as a page-sized thumb does.
    bar->setRange(row.minimum, row.maximum + kScrollExtra - kScrollPage + 1);
    bar->setPageStep(kScrollPage);
    bar->setSingleStep(1);
    // Arrow keys move the thumb the way they point (Qt inverts them for
    // scrollbars, which suits the vertical ones only).
    if (place.horizontal) bar->setInvertedControls(false);
    bar->SetPosition(row.default_position);
    bar->setGeometry(units_.Rect(place.bar));
    bars_[k] = bar;
    if (row.label.empty() || place.label.w == 0) continue;
    auto* label =
        new QLabel(QString::fromUtf8(row.label.data(), static_cast<int>(row.label.size())), this);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label->setGeometry(units_.Rect(place.label));
    label->lower();
  }
  for (QGroupBox* box : groups_) box->lower();
}

void DialogPanel::BuildButtons() {
  tabs_ = new QTabBar(this);
  tabs_->setObjectName(QStringLiteral("tabs%1").arg(kIdStreamTabs));
  tabs_->setExpanding(false);
  tabs_->setGeometry(units_.Rect(StreamTabsRect()));

  play_ = new QPushButton(QStringLiteral("&Play"), this);
  play_->setObjectName(QStringLiteral("button%1").arg(kIdPlayButton));
  play_->setCheckable(true);
  play_->setGeometry(units_.Rect(PlayButtonRect()));

  file_ = new QPushButton(QStringLiteral(">>> F&ile  "), this);
  file_->setObjectName(QStringLiteral("button%1").arg(kIdFileButton));
  file_->setCheckable(true);
  file_->setGeometry(units_.Rect(FileButtonRect()));

  change_time_ = new QLabel(this);
  change_time_->setObjectName(QStringLiteral("text%1").arg(kIdChangeTimeText));
  change_time_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  change_time_->setTextFormat(Qt::PlainText);
  change_time_->setGeometry(units_.Rect(ChangeTimeTextRect()));
}

void DialogPanel::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const int h = status_->height();
  status_->setGeometry(0, height() - h, width(), h);
  frame_->Redraw();
}

}  // namespace kornmill
