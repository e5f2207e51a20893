// A main window on the null audio device with scripted boxes and a private output folder.
#pragma once

#include <QTemporaryDir>
#include <memory>

#include "app/main_window.h"
#include "fake_dialogs.h"

namespace kornmill::testing {

struct WindowFixture {
  WindowFixture() {
    MainWindowOptions options;
    options.dialogs = &dialogs;
    options.use_null_device = true;
    options.output_folder = folder.path().toStdString();
    options.source_folder = folder.path().toStdString();
    window = std::make_unique<MainWindow>(std::move(options));
  }

  QTemporaryDir folder;
  FakeDialogs dialogs;
  std::unique_ptr<MainWindow> window;
};

}  // namespace kornmill::testing
