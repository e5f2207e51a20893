// The main window's client area: group boxes, labels, scrollbars, tabs, buttons and status bar.
#pragma once

#include <QFont>
#include <QWidget>
#include <array>

#include "app/dialog_units.h"
#include "controls/control_table.h"

class QGroupBox;
class QLabel;
class QPushButton;
class QTabBar;

namespace kornmill {

class ControlScrollBar;
class FocusFrame;
class StatusBar;

class DialogPanel : public QWidget {
  Q_OBJECT

 public:
  explicit DialogPanel(QWidget* parent);

  const DialogUnits& units() const { return units_; }
  // The size of the dialog area (467 × 315 dialog units) in pixels.
  QSize DialogSize() const;

  ControlScrollBar* bar(int k) const { return bars_[k]; }
  // The scrollbar with dialog id `id` (1500 .. 1528), or null.
  ControlScrollBar* BarById(int id) const;
  QGroupBox* group(int i) const { return groups_[i]; }
  QTabBar* tabs() const { return tabs_; }
  QPushButton* play_button() const { return play_; }
  QPushButton* file_button() const { return file_; }
  QLabel* change_time_text() const { return change_time_; }
  StatusBar* status_bar() const { return status_; }
  FocusFrame* focus_frame() const { return frame_; }
  const QFont& bold_group_font() const { return bold_font_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void BuildGroups();
  void BuildControls();
  void BuildButtons();

  DialogUnits units_;
  QFont bold_font_;
  std::array<QGroupBox*, 6> groups_{};
  std::array<ControlScrollBar*, kControls> bars_{};
  QTabBar* tabs_ = nullptr;
  QPushButton* play_ = nullptr;
  QPushButton* file_ = nullptr;
  QLabel* change_time_ = nullptr;
  StatusBar* status_ = nullptr;
  FocusFrame* frame_ = nullptr;
};

}  // namespace kornmill
