// Slot and bank clicks, the bank commands and their notices, the name box and program changes.
#include "app/patch_view.h"

#include <QLineEdit>
#include <QPushButton>
#include <exception>

#include "app/control_view.h"
#include "app/dialog_panel.h"
#include "app/patch_panel.h"
#include "app/session_settings.h"
#include "app/status_bar.h"
#include "controls/stream.h"
#include "engine/engine.h"
#include "patches/bank_names.h"
#include "patches/session_patches.h"
#include "resources/ids.h"
#include "resources/strings.h"

namespace kornmill {

namespace {

// Notices above the control descriptions (the bank notices) are cleared by
// the next command that ends without one.
constexpr int kLastControlText = kIdChangeTimeControl + 1;
// Program changes from here on click a button instead of recalling a slot.
constexpr int kFirstProgramButton = 1590;
constexpr std::string_view kBankNameField = "<Bank name>";

QString ToQString(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<int>(s.size()));
}

int ModifierBits(Qt::KeyboardModifiers keys) {
  return ((keys & Qt::ControlModifier) ? kModCtrl : 0) |
         ((keys & Qt::ShiftModifier) ? kModShift : 0);
}

}  // namespace

PatchView::PatchView(DialogPanel& panel, StreamTable& streams, Engine& engine,
                     ControlView& controls, PatchPrompts& prompts, std::string patch_folder)
    : QObject(&panel),
      panel_(panel),
      streams_(streams),
      engine_(engine),
      controls_(controls),
      commands_(banks_, streams, prompts, std::move(patch_folder)),
      items_(std::make_unique<PatchPanel>(panel)) {
  modifiers_ = [] { return Qt::KeyboardModifiers(); };
  Connect();
  Refresh();
}

PatchView::~PatchView() = default;

void PatchView::Connect() {
  for (int i = 0; i < PatchPanel::kBankButtons; ++i) {
    connect(items_->bank_button(i), &QPushButton::clicked, this, [this, i] {
      CommitName();
      Finish(commands_.SelectBank(i));
    });
  }
  for (int n = 0; n < PatchPanel::kSlotButtons; ++n) {
    connect(items_->slot_button(n), &QPushButton::clicked, this,
            [this, n] { ClickSlot(n, ModifierBits(modifiers_()), streams_.current_index()); });
  }
  connect(items_->clear_button(), &QPushButton::clicked, this, [this] {
    CommitName();
    const int notice = banks_.ClearPatch();
    Refresh();
    if (notice) ShowNotice(notice);
  });
  connect(items_->load_button(), &QPushButton::clicked, this,
          [this] { RunBankCommand(&BankCommands::Load); });
  connect(items_->save_button(), &QPushButton::clicked, this,
          [this] { RunBankCommand(&BankCommands::Save); });
  connect(items_->close_button(), &QPushButton::clicked, this,
          [this] { RunBankCommand(&BankCommands::Close); });
  connect(items_->name_box(), &QLineEdit::editingFinished, this, [this] { OnNameEdited(); });
}

GlideTiming PatchView::Timing() const {
  return {engine_.output_rate(), engine_.frame_clock(), streams_.change_time()};
}

void PatchView::ClickSlot(int slot, int modifiers, int stream) {
  if (stream < 0 || stream >= streams_.count()) return;
  CommitName();
  const int notice = banks_.ClickSlot(streams_[stream], slot, modifiers, Timing());
  const bool recalled = notice == kNoticeRestoredPatch || notice == kNoticeDefaultPatch;
  if (recalled && stream == streams_.current_index()) controls_.ShowStreamPositions();
  Refresh();
  if (notice) {
    ShowNotice(notice);
  } else {
    EndWithoutNotice();
  }
}

