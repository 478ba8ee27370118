#include "front/qt/drop_target.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

#include "front/qt/controls.h"
#include "front/qt/icon_list.h"
#include "front/qt/widgets.h"

namespace tilvane::qt {

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

Qt::DropAction ActionOf(tilvane::DropEffect effect) {
  switch (effect) {
    case tilvane::DropEffect::Copy: return Qt::CopyAction;
    case tilvane::DropEffect::Move: return Qt::MoveAction;
    case tilvane::DropEffect::Link: return Qt::LinkAction;
    case tilvane::DropEffect::None: break;
  }
  return Qt::IgnoreAction;
}

tilvane::DropEffect EffectOf(Qt::DropAction action) {
  switch (action) {
    case Qt::CopyAction: return tilvane::DropEffect::Copy;
    case Qt::MoveAction: return tilvane::DropEffect::Move;
    case Qt::LinkAction: return tilvane::DropEffect::Link;
    default: return tilvane::DropEffect::None;
  }
}

}  // namespace

Qt::DropAction DropEffect(bool acceptable, Qt::KeyboardModifiers keys, Qt::DropActions allowed) {
  DropEffects effects{allowed.testFlag(Qt::CopyAction), allowed.testFlag(Qt::MoveAction),
                      allowed.testFlag(Qt::LinkAction)};
  return ActionOf(
      DropEffectFor(acceptable, keys.testFlag(Qt::ControlModifier), keys.testFlag(Qt::ShiftModifier), effects));
}

DropFilter::~DropFilter() {
  if (widget_) widget_->removeEventFilter(this);
}

bool DropFilter::Register(QWidget* widget) {
  if (widget_ || !widget) return false;
  widget_ = widget;
  widget->setAcceptDrops(true);
  widget->installEventFilter(this);
  connect(widget, &QObject::destroyed, this, [this] { widget_ = nullptr; });
  return true;
}

bool DropFilter::eventFilter(QObject* watched, QEvent* event) {
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
        drag->setDropAction(ActionOf(DropCursorFor(EffectOf(effect))));
        drag->accept();
      }
      return true;
    }
    case QEvent::DragLeave: draggedFiles_.clear(); return true;
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

QtDropTarget::QtDropTarget(QWidget* owner, const char* name) : filter_(new DropFilter(owner)) {
  filter_->setObjectName(QString::fromUtf8(name));
  filter_->onFilesDropped = [this](const Text& paths) {
    if (onFilesDropped) onFilesDropped(paths);
  };
}

QObject* QtDropTarget::object() const { return filter_; }

// Drops land on the list's viewport, the window inside its frame.
bool QtDropTarget::Register(IconList& list) {
  IconListView* view = QtOf<IconListView>(&list);
  return view && filter_->Register(view->viewport());
}

bool QtDropTarget::registered() const { return filter_->registeredOn() != nullptr; }

}  // namespace tilvane::qt
