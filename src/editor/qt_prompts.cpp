#include "editor/qt_prompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

namespace tilvane {

namespace {

QString FromText(const Text& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QMessageBox::Icon IconOf(int flags) {
  switch (flags & 0xF0) {
    case kIconError: return QMessageBox::Critical;
    case kIconQuestion: return QMessageBox::Question;
    case kIconWarning: return QMessageBox::Warning;
    case kIconInformation: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
  }
}

QMessageBox::StandardButtons ButtonsOf(int flags) {
  switch (flags & 0x0F) {
    case 1: return QMessageBox::Ok | QMessageBox::Cancel;
    case 2: return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    case kButtonsYesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case kButtonsYesNo: return QMessageBox::Yes | QMessageBox::No;
    case 5: return QMessageBox::Retry | QMessageBox::Cancel;
    default: return QMessageBox::Ok;
  }
}

int ResultOf(int pressed) {
  switch (pressed) {
    case QMessageBox::Cancel: return kResultCancel;
    case QMessageBox::Abort: return 2;
    case QMessageBox::Retry: return 3;
    case QMessageBox::Ignore: return 4;
    case QMessageBox::Yes: return kResultYes;
    case QMessageBox::No: return kResultNo;
    default: return kResultOk;
  }
}

// "desc|*.a;*.b" becomes "desc (*.a *.b)", the form QFileDialog parses.
QStringList NameFiltersOf(const Text& filter) {
  QStringList filters;
  for (const auto& entry : ParseDialogFilter(filter)) {
    QString patterns = FromText(entry.pattern);
    patterns.replace(';', ' ');
    filters << QStringLiteral("%1 (%2)").arg(FromText(entry.description), patterns);
  }
  return filters;
}

}  // namespace

int QtPrompts::MessageBox(const Text& text, int flags, const Text& caption) {
  QMessageBox box(IconOf(flags), FromText(caption), FromText(text), ButtonsOf(flags));
  box.setWindowModality(Qt::ApplicationModal);
  return ResultOf(box.exec());
}

std::optional<Text> QtPrompts::FileDialog(const CommonDialog& dialog) {
  QFileDialog fileDialog(QApplication::activeWindow());
  fileDialog.setOption(QFileDialog::DontUseNativeDialog);
  fileDialog.setOption(QFileDialog::ReadOnly, false);
  if (dialog.kind == 1) {
    fileDialog.setAcceptMode(QFileDialog::AcceptSave);
    fileDialog.setFileMode(QFileDialog::AnyFile);
    fileDialog.setOption(QFileDialog::DontConfirmOverwrite, false);
  } else {
    fileDialog.setAcceptMode(QFileDialog::AcceptOpen);
    fileDialog.setFileMode(QFileDialog::ExistingFile);
  }
  if (!dialog.title.empty()) fileDialog.setWindowTitle(FromText(dialog.title));
  if (!dialog.initialDirectory.empty()) fileDialog.setDirectory(FromText(dialog.initialDirectory));
  QStringList filters = NameFiltersOf(dialog.filter);
  if (!filters.isEmpty()) {
    fileDialog.setNameFilters(filters);
    int index = dialog.initialFilterIndex < 0 ? 0 : dialog.initialFilterIndex;
    if (index < filters.size()) fileDialog.selectNameFilter(filters[index]);
  }
  if (!dialog.defaultExtension.empty()) fileDialog.setDefaultSuffix(FromText(dialog.defaultExtension));
  if (!dialog.fileName.empty()) fileDialog.selectFile(FromText(dialog.fileName));
  if (fileDialog.exec() != QDialog::Accepted) return std::nullopt;
  QStringList chosen = fileDialog.selectedFiles();
  if (chosen.isEmpty()) return std::nullopt;
  QByteArray path = chosen.first().toUtf8();
  return Text(path.constData(), static_cast<std::size_t>(path.size()));
}

}  // namespace tilvane
