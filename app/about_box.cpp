// The About box: icon, name, version, a line on what the instrument does, and the maker.
#include "app/about_box.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "resources/ids.h"

namespace kornmill {

namespace {
constexpr int kIconSize = 64;
}

AboutBox::AboutBox(QWidget* owner) : QDialog(owner) {
  setWindowTitle(QStringLiteral("About Kornmill"));
  setObjectName(QStringLiteral("dialog%1").arg(kIdAboutDialog));
  auto* icon = new QLabel(this);
  icon->setPixmap(QIcon(QStringLiteral(":/kornmill/kornmill.png")).pixmap(kIconSize, kIconSize));
  icon->setAlignment(Qt::AlignTop);
  auto* text = new QLabel(this);
  text->setTextFormat(Qt::RichText);
  text->setText(QStringLiteral("<h3>Kornmill %1</h3>"
                               "<p>A real-time granular-synthesis instrument: grains cut from "
                               "a soundfile or a built-in sine,<br>shaped live with 29 controls, "
                               "patches, a gesture pad and MIDI.</p>"
                               "<p>Made by Klangforge. Report problems through the project's "
                               "issue tracker.</p>")
                    .arg(QStringLiteral(KORNMILL_VERSION)));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  auto* row = new QHBoxLayout;
  row->addWidget(icon);
  row->addWidget(text, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->addWidget(buttons);
  setSizeGripEnabled(false);
  adjustSize();
  CentreOverOwner();
}

void AboutBox::showEvent(QShowEvent* event) {
  CentreOverOwner();
  QDialog::showEvent(event);
}

void AboutBox::CentreOverOwner() {
  QWidget* owner = parentWidget();
  if (!owner) return;
  QRect frame = frameGeometry();
  frame.moveCenter(owner->window()->frameGeometry().center());
  move(frame.topLeft());
}

}  // namespace kornmill
