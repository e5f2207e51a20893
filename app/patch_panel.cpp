// The patch-bank items at their places inside the "Patch banks" group.
#include "app/patch_panel.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/dialog_panel.h"
#include "app/dialog_units.h"
#include "patches/bank_names.h"
#include "resources/ids.h"

namespace kornmill {

namespace {

// Dialog units inside the group box at (320, 17), 143 wide; the change-time
// scrollbar stands at its right edge, from x 449.
constexpr int kLeft = 325;
constexpr int kRowHeight = 12;
constexpr int kButtonHeight = 13;
constexpr int kFullWidth = 119;
constexpr DuRect kBankLabel = {kLeft, 29, 20, 8};
constexpr DuRect kNameBox = {346, 27, 98, kRowHeight};
constexpr int kBankRowTop = 43;
constexpr int kBankPitch = 15;  // bank buttons 14 wide, one unit apart
constexpr int kBankWidth = 14;
constexpr int kCommandTop = 59;
constexpr int kCommandPitch = 40;
constexpr int kCommandWidth = 39;
constexpr DuRect kDefaultPatch = {kLeft, 76, kFullWidth, kButtonHeight};
constexpr int kSlotTop = 93;
constexpr int kSlotPitch = 15;
constexpr int kSlotColumnPitch = 60;
constexpr int kSlotWidth = 59;
constexpr int kSlotsPerColumn = 10;
constexpr DuRect kClearPatch = {kLeft, 248, kFullWidth, kButtonHeight};

}  // namespace

PatchPanel::PatchPanel(DialogPanel& panel) {
  auto* label = new QLabel(QStringLiteral("Bank:"), &panel);
  label->setGeometry(panel.units().Rect(kBankLabel));
  name_ = new QLineEdit(&panel);
  name_->setObjectName(QStringLiteral("edit%1").arg(kIdBankName));
  name_->setMaxLength(kBankNameLimit);
  name_->setPlaceholderText(QString::fromUtf8(kBankNamePlaceholder.data(),
                                              static_cast<int>(kBankNamePlaceholder.size())));
  name_->setGeometry(panel.units().Rect(kNameBox));
  BuildBankRow(panel);
  BuildSlots(panel);
}

QPushButton* PatchPanel::MakeButton(DialogPanel& panel, int id, const QString& text,
                                    bool checkable) {
  auto* button = new QPushButton(text, &panel);
  button->setObjectName(QStringLiteral("button%1").arg(id));
  button->setCheckable(checkable);
  // The keyboard stays with the scrollbars; buttons take no focus.
  button->setFocusPolicy(Qt::NoFocus);
  return button;
}

void PatchPanel::BuildBankRow(DialogPanel& panel) {
  const DialogUnits& du = panel.units();
  for (int i = 0; i < kBankButtons; ++i) {
    banks_[static_cast<size_t>(i)] =
        MakeButton(panel, kIdFirstBank + i, QStringLiteral("&") + QLatin1Char(BankLetter(i)), true);
    banks_[static_cast<size_t>(i)]->setGeometry(
        du.Rect({kLeft + i * kBankPitch, kBankRowTop, kBankWidth, kRowHeight}));
  }
  load_ = MakeButton(panel, kIdBankLoad, QStringLiteral("Load"), false);
  save_ = MakeButton(panel, kIdBankSave, QStringLiteral("Save"), false);
  close_ = MakeButton(panel, kIdBankClose, QStringLiteral("Close"), false);
  QPushButton* commands[] = {load_, save_, close_};
  for (int i = 0; i < 3; ++i) {
    commands[i]->setGeometry(
        du.Rect({kLeft + i * kCommandPitch, kCommandTop, kCommandWidth, kButtonHeight}));
  }
}

void PatchPanel::BuildSlots(DialogPanel& panel) {
  const DialogUnits& du = panel.units();
  slots_[0] = MakeButton(panel, kIdDefaultPatch, QStringLiteral("Defa&ult Patch"), true);
  slots_[0]->setGeometry(du.Rect(kDefaultPatch));
  for (int n = 1; n < kSlotButtons; ++n) {
    QPushButton* b = MakeButton(panel, kIdDefaultPatch + n, QString(), true);
    const int column = (n - 1) / kSlotsPerColumn;
    const int row = (n - 1) % kSlotsPerColumn;
    b->setGeometry(du.Rect({kLeft + column * kSlotColumnPitch, kSlotTop + row * kSlotPitch,
                            kSlotWidth, kButtonHeight}));
    slots_[static_cast<size_t>(n)] = b;
  }
  clear_ = MakeButton(panel, kIdClearPatch, QStringLiteral("Clear Pa&tch"), false);
  clear_->setGeometry(du.Rect(kClearPatch));
}

QPushButton* PatchPanel::ButtonById(int id) const {
  if (id >= kIdFirstBank && id <= kIdLastBank) return bank_button(id - kIdFirstBank);
  if (id >= kIdDefaultPatch && id <= kIdLastSlot) return slot_button(id - kIdDefaultPatch);
  switch (id) {
    case kIdClearPatch:
      return clear_;
    case kIdBankLoad:
      return load_;
    case kIdBankSave:
      return save_;
    case kIdBankClose:
      return close_;
    default:
      return nullptr;
  }
}

void PatchPanel::CheckBank(int bank) {
  for (int i = 0; i < kBankButtons; ++i) banks_[static_cast<size_t>(i)]->setChecked(i == bank);
}

void PatchPanel::CheckSlot(int slot) {
  for (int n = 0; n < kSlotButtons; ++n) slots_[static_cast<size_t>(n)]->setChecked(n == slot);
}

void PatchPanel::SetSlotCaption(int slot, const QString& caption) {
  slots_[static_cast<size_t>(slot)]->setText(caption);
}

}  // namespace kornmill
