// 拖放对象1: takes files dropped from outside on the one widget it is
// registered on and raises its dropped-files event with their paths.
#pragma once

#include <QObject>
#include <functional>
#include <vector>

#include "core/text.h"

namespace tilvane {

// The effect a drop would have, from the keys held and what the source allows:
// no key copies, else moves, else links; Ctrl only copies, Shift only moves;
// Ctrl+Shift, or data without local files, does nothing.
Qt::DropAction DropEffect(bool acceptable, Qt::KeyboardModifiers keys, Qt::DropActions allowed);

// The payload text: one path as it is, several each followed by "\r\n".
Text DroppedFilesText(const std::vector<Text>& paths);

class DropTarget : public QObject {
 public:
  explicit DropTarget(QObject* parent = nullptr) : QObject(parent) {}
  ~DropTarget() override;

  // Starts taking drops on `widget`; false when already registered (nothing
  // changes) or there is no widget.
  bool Register(QWidget* widget);
  QWidget* registeredOn() const { return widget_; }

  std::function<void(const Text&)> onFilesDropped;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* widget_ = nullptr;
  std::vector<Text> draggedFiles_;  // the local files of the drag in progress
};

}  // namespace tilvane
