#include "front/qt/font_preload.h"

#include <fontconfig/fontconfig.h>

#include <future>
#include <mutex>
#include <system_error>

namespace tilvane::qt {

namespace {

std::mutex preloadMutex;
std::future<void> preload;  // valid from the start until it has been waited for
bool started = false;

}  // namespace

void StartFontConfigPreload() {
  std::lock_guard lock(preloadMutex);
  if (started) return;
  started = true;
  try {
    // FcInit loads the default configuration once per process; Qt's own
    // FcInit then returns at once.
    preload = std::async(std::launch::async, [] { FcInit(); });
  } catch (const std::system_error&) {
    // No thread: Qt loads the configuration itself when it first needs a font.
  }
}

void FinishFontConfigPreload() {
  std::lock_guard lock(preloadMutex);
  if (preload.valid()) preload.get();
}

}  // namespace tilvane::qt
