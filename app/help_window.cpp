// The help window: a text browser over the shipped pages, its tool row, find and the modal-dialog rule.
#include "app/help_window.h"

#include <QApplication>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QStyle>
#include <QTextBrowser>
#include <QTextDocument>
#include <QToolButton>
#include <QVBoxLayout>

namespace kornmill {

namespace {

constexpr int kDefaultWidth = 760;
constexpr int kDefaultHeight = 660;
constexpr int kFindBoxWidth = 180;
// Matches are marked, up to this many (a page holds far fewer of anything worth finding).
constexpr int kMostMarks = 1000;
const QString kTitle = QStringLiteral("Kornmill Help");

}  // namespace

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("helpWindow"));
  setWindowTitle(kTitle);
  browser_ = new QTextBrowser(this);
  browser_->setObjectName(QStringLiteral("helpBrowser"));
  // Pages of the manual open here; web and mail links go to the desktop's programs.
  browser_->setOpenExternalLinks(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(BuildBar());
  layout->addWidget(browser_, 1);
  AddShortcuts();
  connect(browser_, &QTextBrowser::backwardAvailable, back_, &QWidget::setEnabled);
  connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QWidget::setEnabled);
  connect(browser_, &QTextBrowser::sourceChanged, this, &HelpWindow::OnSourceChanged);
  connect(back_, &QToolButton::clicked, browser_, &QTextBrowser::backward);
  connect(forward_, &QToolButton::clicked, browser_, &QTextBrowser::forward);
  connect(contents_, &QToolButton::clicked, this, [this] { browser_->setSource(contents_page_); });
  resize(kDefaultWidth, kDefaultHeight);
}

QToolButton* HelpWindow::AddButton(const QString& text, const QString& tip,
                                   const QKeySequence& keys) {
  auto* button = new QToolButton(this);
  button->setText(text);
  button->setToolTip(keys.isEmpty() ? tip
                                    : tip + QStringLiteral(" (") +
                                          keys.toString(QKeySequence::NativeText) +
                                          QLatin1Char(')'));
  button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  button->setAutoRaise(true);
  return button;
}

QWidget* HelpWindow::BuildBar() {
  auto* bar = new QWidget(this);
  auto* row = new QHBoxLayout(bar);
  row->setContentsMargins(0, 0, 0, 0);
  back_ = AddButton(QStringLiteral("&Back"), QStringLiteral("The page before"),
                    QKeySequence::Back);
  back_->setIcon(style()->standardIcon(QStyle::SP_ArrowBack));
  forward_ = AddButton(QStringLiteral("&Forward"), QStringLiteral("The next page again"),
                       QKeySequence::Forward);
  forward_->setIcon(style()->standardIcon(QStyle::SP_ArrowForward));
  contents_ = AddButton(QStringLiteral("&Contents"), QStringLiteral("The list of topics"),
                        QKeySequence(Qt::ALT | Qt::Key_Home));
  back_->setEnabled(false);
  forward_->setEnabled(false);
  find_box_ = new QLineEdit(bar);
  find_box_->setObjectName(QStringLiteral("helpFind"));
  find_box_->setPlaceholderText(QStringLiteral("Find in page"));
  find_box_->setClearButtonEnabled(true);
  find_box_->setMaximumWidth(kFindBoxWidth);
  find_result_ = new QLabel(bar);
  auto* label = new QLabel(QStringLiteral("F&ind:"), bar);
  label->setBuddy(find_box_);
  for (QWidget* w : {static_cast<QWidget*>(back_), static_cast<QWidget*>(forward_),
                     static_cast<QWidget*>(contents_)}) {
    row->addWidget(w);
  }
  row->addStretch(1);
  row->addWidget(label);
  row->addWidget(find_box_);
  row->addWidget(find_result_);
  connect(find_box_, &QLineEdit::returnPressed, this, [this] { FindFromBox(false); });
  connect(find_box_, &QLineEdit::textChanged, this, &HelpWindow::MarkMatches);
  return bar;
}

