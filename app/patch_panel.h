// The items of the "Patch banks" group: bank buttons, slot buttons, bank commands and the name box.
#pragma once

#include <QString>
#include <array>

class QLineEdit;
class QPushButton;

namespace kornmill {

class DialogPanel;

// Builds the items as children of the main window's client area, at their
// dialog-unit places. Shows what it is told; the rules live in PatchView.
// GUI thread only.
class PatchPanel {
 public:
  static constexpr int kBankButtons = 8;
  static constexpr int kSlotButtons = 21;  // the default patch and slots 1 .. 20

  explicit PatchPanel(DialogPanel& panel);

  QPushButton* bank_button(int bank) const { return banks_[static_cast<size_t>(bank)]; }
  // Slot 0 is "Defa&ult Patch".
  QPushButton* slot_button(int slot) const { return slots_[static_cast<size_t>(slot)]; }
  QPushButton* clear_button() const { return clear_; }
  QPushButton* load_button() const { return load_; }
  QPushButton* save_button() const { return save_; }
  QPushButton* close_button() const { return close_; }
  QLineEdit* name_box() const { return name_; }
  // The button with dialog id `id` (bank, slot and command buttons), or null.
  QPushButton* ButtonById(int id) const;

  // Marks bank `bank` and slot `slot` (-1 for none) as pressed.
  void CheckBank(int bank);
  void CheckSlot(int slot);
  // A slot button's caption (with its keyboard mnemonic).
  void SetSlotCaption(int slot, const QString& caption);

 private:
  QPushButton* MakeButton(DialogPanel& panel, int id, const QString& text, bool checkable);
  void BuildBankRow(DialogPanel& panel);
  void BuildSlots(DialogPanel& panel);

  std::array<QPushButton*, kBankButtons> banks_{};
  std::array<QPushButton*, kSlotButtons> slots_{};
  QPushButton* clear_ = nullptr;
  QPushButton* load_ = nullptr;
  QPushButton* save_ = nullptr;
  QPushButton* close_ = nullptr;
  QLineEdit* name_ = nullptr;
};

}  // namespace kornmill
