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
}

}  // namespace kornmill
