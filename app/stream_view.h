// The stream tabs, stream selection and the window title that names the stream's sound.
#pragma once

#include <QObject>
#include <QString>
#include <functional>

namespace kornmill {

class ControlView;
class DialogPanel;
class StreamTable;

// GUI thread only.
class StreamView : public QObject {
  Q_OBJECT

 public:
  StreamView(DialogPanel& panel, StreamTable& streams, ControlView& controls,
             std::function<void(const QString&)> set_title);

  // Adds a tab for every stream of the table (start-up).
  void AddTabs();
  // Makes stream `index` current and shows it: scrollbars, title, status texts.
  void SelectStream(int index);
  // Stores a stream's state and relabels its tab.
  void SetStreamState(int index, int state);
  // The patch panel's part in stream selection: whether a stream's patch slot
  // holds a patch (its status text) and the slot buttons following a stream.
  void set_patch_hooks(std::function<bool(int)> slot_stored, std::function<void(int)> mark) {
    slot_stored_ = std::move(slot_stored);
    mark_patch_ = std::move(mark);
  }

 signals:
  // A tab got a new label (the loader marks a stream while replacing its sound).
  void tabRelabelled(int index, const QString& label);

 private:
  void OnTabChanged(int tab);

  DialogPanel& panel_;
  StreamTable& streams_;
  ControlView& controls_;
  std::function<void(const QString&)> set_title_;
  std::function<bool(int)> slot_stored_;
  std::function<void(int)> mark_patch_;
};

}  // namespace kornmill
