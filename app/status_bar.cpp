// The status bar: five labels whose right edges follow the client width.
#include "app/status_bar.h"

#include <QLabel>
#include <QResizeEvent>
#include <algorithm>

namespace kornmill {

StatusBar::StatusBar(QWidget* parent) : QFrame(parent) {
  for (int i = 0; i < kParts; ++i) {
    auto* label = new QLabel(this);
    label->setTextFormat(Qt::PlainText);
    label->setIndent(2);
    label->setObjectName(QStringLiteral("statusPart%1").arg(i));
    // Parts 0 and 4 are drawn without borders and keep an empty text.
    if (i != 0 && i != kParts - 1) label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    parts_[i] = label;
  }
  recording_ = new QLabel(this);
  recording_->setTextFormat(Qt::PlainText);
  recording_->setObjectName(QStringLiteral("statusRecording"));
  recording_->setAlignment(Qt::AlignCenter);
  recording_->setStyleSheet(
      QStringLiteral("QLabel { background: #c62828; color: white; font-weight: bold; }"));
  recording_->hide();
  setFixedHeight(fontMetrics().height() + 6);
  LayOut();
}

std::array<int, StatusBar::kParts> StatusBar::RightEdges(int width) {
  if (width >= 640) return {4, width - 283, width - 134, width - 6, -1};
  return {4, width - 258, width - 128, width - 6, -1};
}

void StatusBar::SetText(int part, const QString& text) {
  if (part <= 0 || part >= kParts - 1) return;
  parts_[part]->setText(text);
}

QString StatusBar::text(int part) const {
  if (part < 0 || part >= kParts) return {};
  return parts_[part]->text();
}

QRect StatusBar::PartRect(int part) const {
  if (part < 0 || part >= kParts) return {};
  return parts_[part]->geometry();
}

void StatusBar::SetRecording(const QString& text) {
  if (recording_->text() == text) return;
  recording_->setText(text);
  recording_->setVisible(!text.isEmpty());
  LayOut();
}

QString StatusBar::recording() const {
  return recording_->text();
}

void StatusBar::resizeEvent(QResizeEvent* event) {
  QFrame::resizeEvent(event);
  LayOut();
}

void StatusBar::LayOut() {
  const auto edges = RightEdges(width());
  int left = 0;
  for (int i = 0; i < kParts; ++i) {
    const int right = edges[i] < 0 ? width() : edges[i];
    parts_[i]->setGeometry(left, 1, std::max(0, right - left), height() - 2);
    left = right;
  }
  if (recording_->text().isEmpty()) return;
  const QRect part1 = parts_[1]->geometry();
  constexpr int kPadding = 12;
  const int w = std::min(part1.width() / 2,
                         recording_->fontMetrics().horizontalAdvance(recording_->text()) + kPadding);
  recording_->setGeometry(part1.x(), 1, w, height() - 2);
  parts_[1]->setGeometry(part1.x() + w, 1, part1.width() - w, height() - 2);
}

}  // namespace kornmill
