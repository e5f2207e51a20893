// The "Patch Gesture" window: four corner lists, the pad, its own Play and Record, Close and
// collapse.
#pragma once

#include <QDialog>
#include <array>
#include <functional>

#include "app/dialog_units.h"
#include "patches/gesture_mix.h"

class QComboBox;
class QPushButton;
class QToolButton;

namespace kornmill {

class BankTable;
class GestureMixer;
class GesturePad;

// Dialog 106: 276 × 271 dialog units in its own font. What its buttons do is
// given by the host; the corner rules live in patches/. GUI thread only.
class GestureWindow : public QDialog {
  Q_OBJECT

 public:
  struct Hooks {
    std::function<void()> play;    // "&Play": apply the mix and start, or stop
    std::function<void()> record;  // "&Record": the main window's ">>> F&ile  "
    std::function<void()> close;   // "&Close", Escape or the close box
  };

  GestureWindow(QWidget* owner, const BankTable& banks, GestureMixer& mixer, Hooks hooks);

  // FillCornerLists: "Default" and every stored patch in each list, the
  // corners chosen by the initial-corner rule.
  void FillCornerLists();
  // Collapses the window to its top row (lists, Play, Record and the toggle)
  // and gives the owner the focus, or expands it again; the corners are chosen anew.
  void ToggleCollapse();
  bool collapsed() const { return collapsed_; }
  // Brings the window up: expanded when collapsed, raised when shown, else shown.
  void ShowGestureWindow();

  void SetPlayButton(const QString& text, bool checked);
  void SetRecordButton(bool checked);

  QComboBox* corner_list(int c) const { return lists_[static_cast<size_t>(c)]; }
  QPushButton* play_button() const { return play_; }
  QPushButton* record_button() const { return record_; }
  QPushButton* close_button() const { return close_; }
  QToolButton* collapse_button() const { return collapse_; }
  GesturePad* pad() const { return pad_; }
  const DialogUnits& units() const { return units_; }
  // The window's full size (276 × 271 dialog units) in pixels.
  QSize FullSize() const;

 public slots:
  // Escape and the close box do what "&Close" does.
  void reject() override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildLists();
  void BuildButtons();
  void ShowCollapsed();

  const BankTable& banks_;
  GestureMixer& mixer_;
  Hooks hooks_;
  DialogUnits units_;
  std::array<QComboBox*, kGestureCorners> lists_{};
  QPushButton* play_ = nullptr;
  QPushButton* record_ = nullptr;
  QPushButton* close_ = nullptr;
  QToolButton* collapse_ = nullptr;
  GesturePad* pad_ = nullptr;
  bool collapsed_ = false;
};

}  // namespace kornmill
