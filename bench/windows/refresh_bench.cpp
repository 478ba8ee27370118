// The Windows editor's RefreshIconList on groups of 1,000 and 10,000 images
// (write the working copy, read it back, decode, hand the list its items,
// then the messages that follow, painting included) against a plain write
// and read of the same bytes through the same file, the two in turn in the
// same run. Prints the medians and their ratio for each size. Runs under
// Wine on a display (bench/windows/refresh_bench.sh), since the list view
// draws nothing without one.
//   refresh_bench.exe [RUNS]    (RUNS defaults to 9)
// The system headers as the front end takes them (no MessageBox macro).
#include "front/win32/system.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "core/files.h"
#include "core/imagegroup/codec.h"
#include "core/imagegroup/default_group.h"
#include "editor/main_window.h"
#include "editor/refresh.h"
#include "front/win32/controls.h"
#include "front/win32/prompts.h"
#include "support/numbered_group.h"

namespace {

using Clock = std::chrono::steady_clock;

// Handles every message waiting, as the event loop does between two commands.
void RunWaitingMessages() {
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

double Milliseconds(const std::function<void()>& action) {
  const Clock::time_point start = Clock::now();
  action();
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
  tilvane::win32::Win32FrontEnd frontEnd;
  tilvane::win32::Win32Prompts prompts;
  tilvane::EditorServices services;
  services.frontEnd = &frontEnd;
  services.prompts = &prompts;
  services.quit = [](int) {};
  std::unique_ptr<tilvane::Editor> editor = tilvane::LoadEditor(std::move(services));
  auto* window = static_cast<tilvane::win32::Win32Window*>(editor->main.window.get());
  window->setVisible(true);
  RunWaitingMessages();

  const tilvane::Text path = tilvane::TempImageGroupPath();
  int status = 0;
  // The same group again, and a group one image larger in turn with it, as
  // after each add: the list's count then changes every time.
  for (bool grows : {false, true}) {
    for (int count : {1000, 10000}) {
      const tilvane::Bytes groups[2] = {tilvane::testing::NumberedGroup(count),
                                        tilvane::testing::NumberedGroup(grows ? count + 1 : count)};
      int turn = 0;
      // Read back into the same buffer each time, as the refresh does: the
      // floor of the round trip, with no memory of its own to fault in.
      tilvane::Bytes readBack;
      // The call itself and the messages that follow it (the list's
      // painting), each timed too, to tell where the time goes.
      double callMs = 0, messagesMs = 0;
      auto refresh = [&] {
        editor->document.imageGroupBytes = groups[turn];
        callMs = Milliseconds([&] { tilvane::RefreshIconList(*editor); });
        messagesMs = Milliseconds([&] {
          ::UpdateWindow(window->hwnd());
          RunWaitingMessages();
        });
      };
      auto roundTrip = [&] {
        tilvane::WriteFileBytes(path, groups[turn]);
        tilvane::ReadFileBytesInto(path, tilvane::kMaxImageGroupFileBytes, readBack);
      };
      refresh();  // the first one makes the image list and faults its memory in
      roundTrip();
      std::vector<double> refreshes, calls, messages, roundTrips;
      for (int k = 0; k < runs; ++k) {
        turn = k % 2;
        refreshes.push_back(Milliseconds(refresh));
        calls.push_back(callMs);
        messages.push_back(messagesMs);
        roundTrips.push_back(Milliseconds(roundTrip));
      }
      const int items = editor->main.图标列表框->itemCount();
      const int expected = turn == 1 && grows ? count + 1 : count;
      if (items != expected || readBack != groups[turn]) {
        std::fprintf(stderr, "refresh_bench: %d items shown of %d, or the bytes read back differ\n", items, expected);
        status = 1;
      }
      const double refreshMs = Median(refreshes), roundTripMs = Median(roundTrips);
      std::printf(
          "%5d images%s, median of %d: RefreshIconList %.2f ms (the call %.2f ms, the messages after it %.2f ms), "
          "write and read back %.2f ms, ratio %.2f\n",
          count, grows ? " and one more in turn" : ", the same group", runs, refreshMs, Median(calls), Median(messages),
          roundTripMs, refreshMs / roundTripMs);
      std::fflush(stdout);
    }
  }
  tilvane::RemoveFile(path);
  return status;
}
