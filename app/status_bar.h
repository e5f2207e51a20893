// The main window's five-part status bar.
#pragma once

#include <QFrame>
#include <QString>
#include <array>

class QLabel;

namespace kornmill {

class StatusBar : public QFrame {
  Q_OBJECT

 public:
  static constexpr int kParts = 5;

  explicit StatusBar(QWidget* parent);

  // Right edges of the five parts for a client area `width` pixels wide; the
  // last part runs to the end (-1).
  static std::array<int, kParts> RightEdges(int width);

  // Part 1 carries notices, parts 2 and 3 the control values; 0 and 4 stay empty.
  void SetText(int part, const QString& text);
  QString text(int part) const;
  // While the output soundfile is written: its name and elapsed time in a
  // red field at the left, which part 1 makes room for; empty removes it.
  void SetRecording(const QString& text);
  QString recording() const;
  // The part's rectangle inside the bar (for tests and the screenshot).
  QRect PartRect(int part) const;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void LayOut();

  std::array<QLabel*, kParts> parts_{};
  QLabel* recording_ = nullptr;
};

}  // namespace kornmill
