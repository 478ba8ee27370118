#include "front/qt/prompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QStringList>

#include "front/qt/widgets.h"

namespace tilvane::qt {

namespace {

QMessageBox::Icon IconOf(BoxIcon icon) {
  switch (icon) {
    case BoxIcon::None: return QMessageBox::NoIcon;
    case BoxIcon::Question: return QMessageBox::Question;
    case BoxIcon::Warning: return QMessageBox::Warning;
    case BoxIcon::Information: return QMessageBox::Information;
  }
  return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ButtonsOf(BoxButtons buttons) {
  switch (buttons) {
    case BoxButtons::Ok: return QMessageBox::Ok;
    case BoxButtons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case BoxButtons::YesNo: return QMessageBox::Yes | QMessageBox::No;
  }
  return QMessageBox::Ok;
}

BoxAnswer AnswerOf(int pressed) {
  switch (pressed) {
    case QMessageBox::Cancel: return BoxAnswer::Cancel;
    case QMessageBox::Yes: return BoxAnswer::Yes;
    case QMessageBox::No: return BoxAnswer::No;
    default: return BoxAnswer::Ok;
  }
}

// "desc|*.a;*.b" becomes "desc (*.a *.b)", the form QFileDialog parses.
QStringList NameFiltersOf(const Text& filter) {
  QStringList filters;
  for (const auto& entry : ParseDialogFilter(filter)) {
    QString patterns = QStringOf(entry.pattern);
    patterns.replace(';', ' ');
    filters << QStringLiteral("%1 (%2)").arg(QStringOf(entry.description), patterns);
  }
  return filters;
}

// Gives the keyboard back, once a box or dialog has closed, to the window and
// control that had it: a window system without a window manager activates
// nothing by itself.
class KeyboardReturn {
 public:
  KeyboardReturn() : window_(QApplication::activeWindow()), focus_(QApplication::focusWidget()) {}
  ~KeyboardReturn() {
    if (!window_ || !window_->isVisible()) return;
    window_->activateWindow();
    if (focus_ && focus_->isEnabled()) focus_->setFocus(Qt::ActiveWindowFocusReason);
  }
  KeyboardReturn(const KeyboardReturn&) = delete;
  KeyboardReturn& operator=(const KeyboardReturn&) = delete;

 private:
  QPointer<QWidget> window_;
  QPointer<QWidget> focus_;
};

}  // namespace

BoxAnswer QtPrompts::MessageBox(const Text& text, BoxButtons buttons, BoxIcon icon, const Text& caption) {
  QMessageBox box(IconOf(icon), QStringOf(caption), QStringOf(text), ButtonsOf(buttons));
  box.setWindowModality(Qt::ApplicationModal);
  KeyboardReturn keyboard;
  return AnswerOf(box.exec());
}

std::optional<Text> QtPrompts::FileDialog(const CommonDialog& dialog, const Text& startFolder) {
  QFileDialog fileDialog(QApplication::activeWindow());
  fileDialog.setOption(QFileDialog::DontUseNativeDialog);
  fileDialog.setOption(QFileDialog::ReadOnly, false);
  // Each filter reads as its description alone, without the patterns after it.
  fileDialog.setOption(QFileDialog::HideNameFilterDetails);
  if (dialog.kind == FileDialogKind::Save) {
    fileDialog.setAcceptMode(QFileDialog::AcceptSave);
    fileDialog.setFileMode(QFileDialog::AnyFile);
    fileDialog.setOption(QFileDialog::DontConfirmOverwrite, false);
  } else {
    fileDialog.setAcceptMode(QFileDialog::AcceptOpen);
    fileDialog.setFileMode(QFileDialog::ExistingFile);
  }
  if (!dialog.title.empty()) fileDialog.setWindowTitle(QStringOf(dialog.title));
  if (!startFolder.empty()) fileDialog.setDirectory(QStringOf(startFolder));
  QStringList filters = NameFiltersOf(dialog.filter);
  if (!filters.isEmpty()) {
    fileDialog.setNameFilters(filters);
    int index = dialog.initialFilterIndex < 0 ? 0 : dialog.initialFilterIndex;
    if (index < filters.size()) fileDialog.selectNameFilter(filters[index]);
  }
  if (!dialog.defaultExtension.empty()) fileDialog.setDefaultSuffix(QStringOf(dialog.defaultExtension));
  if (!dialog.fileName.empty()) fileDialog.selectFile(QStringOf(dialog.fileName));
  int result = QDialog::Rejected;
  {
    KeyboardReturn keyboard;
    result = fileDialog.exec();
  }
  if (result != QDialog::Accepted) return std::nullopt;
  QStringList chosen = fileDialog.selectedFiles();
  if (chosen.isEmpty()) return std::nullopt;
  return TextOf(chosen.first());
}

}  // namespace tilvane::qt
