// A real editor on the offscreen platform with scripted prompts, its own
// temporary folder (TMPDIR) and no music unless a test asks for it.
#pragma once

#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "editor/editor.h"
#include "editor/support/qt_controls.h"
#include "editor/support/scripted_prompts.h"
#include "front/qt/controls.h"

namespace tilvane::testing {

using qt::QColorOf;
using qt::QStringOf;
using qt::TextOf;

class Harness {
 public:
  // Start-up leaves some work to the event loop once the main window is
  // drawn (the export dialog, the drop target, the tune's release); the
  // harness runs the loop until that is done, unless `holdEventLoop`.
  explicit Harness(MidiPlayer* music = nullptr, bool holdEventLoop = false);
  ~Harness();

  Editor& editor() { return *editor_; }
  // The Qt objects behind the two windows' controls.
  QtMainControls Main() const { return QtControlsOf(editor_->main); }
  QtExportControls Export() const;
  ScriptedPrompts prompts;

  // A path inside this harness's folder (not the temporary folder).
  Text PathOf(const Text& name) const;
  Text Folder() const;
  // Makes the folder `name` inside Folder() locked: an ordinary user may
  // enter it and read it but not write in it. Run the writing step under
  // OrdinaryUser (support/ordinary_user.h) so that the lock holds for root.
  Text LockedFolder(const Text& name);
  void Tick();
  Text Caption() const;
  // The items' captions in order.
  std::vector<Text> ItemCaptions() const;
  int ItemCount() const;
  // Selects item `index` as a person does: a left click on it (the window is
  // shown first). -1 clears the selection with a Ctrl+click on the selected item.
  void Select(int index);
  void DoubleClick(int index);
  void RightClick(int index);
  // Makes `group` the document as an edit would: the list refreshed, the
  // title marked unsaved.
  void StartEditedGroup(const Bytes& group);

  // Set by EndProgram through the quit service; -1 while the program runs.
  int exitCode = -1;

 private:
  QTemporaryDir root_;
  QByteArray oldTmpdir_;
  bool hadTmpdir_ = false;
  qt::QtFrontEnd frontEnd_;
  std::unique_ptr<Editor> editor_;
};

// Fails the current QtTest function when the prompts saw anything unexpected
// or a scripted answer was never used.
#define VERIFY_PROMPTS(harness)                                                      \
  do {                                                                               \
    const auto problems_ = (harness).prompts.Problems();                             \
    QVERIFY2(problems_.empty(), problems_.empty() ? "" : problems_.front().c_str()); \
  } while (false)

// Groups to work with: `count` images of 32 x 32 at 32 bits with a mask, image
// k filled with a colour of its own (ImageColour(k)) and its top-left pixel
// transparent over black.
Bytes MakeGroup(int count);
std::uint32_t ImageColour(int k);  // 0x00RRGGBB
// The colour of pixel (1, 1) of image k in a group, 0x00RRGGBB.
std::uint32_t ColourOfImage(const Bytes& group, int k);

void WriteFile(const Text& path, const Bytes& bytes);

// Whether every line of a column button's caption fits inside its face at
// the button's current font.
bool CaptionFits(const qt::ColumnButton& button);

}  // namespace tilvane::testing
