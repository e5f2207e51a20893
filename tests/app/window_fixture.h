// A main window on the null audio device with scripted boxes, a private output folder and
// settings in memory.
#pragma once

#include <QPushButton>
#include <QTemporaryDir>
#include <functional>
#include <memory>

#include "../midi/fake_midi_ports.h"
#include "app/dialog_panel.h"
#include "app/main_window.h"
#include "app/status_bar.h"
#include "controls/stream.h"
#include "fake_dialogs.h"
#include "settings/memory_store.h"

namespace kornmill::testing {

// The button of `dialog` captioned `text`, or null.
inline QPushButton* DialogButton(QWidget& dialog, const QString& text) {
  for (QPushButton* b : dialog.findChildren<QPushButton*>()) {
    if (b->text() == text) return b;
  }
  return nullptr;
}

struct WindowFixture {
  // Changes the scripted answers and the window's options before the window is made.
  using Adjust = std::function<void(WindowFixture&, MainWindowOptions&)>;

  explicit WindowFixture(const Adjust& adjust = nullptr) {
    MainWindowOptions options;
    options.dialogs = &dialogs;
    options.use_null_device = true;
    options.output_folder = folder.path().toStdString();
    options.source_folder = folder.path().toStdString();
    auto ports = OneFakePort();
    midi_ports = ports.get();
    options.midi_ports = std::move(ports);
    options.settings = settings;
    if (adjust) adjust(*this, options);
    window = std::make_unique<MainWindow>(std::move(options));
  }

  // The current stream, control k's scrollbar and status-bar part i.
  Stream& Current() { return window->streams().current(); }
  ControlScrollBar* Bar(int k) { return window->panel().bar(k); }
  QString Part(int i) { return window->panel().status_bar()->text(i); }

  QTemporaryDir folder;
  FakeDialogs dialogs;
  FakePorts* midi_ports = nullptr;  // owned by the window
  std::shared_ptr<MemoryStore> settings = std::make_shared<MemoryStore>();
  std::unique_ptr<MainWindow> window;
};

}  // namespace kornmill::testing
