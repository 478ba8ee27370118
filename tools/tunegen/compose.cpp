#include "compose.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "core/music/smf_writer.h"

namespace tilvane {

namespace {

constexpr int kDivision = 480;
constexpr int kEighth = kDivision / 2;
constexpr int kBar = 4 * kDivision;
constexpr int kBars = 120;
// The last bar holds the closing chord for seven eighths; the pass ends there,
// and the next one comes in with the drum pickup of bar 0.
constexpr std::uint64_t kEnd = std::uint64_t{kBars - 1} * kBar + 7 * kEighth;  // 230,160

// ---- Harmony -------------------------------------------------------------

enum class Chord { D, Bm, G, A, FSm, Em };

struct ChordShape {
  int root;  // pitch class, C = 0
  int third;
  int fifth;
};

ChordShape Shape(Chord chord) {
  switch (chord) {
    case Chord::D: return {2, 6, 9};
    case Chord::Bm: return {11, 2, 6};
    case Chord::G: return {7, 11, 2};
    case Chord::A: return {9, 1, 4};
    case Chord::FSm: return {6, 9, 1};
    case Chord::Em: return {4, 7, 11};
  }
  return {2, 6, 9};
}

// The lowest key of pitch class `pc` at or above `floor`.
int Above(int pc, int floor) {
  int key = floor + ((pc - floor) % 12 + 12) % 12;
  return key;
}

// Root, third and fifth stacked upwards from the first of them at or above `floor`.
std::array<int, 3> Voicing(Chord chord, int floor) {
  ChordShape s = Shape(chord);
  int root = Above(s.root, floor);
  int third = Above(s.third, root + 1);
  int fifth = Above(s.fifth, third + 1);
  return {root, third, fifth};
}

enum class Section { Intro, A, A2, A3, B, B2, C, C2, C3, Turn, Outro, Final };

struct Bar {
  Section section;
  Chord chord;
  int index;  // bar number within its section
};

const std::vector<Chord> kVerse = {Chord::D,  Chord::Bm, Chord::G, Chord::A, Chord::D,   Chord::Bm,
                                   Chord::G,  Chord::A,  Chord::G, Chord::A, Chord::FSm, Chord::Bm,
                                   Chord::Em, Chord::A,  Chord::D, Chord::D};
const std::vector<Chord> kBridge = {Chord::Bm, Chord::G, Chord::D, Chord::A, Chord::Bm, Chord::G, Chord::Em, Chord::A};
const std::vector<Chord> kChorus = {Chord::G, Chord::A, Chord::D,   Chord::Bm, Chord::G,  Chord::A, Chord::D, Chord::D,
                                    Chord::G, Chord::A, Chord::FSm, Chord::Bm, Chord::Em, Chord::A, Chord::D, Chord::D};

std::vector<Bar> Form() {
  std::vector<Bar> bars;
  auto add = [&](Section section, const std::vector<Chord>& chords) {
    for (std::size_t i = 0; i < chords.size(); ++i) bars.push_back({section, chords[i], static_cast<int>(i)});
  };
  add(Section::Intro, {Chord::D});
  add(Section::A, kVerse);                              // bars 1-16
  add(Section::Turn, {Chord::A});                       // 17
  add(Section::B, kBridge);                             // 18-25, a little slower
  add(Section::C, kChorus);                             // 26-41
  add(Section::A2, kVerse);                             // 42-57
  add(Section::C2, kChorus);                            // 58-73
  add(Section::Turn, {Chord::G, Chord::A});             // 74-75
  add(Section::B2, kBridge);                            // 76-83, a little slower
  add(Section::C3, kChorus);                            // 84-99
  add(Section::A3, kVerse);                             // 100-115
  add(Section::Outro, {Chord::G, Chord::A, Chord::A});  // 116-118
  add(Section::Final, {Chord::D});                      // 119
  return bars;
}

bool IsChorus(Section s) { return s == Section::C || s == Section::C2 || s == Section::C3; }
bool IsBridge(Section s) { return s == Section::B || s == Section::B2; }

// ---- Melodies: one string per bar, "key:eighths" with r for a rest ---------

const std::vector<std::string> kVerseTune = {
    "F#5:2 A5:1 F#5:1 E5:2 D5:2", "D5:2 F#5:1 B5:3 A5:2",       "G5:2 F#5:1 E5:1 D5:2 B4:2", "C#5:3 E5:1 A4:4",
    "F#5:2 A5:1 D6:1 C#6:2 A5:2", "B5:3 A5:1 F#5:2 D5:2",       "E5:2 G5:1 F#5:1 E5:2 D5:2", "E5:6 r:2",
    "D5:1 E5:1 G5:2 B5:2 A5:2",   "G5:1 F#5:1 E5:2 C#5:2 E5:2", "F#5:3 E5:1 C#5:2 A4:2",     "D5:4 F#5:2 B4:2",
    "G5:2 F#5:1 E5:1 B4:2 E5:2",  "C#5:2 E5:1 A5:3 G5:2",       "F#5:6 E5:1 D5:1",           "D5:6 r:2"};
const std::vector<std::string> kChorusTune = {
    "B5:2 A5:2 G5:2 D6:2",      "C#6:3 B5:1 A5:4",           "F#5:2 A5:2 D6:2 A5:2",  "B5:6 F#5:2",
    "B5:2 A5:2 G5:2 D6:2",      "E6:3 D6:1 C#6:2 A5:2",      "D6:4 F#5:2 A5:2",       "D6:6 r:2",
    "G5:1 A5:1 B5:2 D6:2 B5:2", "C#6:1 B5:1 A5:2 E5:2 A5:2", "C#6:3 B5:1 A5:2 F#5:2", "B5:4 D6:2 F#6:2",
    "E6:2 D6:1 B5:1 G5:2 B5:2", "A5:2 C#6:1 E6:3 C#6:2",     "D6:6 A5:1 F#5:1",       "D6:6 r:2"};
const std::vector<std::string> kBridgeTune = {"F#5:4 D5:4", "B4:4 D5:2 E5:2",  "F#5:6 A5:2",     "E5:8",
                                              "D5:4 F#5:4", "G5:6 F#5:1 E5:1", "E5:4 G5:2 B5:2", "A5:6 r:2"};
const std::vector<std::string> kOutroTune = {"B5:2 A5:2 G5:2 B5:2", "A5:4 C#6:4", "E6:8"};

struct Step {
  int key;  // -1 = rest
  int eighths;
};

int KeyNumber(const std::string& name) {
  static const int kLetters[] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
  int pc = kLetters[name[0] - 'A'];
  std::size_t i = 1;
  if (name[i] == '#') {
    ++pc;
    ++i;
  }
  int octave = name[i] - '0';
  return 12 * (octave + 1) + pc;
}

std::vector<Step> ParseBar(const std::string& bar) {
  std::vector<Step> steps;
  std::istringstream in(bar);
  std::string token;
  while (in >> token) {
    std::size_t colon = token.find(':');
    std::string name = token.substr(0, colon);
    int eighths = std::stoi(token.substr(colon + 1));
    steps.push_back({name == "r" ? -1 : KeyNumber(name), eighths});
  }
  return steps;
}

// The key a diatonic third below `key` in D major.
int ThirdBelow(int key) {
  static const int kScale[] = {1, 2, 4, 6, 7, 9, 11};  // C# D E F# G A B
  int pc = key % 12;
  int degree = 0;
  for (int i = 0; i < 7; ++i) {
    if (kScale[i] == pc) degree = i;
  }
  int target = kScale[(degree + 5) % 7];
  int below = key - 1;
  while (below % 12 != target) --below;
  return below;
}

// ---- Notes -----------------------------------------------------------------

struct Note {
  std::uint64_t start;
  std::uint64_t end;
  int key;
  int velocity;
};

struct Part {
  int channel;  // 1-16
  const char* name;
  int bank;
  int program;  // 1-based, as the General MIDI list numbers them
  const char* instrument;
  int volume;
  int pan;  // 64 = centre
  int reverb;
  int chorus;
  std::vector<Note> notes;
  std::vector<std::pair<std::uint64_t, int>> expression;  // controller 11
};

// A small fixed-seed generator, so that accents vary and the file stays the same.
class Humanizer {
 public:
  int Vary(int velocity, int spread) {
    state_ = state_ * 1103515245u + 12345u;
    int offset = static_cast<int>((state_ >> 16) % (2 * spread + 1)) - spread;
    return std::clamp(velocity + offset, 1, 127);
  }

