#include "editor/drop_target.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

#include "editor/widgets.h"

namespace tilvane {

namespace {

std::vector<Text> LocalFilesOf(const QMimeData* data) {
  std::vector<Text> paths;
  if (!data || !data->hasUrls()) return paths;
  for (const QUrl& url : data->urls()) {
    if (!url.isLocalFile()) return {};  // anything but local files is not for us
    paths.push_back(TextOf(url.toLocalFile()));
  }
  return paths;
}

}  // namespace

Qt::DropAction DropEffect(bool acceptable, Qt::KeyboardModifiers keys, Qt::DropActions allowed) {
  if (!acceptable) return Qt::IgnoreAction;
  bool ctrl = keys.testFlag(Qt::ControlModifier);
  bool shift = keys.testFlag(Qt::ShiftModifier);
  if (ctrl && shift) return Qt::IgnoreAction;
  if (ctrl) return allowed.testFlag(Qt::CopyAction) ? Qt::CopyAction : Qt::IgnoreAction;
  if (shift) return allowed.testFlag(Qt::MoveAction) ? Qt::MoveAction : Qt::IgnoreAction;
  for (Qt::DropAction action : {Qt::CopyAction, Qt::MoveAction, Qt::LinkAction}) {
    if (allowed.testFlag(action)) return action;
  }
  return Qt::IgnoreAction;
}

Text DroppedFilesText(const std::vector<Text>& paths) {
  if (paths.size() == 1) return paths.front();
  Text text;
  for (const auto& path : paths) text += path + "\r\n";
  return text;
}

DropTarget::~DropTarget() {
  if (widget_) widget_->removeEventFilter(this);
}

bool DropTarget::Register(QWidget* widget) {
  if (widget_ || !widget) return false;
  widget_ = widget;
  widget->setAcceptDrops(true);
  widget->installEventFilter(this);
  connect(widget, &QObject::destroyed, this, [this] { widget_ = nullptr; });
  return true;
}

bool DropTarget::eventFilter(QObject* watched, QEvent* event) {
  if (watched != widget_) return false;
  switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto* drag = static_cast<QDragMoveEvent*>(event);
      if (event->type() == QEvent::DragEnter) draggedFiles_ = LocalFilesOf(drag->mimeData());
      Qt::DropAction effect = DropEffect(!draggedFiles_.empty(), drag->modifiers(), drag->possibleActions());
      if (effect == Qt::IgnoreAction) {
        drag->ignore();
      } else {
        // A source told "move" may delete its file; it is only ever told "copy".
        drag->setDropAction(effect == Qt::MoveAction ? Qt::CopyAction : effect);
        drag->accept();
      }
      return true;
    }
    case QEvent::DragLeave:
      draggedFiles_.clear();
      return true;
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(event);
      std::vector<Text> paths = LocalFilesOf(drop->mimeData());
      // Between programs on X11 the data is fetched again at the drop, and
      // that fetch can come back empty; it is the same drag, so the files
      // seen when it entered stand.
      if (paths.empty()) paths = draggedFiles_;
      draggedFiles_.clear();
      Qt::DropAction effect = DropEffect(!paths.empty(), drop->modifiers(), drop->possibleActions());
      // Whatever happens, the source is told nothing was done, so it never
      // deletes a file it offered for moving.
      drop->setDropAction(Qt::IgnoreAction);
      drop->ignore();
      if (effect != Qt::IgnoreAction && onFilesDropped) onFilesDropped(DroppedFilesText(paths));
      return true;
    }
    default: return false;
  }
}

}  // namespace tilvane
