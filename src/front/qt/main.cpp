// Tilvane: an editor for image groups (.qil files).
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QSessionManager>
#include <QTranslator>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/files.h"
#include "core/music/player.h"
#include "editor/document_commands.h"
#include "editor/main_window.h"
#include "front/qt/controls.h"
#include "front/qt/font_preload.h"
#include "front/qt/prompts.h"
#include "front/qt/termination_signals.h"
#include "front/qt/widgets.h"

namespace {

constexpr const char* kQtOptions = "\nQt's own options (-platform, -display, ...) are accepted as well.\n";

enum class EarlyAnswer { None, Help, Version };

// --help and --version are answered before Qt starts, so that they work
// without a display.
EarlyAnswer EarlyOption(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--") == 0) break;
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) return EarlyAnswer::Help;
    if (std::strcmp(argv[i], "--version") == 0) return EarlyAnswer::Version;
  }
  return EarlyAnswer::None;
}

struct CommandLine {
  bool ok = true;
  QString file;  // absolute, or empty when none was given
};

// What is left once Qt has taken its own options: at most one FILE. A
// relative FILE is taken from the folder the program was started in.
CommandLine ParseCommandLine(const QStringList& arguments) {
  CommandLine line;
  bool optionsEnded = false;
  QStringList files;
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    const QString& word = arguments[i];
    if (!optionsEnded && word == QLatin1String("--")) {
      optionsEnded = true;
    } else if (!optionsEnded && word.startsWith(QLatin1Char('-')) && word.size() > 1) {
      std::fprintf(stderr, "tilvane: unknown option %s\n", word.toLocal8Bit().constData());
      line.ok = false;
    } else {
      files << word;
    }
  }
  if (files.size() > 1) {
    std::fprintf(stderr, "tilvane: one file at a time\n");
    line.ok = false;
  }
  if (!line.ok) {
    std::fputs("Try \"tilvane --help\".\n", stderr);
    return line;
  }
  if (!files.isEmpty()) line.file = QFileInfo(files.first()).absoluteFilePath();
  return line;
}

}  // namespace

int main(int argc, char** argv) {
  switch (EarlyOption(argc, argv)) {
    case EarlyAnswer::Help:
      std::fputs(tilvane::kCommandLineUsage, stdout);
      std::fputs(kQtOptions, stdout);
      return 0;
    case EarlyAnswer::Version: std::printf("tilvane %s\n", TILVANE_VERSION); return 0;
    case EarlyAnswer::None: break;
  }
  std::setlocale(LC_ALL, "");
  // The exit clean-up: the end can also come from outside the event loop, as
  // when the display's connection breaks at the end of a desktop session and
  // Qt leaves through exit().
  std::atexit([] { tilvane::RemoveFile(tilvane::TempImageGroupPath()); });
  // Runs while Qt starts and the windows are built (editor/font_preload.h).
  tilvane::qt::StartFontConfigPreload();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tilvane"));
  QApplication::setApplicationVersion(QStringLiteral(TILVANE_VERSION));
  CommandLine commandLine = ParseCommandLine(QApplication::arguments());
  if (!commandLine.ok) return 2;

  // Qt's own dialog buttons speak the same language as the rest of the program.
  QTranslator qtTranslator;
  if (qtTranslator.load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QApplication::installTranslator(&qtTranslator);
  }
  QDir::setCurrent(QApplication::applicationDirPath());

  tilvane::qt::QtFrontEnd frontEnd;
  tilvane::qt::QtPrompts prompts;
  std::unique_ptr<tilvane::MidiPlayer> music = tilvane::MakeSystemMidiPlayer();
  tilvane::EditorServices services;
  services.frontEnd = &frontEnd;
  services.prompts = &prompts;
  services.music = music.get();
  services.quit = [](int code) { QCoreApplication::exit(code); };

  std::unique_ptr<tilvane::Editor> editor = tilvane::LoadEditor(std::move(services));
  tilvane::Editor* e = editor.get();

  // kill, Ctrl+C in the terminal and a closed terminal end the program as
  // closing its window does: the working copy removed, the music stopped.
  tilvane::qt::TerminationSignals terminationSignals([e](int) { tilvane::OnMainDestroyed(*e); });
  // The desktop session is ending: unsaved changes get the question of Exit.
  QObject::connect(&app, &QGuiApplication::commitDataRequest, &app, [e](QSessionManager& manager) {
    if (!tilvane::IsModified(*e) || !manager.allowsInteraction()) return;
    bool mayEnd = tilvane::OnSessionEnding(*e);
    manager.release();
    if (!mayEnd) manager.cancel();
  });

  editor->main.window->setVisible(true);
  if (!commandLine.file.isEmpty()) {
    // Opening lays the images' captions out before the first frame is drawn.
    tilvane::qt::FinishFontConfigPreload();
    tilvane::OpenDocumentFile(*editor, tilvane::qt::TextOf(commandLine.file));
  }
  int code = QApplication::exec();
  if (!editor->ended) tilvane::EndProgram(*editor, code);
  editor.reset();
  return code;
}
