// 拖放对象1 over Qt: takes files dropped from outside on the one widget it
// is registered on and raises its dropped-files event with their paths.
#pragma once

#include <QObject>
#include <functional>
#include <vector>

#include "core/text.h"

namespace tilvane::qt {

// DropEffectFor (editor/controls.h) in Qt's terms.
Qt::DropAction DropEffect(bool acceptable, Qt::KeyboardModifiers keys, Qt::DropActions allowed);

class DropFilter : public QObject {
 public:
  explicit DropFilter(QObject* parent = nullptr) : QObject(parent) {}
  ~DropFilter() override;

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

}  // namespace tilvane::qt
