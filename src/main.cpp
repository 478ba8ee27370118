// Tilvane: an editor for image groups (.qil files).
#include <QApplication>
#include <QDir>
#include <QFont>
#include <QLibraryInfo>
#include <QTranslator>
#include <clocale>

#include "core/music/player.h"
#include "editor/main_window.h"
#include "editor/qt_prompts.h"
#include "editor/windows.h"

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tilvane"));
  QApplication::setFont(QFont(QStringLiteral("WenQuanYi Micro Hei"), 9));

  // Qt's own dialog buttons speak the same language as the rest of the program.
  QTranslator qtTranslator;
  if (qtTranslator.load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QApplication::installTranslator(&qtTranslator);
  }
  QDir::setCurrent(QApplication::applicationDirPath());

  tilvane::QtPrompts prompts;
  std::unique_ptr<tilvane::MidiPlayer> music = tilvane::MakeSystemMidiPlayer();
  tilvane::EditorServices services;
  services.prompts = &prompts;
  services.music = music.get();
  services.quit = [](int code) { QCoreApplication::exit(code); };

  std::unique_ptr<tilvane::Editor> editor = tilvane::LoadEditor(std::move(services));
  editor->main.window->show();
  int code = QApplication::exec();
  if (!editor->ended) tilvane::EndProgram(*editor, code);
  editor.reset();
  return code;
}
