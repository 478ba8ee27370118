#include "event_text.h"

#include <cstdio>

#include "core/music/stream_output.h"

namespace tilvane {

std::string DescribeStreamEvent(std::uint32_t word) {
  StreamEvent event{0, 0, word};
  char text[80];
  if (event.IsTempo()) {
    std::snprintf(text, sizeof text, "tempo %u", event.Tempo());
    return text;
  }
  int channel = (event.Status() & 0x0F) + 1;
  int d1 = event.Data1();
  int d2 = event.Data2();
  switch (event.Status() & 0xF0) {
    case 0x80: std::snprintf(text, sizeof text, "note-off ch %d key %d vel %d", channel, d1, d2); break;
    case 0x90: std::snprintf(text, sizeof text, "note-on ch %d key %d vel %d", channel, d1, d2); break;
    case 0xA0: std::snprintf(text, sizeof text, "key-pressure ch %d key %d value %d", channel, d1, d2); break;
    case 0xB0: std::snprintf(text, sizeof text, "controller ch %d number %d value %d", channel, d1, d2); break;
    case 0xC0: std::snprintf(text, sizeof text, "program ch %d number %d", channel, d1); break;
    case 0xD0: std::snprintf(text, sizeof text, "channel-pressure ch %d value %d", channel, d1); break;
    case 0xE0: std::snprintf(text, sizeof text, "pitch-bend ch %d value %d", channel, d1 | d2 << 7); break;
    default: std::snprintf(text, sizeof text, "event 0x%08X", word); break;
  }
  return text;
}

}  // namespace tilvane