 private:
  std::uint32_t state_ = 20240611u;
};

void Add(Part& part, std::uint64_t start, std::uint64_t length, int key, int velocity) {
  if (length == 0) return;
  part.notes.push_back({start, start + length, key, velocity});
}

// Plays a melody bar; `gap` ticks of air before each next note.
void PlayBar(Part& part, Humanizer& human, std::uint64_t barStart, const std::string& bar, int velocity, int transpose,
             bool thirdBelow, int gap) {
  std::uint64_t at = barStart;
  bool first = true;
  for (const Step& step : ParseBar(bar)) {
    std::uint64_t length = std::uint64_t(step.eighths) * kEighth;
    if (step.key >= 0 && (!thirdBelow || step.eighths >= 2)) {
      int key = (thirdBelow ? ThirdBelow(step.key) : step.key) + transpose;
      Add(part, at, length - gap, key, human.Vary(first ? velocity + 8 : velocity, 5));
    }
    first = false;
    at += length;
  }
}

std::vector<Part> Arrange() {
  std::vector<Part> parts = {
      {2, "Flute - melody", 0, 74, "Flute", 100, 70, 50, 10, {}, {}},
      {3, "Clarinet - second voice", 0, 72, "Clarinet", 84, 48, 45, 0, {}, {}},
      {4, "Piano - chords", 0, 1, "Acoustic Grand Piano", 78, 58, 40, 0, {}, {}},
      {5, "Electric piano - arpeggios", 0, 5, "Electric Piano 1", 70, 84, 45, 30, {}, {}},
      {6, "Strings - pad", 0, 49, "String Ensemble 1", 80, 40, 70, 20, {}, {}},
      {7, "Bass", 0, 34, "Electric Bass (finger)", 100, 64, 10, 0, {}, {}},
      {8, "Guitar - offbeat strums", 0, 26, "Acoustic Guitar (steel)", 72, 90, 35, 25, {}, {}},
      {9, "Glockenspiel - sparkles", 0, 10, "Glockenspiel", 64, 76, 60, 0, {}, {}},
      {10, "Drums", 0, 1, "Standard Kit", 96, 64, 30, 0, {}, {}},
      {11, "Brass - chorus stabs", 0, 62, "Brass Section", 76, 52, 40, 0, {}, {}},
      {12, "Choir - bridges", 0, 53, "Choir Aahs", 74, 64, 80, 10, {}, {}},
      {13, "Marimba - ostinato", 0, 13, "Marimba", 66, 96, 40, 0, {}, {}},
      {14, "Harp - runs", 0, 47, "Orchestral Harp", 72, 34, 60, 0, {}, {}},
      {15, "Warm pad - drones", 0, 90, "Pad 2 (warm)", 58, 64, 70, 40, {}, {}},
  };
  auto part = [&](int channel) -> Part& { return parts[channel - 2]; };
  Part& flute = part(2);
  Part& clarinet = part(3);
  Part& piano = part(4);
  Part& ep = part(5);
  Part& strings = part(6);
  Part& bass = part(7);
  Part& guitar = part(8);
  Part& glock = part(9);
  Part& drums = part(10);
  Part& brass = part(11);
  Part& choir = part(12);
  Part& marimba = part(13);
  Part& harp = part(14);
  Part& pad = part(15);

  Humanizer human;
  const std::vector<Bar> form = Form();
  enum Drum {
    Kick = 36,
    Stick = 37,
    Snare = 38,
    HatClosed = 42,
    HatOpen = 46,
    Crash = 49,
    Ride = 51,
    TomLow = 45,
    TomMid = 47,
    TomHigh = 50
  };
  auto hit = [&](std::uint64_t at, int key, int velocity) { Add(drums, at, 90, key, human.Vary(velocity, 6)); };
  auto fill = [&](std::uint64_t barStart) {
    static const int kToms[] = {TomHigh, TomHigh, TomMid, TomMid, TomLow, TomLow, Snare, Snare};
    for (int i = 0; i < 8; ++i) hit(barStart + 2 * kDivision + i * kEighth / 2, kToms[i], 80 + 4 * i);
    hit(barStart + 2 * kDivision, Kick, 100);
  };

  for (std::size_t b = 0; b < form.size(); ++b) {
    const Bar& bar = form[b];
    const std::uint64_t t = b * std::uint64_t{kBar};
    const Section s = bar.section;
    const std::array<int, 3> low = Voicing(bar.chord, 52);   // piano and brass register
    const std::array<int, 3> mid = Voicing(bar.chord, 62);   // arpeggios and choir
    const std::array<int, 3> high = Voicing(bar.chord, 69);  // marimba and harp tops
    const int root = Above(Shape(bar.chord).root, 33);       // bass, A1 to G#2
    const int fifth = root + 7;
    const bool phraseEnd = (bar.index % 8) == 7;

    if (s == Section::Intro) {
      // A two-beat pickup on the toms counts the band in, also on every loop.
      fill(t);
      continue;
    }
    if (s == Section::Final) {
      const std::uint64_t length = kEnd - t;
      for (int key : Voicing(Chord::D, 62)) {
        Add(strings, t, length, key, 90);
        Add(choir, t, length, key, 80);
        Add(piano, t, length, key - 12, 86);
      }
      Add(flute, t, length, KeyNumber("D6"), 96);
      Add(clarinet, t, length, KeyNumber("F#5"), 84);
      Add(ep, t, length, KeyNumber("A5"), 70);
      Add(guitar, t, length, KeyNumber("D4"), 70);
      Add(glock, t, kDivision, KeyNumber("D6"), 80);
      Add(bass, t, length, Above(2, 33), 104);
      Add(brass, t, length, KeyNumber("A4"), 88);
      Add(marimba, t, kDivision, KeyNumber("D5"), 80);
      Add(harp, t, length, KeyNumber("D3"), 80);
      Add(pad, t, length, Above(2, 50), 70);
      strings.expression.push_back({t, 110});
      hit(t, Crash, 110);
      hit(t, Kick, 110);
      continue;
    }

    // Melody and its second voice.
    if (s == Section::A || s == Section::A3) {
      PlayBar(flute, human, t, kVerseTune[bar.index], 92, 0, false, 24);
      if (s == Section::A3) PlayBar(clarinet, human, t, kVerseTune[bar.index], 70, 0, true, 24);
    } else if (s == Section::A2) {
      PlayBar(clarinet, human, t, kVerseTune[bar.index], 96, -12, false, 24);
    } else if (IsChorus(s)) {
      PlayBar(flute, human, t, kChorusTune[bar.index], 100, 0, false, 20);
      if (s != Section::C) PlayBar(clarinet, human, t, kChorusTune[bar.index], 76, 0, true, 20);
      if (bar.index % 2 == 0) {
        Step first = ParseBar(kChorusTune[bar.index]).front();
        Add(glock, t, 2 * kEighth, first.key + 12, human.Vary(78, 6));
      }
    } else if (s == Section::B) {
      PlayBar(clarinet, human, t, kBridgeTune[bar.index], 84, 0, false, 16);
    } else if (s == Section::B2) {
      PlayBar(flute, human, t, kBridgeTune[bar.index], 86, 0, false, 16);
      PlayBar(clarinet, human, t, kBridgeTune[bar.index], 64, 0, true, 16);
    } else if (s == Section::Outro) {
      PlayBar(flute, human, t, kOutroTune[bar.index], 96, 0, false, 20);
      PlayBar(clarinet, human, t, kOutroTune[bar.index], 74, 0, true, 20);
    }

    // Bass.
    if (IsBridge(s)) {
      Add(bass, t, 4 * kEighth - 20, root, human.Vary(88, 4));
      Add(bass, t + 4 * kEighth, 4 * kEighth - 20, bar.index % 2 ? fifth : root, human.Vary(80, 4));
    } else if (s == Section::Turn || s == Section::Outro) {
      for (int q = 0; q < 4; ++q) Add(bass, t + q * kDivision, kDivision - 30, q % 2 ? fifth : root, human.Vary(94, 4));
    } else {
      struct BassStep {
        int at, length, interval;
      };
      // The choruses drive in eighths; the verses leave more room.
      static const BassStep kDrive[] = {{0, 2, 0}, {2, 1, 0}, {3, 1, 12}, {4, 2, 7}, {6, 1, 0}, {7, 1, 7}};
      static const BassStep kWalk[] = {{0, 3, 0}, {3, 1, 0}, {4, 3, 7}, {7, 1, 12}};
      std::span<const BassStep> groove =
          IsChorus(s) ? std::span<const BassStep>(kDrive) : std::span<const BassStep>(kWalk);
      for (const BassStep& step : groove) {
        Add(bass, t + step.at * kEighth, step.length * kEighth - 24, root + step.interval,
            human.Vary(step.at % 2 ? 84 : 98, 5));
      }
    }

    // Piano comping.
    if (s == Section::A2 || s == Section::A3) {
      static const int kComp[][2] = {{0, 3}, {3, 1}, {4, 4}};
      for (const auto& hitAt : kComp) {
        for (int key : low)
          Add(piano, t + hitAt[0] * kEighth, hitAt[1] * kEighth - 30, key, human.Vary(hitAt[0] % 2 ? 66 : 78, 5));
      }
    } else if (s == Section::A || s == Section::C3 || IsBridge(s) || s == Section::Turn || s == Section::Outro) {
      for (int half = 0; half < 2; ++half) {
        for (int key : low) Add(piano, t + half * 2 * kDivision, 2 * kDivision - 40, key, human.Vary(64, 5));
      }
    }

    // Electric-piano arpeggios in eighths.
    if (s == Section::C2 || s == Section::C3 || s == Section::A3) {
      const int pattern[] = {mid[0], mid[1], mid[2], mid[0] + 12, mid[2], mid[1], mid[0], mid[1]};
      // Eighths in the choruses, quarters under the last verse.
      const int step = s == Section::A3 ? 2 : 1;
      for (int i = 0; i < 8; i += step)
        Add(ep, t + i * kEighth, step * kEighth - 20, pattern[i], human.Vary(i % 2 ? 58 : 70, 6));
    }

    // Strings hold the harmony; in the bridges they swell with the expression controller.
    if (IsBridge(s) || s == Section::C2 || s == Section::C3 || s == Section::Outro || s == Section::Turn) {
      for (int key : mid) Add(strings, t, kBar - 10, key - 12, human.Vary(72, 4));
      if (IsBridge(s)) {
        static const int kSwell[] = {70, -1, 90, -1, 110, -1, 90, 120};
        if (kSwell[bar.index] > 0) strings.expression.push_back({t, kSwell[bar.index]});
      } else if ((s == Section::C3 || s == Section::Outro) && bar.index == 0) {
        strings.expression.push_back({t, 127});
      }
    }

    // Guitar strums on the offbeats.
    if (IsChorus(s)) {
      for (int beat : {1, 3}) {
        const std::uint64_t at = t + beat * kDivision;
        const int strum[] = {low[0], low[1], low[2]};
        for (int i = 0; i < 3; ++i) Add(guitar, at + 8 * i, kEighth + 60 - 8 * i, strum[i], human.Vary(70, 6));
      }
    }

    // Brass stabs in the choruses.
    if (IsChorus(s) && bar.index % 2 == 0) {
      for (int key : low) {
        Add(brass, t, kEighth + 60, key + 12, human.Vary(86, 5));
        Add(brass, t + 3 * kEighth, kEighth - 20, key + 12, human.Vary(80, 5));
      }
    }

    // Choir in the bridges and the outro.
    if (IsBridge(s) || s == Section::Outro) {
      for (int key : mid) Add(choir, t, kBar - 20, key, human.Vary(70, 4));
    }

    // Marimba ostinato on the offbeats.
    if (s == Section::A3) {
      const int pattern[] = {high[1], high[2], high[1], high[0] + 12};
      for (int i = 0; i < 4; ++i) Add(marimba, t + (2 * i + 1) * kEighth, kEighth - 20, pattern[i], human.Vary(64, 6));
    }

    // Harp runs lead into the next section.
    if (s == Section::Turn || (IsBridge(s) && bar.index == 7) || (s == Section::Outro && bar.index == 2)) {
      for (int i = 0; i < 16; ++i) {
        int key = Voicing(bar.chord, 55)[i % 3] + 12 * (i / 3);
        Add(harp, t + i * kEighth / 2, kEighth - 10, std::min(key, 100), human.Vary(60 + 2 * i, 3));
      }
    }

    // Warm pad: a drone on the root through everything.
    Add(pad, t, kBar - 10, Above(Shape(bar.chord).root, 50), human.Vary(60, 3));

    // Drums.
    if (IsBridge(s)) {
      for (int q = 0; q < 4; ++q) hit(t + q * kDivision, Ride, q % 2 ? 60 : 70);
      hit(t, Kick, 84);
      hit(t + 2 * kDivision + kEighth, Kick, 70);
      hit(t + 2 * kDivision, Stick, 66);
      if (bar.index == 7) fill(t);
    } else if (s == Section::Turn || s == Section::Outro) {
      for (int q = 0; q < 4; ++q) hit(t + q * kDivision, Kick, 96);
      for (int e = 0; e < 4; ++e) hit(t + e * kEighth, HatClosed, 70);
      if (s == Section::Outro && bar.index == 0) hit(t, Crash, 104);
      fill(t);
    } else {
      const bool chorus = IsChorus(s);
      if (bar.index % 8 == 0) hit(t, Crash, 100);
      hit(t, Kick, 104);
      hit(t + (chorus ? 3 : 5) * kEighth, Kick, 84);
      hit(t + 4 * kEighth, Kick, 98);
      if (!phraseEnd) {
        hit(t + 2 * kEighth, Snare, 94);
        hit(t + 6 * kEighth, Snare, 96);
      } else {
        hit(t + 2 * kEighth, Snare, 94);
        fill(t);
      }
      const int eighths = phraseEnd ? 4 : 8;
      for (int e = 0; e < eighths; e += (chorus && s != Section::C) ? 1 : 2) {
        bool open = chorus && e == 7;
        if (bar.index % 8 == 0 && e == 0) continue;  // the crash takes that place
        hit(t + e * kEighth, open ? HatOpen : HatClosed, e % 2 ? 56 : 74);
      }
    }
  }
  return parts;
}

// ---- The file --------------------------------------------------------------

std::string PanText(int pan) {
  if (pan == 64) return "centre";
  return pan < 64 ? "left " + std::to_string(64 - pan) : "right " + std::to_string(pan - 64);
}

// The seven set-up messages, each after a text saying what it sets.
void WriteSetUp(SmfTrackWriter& track, int channel, int bank, int program, const std::string& instrument, int volume,
                int pan, int reverb, int chorus, std::uint64_t firstTick) {
  const std::uint8_t control = 0xB0 | (channel - 1);
  std::uint64_t at = firstTick;
  auto pair = [&](const std::string& text, std::uint8_t status, int data1, int data2) {
    track.Text(at, 0x01, text);
    track.Channel(at, status, static_cast<std::uint8_t>(data1), static_cast<std::uint8_t>(data2));
    at += 64;
  };
  pair("Bank select MSB " + std::to_string(bank), control, 0, bank);
  pair("Bank select LSB 0", control, 32, 0);
  pair("Program " + std::to_string(program) + ": " + instrument, 0xC0 | (channel - 1), program - 1, 0);
  pair("Volume " + std::to_string(volume), control, 7, volume);
  pair("Pan " + PanText(pan), control, 10, pan);
  pair("Reverb send " + std::to_string(reverb), control, 91, reverb);
  pair("Chorus send " + std::to_string(chorus), control, 93, chorus);
}

SmfTrackWriter ConductorTrack() {
  SmfTrackWriter track;
  track.Text(0, 0x03, "Tilvane - a small tune for a small editor");
  track.Text(0, 0x02,
             "Composed for the Tilvane image-group editor by its developers. Free to play, loop and change with "
             "the editor. D major, 4/4, about 166 beats a minute; two gentle bridges take it a bit slower."
             "Form: a tom pickup, verse (flute), bridge (clarinet and choir), chorus, verse (clarinet and piano), "
             "chorus, bridge, chorus, last verse (marimba), outro and a closing chord.");
  const std::uint8_t timeSignature[] = {0x04, 0x02, 0x18, 0x08};
  track.Meta(0, 0x58, timeSignature);
  track.Meta(0, 0x59, {});  // no key given: players keep their default
  struct TempoChange {
    std::uint64_t tick;
    std::uint32_t microseconds;
  };
  static const TempoChange kTempi[] = {
      {0, 361445}, {34560, 363636}, {49920, 361445}, {145920, 363636}, {161280, 361445}};
  for (const TempoChange& change : kTempi) {
    const std::uint8_t data[] = {static_cast<std::uint8_t>(change.microseconds >> 16),
                                 static_cast<std::uint8_t>(change.microseconds >> 8),
                                 static_cast<std::uint8_t>(change.microseconds)};
    track.Meta(change.tick, 0x51, data);
  }
  track.EndOfTrack(161280);
  return track;
}

SmfTrackWriter SetUpTrack() {
  SmfTrackWriter track;
  track.Text(0, 0x03, "Set-up: GS reset, channel 1 quiet");
  // GS system-mode reset: Roland, device 0x10, model GS, DT1, address 40 00 7F, data 00, checksum.
  const std::uint8_t reset[] = {0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7};
  track.SysEx(0, reset);
  track.Text(240, 0x01, "Channel 1 is set up like the others but plays no notes");
  WriteSetUp(track, 1, 0, 1, "Acoustic Grand Piano", 100, 64, 40, 0, 260);
  track.Text(739, 0x01, "Set-up done; the tune begins on the toms");
  track.EndOfTrack(739);
  return track;
}

SmfTrackWriter ChannelTrack(const Part& part) {
  SmfTrackWriter track;
  track.Text(0, 0x03, part.name);
  WriteSetUp(track, part.channel, part.bank, part.program, part.instrument, part.volume, part.pan, part.reverb,
             part.chorus, 250 + 3 * std::uint64_t(part.channel - 2));

  struct Message {
    std::uint64_t tick;
    int order;  // ends before controllers before starts at the same tick
    std::uint8_t status, data1, data2;
  };
  std::vector<Message> messages;
  const std::uint8_t channel = static_cast<std::uint8_t>(part.channel - 1);
  for (const Note& note : part.notes) {
    messages.push_back({note.start, 2, static_cast<std::uint8_t>(0x90 | channel), static_cast<std::uint8_t>(note.key),
                        static_cast<std::uint8_t>(note.velocity)});
    messages.push_back(
        {note.end, 0, static_cast<std::uint8_t>(0x90 | channel), static_cast<std::uint8_t>(note.key), 0});
  }
  for (const auto& [tick, value] : part.expression) {
    messages.push_back({tick, 1, static_cast<std::uint8_t>(0xB0 | channel), 11, static_cast<std::uint8_t>(value)});
  }
  std::stable_sort(messages.begin(), messages.end(), [](const Message& a, const Message& b) {
    return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
  });
  for (const Message& m : messages) track.Channel(m.tick, m.status, m.data1, m.data2);
  track.EndOfTrack(track.LastTick());
  return track;
}

SmfTrackWriter QuietTrack() {
  SmfTrackWriter track;
  track.Text(0, 0x03, "Channel 16 - spare, set up only");
  WriteSetUp(track, 16, 0, 1, "Acoustic Grand Piano", 100, 64, 40, 0, 292);
  track.EndOfTrack(733);
  return track;
}

}  // namespace

Bytes ComposeBackgroundTune() {
  std::vector<SmfTrackWriter> tracks;
  tracks.push_back(ConductorTrack());
  tracks.push_back(SetUpTrack());
  for (const Part& part : Arrange()) tracks.push_back(ChannelTrack(part));
  tracks.push_back(QuietTrack());
  return WriteSmf(1, kDivision, tracks);
}

}  // namespace tilvane
