// The program's own help window: the HTML pages in a browser with history, contents and find.
#pragma once

#include <QPointer>
#include <QUrl>
#include <QWidget>

class QLabel;
class QLineEdit;
class QTextBrowser;
class QToolButton;

namespace kornmill {

// A top-level window of its own; it never blocks the program's other windows.
// GUI thread only.
class HelpWindow : public QWidget {
  Q_OBJECT

 public:
  explicit HelpWindow(QWidget* parent = nullptr);

  // Shows `page` (a help file, with an optional #anchor) in the window and
  // brings the window up, usable beside a modal dialog that is open. False,
  // and nothing shown, when the page is no readable file.
  bool ShowPage(const QUrl& page);

  // Finds `text` in the page from the current selection on (backwards when
  // asked), going round the page's end; marks every match. False when the
  // page does not hold it.
  bool Find(const QString& text, bool backward = false);

  QTextBrowser* browser() const { return browser_; }
  QLineEdit* find_box() const { return find_box_; }
  QToolButton* back_button() const { return back_; }
  QToolButton* forward_button() const { return forward_; }
  QToolButton* contents_button() const { return contents_; }

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QToolButton* AddButton(const QString& text, const QString& tip, const QKeySequence& keys);
  QWidget* BuildBar();
  void AddShortcuts();
  void OnSourceChanged();
  void MarkMatches(const QString& text);
  void FindFromBox(bool backward);
  void FollowModalDialog();
  void MoveTo(QWidget* owner);

  QTextBrowser* browser_ = nullptr;
  QLineEdit* find_box_ = nullptr;
  QLabel* find_result_ = nullptr;
  QToolButton* back_ = nullptr;
  QToolButton* forward_ = nullptr;
  QToolButton* contents_ = nullptr;
  QUrl contents_page_;
  // The modal dialog the window stands beside while it is open.
  QPointer<QWidget> owner_;
};

}  // namespace kornmill
