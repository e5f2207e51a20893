// The "Patch Gesture" window's items at their dialog-unit places, its lists, buttons and collapse.
#include "app/gesture_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QPushButton>
#include <QToolButton>

#include "app/gesture_pad.h"
#include "patches/bank_table.h"
#include "patches/gesture_corners.h"
#include "patches/gesture_mixer.h"
#include "resources/ids.h"

namespace kornmill {

namespace {

constexpr int kWidthDu = 276;
constexpr int kHeightDu = 271;
// Collapsed, the window keeps the row above the pad.
constexpr int kCollapsedHeightDu = 24;
constexpr DuRect kPad = {7, 24, 262, 223};
constexpr int kListWidth = 78;
constexpr int kListHeight = 12;
constexpr int kListLeft = 7;
constexpr int kListRight = 191;
constexpr int kListTop = 7;
constexpr int kListBottom = 252;
constexpr DuRect kPlay = {92, 6, 38, 14};
constexpr DuRect kRecord = {134, 6, 38, 14};
constexpr DuRect kCollapse = {176, 6, 12, 14};
constexpr DuRect kClose = {110, 251, 56, 14};

constexpr std::array<DuRect, kGestureCorners> kLists = {{
    {kListLeft, kListTop, kListWidth, kListHeight},
    {kListRight, kListTop, kListWidth, kListHeight},
    {kListLeft, kListBottom, kListWidth, kListHeight},
    {kListRight, kListBottom, kListWidth, kListHeight},
}};
constexpr std::array<int, kGestureCorners> kListIds = {kIdGestureTopLeft, kIdGestureTopRight,
                                                       kIdGestureBottomLeft, kIdGestureBottomRight};

QPushButton* MakeButton(QWidget* parent, int id, const QString& text, bool checkable) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(QStringLiteral("button%1").arg(id));
  button->setCheckable(checkable);
  // The keyboard stays with the pad, whose arrow keys move the marker.
  button->setFocusPolicy(Qt::NoFocus);
  return button;
}

}  // namespace

GestureWindow::GestureWindow(QWidget* owner, const BankTable& banks, GestureMixer& mixer,
                             Hooks hooks)
    : QDialog(owner), banks_(banks), mixer_(mixer), hooks_(std::move(hooks)), units_(font()) {
  setObjectName(QStringLiteral("dialog%1").arg(kIdGestureDialog));
  setWindowTitle(QStringLiteral("Patch Gesture"));
  setModal(false);
  BuildLists();
  pad_ = new GesturePad(mixer_, this);
  pad_->Place(units_.Rect(kPad));
  BuildButtons();
  ShowCollapsed();
  FillCornerLists();
  pad_->setFocus();
}

QSize GestureWindow::FullSize() const {
  return QSize(units_.X(kWidthDu), units_.Y(kHeightDu));
}

void GestureWindow::BuildLists() {
  for (int c = 0; c < kGestureCorners; ++c) {
    auto* list = new QComboBox(this);
    list->setObjectName(QStringLiteral("list%1").arg(kListIds[static_cast<size_t>(c)]));
    list->setGeometry(units_.Rect(kLists[static_cast<size_t>(c)]));
    // A choice the user confirms sets the corner.
    connect(list, &QComboBox::activated, this, [this, c, list](int index) {
      mixer_.set_corner(c, static_cast<uint16_t>(list->itemData(index).toUInt()));
    });
    lists_[static_cast<size_t>(c)] = list;
  }
}

void GestureWindow::BuildButtons() {
  play_ = MakeButton(this, kIdGesturePlay, QStringLiteral("&Play"), true);
  play_->setGeometry(units_.Rect(kPlay));
  connect(play_, &QPushButton::clicked, this, [this] { hooks_.play(); });
  record_ = MakeButton(this, kIdGestureRecord, QStringLiteral("&Record"), true);
  record_->setGeometry(units_.Rect(kRecord));
  connect(record_, &QPushButton::clicked, this, [this] { hooks_.record(); });
  close_ = MakeButton(this, kCmdEscape, QStringLiteral("&Close"), false);
  close_->setGeometry(units_.Rect(kClose));
  close_->setDefault(true);
  connect(close_, &QPushButton::clicked, this, [this] { hooks_.close(); });
  // The desktop's caption belongs to the window manager: this button collapses
  // and expands the window in place of a double-click on the caption.
  collapse_ = new QToolButton(this);
  collapse_->setObjectName(QStringLiteral("collapseButton"));
  collapse_->setFocusPolicy(Qt::NoFocus);
  collapse_->setGeometry(units_.Rect(kCollapse));
  connect(collapse_, &QToolButton::clicked, this, [this] { ToggleCollapse(); });
}

void GestureWindow::FillCornerLists() {
  const std::vector<CornerItem> items = CornerListItems(banks_);
  const std::array<int, kGestureCorners> chosen = InitialCornerItems(items, banks_.current_bank());
  for (int c = 0; c < kGestureCorners; ++c) {
    QComboBox* list = lists_[static_cast<size_t>(c)];
    list->clear();
    for (const CornerItem& item : items) {
      list->addItem(QString::fromStdString(item.text), QVariant::fromValue<uint>(item.code));
    }
    const int index = chosen[static_cast<size_t>(c)];
    list->setCurrentIndex(index);
    mixer_.set_corner(c, items[static_cast<size_t>(index)].code);
  }
}

void GestureWindow::ToggleCollapse() {
  collapsed_ = !collapsed_;
  ShowCollapsed();
  if (collapsed_ && parentWidget()) parentWidget()->activateWindow();
  if (!collapsed_) pad_->setFocus();
  FillCornerLists();
}

void GestureWindow::ShowCollapsed() {
  const bool full = !collapsed_;
  pad_->setVisible(full);
  lists_[kBottomLeft]->setVisible(full);
  lists_[kBottomRight]->setVisible(full);
  close_->setVisible(full);
  collapse_->setArrowType(full ? Qt::UpArrow : Qt::DownArrow);
  const QString tip = full ? QStringLiteral("Collapse the window to its top row")
                           : QStringLiteral("Expand the window to show the pad");
  collapse_->setToolTip(tip);
  collapse_->setAccessibleName(tip);
  setFixedSize(full ? FullSize() : QSize(units_.X(kWidthDu), units_.Y(kCollapsedHeightDu)));
}

void GestureWindow::ShowGestureWindow() {
  if (collapsed_) ToggleCollapse();
  if (isVisible()) {
    raise();
    activateWindow();
  } else {
    show();
  }
}

void GestureWindow::SetPlayButton(const QString& text, bool checked) {
  play_->setText(text);
  play_->setChecked(checked);
}

void GestureWindow::SetRecordButton(bool checked) {
  record_->setChecked(checked);
}

void GestureWindow::reject() {
  hooks_.close();
}

void GestureWindow::closeEvent(QCloseEvent* event) {
  event->accept();
  hooks_.close();
}

}  // namespace kornmill
