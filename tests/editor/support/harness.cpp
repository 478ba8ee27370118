#include "editor/support/harness.h"

#include <sys/stat.h>
#include <fstream>

#include "support/ordinary_user.h"

#include "core/imagegroup/codec.h"
#include "core/imagegroup/default_group.h"
#include "editor/main_window.h"
#include "editor/refresh.h"
#include "editor/support/item_input.h"

namespace tilvane::testing {

Harness::Harness(MidiPlayer* music, bool holdEventLoop) {
  hadTmpdir_ = qEnvironmentVariableIsSet("TMPDIR");
  oldTmpdir_ = qgetenv("TMPDIR");
  qputenv("TMPDIR", (root_.path() + "/tmp").toUtf8());
  QDir().mkpath(root_.path() + "/tmp");
  QDir().mkpath(root_.path() + "/files");
  EditorServices services;
  services.frontEnd = &frontEnd_;
  services.prompts = &prompts;
  services.music = music;
  services.quit = [this](int code) { exitCode = code; };
  editor_ = LoadEditor(std::move(services));
  if (!holdEventLoop) Export();
}

// The export dialog is made once the event loop has run after start-up; a
// test that held the loop runs it now.
QtExportControls Harness::Export() const {
  if (!QTest::qWaitFor([this] { return editor_->exportDialog.window != nullptr; })) {
    qFatal("the export dialog was never made");
  }
  return QtControlsOf(editor_->exportDialog);
}

Harness::~Harness() {
  editor_.reset();
  if (hadTmpdir_)
    qputenv("TMPDIR", oldTmpdir_);
  else
    qunsetenv("TMPDIR");
  // Every test answers for every box and dialog it saw, whether or not it
  // checked them itself: one nobody expected, or an answer never asked for,
  // fails it here. A test that failed already keeps its first reason.
  if (QTest::currentTestFailed()) return;
  for (const std::string& problem : prompts.Problems()) {
    QTest::qFail(problem.c_str(), __FILE__, __LINE__);
  }
}

Text Harness::Folder() const { return TextOf(root_.path() + "/files"); }
Text Harness::PathOf(const Text& name) const { return Folder() + "/" + name; }

Text Harness::LockedFolder(const Text& name) {
  const Text path = PathOf(name);
  QDir().mkpath(QString::fromStdString(path));
  // The ordinary user must be able to walk down to it.
  ::chmod(root_.path().toLocal8Bit().constData(), 0755);
  ::chmod(Folder().c_str(), 0755);
  GiveToOrdinaryUser(path);
  ::chmod(path.c_str(), 0555);
  return path;
}
void Harness::Tick() { OnTimerTick(*editor_); }
Text Harness::Caption() const { return MainCaption(*editor_); }
int Harness::ItemCount() const { return editor_->main.图标列表框->itemCount(); }

void Harness::Select(int index) {
  qt::IconListView& list = *Main().图标列表框;
  if (index >= 0) {
    ClickItem(list, index);
    return;
  }
  int selected = list.selectedIndex();
  if (selected >= 0) ClickItem(list, selected, Qt::ControlModifier);
}

void Harness::DoubleClick(int index) { DoubleClickItem(*Main().图标列表框, index); }
void Harness::RightClick(int index) { RightClickItem(*Main().图标列表框, index); }

void Harness::StartEditedGroup(const Bytes& group) {
  editor_->document.imageGroupBytes = group;
  RefreshIconList(*editor_);
}

std::vector<Text> Harness::ItemCaptions() const {
  std::vector<Text> captions;
  const qt::IconListView& list = *Main().图标列表框;
  for (int i = 0; i < list.itemCount(); ++i)
    captions.push_back(TextOf(list.model()->index(i, 0).data(Qt::DisplayRole).toString()));
  return captions;
}

std::uint32_t ImageColour(int k) { return 0x00102030u + static_cast<std::uint32_t>(k) * 0x00050301u; }

Bytes MakeGroup(int count) {
  ImageList list = *DecodeImageGroup(DefaultImageGroup());
  list.ClearImages();
  for (int k = 0; k < count; ++k) {
    Image image;
    image.pixels.assign(list.PixelsPerImage(), ImageColour(k));
    image.mask.assign(list.PixelsPerImage(), 0);
    image.pixels[0] = 0;
    image.mask[0] = 1;
    AppendImage(list, std::move(image));
  }
  return *EncodeImageGroup(list);
}

std::uint32_t ColourOfImage(const Bytes& group, int k) {
  auto list = DecodeImageGroup(group);
  if (!list || k < 0 || static_cast<std::size_t>(k) >= list->ImageCount()) return 0xFFFFFFFF;
  return PixelRgb(*list, list->PixelsOf(static_cast<std::size_t>(k))[33]);
}

void WriteFile(const Text& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

bool CaptionFits(const qt::ColumnButton& button) {
  QFontMetrics metrics(button.font());
  // The face is the button less its bevel: one pixel of frame on each side.
  return metrics.height() * button.lines().size() <= button.height() - 2 && metrics.maxWidth() <= button.width() - 2;
}

}  // namespace tilvane::testing