void PatchView::OnProgramChange(int id, int stream) {
  if (stream < 0 || stream >= streams_.count()) return;
  if (id < kFirstProgramButton) {
    const int slot = id - kIdDefaultPatch;
    if (slot >= 0 && slot < PatchPanel::kSlotButtons) ClickSlot(slot, 0, stream);
    return;
  }
  if (QPushButton* button = items_->ButtonById(id)) button->click();
}

void PatchView::RunBankCommand(BankCommandResult (BankCommands::*command)()) {
  CommitName();
  Finish((commands_.*command)());
}

void PatchView::Finish(const BankCommandResult& result) {
  Refresh();
  if (result.cancelled) return;
  StatusBar* status = panel_.status_bar();
  if (result.bank_text) {
    status->SetText(1, ToQString(*result.bank_text));
    last_notice_ = 0;
  }
  if (result.notice) {
    ShowNotice(result.notice);
  } else {
    EndWithoutNotice();
  }
  if (result.name_wanted) PrepareNameBox();
}

void PatchView::ShowNotice(int id) {
  std::string text(LoadText(id));
  if (const size_t at = text.find(kBankNameField); at != std::string::npos) {
    text.replace(at, kBankNameField.size(), banks_.shown().name());
  }
  last_notice_ = id;
  last_notice_text_ = ToQString(text);
  StatusBar* status = panel_.status_bar();
  status->SetText(1, last_notice_text_);
  status->SetText(2, QString());
  status->SetText(3, QString());
}

void PatchView::EndWithoutNotice() {
  if (last_notice_ <= kLastControlText) return;
  // Only the notice itself is taken away, never a text shown after it.
  StatusBar* status = panel_.status_bar();
  if (status->text(1) == last_notice_text_) status->SetText(1, QString());
  last_notice_ = 0;
}

void PatchView::OnNameEdited() {
  QLineEdit* box = items_->name_box();
  const PatchBank::RenameResult r = banks_.shown().Rename(box->text().toStdString());
  if (r.clear_box) box->clear();
  if (r.rewrite) box->setText(ToQString(banks_.shown().name()));
  EndWithoutNotice();
}

void PatchView::CommitName() {
  // A name typed but not yet confirmed counts before the command that follows it.
  if (items_->name_box()->text().toStdString() != banks_.shown().name()) OnNameEdited();
}

void PatchView::PrepareNameBox() {
  QLineEdit* box = items_->name_box();
  box->setText(ToQString(kBankNamePlaceholder));
  box->setFocus();
  box->selectAll();
}

void PatchView::Refresh() {
  const PatchBank& bank = banks_.shown();
  const QString name = ToQString(bank.name());
  if (items_->name_box()->text() != name) items_->name_box()->setText(name);
  for (int n = 1; n <= kSlotsPerBank; ++n) {
    const PatchSlot& slot = bank.slot(n);
    items_->SetSlotCaption(n, ToQString(SlotCaption(n, slot.stored(), slot.changed())));
  }
  items_->CheckBank(banks_.current_bank());
  items_->CheckSlot(banks_.PressedSlot());
}

void PatchView::LoadSession(SessionStore* store) {
  if (store) {
    const auto loaded =
        LoadSessionPatches(*store, commands_.patch_folder(), banks_, commands_.prompts(),
                           factory_folder_);
    if (loaded[0]) banks_.set_current_bank(0);
  }
  Refresh();
}

bool PatchView::SaveAtExit(SettingsSessionStore* store) {
  CommitName();
  if (store) {
    try {
      store->WritePatchFolder(commands_.patch_folder());
    } catch (const std::exception&) {
      // Like every settings failure at exit: the exit goes on.
    }
  }
  const bool done = commands_.SaveAtExit(store);
  Refresh();
  return done;
}

bool PatchView::StreamSlotStored(int stream) const {
  return banks_.StreamSlotStored(streams_[stream]);
}

void PatchView::MarkPatchButton(int stream) {
  banks_.MarkPatchButton(streams_[stream]);
  Refresh();
}

}  // namespace kornmill