void HelpWindow::AddShortcuts() {
  const auto add = [this](const QKeySequence& keys, auto slot) {
    connect(new QShortcut(keys, this), &QShortcut::activated, this, slot);
  };
  add(QKeySequence::Back, [this] { browser_->backward(); });
  add(QKeySequence::Forward, [this] { browser_->forward(); });
  add(QKeySequence(Qt::ALT | Qt::Key_Home), [this] { browser_->setSource(contents_page_); });
  add(QKeySequence::Find, [this] {
    find_box_->setFocus();
    find_box_->selectAll();
  });
  add(QKeySequence::FindNext, [this] { FindFromBox(false); });
  add(QKeySequence::FindPrevious, [this] { FindFromBox(true); });
  add(QKeySequence::ZoomIn, [this] { browser_->zoomIn(); });
  add(QKeySequence::ZoomOut, [this] { browser_->zoomOut(); });
  add(QKeySequence(Qt::Key_Escape), [this] { close(); });
}

bool HelpWindow::ShowPage(const QUrl& page) {
  if (!page.isLocalFile() || !QFileInfo(page.toLocalFile()).isReadable()) return false;
  contents_page_ = page.adjusted(QUrl::RemoveFragment).resolved(QUrl(QStringLiteral("index.html")));
  FollowModalDialog();
  browser_->setSource(page);
  show();
  raise();
  activateWindow();
  return true;
}

void HelpWindow::OnSourceChanged() {
  const QString title = browser_->documentTitle();
  setWindowTitle(title.isEmpty() ? kTitle : kTitle + QStringLiteral(" - ") + title);
  MarkMatches(find_box_->text());
}

void HelpWindow::MarkMatches(const QString& text) {
  QList<QTextEdit::ExtraSelection> marks;
  QTextDocument* document = browser_->document();
  QTextCursor at(document);
  while (!text.isEmpty() && marks.size() < kMostMarks) {
    at = document->find(text, at);
    if (at.isNull()) break;
    QTextEdit::ExtraSelection mark;
    mark.cursor = at;
    mark.format.setBackground(QColor(255, 230, 110));
    marks.append(mark);
  }
  browser_->setExtraSelections(marks);
  find_result_->setText(!text.isEmpty() && marks.isEmpty() ? QStringLiteral("Not found")
                                                           : QString());
}

bool HelpWindow::Find(const QString& text, bool backward) {
  if (text.isEmpty()) return false;
  const QTextDocument::FindFlags flags =
      backward ? QTextDocument::FindBackward : QTextDocument::FindFlags();
  if (browser_->find(text, flags)) return true;
  // Round the end of the page, once.
  QTextCursor cursor = browser_->textCursor();
  cursor.movePosition(backward ? QTextCursor::End : QTextCursor::Start);
  browser_->setTextCursor(cursor);
  return browser_->find(text, flags);
}

void HelpWindow::FindFromBox(bool backward) {
  const bool found = Find(find_box_->text(), backward);
  find_result_->setText(found || find_box_->text().isEmpty() ? QString()
                                                             : QStringLiteral("Not found"));
}

void HelpWindow::FollowModalDialog() {
  // A window outside the open modal dialog would be blocked: the help stands
  // beside the dialog, as its own window, while the dialog is open.
  QWidget* modal = QApplication::activeModalWidget();
  if (modal == this) modal = nullptr;
  if (modal != owner_) MoveTo(modal);
}

void HelpWindow::MoveTo(QWidget* owner) {
  const bool visible = isVisible();
  const QRect place = geometry();
  if (owner_) owner_->removeEventFilter(this);
  owner_ = owner;
  setParent(owner, Qt::Window);
  if (owner) owner->installEventFilter(this);
  if (visible) {
    setGeometry(place);
    show();
  }
}

bool HelpWindow::event(QEvent* event) {
  // A modal dialog opened while the help was up: the help moves beside it
  // once the dialog is shown.
  if (event->type() == QEvent::WindowBlocked) {
    QMetaObject::invokeMethod(this, &HelpWindow::FollowModalDialog, Qt::QueuedConnection);
  }
  return QWidget::event(event);
}

bool HelpWindow::eventFilter(QObject* watched, QEvent* event) {
  // The dialog closes: the help leaves it before it is hidden with it or
  // deleted with it, and stays open for the window below.
  if (watched == owner_ && event->type() == QEvent::Hide) {
    QWidget* next = QApplication::activeModalWidget();
    MoveTo(next == owner_ || next == this ? nullptr : next);
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace kornmill
